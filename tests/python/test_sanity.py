import numpy as np
import pytest

from conftest import untouched
from vantrelpid.sanity import sanity


def reference_pairs(X):
    """Pairs whose covariance of the standardised columns exceeds 0.9999, with numpy."""
    C = np.cov((X - X.mean(axis=0)) / X.std(axis=0), rowvar=False)
    return [(i, j) for i in range(X.shape[1]) for j in range(i + 1, X.shape[1]) if C[i, j] > 0.9999]


def test_constant_identical_scaled_and_opposite_columns():
    s = np.random.default_rng(7).standard_normal((300, 2))
    X = np.column_stack([s[:, 0], np.full(300, 4.2), s[:, 0], -s[:, 1], s[:, 1] * 3 + 1, s[:, 1]])
    with np.errstate(invalid="ignore"), untouched(X):
        const, pairs = sanity(X)
    assert (const, pairs) == ([1], [(0, 2), (4, 5)])
    assert all(type(i) is int for i in const + [k for p in pairs for k in p])


def test_threshold_follows_the_scaled_covariance():
    # Correlations just above and just below 0.9999 (N - 1) / N.
    s = np.random.default_rng(7).standard_normal((300, 4))
    x, e = s[:, 0], s[:, 1] - s[:, 0] * (s[:, 0] @ s[:, 1]) / (s[:, 0] @ s[:, 0])
    target = 0.9999 * 299 / 300
    for rho, expected in ((target + 2e-7, [(0, 1)]), (target - 2e-7, [])):
        X = np.column_stack([x, rho * x / x.std() + np.sqrt(1 - rho**2) * e / e.std()])
        assert sanity(X)[1] == reference_pairs(X) == expected


def test_edge_cases():
    X = np.ones((50, 2))
    X[17, 0] = 1 + 1e-15   # one change is no constant
    X[3, 1] = np.nan       # nor is a NaN
    with np.errstate(invalid="ignore", divide="ignore"):
        assert sanity(X)[0] == []
        assert sanity(np.ones((1, 3))) == ([0, 1, 2], [])
    assert sanity([[1, 2], [2, 4], [3, 6], [5, 10]]) == ([], [(0, 1)])
    assert sanity(np.arange(5.0).reshape(-1, 1)) == ([], [])
    with pytest.raises(IndexError, match="tuple index out of range"):
        sanity(np.arange(5.0))
