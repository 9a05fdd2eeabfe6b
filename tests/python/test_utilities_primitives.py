# Numerical primitives of the utility layer against scipy.signal (lfilter,
# lfiltic), numpy.roots/poly, numpy.diff and numpy's and scipy's least squares.

import numpy as np
import pytest
import scipy
from scipy import linalg, signal

import reduction_reference as ref
from references import FILTER_ROUNDOFF, REDUCTION_ORDER, ROOTS_ROUNDOFF
from vantrelpid import _utilities as u


SCIPY_VERSION = tuple(int(part) for part in scipy.__version__.split(".")[:2])


@pytest.mark.parametrize("b, a", [
    ([0.2], [1.0, -0.9]),
    ([0.0, 0.3, -0.1, 0.02], [1.0, -0.7]),      # numerator longer
    ([0.5], [1.0, -0.2, 0.1, -0.05]),           # denominator longer
    ([0.4, 0.2], [2.0, -1.0, 0.3]),             # normalised by a[0]
    ([1.0, -1.0, 0.5], [4.0]),                  # FIR
    ([1.0], [1.0, -1.0]),                       # integrator
    ([], [1.0, -0.5]),                          # no numerator: zeros
])
@pytest.mark.parametrize("u0, y0", [(0.0, 0.0), (1.5, -0.7)])
def test_filtini_against_lfiltic_and_lfilter(b, a, u0, y0):
    if a[0] != 1.0 and (u0, y0) != (0.0, 0.0) and SCIPY_VERSION < (1, 16):
        pytest.skip("scipy's lfiltic divides its state by a[0] from 1.16 on, as lfilter and filtini do")
    x = np.r_[u0, np.random.default_rng(3).normal(size=299)]
    out, expected = u.filtini(np.array(b), np.array(a), x, y0), ref.filtini(b, a, x, y0)
    assert out.shape == (300, 1) and out.dtype == np.float64
    np.testing.assert_allclose(out, expected, rtol=0, atol=FILTER_ROUNDOFF * np.abs(expected).max())
    if u0 == y0 == 0.0 and b and a[0] == 1.0:   # zero state, the system's every call: lfilter to the bit
        np.testing.assert_array_equal(out[:, 0], signal.lfilter(b, a, x))


STABLE = [[1.0], [1.0, -0.9], [1.0, -1.5, 0.56], [1.0, -0.5, 0.0], [1.0, -1.0], [1.0, 0.0, 1.0], [1.0, -2.0, 1.0],
          [1.0, 0.0, 0.0, -1.0], [1.0, -2 * np.cos(0.3), 1.0]]   # roots inside and on the unit circle
OUTSIDE = [[1.0, -1.05], [1.0, -2.5, 1.0], [1.0, 0.4, 1.69], [1.0, -3.0, 3.75, -1.625], [1.0, -4.0, 6.0, -4.0, 0.999],
           [2.0, -4.0], [0.0, 1.0, -2.0], [1.0, -2.0, 0.0]]


class TestStabpoly:
    @pytest.mark.parametrize("p, stable", [(p, True) for p in STABLE] + [(p, False) for p in OUTSIDE])
    def test_stable_input_unchanged_bit_for_bit_roots_outside_reflected_as_numpy_finds_them(self, p, stable):
        out = u.stabpoly(np.array(p))
        assert out.shape == (len(p),) and out.dtype == np.float64 and out[0] == 1.0
        if stable:
            np.testing.assert_array_equal(out, p)
        else:
            np.testing.assert_allclose(out, ref.stabpoly(p), rtol=0, atol=ROOTS_ROUNDOFF * np.abs(p).max())
            assert np.all(np.abs(np.roots(out)) <= 1 + 1e-9)

    def test_leading_one_and_non_finite(self):
        np.testing.assert_allclose(u.stabpoly(np.array([2.0, -1.0])), [1.0, -0.5], rtol=ROOTS_ROUNDOFF)
        for bad in (np.nan, -np.inf):
            with pytest.raises(np.linalg.LinAlgError, match="Array must not contain infs or NaNs"):
                u.stabpoly(np.array([1.0, bad, 0.5]))


class TestLeastSquares:
    rng = np.random.default_rng(9)
    A, b = rng.standard_normal((80, 6)), rng.standard_normal(80)
    cases = {"full": A, "dependent": np.column_stack([A[:, :3], A[:, 0] - 2 * A[:, 2], np.zeros(80)]), "wide": A[:4]}

    @pytest.mark.parametrize("solve", [u.lstsq, u.lstsq_augmented])
    @pytest.mark.parametrize("case", cases)
    def test_minimum_norm_as_numpy(self, solve, case):
        A = self.cases[case]
        b = self.b[:len(A)]
        np.testing.assert_allclose(solve(A, b), np.linalg.lstsq(A, b, rcond=None)[0], rtol=100 * REDUCTION_ORDER,
                                   atol=1e-12)
        if case == "full":
            np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), linalg.lstsq(A, b)[0], rtol=100 * REDUCTION_ORDER)
        for scale in (1e-200, 1e-160, 1e200):
            np.testing.assert_allclose(solve(A * scale, b * scale), solve(A, b), rtol=1e-12, atol=1e-12)

    def test_cutoffs_differ_as_numpy_and_scipy_do(self):
        # A relative singular value of 1e-15 lies between scipy's cut-off eps
        # and numpy's eps * max(M, N): numpy drops it, scipy keeps it.
        A, b = np.zeros((50, 3)), np.zeros(50)
        A[:3, :3], b[:3] = np.diag([1.0, 1e-15, 1.0]), [2.0, 3e-15, 4.0]
        np.testing.assert_allclose(u.lstsq(A, b), [2.0, 0.0, 4.0], atol=1e-12)
        np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), [2.0, 3.0, 4.0], rtol=1e-12)
        np.testing.assert_allclose(u.lstsq(A, b, scipy_cutoff=True), linalg.lstsq(A, b)[0], rtol=1e-12)

    def test_augmented_qr_on_the_rank_deficient_order_two_regressor(self):
        # The order-2 equation-error regressor of a first-order response: its
        # smallest singular value lies below numpy's cut-off.
        x = ref.create_input_signal()
        y = signal.lfilter([0.2], [1.0, -0.9], x)
        A, b = np.column_stack([-y[1:-1], -y[:-2], x[2:], x[1:-1]]), y[2:]
        s = np.linalg.svd(A, compute_uv=False)
        assert s[-1] < np.finfo(float).eps * len(b) * s[0]
        np.testing.assert_allclose(u.lstsq_augmented(A, b), np.linalg.lstsq(A, b, rcond=None)[0], atol=1e-9)


@pytest.mark.parametrize("shape, flag", [((50,), 1), ((50, 1), 1.0), ((50, 3), True), ((2, 2), np.int64(1)), ((1,), 1),
                                         ((1, 2), 1), ((0, 2), 1), ((6, 2), 0), ((6, 2), 2), ((6, 2), 1.5), ((6, 2), False)])
def test_d_data_differences_integrating_records_and_copies_others(shape, flag):
    Y = np.cumsum(np.random.default_rng(1).standard_normal(shape), axis=0)
    d = u.d_data(Y, flag)
    assert d.shape == Y.shape and d.dtype == np.float64 and not np.shares_memory(d, Y)
    diff = np.diff(Y, axis=0)
    expected = Y if flag != 1 else np.zeros_like(Y) if len(Y) < 2 else np.concatenate([diff[:1], diff])
    np.testing.assert_array_equal(d, expected)
