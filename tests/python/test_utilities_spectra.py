"""ARX prediction errors, lag-window spectra and inverse-spectrum diagonals."""

import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from references import INVERSE_DIAGONAL, REDUCTION_ORDER, SPECTRUM_VS_DIRECT, WHITE_NOISE_FLAT
from vantrelpid._utilities import arxpe, crsspct, fiinvdia, frequency_grid


def rng(seed=0):
    return np.random.default_rng(seed)


class TestArxpe:
    Ap = np.array([1.0, -1.2, 0.5, 0.1])
    Bp = np.array([[0.0, 0.4, 0.2], [0.3, -0.1, 0.05]])

    @pytest.mark.parametrize("shape", ["1d", "column"])
    def test_equation_error_against_lfilter(self, shape):
        r = rng()
        U = r.standard_normal((300, 2))
        y = r.standard_normal(300)
        e = arxpe(self.Ap, self.Bp, U, y if shape == "1d" else y.reshape(-1, 1))
        expected = (scipy.signal.lfilter(self.Ap, 1, y) - scipy.signal.lfilter(self.Bp[0], 1, U[:, 0])
                    - scipy.signal.lfilter(self.Bp[1], 1, U[:, 1]))
        assert e.shape == (300, 1) and e.dtype == np.float64
        np.testing.assert_allclose(e[:, 0], expected, rtol=0, atol=REDUCTION_ORDER)

    def test_exact_model_returns_the_noise_after_the_start(self):
        r = rng(1)
        U = r.standard_normal((500, 2))
        noise = r.standard_normal(500)
        y = (scipy.signal.lfilter(self.Bp[0], self.Ap, U[:, 0]) + scipy.signal.lfilter(self.Bp[1], self.Ap, U[:, 1])
             + scipy.signal.lfilter([1.0], self.Ap, noise))
        np.testing.assert_allclose(arxpe(self.Ap, self.Bp, U, y)[:, 0], noise, atol=1e-12)

    @pytest.mark.parametrize("Bp, U, y, message", [
        (np.ones((3, 2)), np.ones((10, 2)), np.ones(10),
         "arxpe needs one numerator row per input column: 3 rows for 2 inputs"),
        (np.ones((2, 2)), np.ones((10, 2)), np.ones(9),
         "arxpe needs one output sample per input row: 9 samples for 10 rows"),
        (np.ones((2, 2)), np.ones((10, 2)), np.ones((10, 2)), "y must be one-dimensional or a single column"),
    ])
    def test_mismatched_shapes(self, Bp, U, y, message):
        with pytest.raises(ValueError) as info:
            arxpe(self.Ap, Bp, U, y)
        assert str(info.value) == message


class TestCrsspct:
    w = np.linspace(0.0, 3.1, 23)

    @pytest.mark.parametrize("N, m, M", [(400, 3, 40), (60, 2, 300), (1, 2, 5), (257, 1, 0)])
    def test_against_direct_sums(self, N, m, M):
        Z = rng(N).standard_normal((N, m)) + 0.3
        Phi = crsspct(Z, M, self.w, "P")
        expected = ref.crsspct_direct(Z, M, self.w)
        assert Phi.shape == (len(self.w), m, m) and Phi.dtype == np.complex128
        np.testing.assert_allclose(Phi, expected, rtol=0, atol=SPECTRUM_VS_DIRECT * np.abs(expected).max())

    def test_hermitian_and_positive_semidefinite(self):
        r = rng(2)
        x = r.standard_normal(3000)
        Z = np.column_stack([x, scipy.signal.lfilter([1, 0.5], [1, -0.7], x), r.standard_normal(3000)])
        Phi = crsspct(Z, 300, frequency_grid(), "P")
        np.testing.assert_array_equal(Phi, np.conj(np.swapaxes(Phi, 1, 2)))
        assert np.all(np.linalg.eigvalsh(Phi) > -1e-12 * np.abs(Phi).max())

    def test_white_noise_is_flat_at_its_variance(self):
        Z = 1.7 * rng(3).standard_normal((20000, 1))
        Phi = crsspct(Z, 300, frequency_grid(), "P")
        assert abs(np.mean(Phi[:, 0, 0].real) / 1.7**2 - 1) < WHITE_NOISE_FLAT
        assert np.all(Phi[:, 0, 0].imag == 0)

    def test_first_order_process_follows_its_spectrum(self):
        # y = e / (1 - 0.8 q^-1): Phi(w) = 1 / |1 - 0.8 e^{-iw}|^2.
        e = rng(4).standard_normal(40000)
        y = scipy.signal.lfilter([1.0], [1.0, -0.8], e)
        w = np.linspace(0.3, 3.0, 10)
        Phi = crsspct(y.reshape(-1, 1), 300, w, "P")[:, 0, 0].real
        np.testing.assert_allclose(Phi, 1 / np.abs(1 - 0.8 * np.exp(-1j * w)) ** 2, rtol=0.15)

    @pytest.mark.parametrize("window, M, message", [
        ("H", 300, 'Unknown lag window "H": only "P" (Parzen) is available'),
        ("P", -1, "M must not be negative"),
    ])
    def test_invalid_options(self, window, M, message):
        with pytest.raises(ValueError) as info:
            crsspct(np.ones((10, 1)), M, self.w, window)
        assert str(info.value) == message


class TestFiinvdia:
    def spectra(self, m=3):
        r = rng(5)
        A = r.standard_normal((7, m, m)) + 1j * r.standard_normal((7, m, m))
        return A @ np.conj(np.swapaxes(A, 1, 2)) + np.eye(m)

    @pytest.mark.parametrize("n", [3, 2, 1])
    def test_against_numpy_inverse(self, n):
        Phi = self.spectra()
        D = fiinvdia(Phi, n)
        expected = np.array([np.diag(np.linalg.inv(P[:n, :n])) for P in Phi])
        assert D.shape == (7, n) and D.dtype == np.complex128
        np.testing.assert_allclose(D, expected, rtol=INVERSE_DIAGONAL)

    @pytest.mark.parametrize("n, columns", [(5, 3), (-1, 2), (0, 0)])
    def test_leading_block_as_a_slice_takes_it(self, n, columns):
        Phi = self.spectra()
        D = fiinvdia(Phi, n)
        assert D.shape == (7, columns)
        if columns:
            np.testing.assert_allclose(D, ref.fiinvdia(Phi, n), rtol=INVERSE_DIAGONAL)

    def test_singular_matrix(self):
        Phi = self.spectra()
        Phi[4] = 0
        with pytest.raises(np.linalg.LinAlgError, match="^Singular matrix$"):
            fiinvdia(Phi, 3)

