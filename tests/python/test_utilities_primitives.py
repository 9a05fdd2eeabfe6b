"""Numerical primitives of the utility layer: lfilter, roots and least
squares against scipy.signal.lfilter, numpy.roots, numpy.linalg.lstsq and
scipy.linalg.lstsq."""

import numpy as np
import pytest
from scipy import linalg, signal

from references import FORM_GENERAL, REDUCTION_ORDER
from vantrelpid import _utilities as u


class TestLfilter:
    @pytest.mark.parametrize("b, a", [
        ([0.5, 0.2, 0.1], [1.0, -1.5, 0.7]),
        ([1.0, 2.0, 3.0, 4.0], [2.0, -0.4]),         # normalised by a[0], b longer than a
        ([0.3], [1.0, -0.9, 0.2, 0.05, -0.01]),
        ([1.0, -1.0], [4.0]),                        # FIR: convolution by b / a[0]
    ])
    def test_matches_scipy(self, b, a):
        x = np.random.default_rng(4).standard_normal(500)
        np.testing.assert_array_equal(u.lfilter(b, a, x), signal.lfilter(b, a, x))


class TestRoots:
    @pytest.mark.parametrize("p", [
        [1.0, -6.0, 11.0, -6.0],
        [0.0, 0.0, 2.0, 0.0, -8.0],           # leading zeros stripped
        [1.0, 2.0, 0.0, 0.0],                 # trailing zeros give zero roots
        [1.0, 0.2, 4.0],                      # a complex pair
        [3.0],
        [0.0, 0.0],
    ])
    def test_matches_numpy(self, p):
        ours, expected = u.roots(p), np.roots(p)
        assert ours.shape == expected.shape and ours.dtype == np.complex128
        np.testing.assert_allclose(np.sort_complex(ours), np.sort_complex(expected.astype(complex)), atol=FORM_GENERAL)


class TestLstsq:
    def test_overdetermined_matches_numpy(self):
        rng = np.random.default_rng(9)
        A, b = rng.standard_normal((80, 6)), rng.standard_normal(80)
        expected = np.linalg.lstsq(A, b, rcond=None)[0]
        np.testing.assert_allclose(u.lstsq(A, b), expected, rtol=REDUCTION_ORDER * 100)
        np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), linalg.lstsq(A, b)[0], rtol=REDUCTION_ORDER * 100)

    def test_minimum_norm_for_rank_deficient_matrices(self):
        rng = np.random.default_rng(10)
        A = rng.standard_normal((30, 3))
        A = np.column_stack([A, A[:, 0] + A[:, 1]])  # rank 3
        b = rng.standard_normal(30)
        np.testing.assert_allclose(u.lstsq(A, b), np.linalg.lstsq(A, b, rcond=None)[0], atol=1e-12)
        np.testing.assert_allclose(u.lstsq(A.T, b[:4]), np.linalg.lstsq(A.T, b[:4], rcond=None)[0], atol=1e-12)

    def test_cutoffs_differ_as_numpy_and_scipy_do(self):
        # A singular value of 1e-15 (relative) lies between scipy's cut-off
        # eps and numpy's eps * max(M, N): numpy drops it, scipy keeps it.
        A = np.zeros((50, 3))
        A[:3, :3] = np.diag([1.0, 1e-15, 1.0])
        b = np.zeros(50)
        b[:3] = [2.0, 3e-15, 4.0]
        np.testing.assert_allclose(u.lstsq(A, b), np.linalg.lstsq(A, b, rcond=None)[0], atol=1e-12)
        np.testing.assert_allclose(u.lstsq(A, b), [2.0, 0.0, 4.0], atol=1e-12)
        np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), linalg.lstsq(A, b)[0], rtol=1e-12)
        np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), [2.0, 3.0, 4.0], rtol=1e-12)
