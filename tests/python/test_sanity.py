import numpy as np
import pytest

from vantrelpid.sanity import sanity


def reference_pairs(X):
    """Pairs whose scaled covariance exceeds 0.9999, computed with numpy."""
    X = np.asarray(X, dtype=float)
    with np.errstate(invalid="ignore", divide="ignore"):
        Z = (X - X.mean(axis=0)) / X.std(axis=0)
        C = np.cov(Z, rowvar=False)
    n = X.shape[1]
    return [(i, j) for i in range(n) for j in range(i + 1, n) if C[i, j] > 0.9999]


@pytest.fixture
def signals():
    rng = np.random.default_rng(7)
    return rng.standard_normal((300, 4))


class TestSanity:
    def test_constant_and_identical_columns(self, signals):
        X = signals[:, :3].copy()
        X[:, 2] = X[:, 0]
        X[:, 1] = 4.2
        with np.errstate(invalid="ignore"):
            const, pairs = sanity(X)
        assert const == [1] and pairs == [(0, 2)]
        assert all(type(i) is int for i in const)
        assert all(type(i) is int for p in pairs for i in p)

    def test_negative_correlation_is_no_pair(self, signals):
        X = np.column_stack([signals[:, 0], -signals[:, 0]])
        assert sanity(X) == ([], [])

    def test_threshold_follows_scaled_covariance(self, signals):
        # correlation just above and just below 0.9999 * (N - 1) / N
        N = signals.shape[0]
        x, e = signals[:, 0], signals[:, 1]
        e = e - x * (x @ e) / (x @ x)
        target = 0.9999 * (N - 1) / N
        results = []
        for rho in (target + 2e-7, target - 2e-7):
            y = rho * x / x.std() + np.sqrt(1 - rho**2) * e / e.std()
            X = np.column_stack([x, y])
            results.append(sanity(X)[1])
            assert results[-1] == reference_pairs(X)
        assert results == [[(0, 1)], []]

    def test_single_change_and_nan_are_not_constant(self):
        X = np.ones((50, 2))
        X[17, 0] = 1 + 1e-15
        X[3, 1] = np.nan
        with np.errstate(invalid="ignore"):
            assert sanity(X)[0] == []

    def test_one_row_and_one_column(self, signals):
        with np.errstate(invalid="ignore", divide="ignore"):
            assert sanity(signals[:1]) == ([0, 1, 2, 3], [])
        assert sanity(signals[:, :1]) == ([], [])

    def test_lists_and_integers_accepted_and_input_unchanged(self, signals):
        data = [[1, 2], [2, 4], [3, 6], [5, 10]]
        assert sanity(data) == ([], [(0, 1)])
        before = signals.copy()
        sanity(signals)
        np.testing.assert_array_equal(signals, before)

    def test_random_matrix_matches_numpy(self, signals):
        X = np.column_stack([signals, signals[:, 1] * 3 + 1])
        assert sanity(X) == ([], reference_pairs(X)) == ([], [(1, 4)])

    def test_one_dimensional_input_raises_index_error(self):
        with pytest.raises(IndexError, match="tuple index out of range"):
            sanity(np.arange(5.0))
