import numpy as np
import pytest
import scipy.signal

from conftest import assert_same_generator_state, generator_state
from references import OWN_COEFFICIENTS, SCIPY_COEFFICIENTS
from vantrelpid import _utilities as util
from vantrelpid.tools.fitclean import fitclean


def reference(U, yk, SlSampk, CV_INTk, coefficients):
    """The preprocessing written out with numpy and scipy.signal."""
    U = np.array(U, dtype=float)
    yk = np.array(yk, dtype=float).reshape(len(yk), -1)
    s = np.array(SlSampk, dtype=int) - 1
    N = len(s)
    nf = round(N / 15)
    mean_u = np.mean(U[s][1:nf], axis=0)
    mean_y = np.mean(yk[s][1:nf], axis=0)[0]
    b, a = coefficients
    Un = scipy.signal.lfilter(b, a, U - mean_u, axis=0)
    yn = scipy.signal.lfilter(b, a, yk - mean_y, axis=0)
    if CV_INTk == 1:
        np.random.seed(9888)
        Un = np.cumsum(Un, axis=0)
        np.random.randn(*Un.shape)
    Un -= np.mean(Un, axis=0)
    yn -= np.mean(yn, axis=0)
    std_u = np.std(Un, axis=0, ddof=1)
    std_y = np.std(yn, axis=0, ddof=1)[0]
    Un /= std_u
    yn /= std_y
    if CV_INTk != 1:
        np.random.randn(*Un.shape)
    np.random.randn(*yn.shape)
    return Un, mean_u, std_u, yn, mean_y, std_y


@pytest.fixture
def record():
    rng = np.random.default_rng(11)
    N = 1500
    U = np.cumsum(rng.standard_normal((N, 2)), axis=0) * 0.1 + [5.0, -2.0]
    y = scipy.signal.lfilter([0, 0.2], [1, -0.9], U[:, 0]) + 0.05 * rng.standard_normal(N) + 40
    return U, y


SELECTIONS = {"all": lambda N: np.arange(1, N + 1), "gap": lambda N: np.r_[1:400, 601:N + 1]}


class TestAgainstTranscription:
    @pytest.mark.parametrize("flag", [0, 1, 1.0, True, 2, None])
    @pytest.mark.parametrize("sel", sorted(SELECTIONS))
    def test_same_values_and_generator_state(self, record, flag, sel):
        U, y = record
        samples = SELECTIONS[sel](len(y))
        np.random.seed(5)
        ours = fitclean(U, y, samples, flag)
        state = generator_state()
        np.random.seed(5)
        expected = reference(U, y, samples, flag, util.buttfilthi(4, 0.002))
        assert_same_generator_state(state, generator_state())
        for o, e in zip(ours, expected):
            np.testing.assert_allclose(o, e, rtol=OWN_COEFFICIENTS, atol=OWN_COEFFICIENTS)
        with_scipy = reference(U, y, samples, flag, scipy.signal.butter(4, 0.002, "high"))
        for o, e in zip(ours, with_scipy):
            np.testing.assert_allclose(o, e, rtol=SCIPY_COEFFICIENTS, atol=SCIPY_COEFFICIENTS)

    def test_shapes_dtypes_and_unit_deviation(self, record):
        U, y = record
        Un, mu, su, yn, my, sy = fitclean(U, y, np.arange(1, len(y) + 1), 0)
        assert Un.shape == U.shape and yn.shape == (len(y), 1)
        assert mu.shape == su.shape == (2,)
        assert type(my) is np.float64 and type(sy) is np.float64
        np.testing.assert_allclose(np.std(Un, axis=0, ddof=1), 1, rtol=1e-12)
        np.testing.assert_allclose(np.mean(np.c_[Un, yn], axis=0), 0, atol=1e-12)

    def test_offsets_start_at_the_second_selected_sample(self, record):
        U, y = record
        samples = np.arange(151, 301)          # N = 150 -> Nf = 10 -> 9 samples
        _, mu, _, _, my, _ = fitclean(U, y, samples, 0)
        np.testing.assert_array_equal(mu, np.mean(U[151:160], axis=0))
        assert my == np.mean(y[151:160])

    def test_one_dimensional_and_column_output_agree(self, record):
        U, y = record
        s = np.arange(1, len(y) + 1)
        np.random.seed(1)
        a = fitclean(U, y, s, 0)
        np.random.seed(1)
        b = fitclean(U.tolist(), y.reshape(-1, 1), list(s), 0)
        for x, z in zip(a, b):
            np.testing.assert_array_equal(x, z)

    def test_callers_arrays_unchanged(self, record):
        U, y = record
        s = np.arange(1, len(y) + 1)
        copies = U.copy(), y.copy(), s.copy()
        fitclean(U, y, s, 1)
        for orig, copy in zip((U, y, s), copies):
            np.testing.assert_array_equal(orig, copy)


class TestFailures:
    def test_missing_arguments(self, record):
        U, y = record
        for args in ((None, y, [1]), (U, None, [1]), (U, y, None)):
            with pytest.raises(ValueError, match="^Not enough input arguments!$"):
                fitclean(*args, 0)

    def test_assertions(self, record):
        U, y = record
        with pytest.raises(AssertionError, match="^U must be a matrix$"):
            fitclean(U[:, 0], y, [1, 2], 0)
        with pytest.raises(AssertionError, match=r"^The shape of ysh must be \(N, 1\)$"):
            fitclean(U, U, [1, 2], 0)

    @pytest.mark.parametrize("bad", [0, -3, 1501])
    def test_sample_numbers_outside_the_record(self, record, bad):
        U, y = record
        state = generator_state()
        with pytest.raises(IndexError):
            fitclean(U, y, [1, 2, bad], 1)
        assert_same_generator_state(state, generator_state())

    def test_empty_selection_table(self, record):
        U, y = record
        with pytest.raises(ValueError, match=r"too many values to unpack \(expected 2\)"):
            fitclean(U, y, np.zeros((0, 2), dtype=int), 0)

    def test_short_selection_gives_not_a_number(self, record):
        U, y = record
        Un, mu, *_ = fitclean(U, y, np.arange(1, 23), 0)
        assert np.isnan(mu).all() and np.isnan(Un).all()
