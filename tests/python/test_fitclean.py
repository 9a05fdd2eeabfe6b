import numpy as np
import pytest
import scipy.signal

from conftest import assert_all_close, same_draws, untouched
from references import OWN_COEFFICIENTS, SCIPY_COEFFICIENTS
from vantrelpid import _utilities as util
from vantrelpid.tools.fitclean import fitclean


def reference(U, yk, SlSampk, CV_INTk, coefficients):
    """The preprocessing written out with numpy and scipy.signal, with its draws."""
    U, yk = np.array(U, dtype=float), np.array(yk, dtype=float).reshape(len(yk), -1)
    s = np.array(SlSampk) - 1
    nf = round(len(s) / 15)
    mean_u, mean_y = np.mean(U[s][1:nf], axis=0), np.mean(yk[s][1:nf])
    Un = scipy.signal.lfilter(*coefficients, U - mean_u, axis=0)
    yn = scipy.signal.lfilter(*coefficients, yk - mean_y, axis=0)
    if CV_INTk == 1:
        np.random.seed(9888)
        Un = np.cumsum(Un, axis=0)
    np.random.randn(*Un.shape)
    np.random.randn(*yn.shape)
    Un, yn = Un - np.mean(Un, axis=0), yn - np.mean(yn)
    std_u, std_y = np.std(Un, axis=0, ddof=1), np.std(yn, ddof=1)
    return Un / std_u, mean_u, std_u, yn / std_y, mean_y, std_y


@pytest.fixture
def record():
    rng = np.random.default_rng(11)
    U = np.cumsum(rng.standard_normal((1500, 2)), axis=0) * 0.1 + [5.0, -2.0]
    return U, scipy.signal.lfilter([0, 0.2], [1, -0.9], U[:, 0]) + 0.05 * rng.standard_normal(1500) + 40


@pytest.mark.parametrize("flag", [0, 1, 1.0, True, 2, None])
@pytest.mark.parametrize("samples", [np.arange(1, 1501), np.r_[1:400, 601:1501]])
def test_against_transcription_with_the_same_draws(record, flag, samples):
    U, y = record
    with untouched(U, y, samples, draws=True):
        ours, expected = same_draws(lambda: fitclean(U, y, samples, flag),
                                    lambda: reference(U, y, samples, flag, util.buttfilthi(4, 0.002)))
    assert_all_close(ours, expected, rtol=OWN_COEFFICIENTS, atol=OWN_COEFFICIENTS)
    with_scipys = reference(U, y, samples, flag, scipy.signal.butter(4, 0.002, "high"))
    assert_all_close(ours, with_scipys, rtol=SCIPY_COEFFICIENTS, atol=SCIPY_COEFFICIENTS)
    assert ours[0].shape == U.shape and ours[3].shape == (1500, 1) and ours[1].shape == ours[2].shape == (2,)
    assert type(ours[4]) is np.float64 and type(ours[5]) is np.float64
    np.testing.assert_allclose(np.std(np.c_[ours[0], ours[3]], axis=0, ddof=1), 1, rtol=1e-12)


def test_output_layouts_and_a_short_selection(record):
    U, y = record
    s = np.arange(1, 1501)
    np.testing.assert_equal(fitclean(U, y, s, 0), fitclean(U.tolist(), y.reshape(-1, 1), list(s), 0))
    Un, mu, *_ = fitclean(U, y, np.arange(1, 23), 0)               # Nf = 1: empty means
    assert np.isnan(mu).all() and np.isnan(Un).all()


def test_failures(record):
    U, y = record
    for args in ((None, y, [1]), (U, None, [1]), (U, y, None)):
        with pytest.raises(ValueError, match="^Not enough input arguments!$"):
            fitclean(*args, 0)
    with pytest.raises(AssertionError, match="^U must be a matrix$"):
        fitclean(U[:, 0], y, [1, 2], 0)
    with pytest.raises(AssertionError, match=r"^The shape of ysh must be \(N, 1\)$"):
        fitclean(U, U, [1, 2], 0)
    with pytest.raises(ValueError, match=r"too many values to unpack \(expected 2\)"):
        fitclean(U, y, np.zeros((0, 2), dtype=int), 0)
    for bad in (0, -3, 1501):   # sample numbers below 1 raise like those beyond the record
        with pytest.raises(IndexError), untouched():
            fitclean(U, y, [1, 2, bad], 1)
