# Model forms, scaling and the zero-order hold of the utility layer, against
# scipy.signal (ss2tf, cont2discrete), numpy.linalg, closed forms and round trips.

import numpy as np
import pytest
from scipy import signal

from conftest import untouched
from plants import stacked
from references import FORM_EXACT, FORM_GENERAL, PAIR_RECOVERY, ZOH, ZOH_CLOSED_FORM, ZOH_ROUND_TRIP
from vantrelpid import _utilities as u

# (den, num) in powers of z^-1, one numerator row per input.
ARMAX = [([1, -1.5, 0.7], [[0.5, 0.2, 0.1], [0.0, 1.0, -0.5]]),
         ([2, -1.2, 0.4, 0.1], [[0.0, 0.4, 0.2, 0.0]]),           # not monic
         ([1, -0.9, 0.2, 0.05], [[0.0, 1.0], [0.3, 0.0]]),        # short numerators
         ([1, -0.8], [[0.0, 0.1, 0.2, 0.3]]),                     # long numerator
         ([1, -0.5], [0.0, 2.0]),                                 # one input, one-dimensional
         ([2.0], [[3.0], [4.0]])]                                 # static
STACKED = (ARMAX[0], ([1, -0.9, 0.1, 0.02], [[0.0, 0.3, 0.1, 0.0], [0.0, 0.0, 0.2, 0.1]]))


def check_against_ss2tf(A, B, C, D, den, num, tolerance=FORM_GENERAL):
    for j in range(B.shape[1]):
        rb, ra = signal.ss2tf(A, B, C, D, input=j) if len(A) else (D[:, j:j + 1], [1.0])
        np.testing.assert_allclose(ra, den, atol=tolerance)
        np.testing.assert_allclose(rb[0], num[j], atol=tolerance)


@pytest.mark.parametrize("den, num", ARMAX)
def test_armax2ss_against_ss2tf_and_back(den, num):
    num = np.atleast_2d(num)
    n = max(len(den), num.shape[1])
    d, b = np.r_[den, np.zeros(n - len(den))] / den[0], np.pad(num, ((0, 0), (0, n - num.shape[1]))) / den[0]
    A, B, C, D = u.armax2ss(den, num)
    assert A.shape == (n - 1, n - 1) and B.shape == (n - 1, len(b)) and C.shape == (1, n - 1) and D.shape == (1, len(b))
    check_against_ss2tf(A, B, C, D, d, b)
    rd, rb = u.ss2armax(A, B, C, D)
    np.testing.assert_allclose(rd, d, rtol=0, atol=FORM_EXACT)
    np.testing.assert_allclose(rb, b, rtol=0, atol=FORM_EXACT)
    rng = np.random.default_rng(5)   # any other realisation
    A, B, C, D = (rng.standard_normal(shape) for shape in ((4, 4), (4, 3), (1, 4), (1, 3)))
    A *= 0.4
    check_against_ss2tf(A, B, C, D, *u.ss2armax(A, B, C, D))


def test_stacked_pairs_survive_get_sub_unscale_and_the_inverse_hold():
    model, ords = stacked(STACKED)
    for i in (0, 1, -1):
        np.testing.assert_equal(u.get_sub(*model, ords, i), u.armax2ss(*STACKED[i]))
    # Output i: first-order pairs K_ij / (T_i s + 1) sharing T_i, on scaled data.
    Ts, T, K = 2.0, [15.0, 40.0], np.array([[1.5, -0.4], [0.8, 2.5]])
    STDu, STDy = np.array([4.0, 0.25]), np.array([10.0, 3.0])
    models = [(u.c2dm2([1.0], [T[i], 1.0], Ts)[1], [u.c2dm2([K[i, j]], [T[i], 1.0], Ts)[0] for j in range(2)])
              for i in range(2)]
    model, ords = stacked(models)
    with untouched(model):
        A, B, C, D = u.unscale(*model, STDu, STDy, ords)
    G = np.random.default_rng(1).uniform(size=(175, 4))
    np.testing.assert_allclose(u.frunscal(G, STDu, STDy), G * np.repeat(STDy, 2) / np.tile(STDu, 2), rtol=1e-15)
    for i in range(2):
        den, num = u.ss2armax(*u.get_sub(A, B, C, D, ords, i)[:4])
        for j in range(2):
            numc, denc = u.d2cm2(num[j], den, Ts, "zoh")
            np.testing.assert_allclose([1 / denc[1], numc[1] / denc[1]], [T[i], K[i, j] * STDy[i] / STDu[j]],
                                       rtol=PAIR_RECOVERY)


@pytest.mark.parametrize("call, error, message", [
    (lambda: u.get_sub(*stacked(STACKED)[0], [2, 2], 0), ValueError, "the orders in ORDS add up to 4 states, but A has 5"),
    (lambda: u.get_sub(*stacked(STACKED)[0], [2**62, 2**62], 0), ValueError,
     "the orders in ORDS add up to more than 9223372036854775807 states, but A has 5"),
    (lambda: u.get_sub(*stacked(STACKED)[0], [1e300, 1.0], 0), ValueError,
     "the orders in ORDS add up to more than 9223372036854775807 states, but A has 5"),
    (lambda: u.get_sub(*stacked(STACKED)[0], [2, 3], 2), IndexError, "index 2 is out of bounds for axis 0 with size 2"),
    (lambda: u.c2dm2([1.0], [0.0, 0.0], 1.0), ValueError, "the denominator must not be all zero"),
    (lambda: u.c2dm2([1.0, 0.0, 1.0], [1.0, 1.0], 1.0), ValueError,
     r"the numerator's degree \(2\) must not exceed the denominator's \(1\)"),
    (lambda: u.c2dm2([1.0], [1.0, 1.0], 0.0), ValueError, "the sample time Ts must be positive and finite"),
    (lambda: u.d2cm2([0.0, 1.0, 2.0, 3.0, 4.0], [1.0, 0.0, 0.0, 0.0, 0.0], 1.0), ValueError,
     r"the discrete model has no continuous equivalent under the zero-order hold \(several poles at or near 0 "
     r"stand for a dead time\)"),
])
def test_errors(call, error, message):
    with pytest.raises(error, match=f"^{message}$"):
        call()


# (num, den) in descending powers of s.
CONTINUOUS = {"first order": ([2.5], [7.0, 1.0]), "lag with lead": ([0.0, 3.0, 1.0], [4.0, 5.0, 1.0]),
              "oscillating": ([1.0, 0.5, 3.0], [1.0, 0.2, 4.0]), "integrator": ([1.0], [1.0, 0.0]),
              "lag and integrator": ([0.3, 1.0], [2.0, 1.0, 0.0]), "double integrator": ([1.0], [1.0, 0.0, 0.0]),
              "third order": ([1.0, 2.0], [1.0, 6.0, 11.0, 6.0])}


@pytest.mark.parametrize("name", CONTINUOUS)
@pytest.mark.parametrize("Ts", [0.1, 1.0, 3.0])
def test_c2dm2_against_cont2discrete_and_d2cm2_back(name, Ts):
    num, den = (np.trim_zeros(np.asarray(p, float), "f") for p in CONTINUOUS[name])
    numd, dend = u.c2dm2(*CONTINUOUS[name], Ts, "zoh")
    rnum, rden, _ = signal.cont2discrete((num, den), Ts, method="zoh")
    assert numd.shape == dend.shape == (len(den),) and dend[0] == 1.0
    np.testing.assert_allclose(dend, rden, rtol=0, atol=ZOH)
    np.testing.assert_allclose(numd, np.ravel(rnum)[-len(numd):], rtol=0, atol=ZOH)
    if np.abs(np.roots(den).imag).max(initial=0.0) * Ts < np.pi:   # not aliased
        num_c, den_c = u.d2cm2(numd, dend, Ts, "zoh")
        scale = np.abs(den / den[0]).max()
        np.testing.assert_allclose(den_c, den / den[0], rtol=0, atol=ZOH_ROUND_TRIP * scale)
        np.testing.assert_allclose(num_c, np.r_[np.zeros(len(den) - len(num)), num] / den[0], rtol=0,
                                   atol=ZOH_ROUND_TRIP * scale)
        np.testing.assert_array_equal(den_c[len(np.trim_zeros(den, "b")):], 0.0)   # integrators: poles at 0 exactly


@pytest.mark.parametrize("K, T, h", [(2.5, 7.0, 1.0), (-0.3, 0.05, 2.0), (40.0, 1e4, 0.5)])
def test_c2dm2_closed_form_of_a_first_order_lag(K, T, h):
    # K (1 - p) / (z - p), p = exp(-h/T), with 1 - p as -expm1(-h/T).
    numd, dend = u.c2dm2([K], [T, 1.0], h)
    np.testing.assert_allclose(dend, [1.0, -np.exp(-h / T)], rtol=ZOH_CLOSED_FORM)
    np.testing.assert_allclose(numd, [0.0, -K * np.expm1(-h / T)], rtol=ZOH_CLOSED_FORM)
    assert numd[0] == 0.0
    # Equal continuous denominators give equal discrete ones; leading zeros are stripped.
    np.testing.assert_array_equal(u.c2dm2([0.3, 1.0], [T, 1.0, 0.0], h)[1], u.c2dm2([K], [T, 1.0, 0.0], h)[1])
    np.testing.assert_equal(u.c2dm2([0.0, K, 0.0], [0.0, 0.0, T, 1.0], h), u.c2dm2([K, 0.0], [T, 1.0], h))
    np.testing.assert_array_equal(u.c2dm2([K], [0.0, 2.0], h)[0], [K / 2])   # a static gain


@pytest.mark.parametrize("numd, dend", [
    ([0.0, 1.0], [1.0, 0.0]),                  # a pure one-sample delay
    ([0.0, 1.0], [1.0, 0.5]),                  # a pole at -0.5
    ([0.0, 1.0, 0.3], [1.0, 0.2, -0.3]),       # poles at 0.46 and -0.66
    ([0.0, 1.0, 0.5], [1.0, 0.0, 0.0]),        # a double pole at 0
    ([0.0, 0.2, 0.1], [1.0, -1.5, 0.5]),       # integrator and a pole at 0.5
])
def test_d2cm2_poles_without_continuous_counterpart(numd, dend):
    # Real poles below sqrt(eps) or on the negative axis are taken at
    # max(|z|, sqrt(eps)), the numerator rescaled for the same static gain.
    num_c, den_c = u.d2cm2(numd, dend, 2.0)
    assert np.all(np.isfinite(num_c)) and np.all(np.isfinite(den_c))
    assert num_c[0] == 0.0 and den_c[0] == 1.0 and len(num_c) == len(den_c) == len(dend)
    poles, floor = np.roots(dend), np.sqrt(np.finfo(float).eps)
    moved = np.where(np.isreal(poles) & (poles.real < floor), np.maximum(np.abs(poles), floor), poles)
    numd2, dend2 = u.c2dm2(num_c, den_c, 2.0)
    np.testing.assert_allclose(dend2, np.real(np.poly(moved)), rtol=0, atol=1e-6)
    np.testing.assert_allclose(numd2.sum() * np.sum(dend), np.sum(numd) * dend2.sum(), atol=1e-9)   # the static gain
