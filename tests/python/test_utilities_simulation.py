# Delays, simulation, frequency responses and stacking of the utility layer,
# against scipy.signal (lfilter, dlsim, freqz) and scipy.linalg.block_diag.

import numpy as np
import pytest
from scipy import linalg, signal

from conftest import untouched
from references import SIMULATION_ORDER
from vantrelpid import _utilities as u


def arx_model(order, n_inputs, seed, nb=None):
    """A stable denominator with poles spread over the disc, as identified models have them; a row per input."""
    rng = np.random.default_rng(seed)
    poles = rng.uniform(0.3, 0.9, order // 2) * np.exp(1j * rng.uniform(0.05, 3.0, order // 2))
    return np.real(np.poly(np.r_[poles, poles.conj(), [0.95] * (order % 2)])), rng.standard_normal((n_inputs, nb or order + 1))


def close(x, expected, rel=SIMULATION_ORDER):
    np.testing.assert_allclose(x, expected, rtol=0, atol=rel * np.abs(expected).max())


class TestAddDly:
    X = np.arange(1.0, 31.0).reshape(10, 3)

    @pytest.mark.parametrize("d, per_column", [(2, [2, 2, 2]), (np.array([[3]]), [3, 3, 3]), ([0, 1, 4], [0, 1, 4]),
                                               (np.array([1, 12, 0]), [1, 12, 0]), (2.0, [2, 2, 2])])
    def test_leading_zeros_rows_kept(self, d, per_column):
        with untouched(self.X):
            out = u.add_dly(self.X, d)
        assert out.dtype == np.float64
        np.testing.assert_array_equal(out, [[self.X[t - k, j] if t >= k else 0.0 for j, k in enumerate(per_column)]
                                            for t in range(10)])
        np.testing.assert_array_equal(u.add_dly(self.X[:, 0], per_column[0]), out[:, 0])

    def test_bad_delays(self):
        with pytest.raises(ValueError, match="^delays must not be negative$"):
            u.add_dly(self.X, [1, -2, 0])


W = np.r_[np.linspace(1e-4, 100, 100, endpoint=False) / 100 * np.pi, 3.14 * np.logspace(-4, 0, 75)]


@pytest.mark.parametrize("order, n_inputs, nb, scale", [(22, 6, None, 1.0), (3, 2, 6, 2.5), (5, 1, 2, 1.0)])
def test_misosim_and_misofrq_against_lfilter_and_freqz(order, n_inputs, nb, scale):
    A, B = arx_model(order, n_inputs, seed=order, nb=nb)
    A = scale * A   # normalised by A[0]
    U = np.random.default_rng(1).standard_normal((3000, n_inputs))
    y, G = u.misosim(A, B, U), u.misofrq(A, B, W)
    assert y.shape == (3000, 1) and y.dtype == np.float64 and G.shape == (175, n_inputs) and G.dtype == np.complex128
    close(y[:, 0], sum(signal.lfilter(B[j], A, U[:, j]) for j in range(n_inputs)))
    np.testing.assert_allclose(G, np.column_stack([signal.freqz(b, A, worN=W)[1] for b in B]), rtol=SIMULATION_ORDER)
    if n_inputs == 1:
        close(u.misosim(A, B[0], U[:, 0]), y)


def test_dsssim_against_dlsim():
    rng = np.random.default_rng(6)
    A = np.diag([0.5, 0.8, -0.3]) + 0.05 * rng.standard_normal((3, 3))
    B, C, D, U = (rng.standard_normal(shape) for shape in ((3, 2), (2, 3), (2, 2), (400, 2)))
    y = u.dsssim(A, B, C, D, U)[0]
    assert y.shape == (400, 2)
    close(y, signal.dlsim((A, B, C, D, 1), U)[1])


def test_d_bode2_is_the_amplitude():
    b, a = signal.butter(6, 0.1)
    amp = u.d_bode2(b, a, W)
    assert amp.shape == (175,) and amp.dtype == np.float64
    close(amp, np.abs(signal.freqz(b, a, worN=W)[1]))   # the stopband sits at the passband's rounding floor
    np.testing.assert_allclose(u.d_bode2([0.0, 0.4], [1.0, -0.6], [0.0]), [1.0])


def test_tt_ac_and_tt_bd():
    P, M = np.arange(6.0).reshape(2, 3), np.arange(4.0).reshape(2, 2) + 10
    np.testing.assert_array_equal(u.tt_ac(P, M), linalg.block_diag(P, M))
    np.testing.assert_array_equal(u.tt_ac([], M), M)
    np.testing.assert_array_equal(u.tt_bd(P, M[:1, :1].repeat(3, axis=1)), np.vstack([P, [[10.0] * 3]]))
    np.testing.assert_array_equal(u.tt_bd([], M), M)
