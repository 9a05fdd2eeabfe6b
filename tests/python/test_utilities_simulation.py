"""Delays, simulation, frequency responses and stacking of the utility layer,
against scipy.signal (lfilter, dlsim, freqz), scipy.linalg.block_diag and
numpy."""

import numpy as np
import pytest
from scipy import linalg, signal

from references import SIMULATION_ORDER
from vantrelpid import _utilities as u


def arx_model(order, n_inputs, seed, nb=None):
    """A stable monic denominator with poles spread over the disc (as an
    identified high-order model has them) and one numerator row per input."""
    rng = np.random.default_rng(seed)
    radii, angles = rng.uniform(0.3, 0.9, order // 2), rng.uniform(0.05, 3.0, order // 2)
    poles = np.concatenate([radii * np.exp(1j * angles), radii * np.exp(-1j * angles), [0.95] * (order % 2)])
    return np.real(np.poly(poles)), rng.standard_normal((n_inputs, nb or order + 1))


class TestAddDly:
    @pytest.fixture
    def X(self):
        return np.arange(1.0, 31.0).reshape(10, 3)

    @pytest.mark.parametrize("d, per_column", [
        (2, [2, 2, 2]), (np.array([[3]]), [3, 3, 3]), ([0, 1, 4], [0, 1, 4]),
        (np.array([1, 12, 0]), [1, 12, 0]), (0, [0, 0, 0]), (2.0, [2, 2, 2]),
    ])
    def test_leading_zeros_rows_kept(self, X, d, per_column):
        copy = X.copy()
        out = u.add_dly(X, d)
        expected = np.column_stack([np.concatenate([np.zeros(k), X[:, j]])[:len(X)]
                                    for j, k in enumerate(per_column)])
        np.testing.assert_array_equal(out, expected)
        assert out.shape == X.shape and out.dtype == np.float64
        np.testing.assert_array_equal(X, copy)

    def test_one_dimensional_record(self, X):
        out = u.add_dly(X[:, 0], 3)
        assert out.shape == (10,)
        np.testing.assert_array_equal(out, np.concatenate([np.zeros(3), X[:7, 0]]))

    @pytest.mark.parametrize("d, error, message", [
        (-1, ValueError, "delays must not be negative"),
        ([1, -2, 0], ValueError, "delays must not be negative"),
        ([1, 2], ValueError, r"add_dly needs one delay or one delay per column \(3\), got 2"),
        (1.5, TypeError, "d must hold whole numbers of samples"),
    ])
    def test_bad_delays(self, X, d, error, message):
        with pytest.raises(error, match=f"^{message}$"):
            u.add_dly(X, d)


class TestMisosim:
    @pytest.mark.parametrize("order, n_inputs, nb", [(22, 6, None), (3, 2, 6), (5, 1, 2)])
    def test_sum_of_filtered_inputs(self, order, n_inputs, nb):
        A, B = arx_model(order, n_inputs, seed=order, nb=nb)
        U = np.random.default_rng(1).standard_normal((3000, n_inputs))
        expected = sum(signal.lfilter(B[j], A, U[:, j]) for j in range(n_inputs))
        y = u.misosim(A, B, U)
        assert y.shape == (3000, 1) and y.dtype == np.float64
        np.testing.assert_allclose(y[:, 0], expected, rtol=0, atol=SIMULATION_ORDER * np.abs(expected).max())

    def test_denominator_is_normalised(self):
        A, B = arx_model(4, 2, seed=3)
        U = np.random.default_rng(2).standard_normal((500, 2))
        np.testing.assert_allclose(u.misosim(2.5 * A, 2.5 * B, U), u.misosim(A, B, U), rtol=0,
                                   atol=SIMULATION_ORDER * np.abs(u.misosim(A, B, U)).max())

    def test_single_input_column(self):
        A, B = arx_model(2, 1, seed=4)
        x = np.random.default_rng(3).standard_normal(200)
        np.testing.assert_allclose(u.misosim(A, B[0], x)[:, 0], signal.lfilter(B[0], A, x), atol=1e-13)

    def test_rows_must_match_inputs(self):
        A, B = arx_model(2, 3, seed=5)
        with pytest.raises(ValueError, match=r"^misosim needs one numerator row per input column: 3 rows for 2 inputs$"):
            u.misosim(A, B, np.zeros((10, 2)))


class TestDsssim:
    def test_matches_dlsim_from_zero_state(self):
        rng = np.random.default_rng(6)
        A = np.diag([0.5, 0.8, -0.3]) + 0.05 * rng.standard_normal((3, 3))
        B, C, D = rng.standard_normal((3, 2)), rng.standard_normal((2, 3)), rng.standard_normal((2, 2))
        U = rng.standard_normal((400, 2))
        result = u.dsssim(A, B, C, D, U)
        _, expected, _ = signal.dlsim((A, B, C, D, 1), U)
        assert result[0].shape == (400, 2)
        np.testing.assert_allclose(result[0], expected, rtol=0, atol=SIMULATION_ORDER * np.abs(expected).max())

    def test_identified_model_equals_its_polynomials(self):
        A, B = arx_model(6, 3, seed=7)
        U = np.random.default_rng(8).standard_normal((600, 3))
        y = u.dsssim(*u.armax2ss(A, B), U)[0]
        np.testing.assert_allclose(y, u.misosim(A, B, U), rtol=0, atol=SIMULATION_ORDER * np.abs(y).max())

    def test_sizes_must_fit(self):
        with pytest.raises(ValueError, match="do not match"):
            u.dsssim(np.eye(2), np.ones((2, 1)), np.ones((1, 2)), np.zeros((1, 1)), np.zeros((5, 2)))


class TestFrequencyResponses:
    W = np.concatenate([np.linspace(1e-4, 100, 100, endpoint=False) / 100 * np.pi, 3.14 * np.logspace(-4, 0, 75)])

    @pytest.mark.parametrize("order, n_inputs, nb", [(22, 6, None), (2, 3, 5), (4, 1, 1)])
    def test_misofrq_matches_freqz(self, order, n_inputs, nb):
        A, B = arx_model(order, n_inputs, seed=order + 10, nb=nb)
        G = u.misofrq(A, B, self.W)
        expected = np.column_stack([signal.freqz(B[j], A, worN=self.W)[1] for j in range(n_inputs)])
        assert G.shape == (175, n_inputs) and G.dtype == np.complex128
        np.testing.assert_allclose(G, expected, rtol=SIMULATION_ORDER)

    def test_d_bode2_is_the_amplitude(self):
        b, a = signal.butter(6, 0.1)
        amp = u.d_bode2(b, a, self.W)
        assert amp.shape == (175,)
        # In the stopband both evaluations sit at the rounding floor of the passband.
        np.testing.assert_allclose(amp, np.abs(signal.freqz(b, a, worN=self.W)[1]), rtol=SIMULATION_ORDER,
                                   atol=SIMULATION_ORDER * amp.max())
        np.testing.assert_allclose(u.d_bode2([0.0, 0.4], [1.0, -0.6], [0.0]), [1.0])


class TestStacking:
    def test_tt_ac_is_block_diagonal(self):
        P, M = np.arange(6.0).reshape(2, 3), np.arange(4.0).reshape(2, 2) + 10
        np.testing.assert_array_equal(u.tt_ac(P, M), linalg.block_diag(P, M))
        np.testing.assert_array_equal(u.tt_ac([], M), M)
        np.testing.assert_array_equal(u.tt_ac(np.zeros((0, 0)), M), M)

    def test_tt_bd_stacks(self):
        P, M = np.ones((2, 3)), np.arange(3.0)[None, :]
        np.testing.assert_array_equal(u.tt_bd(P, M), np.vstack([P, M]))
        np.testing.assert_array_equal(u.tt_bd([], M), M)
        with pytest.raises(ValueError, match="^tt_bd: matrices of 3 and 2 columns cannot be stacked$"):
            u.tt_bd(P, np.ones((1, 2)))
