"""Model forms, scaling and the zero-order hold of the utility layer, against
scipy.signal (ss2tf, dlsim, cont2discrete), numpy.linalg, closed forms and
round trips."""

import numpy as np
import pytest
from scipy import signal

from references import (FORM_EXACT, FORM_GENERAL, PAIR_RECOVERY, SIMULATION_ORDER, ZOH,
                        ZOH_CLOSED_FORM, ZOH_ROUND_TRIP)
from vantrelpid import _utilities as u

# (den, num) in powers of z^-1, one numerator row per input.
ARMAX = {
    "two inputs": ([1, -1.5, 0.7], [[0.5, 0.2, 0.1], [0.0, 1.0, -0.5]]),
    "non-monic den": ([2, -1.2, 0.4, 0.1], [[0.0, 0.4, 0.2, 0.0]]),
    "short numerator": ([1, -0.9, 0.2, 0.05], [[0.0, 1.0], [0.3, 0.0]]),
    "long numerator": ([1, -0.8], [[0.0, 0.1, 0.2, 0.3]]),
    "single input 1-D": ([1, -0.5], [0.0, 2.0]),
}


def padded(den, num):
    num = np.atleast_2d(np.asarray(num, float))
    n = max(len(den), num.shape[1])
    d = np.zeros(n)
    d[:len(den)] = den
    b = np.zeros((num.shape[0], n))
    b[:, :num.shape[1]] = num
    return d / d[0], b / d[0]


def response(A, B, C, D, z):
    """C (zI - A)^-1 B + D, solved with numpy.linalg."""
    return C @ np.linalg.solve(z * np.eye(len(A)) - A, B) + D if len(A) else D.astype(complex)


class TestArmax2ss:
    @pytest.mark.parametrize("name", ARMAX)
    def test_transfer_function_per_input(self, name):
        den, num = ARMAX[name]
        A, B, C, D = u.armax2ss(den, num)
        d, b = padded(den, num)
        n = len(d) - 1
        assert A.shape == (n, n) and B.shape == (n, len(b)) and C.shape == (1, n) and D.shape == (1, len(b))
        for j in range(len(b)):
            rb, ra = signal.ss2tf(A, B, C, D, input=j)
            np.testing.assert_allclose(ra, d, atol=FORM_GENERAL)
            np.testing.assert_allclose(rb[0], b[j], atol=FORM_GENERAL)

    def test_simulation_matches_polynomial_filtering(self):
        den, num = ARMAX["two inputs"]
        U = np.random.default_rng(2).standard_normal((300, 2))
        _, y, _ = signal.dlsim((*u.armax2ss(den, num), 1), U)
        expected = sum(signal.lfilter(num[j], den, U[:, j]) for j in range(2))
        np.testing.assert_allclose(y[:, 0], expected, atol=SIMULATION_ORDER * np.abs(expected).max())

    def test_static_model(self):
        A, B, C, D = u.armax2ss([2.0], [[3.0], [4.0]])
        assert A.shape == (0, 0) and B.shape == (0, 2) and C.shape == (1, 0)
        np.testing.assert_array_equal(D, [[1.5, 2.0]])

    @pytest.mark.parametrize("den, message", [([0, 1, 0.5], "the leading coefficient of den must not be zero"),
                                              ([], "den must not be empty")])
    def test_bad_denominators(self, den, message):
        with pytest.raises(ValueError, match=f"^{message}$"):
            u.armax2ss(den, [[1.0, 0.0, 0.0]])


class TestSs2armax:
    @pytest.mark.parametrize("name", ARMAX)
    def test_round_trip_of_the_canonical_form(self, name):
        den, num = ARMAX[name]
        d, b = padded(den, num)
        rd, rb = u.ss2armax(*u.armax2ss(den, num))
        np.testing.assert_allclose(rd, d, rtol=0, atol=FORM_EXACT)
        np.testing.assert_allclose(rb, b, rtol=0, atol=FORM_EXACT)
        assert rb.ndim == 2 and rb.shape == b.shape

    def test_any_realisation_against_scipy(self):
        rng = np.random.default_rng(5)
        A = rng.standard_normal((4, 4)) * 0.4
        B, C, D = rng.standard_normal((4, 3)), rng.standard_normal((1, 4)), rng.standard_normal((1, 3))
        den, num = u.ss2armax(A, B, C, D)
        for j in range(3):
            rb, ra = signal.ss2tf(A, B, C, D, input=j)
            np.testing.assert_allclose(den, ra, atol=FORM_GENERAL)
            np.testing.assert_allclose(num[j], rb[0], atol=FORM_GENERAL)

    def test_similar_realisations_give_the_same_polynomials(self):
        den, num = ARMAX["two inputs"]
        A, B, C, D = u.armax2ss(den, num)
        T = np.array([[1.0, 2.0], [0.5, 3.0]])
        Ti = np.linalg.inv(T)
        rd, rb = u.ss2armax(Ti @ A @ T, Ti @ B, C @ T, D)
        np.testing.assert_allclose(rd, den, atol=FORM_GENERAL)
        np.testing.assert_allclose(rb, num, atol=FORM_GENERAL)

    def test_one_output_only(self):
        with pytest.raises(ValueError, match="^ss2armax needs a one-output model: C must have one row, not 2$"):
            u.ss2armax(np.eye(2), np.ones((2, 1)), np.eye(2), np.zeros((2, 1)))
        with pytest.raises(ValueError, match=r"^D must be 1 x 1 \(outputs x inputs\), not 1 x 2$"):
            u.ss2armax(np.eye(2), np.ones((2, 1)), np.ones((1, 2)), np.zeros((1, 2)))


def stacked(models):
    """The stacked model of several one-output models, joined with tt_ac/tt_bd."""
    A, B, C, D = models[0]
    for Ai, Bi, Ci, Di in models[1:]:
        A, C, B, D = u.tt_ac(A, Ai), u.tt_ac(C, Ci), u.tt_bd(B, Bi), u.tt_bd(D, Di)
    return A, B, C, D


class TestStackedModel:
    @pytest.fixture
    def parts(self):
        return [u.armax2ss([1, -1.5, 0.7], [[0.5, 0.2, 0.1], [0.0, 1.0, -0.5]]),
                u.armax2ss([1, -0.9, 0.1, 0.02], [[0.0, 0.3, 0.1, 0.0], [0.0, 0.0, 0.2, 0.1]])]

    def test_get_sub_gives_back_each_output(self, parts):
        model = stacked(parts)
        for i in (0, 1, -2, -1):
            for got, expected in zip(u.get_sub(*model, [2, 3], i), parts[i]):
                np.testing.assert_array_equal(got, expected)
        one = u.get_sub(*parts[0], 2, 0)
        for got, expected in zip(one, parts[0]):
            np.testing.assert_array_equal(got, expected)

    @pytest.mark.parametrize("ords, i, error, message", [
        ([2, 3], 2, IndexError, "index 2 is out of bounds for axis 0 with size 2"),
        ([2, 2], 0, ValueError, "the orders in ORDS add up to 4 states, but A has 5"),
        ([5], 0, ValueError, r"ORDS must hold one order per output: 1 orders for 2 outputs"),
        ([6, -1], 0, ValueError, "ORDS must not contain negative orders"),
        ([2.5, 2.5], 0, TypeError, "ORDS must hold whole numbers of states"),
    ])
    def test_get_sub_rejects_what_does_not_fit(self, parts, ords, i, error, message):
        with pytest.raises(error, match=f"^{message}$"):
            u.get_sub(*stacked(parts), ords, i)

    def test_unscale_gives_engineering_units(self, parts):
        model = stacked(parts)
        STDu, STDy = np.array([2.0, 0.5]), np.array([3.0, 7.0])
        copies = [m.copy() for m in model]
        out = u.unscale(*model, STDu, STDy, [2, 3])
        assert len(out) == 4
        for before, after in zip(model, copies):
            np.testing.assert_array_equal(before, after)
        factor = STDy[:, None] / STDu[None, :]
        for z in (1.0, np.exp(0.3j), -0.7 + 0.2j):
            np.testing.assert_allclose(response(*out, z), factor * response(*model, z), rtol=FORM_EXACT * 10)

    def test_unscale_rejects_zero_deviation(self, parts):
        with pytest.raises(ValueError, match="^STDu must not contain zeros$"):
            u.unscale(*stacked(parts), [0.0, 1.0], [1.0, 1.0], [2, 3])

    def test_identified_pairs_survive_the_whole_chain(self):
        # Output i: first-order pairs K_ij / (T_i s + 1) sharing T_i, on scaled data.
        Ts, T, K = 2.0, [15.0, 40.0], np.array([[1.5, -0.4], [0.8, 2.5]])
        STDu, STDy = np.array([4.0, 0.25]), np.array([10.0, 3.0])
        parts = []
        for i in range(2):
            numd = [u.c2dm2([K[i, j]], [T[i], 1.0], Ts)[0] for j in range(2)]
            dend = u.c2dm2([1.0], [T[i], 1.0], Ts)[1]
            parts.append(u.armax2ss(dend, np.array(numd)))
        A, B, C, D = u.unscale(*stacked(parts), STDu, STDy, [1, 1])
        for i in range(2):
            den, num = u.ss2armax(*u.get_sub(A, B, C, D, [1, 1], i)[:4])
            for j in range(2):
                numc, denc = u.d2cm2(num[j], den, Ts, "zoh")
                gain, tau = numc[1] / denc[1], 1.0 / denc[1]
                assert abs(tau - T[i]) <= PAIR_RECOVERY * T[i]
                assert abs(gain - K[i, j] * STDy[i] / STDu[j]) <= PAIR_RECOVERY * abs(gain)


class TestFrunscal:
    def test_pair_columns_scaled(self):
        G = np.random.default_rng(1).uniform(size=(175, 6))
        STDu, STDy = np.array([2.0, 4.0, 0.5]), np.array([3.0, 9.0])
        expected = G * np.repeat(STDy, 3)[None, :] / np.tile(STDu, 2)[None, :]
        np.testing.assert_allclose(u.frunscal(G, STDu, STDy), expected, rtol=1e-15)

    def test_column_count_must_match(self):
        with pytest.raises(ValueError, match=r"^G must have one column per output and input pair \(6\), not 5$"):
            u.frunscal(np.ones((3, 5)), [1, 2, 3], [1, 2])


# (num, den) in descending powers of s.
CONTINUOUS = {
    "first order": ([2.5], [7.0, 1.0]),
    "lag with lead": ([0.0, 3.0, 1.0], [4.0, 5.0, 1.0]),
    "oscillating": ([1.0, 0.5, 3.0], [1.0, 0.2, 4.0]),
    "integrator": ([1.0], [1.0, 0.0]),
    "lag and integrator": ([0.3, 1.0], [2.0, 1.0, 0.0]),
    "double integrator": ([1.0], [1.0, 0.0, 0.0]),
    "third order": ([1.0, 2.0], [1.0, 6.0, 11.0, 6.0]),
}


class TestC2dm2:
    @pytest.mark.parametrize("name", CONTINUOUS)
    @pytest.mark.parametrize("Ts", [0.1, 1.0, 3.0])
    def test_matches_scipy_cont2discrete(self, name, Ts):
        num, den = CONTINUOUS[name]
        numd, dend = u.c2dm2(num, den, Ts, "zoh")
        rnum, rden, _ = signal.cont2discrete((np.trim_zeros(num, "f"), den), Ts, method="zoh")
        np.testing.assert_allclose(dend, rden, rtol=0, atol=ZOH)
        np.testing.assert_allclose(numd, np.ravel(rnum)[-len(numd):], rtol=0, atol=ZOH)
        assert numd.shape == dend.shape == (len(np.trim_zeros(np.asarray(den, float), "f")),)
        assert dend[0] == 1.0

    @pytest.mark.parametrize("K, T, h", [(2.5, 7.0, 1.0), (-0.3, 0.05, 2.0), (40.0, 1e4, 0.5)])
    def test_closed_form_of_first_order_lag(self, K, T, h):
        numd, dend = u.c2dm2([K], [T, 1.0], h)
        # K (1 - p) / (z - p) with p = exp(-h/T); 1 - p written as -expm1(-h/T),
        # free of the cancellation that 1 - p suffers for h << T.
        p = np.exp(-h / T)
        np.testing.assert_allclose(dend, [1.0, -p], rtol=ZOH_CLOSED_FORM)
        np.testing.assert_allclose(numd, [0.0, -K * np.expm1(-h / T)], rtol=ZOH_CLOSED_FORM)
        assert numd[0] == 0.0

    def test_integrators_and_equal_denominators(self):
        n1, d1 = u.c2dm2([0.3, 1.0], [2.0, 1.0, 0.0], 0.5)
        n2, d2 = u.c2dm2([5.0], [2.0, 1.0, 0.0], 0.5)
        np.testing.assert_array_equal(d1, d2)
        assert abs(d1.sum()) <= 4 * np.finfo(float).eps  # a pole at z = 1, to rounding
        np.testing.assert_array_equal(u.c2dm2([1.0], [1.0, 0.0], 0.5)[0], [0.0, 0.5])

    def test_leading_zeros_are_stripped_results_are_not(self):
        pid = u.c2dm2([0.0, 4.0, 0.0], [0.0, 0.0, 2.0, 1.0], 1.0)  # a PID with Td = 0
        for got, expected in zip(pid, u.c2dm2([4.0, 0.0], [2.0, 1.0], 1.0)):
            np.testing.assert_array_equal(got, expected)
        numd, dend = u.c2dm2([1.0], [1.0, 3.0, 2.0], 0.2)
        assert len(numd) == len(dend) == 3 and numd[0] == 0.0

    def test_three_arguments_and_static_gain(self):
        for got, expected in zip(u.c2dm2([1.0], [2.0, 1.0], 1.0), u.c2dm2([1.0], [2.0, 1.0], 1.0, "zoh")):
            np.testing.assert_array_equal(got, expected)
        np.testing.assert_array_equal(u.c2dm2([3.0], [0.0, 2.0], 1.0)[0], [1.5])

    @pytest.mark.parametrize("args, message", [
        (([1.0], [0.0, 0.0], 1.0), "the denominator must not be all zero"),
        (([1.0, 0.0, 1.0], [1.0, 1.0], 1.0), r"the numerator's degree \(2\) must not exceed the denominator's \(1\)"),
        (([1.0], [1.0, 1.0], 0.0), "the sample time Ts must be positive and finite"),
        (([1.0], [1.0, 1.0], -1.0), "the sample time Ts must be positive and finite"),
        (([np.nan], [1.0, 1.0], 1.0), "num and den must not contain infs or NaNs"),
        (([1.0], [1.0, 1.0], 1.0, "tustin"), "only the zero-order hold is supported: method must be 'zoh', not 'tustin'"),
    ])
    def test_errors(self, args, message):
        with pytest.raises(ValueError, match=f"^{message}$"):
            u.c2dm2(*args)
        if len(args) == 3:
            with pytest.raises(ValueError, match=f"^{message}$"):
                u.d2cm2(*args)


class TestD2cm2:
    @pytest.mark.parametrize("name", CONTINUOUS)
    @pytest.mark.parametrize("Ts", [0.1, 1.0, 3.0])
    def test_round_trip(self, name, Ts):
        num, den = CONTINUOUS[name]
        if np.abs(np.roots(den).imag).max(initial=0.0) * Ts >= np.pi:
            pytest.skip("sampled below its oscillation's Nyquist rate: see test_aliased_model")
        num_c, den_c = u.d2cm2(*u.c2dm2(num, den, Ts), Ts, "zoh")
        den = np.trim_zeros(np.asarray(den, float), "f")
        expected_num = np.zeros(len(den))
        expected_num[len(den) - len(np.trim_zeros(np.asarray(num, float), "f")):] = np.trim_zeros(np.asarray(num, float), "f")
        scale = np.abs(den / den[0]).max()
        np.testing.assert_allclose(den_c, den / den[0], rtol=0, atol=ZOH_ROUND_TRIP * scale)
        np.testing.assert_allclose(num_c, expected_num / den[0], rtol=0, atol=ZOH_ROUND_TRIP * scale)

    def test_aliased_model(self):
        # Poles -0.1 +- i*sqrt(3.99) sampled every 3 time units turn by more
        # than pi per sample: the inverse gives the principal-branch model,
        # whose hold is the same discrete model.
        numd, dend = u.c2dm2([1.0, 0.5, 3.0], [1.0, 0.2, 4.0], 3.0)
        num_c, den_c = u.d2cm2(numd, dend, 3.0)
        np.testing.assert_allclose(np.abs(np.roots(den_c).imag), 2 * np.pi / 3.0 - np.sqrt(3.99), rtol=1e-12)
        for got, expected in zip(u.c2dm2(num_c, den_c, 3.0), (numd, dend)):
            np.testing.assert_allclose(got, expected, rtol=0, atol=ZOH_ROUND_TRIP)

    def test_integrators_come_back_as_poles_at_zero(self):
        for den in ([2.0, 1.0, 0.0], [1.0, 0.0, 0.0], [3.0, 0.0]):
            _, den_c = u.d2cm2(*u.c2dm2([1.0], den, 0.7), 0.7)
            zeros = len(den) - len(np.trim_zeros(den, "b"))
            np.testing.assert_array_equal(den_c[len(den_c) - zeros:], 0.0)

    @pytest.mark.parametrize("numd, dend", [
        ([0.0, 1.0], [1.0, 0.0]),                  # a pure one-sample delay
        ([0.0, 1.0], [1.0, 0.5]),                  # a pole at -0.5
        ([0.0, 1.0, 0.3], [1.0, 0.2, -0.3]),       # poles at 0.46 and -0.66
        ([0.0, 1.0, 0.5], [1.0, -0.9, 0.0]),       # poles at 0.9 and 0
        ([0.0, 1.0, 0.5], [1.0, 0.0, 0.0]),        # a double pole at 0
        ([0.0, 1.0, 2.0, 3.0], [1.0, 0.0, 0.0, 0.0]),
        ([0.0, 0.2, 0.1], [1.0, -1.5, 0.5]),       # integrator and a pole at 0.5
    ])
    def test_poles_without_continuous_counterpart(self, numd, dend):
        Ts = 2.0
        num_c, den_c = u.d2cm2(numd, dend, Ts)
        assert np.all(np.isfinite(num_c)) and np.all(np.isfinite(den_c))
        assert num_c[0] == 0.0 and den_c[0] == 1.0 and len(num_c) == len(den_c) == len(dend)
        # Real poles below sqrt(eps) or on the negative axis are taken at
        # max(|z|, sqrt(eps)), the numerator rescaled for the same static gain;
        # the hold of the result is that discrete model.
        poles = np.roots(dend)
        real = np.isreal(poles) & (poles.real < np.sqrt(np.finfo(float).eps))
        moved = np.where(real, np.maximum(np.abs(poles), np.sqrt(np.finfo(float).eps)), poles)
        ratio = np.prod((1 - moved[real].real) / (1 - poles[real].real))
        numd2, dend2 = u.c2dm2(num_c, den_c, Ts)
        np.testing.assert_allclose(dend2, np.real(np.poly(moved)), rtol=0, atol=1e-6)
        np.testing.assert_allclose(numd2, ratio * np.asarray(numd), rtol=0, atol=1e-6 * np.abs(numd).max())

    def test_dead_time_has_no_continuous_equivalent(self):
        with pytest.raises(ValueError, match=r"^the discrete model has no continuous equivalent under the zero-order "
                                             r"hold \(several poles at or near 0 stand for a dead time\)$"):
            u.d2cm2([0.0, 1.0, 2.0, 3.0, 4.0], [1.0, 0.0, 0.0, 0.0, 0.0], 1.0)

    def test_lengths_follow_the_discrete_vectors(self):
        num_c, den_c = u.d2cm2([0.5], [1.0, -0.5], 1.0)
        assert num_c.shape == den_c.shape == (2,)
        np.testing.assert_array_equal(u.d2cm2([2.0], [4.0], 1.0)[0], [0.5])
