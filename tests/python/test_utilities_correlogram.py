import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from references import INVERSE_DIAGONAL, REDUCTION_ORDER, SPECTRUM_VS_NUMPY, WHITE_NOISE_FLAT
from vantrelpid._utilities import arxpe, crsspct, fiinvdia, frequency_grid


class TestArxpe:
    Ap, Bp = np.array([1.0, -1.2, 0.5, 0.1]), np.array([[0.0, 0.4, 0.2], [0.3, -0.1, 0.05]])

    def test_exact_model_gives_back_the_equation_noise(self):
        r = np.random.default_rng(1)
        U, noise = r.standard_normal((500, 2)), r.standard_normal(500)
        y = sum(scipy.signal.lfilter(b, self.Ap, x) for b, x in zip([*self.Bp, [1.0]], [*U.T, noise]))   # + noise / A
        for shape in ((-1,), (-1, 1)):
            e = arxpe(self.Ap, self.Bp, U, y.reshape(shape))
            assert e.shape == (500, 1) and e.dtype == np.float64
            np.testing.assert_allclose(e[:, 0], noise, rtol=0, atol=REDUCTION_ORDER)


class TestCrsspct:
    @pytest.mark.parametrize("N, m, M", [(400, 3, 40), (60, 2, 300), (1, 2, 5), (257, 1, 0)])
    def test_against_numpys_fft_correlations(self, N, m, M):
        w = np.linspace(0.0, 3.1, 23)
        Z = np.random.default_rng(N).standard_normal((N, m)) + 0.3
        Phi, expected = crsspct(Z, M, w, "P"), ref.crsspct(Z, M, w)
        assert Phi.shape == (23, m, m) and Phi.dtype == np.complex128
        np.testing.assert_allclose(Phi, expected, rtol=0, atol=SPECTRUM_VS_NUMPY * np.abs(expected).max())

    def test_hermitian_positive_semidefinite_and_flat_for_white_noise(self):
        r = np.random.default_rng(2)
        x = r.standard_normal(20000)
        Z = np.column_stack([1.7 * x, scipy.signal.lfilter([1, 0.5], [1, -0.7], x), r.standard_normal(20000)])
        Phi = crsspct(Z, 300, frequency_grid(), "P")
        np.testing.assert_array_equal(Phi, np.conj(np.swapaxes(Phi, 1, 2)))
        assert np.all(np.linalg.eigvalsh(Phi) > -1e-12 * np.abs(Phi).max())
        assert abs(np.mean(Phi[:, 0, 0].real) / 1.7**2 - 1) < WHITE_NOISE_FLAT

    def test_other_lag_windows(self):
        with pytest.raises(ValueError) as info:
            crsspct(np.ones((10, 1)), 300, np.ones(3), "H")
        assert str(info.value) == 'Unknown lag window "H": only "P" (Parzen) is available'


@pytest.mark.parametrize("n, columns", [(3, 3), (2, 2), (1, 1), (5, 3), (-1, 2), (0, 0)])
def test_fiinvdia_against_numpy_inverse(n, columns):
    # The leading block is taken as a slice takes it.
    r = np.random.default_rng(5)
    A = r.standard_normal((7, 3, 3)) + 1j * r.standard_normal((7, 3, 3))
    Phi = A @ np.conj(np.swapaxes(A, 1, 2)) + np.eye(3)
    D = fiinvdia(Phi, n)
    assert D.shape == (7, columns) and D.dtype == np.complex128
    if columns:
        np.testing.assert_allclose(D, [np.diag(np.linalg.inv(P[:n, :n])) for P in Phi], rtol=INVERSE_DIAGONAL)
    Phi[4] = 0
    with pytest.raises(np.linalg.LinAlgError, match="^Singular matrix$"):
        fiinvdia(Phi, 3)
