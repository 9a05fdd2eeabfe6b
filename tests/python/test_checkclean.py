import numpy as np
import pytest

from conftest import assert_all_close, untouched
from references import OWN_COEFFICIENTS
from vantrelpid import _utilities as util
from vantrelpid.tools.checkclean import checkclean


def reference(U, yk, SlSampk):
    s = np.asarray(SlSampk) - 1
    nm = round(len(s) / 10)
    mean_u, std_u = np.mean(U[s][:nm], axis=0), np.std(U[s], axis=0, ddof=1)
    mean_y, std_y = np.mean(yk[s][:nm]), np.std(yk[s], ddof=1)
    yn = (yk - mean_y) / std_y if std_y > 0 else yk - mean_y
    return util.hipass((U - mean_u) / std_u, 0.003), mean_u, std_u, util.hipass(yn, 0.003), mean_y, std_y


@pytest.fixture
def record():
    rng = np.random.default_rng(3)
    U = rng.standard_normal((1200, 2)) + [1.0, 3.0]
    return U, np.convolve(U[:, 0], [0, 0.5, 0.3])[:1200] + 0.1 * rng.standard_normal(1200)


@pytest.mark.parametrize("samples", [np.arange(1, 1201), np.r_[1:300, 501:1201], np.arange(1, 166)])
@pytest.mark.parametrize("column", [False, True])
@pytest.mark.parametrize("constant", [False, True])
def test_against_transcription_without_draws(record, samples, column, constant):
    U, y = record
    y = np.full(1200, 7.0) if constant else y   # a zero output scale is not divided by
    y = y.reshape(-1, 1) if column else y
    with untouched(U, y, samples):
        ours = checkclean(U, y, samples, 0)
    assert ours[3].shape == y.shape
    assert_all_close(ours, reference(U, y, samples), rtol=OWN_COEFFICIENTS, atol=OWN_COEFFICIENTS)
    np.testing.assert_equal(ours, checkclean(U, y, samples, 1.0))


def test_failures(record):
    U, y = record
    for flag in (2, 0.5, None, "1"):
        with pytest.raises(ValueError, match="^CV_INTk must be either 0 or 1$"):
            checkclean(U, y, np.arange(1, 10), flag)
    for bad in (0, 1201):
        with pytest.raises(IndexError):
            checkclean(U, y, np.array([1, bad]), 0)
