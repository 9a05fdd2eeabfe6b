import numpy as np
import pytest

from references import OWN_COEFFICIENTS
from vantrelpid import _utilities as util
from vantrelpid.tools.checkclean import checkclean


def reference(U, yk, SlSampk):
    s = np.asarray(SlSampk) - 1
    Us, ys = U[s], yk[s]
    nm = round(len(s) / 10)
    mean_u = np.mean(Us[:nm], axis=0)
    std_u = np.std(Us, axis=0, ddof=1)
    mean_y = np.mean(ys[:nm])
    std_y = np.std(ys, ddof=1)
    Un = (U - mean_u) / std_u
    yn = yk - mean_y
    if std_y > 0:
        yn = yn / std_y
    return util.hipass(Un, 0.003), mean_u, std_u, util.hipass(yn, 0.003), mean_y, std_y


@pytest.fixture
def record():
    rng = np.random.default_rng(3)
    N = 1200
    U = rng.standard_normal((N, 2)) + [1.0, 3.0]
    y = np.convolve(U[:, 0], [0, 0.5, 0.3])[:N] + 0.1 * rng.standard_normal(N)
    return U, y


class TestCheckclean:
    @pytest.mark.parametrize("samples", [np.arange(1, 1201), np.r_[1:300, 501:1201]])
    @pytest.mark.parametrize("column", [False, True])
    def test_against_transcription(self, record, samples, column):
        U, y = record
        y = y.reshape(-1, 1) if column else y
        ours = checkclean(U, y, samples, 0)
        expected = reference(U, y, samples)
        assert ours[3].shape == y.shape
        for o, e in zip(ours, expected):
            np.testing.assert_allclose(o, e, rtol=OWN_COEFFICIENTS, atol=OWN_COEFFICIENTS)

    def test_flag_has_no_other_effect_and_draws_nothing(self, record):
        U, y = record
        s = np.arange(1, len(y) + 1)
        state = np.random.get_state()
        a = checkclean(U, y, s, 0)
        b = checkclean(U, y, s, 1.0)
        assert np.random.get_state()[2] == state[2]
        np.testing.assert_array_equal(np.random.get_state()[1], state[1])
        for x, z in zip(a, b):
            np.testing.assert_array_equal(x, z)

    def test_half_even_offset_length_and_constant_output(self, record):
        U, _ = record
        s = np.arange(1, 166)  # N = 165 -> 16 samples
        y = np.full(len(U), 7.0)
        _, mu, _, yn, my, sy = checkclean(U, y, s, 0)
        np.testing.assert_array_equal(mu, np.mean(U[:16], axis=0))
        assert sy == 0 and my == 7.0
        np.testing.assert_array_equal(yn, util.hipass(y - 7.0, 0.003))

    @pytest.mark.parametrize("flag", [2, 0.5, None, "1"])
    def test_flag_check(self, record, flag):
        U, y = record
        with pytest.raises(ValueError, match="^CV_INTk must be either 0 or 1$"):
            checkclean(U, y, np.arange(1, 10), flag)

    @pytest.mark.parametrize("bad", [0, 1201])
    def test_sample_numbers_outside_the_record(self, record, bad):
        U, y = record
        with pytest.raises(IndexError):
            checkclean(U, y, np.array([1, bad]), 0)
