"""Least squares through the Householder QR of the augmented matrix [A b]
against numpy.linalg.lstsq with rcond=None."""

import numpy as np
import pytest
from scipy.signal import lfilter

from references import REDUCTION_ORDER
from vantrelpid._utilities import lstsq_augmented


def numpy_lstsq(A, b):
    return np.linalg.lstsq(A, b, rcond=None)[0]


class TestLstsqAugmented:
    @pytest.mark.parametrize("rows, cols", [(2909, 2), (2907, 4), (500, 8), (5, 4)])
    def test_full_rank_matches_numpy(self, rows, cols):
        rng = np.random.default_rng(rows + cols)
        A, b = rng.standard_normal((rows, cols)), rng.standard_normal(rows)
        np.testing.assert_allclose(lstsq_augmented(A, b), numpy_lstsq(A, b), rtol=REDUCTION_ORDER * 100)

    def test_dependent_columns_give_the_minimum_norm_solution(self):
        rng = np.random.default_rng(3)
        A = rng.standard_normal((200, 3))
        A = np.column_stack([A, A[:, 0] - 2 * A[:, 2], np.zeros(200)])
        b = rng.standard_normal(200)
        np.testing.assert_allclose(lstsq_augmented(A, b), numpy_lstsq(A, b), atol=1e-12)

    def test_near_rank_deficient_regressor(self):
        # The order-2 equation-error regressor of a first-order response:
        # the smallest singular value lies below numpy's cut-off.
        u = np.repeat([0.0, -1.0, 1.0, -1.0, 1.0, 0.0], [90, 200, 310, 580, 310, 150])
        y = lfilter([0.2], [1.0, -0.9], u)
        A = np.column_stack([-y[1:-1], -y[:-2], u[2:], u[1:-1]])
        b = y[2:]
        s = np.linalg.svd(A, compute_uv=False)
        assert s[-1] < np.finfo(float).eps * len(b) * s[0]
        np.testing.assert_allclose(lstsq_augmented(A, b), numpy_lstsq(A, b), atol=1e-9)

    @pytest.mark.parametrize("scale", [1e-200, 1e200])
    def test_extreme_scales(self, scale):
        rng = np.random.default_rng(8)
        A, b = rng.standard_normal((300, 3)), rng.standard_normal(300)
        np.testing.assert_allclose(lstsq_augmented(A * scale, b * scale), numpy_lstsq(A, b), rtol=1e-12)

    def test_wide_problem(self):
        rng = np.random.default_rng(2)
        A, b = rng.standard_normal((3, 5)), rng.standard_normal(3)
        np.testing.assert_allclose(lstsq_augmented(A, b), numpy_lstsq(A, b), atol=1e-12)

    def test_non_finite_raises(self):
        A = np.ones((10, 2))
        A[4, 1] = np.nan
        with pytest.raises(np.linalg.LinAlgError, match="SVD did not converge in Linear Least Squares"):
            lstsq_augmented(A, np.ones(10))
