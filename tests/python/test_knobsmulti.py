from fractions import Fraction as F

import numpy as np
import pytest

from conftest import untouched
from references import TUNING_HAND, TUNING_THROUGH_CONVERSION
from vantrelpid.formswap import formswap
from vantrelpid.knobsmulti import knobsmulti


def tune(Ac, Bc, d, flag, Tcl):
    """The rows of one loop."""
    sp, load = knobsmulti(np.array([Ac], float), np.array([Bc], float), np.array([[d]], float), [flag], [Tcl])
    return sp[0], load[0]


def f(*values):
    return [float(F(v)) if isinstance(v, str) else float(v) for v in values]


SAME = None
HAND = [  # model; d; flag; Tcl -> set-point row, load row (SAME: equal to the set-point row)
    ([10, 1, 0], [0, 2, 0], 2, 0, 5, f("11/12", 11, "10/11"), f("5/3", 12, "11/12")),                 # case 1
    ([1, 0.1, 0], [0, 0.2, 0], 2, 0, 5, f("11/12", 11, "10/11"), f("5/3", 12, "11/12")),              # not normalised
    ([10, 1, 0], [0, 2, 0], 0, 0, 5, f(1, 10, 0), f(2, 10, 0)),                                        # no dead time
    ([10, 1, 0], [0, 2, 0], 2, 1, 5, f("11/49", 22, "60/11"), SAME),                                   # case 2
    ([10, 1, 0], [0, 2, 0], 2, 1.0, 5, f("11/49", 22, "60/11"), SAME),                                 # the flag compared with == 1
    ([50, 15, 1], [0, 4, 2], 3, 0, 8, f("13/22", 13, "24/13"), SAME),                                  # case 3
    ([50, 15, 1], [0, 20, 2], 3, 0, 2, f(0.75, 7.5, 0), f(0.75, 7, 0)),                                # Tz' = (T1+T2)/2, Td clipped, Ti capped
    ([50, 15, 1], [0, -4, 2], 3, 0, 8, f("201/338", "201/13", F(6, 13) + F(650, 201)), SAME),          # case 4
    ([100, 10, 1], [0, 2, 2], 3, 0, 8, f("9/22", 9, "91/9"), SAME),                                    # case 5
    ([100, 10, 1], [0, 20, 2], 3, 0, 8, f("1/11", 2, 42), SAME),                                       # Tz' = 1.6 zeta tau
    ([100, 10, 1], [0, -4, 2], 3, 0, 8, f("68/169", "136/13", F(6, 13) + F(1300, 136)), SAME),         # case 6
    ([100, 20, 1], [0, 2, 2], 3, 0, 5, f("19/16", 19, "81/19"), f("19/16", 13, "81/19")),              # double pole: real
    ([100, 20, 1], [0, 2, 2], 3, 7, 5, f("19/16", 19, "81/19"), f("19/16", 13, "81/19")),              # flag unused in order 2
]


class TestRows:
    @pytest.mark.parametrize("Ac, Bc, d, flag, Tcl, sp, load", HAND)
    def test_hand_values(self, Ac, Bc, d, flag, Tcl, sp, load):   # atol 0: a clipped Td is exactly 0
        got_sp, got_load = tune(Ac, Bc, d, flag, Tcl)
        np.testing.assert_allclose(got_sp, sp, rtol=TUNING_HAND, atol=0)
        np.testing.assert_allclose(got_load, sp if load is SAME else load, rtol=TUNING_HAND, atol=0)

    def test_loops_use_the_diagonal_dead_time(self):
        Apc, Bpc = np.array([[10.0, 1, 0], [50, 15, 1]]), np.array([[0.0, 2, 0], [0, 4, 2]])
        Delayc, CV_INT, Tcl = np.array([[2.0, 7], [9, 3]]), np.array([0, 5]), [5, 8]
        with untouched(Apc, Bpc, Delayc, CV_INT, Tcl):
            sp, load = knobsmulti(Apc, Bpc, Delayc, CV_INT, Tcl)
        assert sp.shape == load.shape == (2, 3) and sp.dtype == load.dtype == np.float64 and sp.flags.c_contiguous
        np.testing.assert_allclose(sp, [HAND[0][5], HAND[5][5]], rtol=TUNING_HAND, atol=0)
        np.testing.assert_allclose(load, [HAND[0][6], HAND[5][5]], rtol=TUNING_HAND, atol=0)

    def test_zero_gain_and_coefficients_give_inf_and_nan(self):
        with np.errstate(all="ignore"):
            sp, load = knobsmulti(np.array([[10.0, 1, 0], [0, 0, 1]]), np.array([[0.0, 0, 0], [0, 1, 1]]),
                                  np.eye(2), [0, 0], [5, 5])
        assert np.isinf(sp[0, 0]) and np.isinf(load[0, 0]) and np.isnan(sp[1]).any()


KTDL = [(2.0, 10.0, 2.0, 5.0), (0.5, 30.0, 4.0, 12.0), (-1.5, 8.0, 1.0, 3.0), (3.0, 4.0, 0.0, 2.0)]


class TestTextbookRules:
    """Rows against IMC rules of the same models; the interacting forms cancel the model's lags."""

    @pytest.mark.parametrize("K, T, d, lam", KTDL)
    def test_first_order(self, K, T, d, lam):
        sp, load = tune([T, 1, 0], [0, K, 0], d, 0, lam)
        close = dict(rtol=TUNING_THROUGH_CONVERSION, atol=1e-15)
        np.testing.assert_allclose(sp, [(2 * T + d) / (K * (2 * lam + d)), T + d / 2, T * d / (2 * T + d)], **close)
        np.testing.assert_allclose(formswap(list(sp), "nonint"), [T / (K * (lam + d / 2)), T, d / 2], **close)
        Kp = K / T   # the lag-dominant integrating approximation
        np.testing.assert_allclose(load, [(2 * lam + d) / (Kp * (lam + d / 2) ** 2), 2 * lam + d,
                                          (lam * d + d * d / 4) / (2 * lam + d)], **close)

    @pytest.mark.parametrize("K, T, d, lam", KTDL)
    def test_integrating_first_order(self, K, T, d, lam):
        sp, load = tune([T, 1, 0], [0, K, 0], d, 1, lam)
        series = [(2 * lam + d) / (K * (lam + d) ** 2), 2 * lam + d, T]
        np.testing.assert_allclose(sp, formswap(series, "int"), rtol=TUNING_THROUGH_CONVERSION)
        np.testing.assert_array_equal(load, sp)

    @pytest.mark.parametrize("K, T1, T2, d, lam", [(2.0, 5.0, 10.0, 3.0, 8.0), (0.7, 40.0, 3.0, 6.0, 20.0)])
    def test_second_order_without_zero(self, K, T1, T2, d, lam):
        sp, _ = tune([T1 * T2, T1 + T2, 1], [0, 0, K], d, 0, lam)
        np.testing.assert_allclose(sp, [(T1 + T2) / (K * (lam + d)), T1 + T2, T1 * T2 / (T1 + T2)],
                                   rtol=TUNING_THROUGH_CONVERSION)
        np.testing.assert_allclose(formswap(list(sp), "nonint"), [max(T1, T2) / (K * (lam + d)), max(T1, T2), min(T1, T2)],
                                   rtol=TUNING_THROUGH_CONVERSION)


class TestErrors:
    @pytest.mark.parametrize("Apc, Bpc, Delayc, CV_INT, error, message", [
        ([[10, 1, 0], [10, 1, 1]], [[0, 2, 0], [0, 2, 0]], np.eye(2), [0, 0], ValueError, "Ac and Bc degrees not equal"),
        ([[10, 1, 0], [10, 1, 0]], [[0, 2, 0], [0, 2, 0]], np.eye(2), [0, 2], ValueError, "No tuning rule for loop 1"),
        ([[10, 1, 1]], [[0, np.nan, 1]], [[1]], [0], ValueError, "No tuning rule for loop 0"),          # NaN zero time constant
        ([[np.nan, 1, 1]], [[0, 1, 1]], [[1]], [0], ValueError, "No tuning rule for loop 0"),           # NaN discriminant
        ([[10, 1, 1, 1]], [[0, 1, 1, 1]], [[1]], [0], ValueError, "No tuning rule for loop 0"),         # third order
        ([[10, 1, 0], [10, 1, 0]], [[0, 2, 0], [0, 2, 0]], [[2], [3]], [0, 0], IndexError,
         "index 1 is out of bounds for axis 1 with size 1"),
        ([[10, 1, 0], [50, 15, 1]], [[0, 2, 0], [0, 4, 2]], np.eye(2), [0], IndexError, "list index out of range"),
        ([[10, 1]], [[0, 2]], [[1]], [0], IndexError, "index 2 is out of bounds for axis 0 with size 2"),
    ])
    def test_messages(self, Apc, Bpc, Delayc, CV_INT, error, message):
        with pytest.raises(error) as info:
            knobsmulti(np.array(Apc, float), np.array(Bpc, float), np.array(Delayc, float), CV_INT, [5, 5])
        assert str(info.value) == message
