import warnings

import numpy as np
import pytest

import reduction_reference as ref
from conftest import (after_validation_sequence, assert_all_close, assert_same_generator_state, generator_state,
                      same_draws, untouched)
from plants import fopdt, sampled, stacked, three_input_output
from references import EXACT_FIT, TRANSCRIPTION
from vantrelpid import _utilities as u
from vantrelpid.tools.pairtrim import pairtrim

FIRST_ORDER_PARAMETERS = 1e-6   # T and K of a first-order plant through fit and inverse hold
SECOND_ORDER_PARAMETERS = 1e-4  # Ac1, Ac2 of an underdamped plant through the order-2 fit
NAMES = ("Ac1", "Ac2", "Ac3", "Bc1", "Bc2", "Bc3", "Delayc", "ORDER", "DENc_tn", "NUMc_tn", "STP", "Ac1_1", "Bc1_1", "STP1")
UNDERDAMPED = sampled([0.01], [1.0, 0.08, 0.01])   # wn = 0.1, zeta = 0.4


def reduce(models, Delay=1, CV_INT=(0,), Tident=1):
    (A, B, C, D), ords = stacked(models)
    return dict(zip(NAMES, pairtrim(A, B, C, D, ords, Delay, CV_INT, Tident)))


def single(b, a, **kw):
    return reduce([(a, b[None, :])], **kw)


@pytest.mark.parametrize("K, T, L, h", [(2.0, 10.0, 5, 1), (2.0, 3.0, 0, 1), (-0.7, 20.0, 3, 1), (1.0, 1.0, 2, 1),
                                        (2.0, 10.0, 6, 2), (2.0, 10.0, 5.0, 2.5), (2.0, 10.0, 2.0, 0.5)])
def test_first_order_plants(K, T, L, h):
    # A fractional sample time is used as given, and the dead time comes back in its unit.
    r = single(*fopdt(K, T, h), Delay=int(L / h), Tident=h)
    assert r["ORDER"][0, 0] == 1.0 and r["Delayc"][0, 0] == L
    assert r["Delayc"].dtype == (np.int64 if h == int(h) else np.float64)
    np.testing.assert_allclose([1 / r["Ac1"][0, 0], r["Bc1"][0, 0] / r["Ac1"][0, 0]], [T, K], rtol=FIRST_ORDER_PARAMETERS)
    t, d = np.arange(3000), int(L / h) + 1
    np.testing.assert_allclose(r["STP"][:, 0], np.where(t >= d, K * (1 - np.exp(-(t - d + 1) * h / T)), 0.0), rtol=0,
                               atol=EXACT_FIT)
    np.testing.assert_array_equal(r["STP1"], r["STP"])
    np.testing.assert_array_equal(r["Ac1_1"], r["Ac1"])
    np.testing.assert_allclose(r["DENc_tn"], [[1.0, 1 / T, 0.0]], rtol=FIRST_ORDER_PARAMETERS)
    np.testing.assert_allclose(r["NUMc_tn"], [[0.0, K / T, 0.0]], rtol=FIRST_ORDER_PARAMETERS, atol=1e-12)
    assert all(np.all(r[name] == 0.0) for name in ("Ac2", "Ac3", "Bc2", "Bc3"))


def test_slow_plant_gets_one_more_sample_of_dead_time():
    # T/h = 100: the second sample stays below 2 % of the 200-sample maximum.
    r = single(*fopdt(2.0, 100.0), Delay=3)
    assert r["Delayc"][0, 0] == 3 + 1
    np.testing.assert_allclose(1 / r["Ac1"][0, 0], 100.0, rtol=FIRST_ORDER_PARAMETERS)


@pytest.mark.parametrize("T1, T2, L", [(10.0, 5.0, 0), (30.0, 10.0, 5)])
def test_overdamped_plant_is_reduced_to_first_order(T1, T2, L):
    r = single(*sampled([1.5], np.polymul([T1, 1.0], [T2, 1.0])), Delay=L)
    K, T, Lhat = r["Bc1"][0, 0] / r["Ac1"][0, 0], 1 / r["Ac1"][0, 0], r["Delayc"][0, 0]
    assert r["ORDER"][0, 0] == 1.0 and L <= Lhat <= L + 4 and abs((T + Lhat) - (T1 + T2 + L)) <= 0.06 * (T1 + T2 + L)
    np.testing.assert_allclose(K, 1.5, rtol=1e-9)


def test_underdamped_plant_keeps_second_order():
    r = single(*UNDERDAMPED, Delay=2)
    assert r["ORDER"][0, 0] == 2.0
    np.testing.assert_allclose([r["Ac1"][0, 0], r["Ac2"][0, 0]], [0.08, 0.01], rtol=0, atol=SECOND_ORDER_PARAMETERS)
    np.testing.assert_allclose(r["Bc2"][0, 0] / r["Ac2"][0, 0], 1.0, rtol=1e-9)
    np.testing.assert_allclose(r["DENc_tn"][0], [1.0, r["Ac1"][0, 0], r["Ac2"][0, 0]], rtol=1e-12)
    d = r["Delayc"][0, 0] + 1   # the slow start counts as dead time: the responses begin after it
    assert d > 3 and np.all(r["STP"][:d, 0] == 0.0) and r["STP"][d, 0] != 0.0
    np.testing.assert_allclose([r["STP"][-1, 0], r["STP1"][-1, 0]], 1.0, rtol=1e-6)


@pytest.mark.parametrize("CV_INT, order", [([1], 1), (np.array([1]), 1), (np.array([[1]]), 1), ([2], 0), (np.array([2]), 0)])
def test_flags_on_a_pair_that_prefers_the_second_order(CV_INT, order):
    # Flag 1 forces the first order; another flag takes neither branch.
    r = single(*UNDERDAMPED, CV_INT=CV_INT)
    assert r["ORDER"][0, 0] == order and r["DENc_tn"][0, 2] == 0.0
    np.testing.assert_array_equal(r["STP"], r["STP1"] if order else 0.0)
    assert r["Ac1_1"][0, 0] != 0.0 and np.any(r["STP1"] != 0.0)
    if not order:
        assert all(np.all(r[name] == 0.0) for name in ("Ac1", "Ac2", "Bc1", "Bc2"))


class TestMultivariableModel:
    @pytest.fixture(scope="class")
    def models(self):
        # Output 1: a lag of gain 0.5 with one more sample of dead time, a pair
        # without response and a lag of gain 1, over the lag's denominator.
        b, a = fopdt(1.0, 4.0)
        return [three_input_output(), (np.r_[a, 0.0], np.array([[0.0, 0.0, 0.5 * b[1]], [0.0, 0.0, 0.0], [0.0, b[1], 0.0]]))]

    def test_against_the_transcription_generator_and_caller_arguments(self, models):
        (A, B, C, D), ords = stacked(models)
        Delay, flags = np.full((2, 3), 2), [0, 0]
        with pytest.warns(RuntimeWarning, match="invalid value encountered in scalar divide"), \
                untouched(A, B, C, D, ords, Delay, flags, draws=True):
            ours = dict(zip(NAMES, same_draws(lambda: pairtrim(A, B, C, D, ords, Delay, flags, 2), after_validation_sequence)[0]))
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)
            expected = dict(zip(NAMES, ref.pairtrim(models, 2, [0, 0], 2, u.d2cm2)))
        assert_all_close(list(ours.values()), list(expected.values()), rtol=0, atol=TRANSCRIPTION, strict=True)
        # Columns i * nu + j: column 4 is the pair without response, column 2 pair (0, 2).
        assert ours["STP"].shape == (3000, 6) and ours["ORDER"][1, 1] == 1.0
        np.testing.assert_array_equal(ours["STP1"][:, 4], 0.0)
        np.testing.assert_allclose(ours["STP"][-1, [2, 5]], [-0.7, 1.0], rtol=1e-6)
        assert np.all(np.isfinite([ours[n][1, 1] for n in ("Ac1", "Bc1", "Ac1_1", "Bc1_1")]))
        np.testing.assert_array_equal(ours["DENc_tn"][:, 1], ours["Ac1_1"][[0, 1], [0, 1]])
        np.testing.assert_array_equal(ours["NUMc_tn"][:, 1], ours["Bc1_1"][[0, 1], [0, 1]])

    def test_more_outputs_than_inputs_raises_after_the_work(self, models):
        with pytest.raises(IndexError, match="^index 1 is out of bounds for axis 1 with size 1$"):
            reduce([(den, num[:1]) for den, num in models], 1, [0, 0], 1)
        assert_same_generator_state(generator_state(), after_validation_sequence())


@pytest.mark.parametrize("Delay", [4, np.int32(4), np.array([[4]]), np.array([4]), [[4, 4, 4]], 4.0, np.array([[4.0]])])
def test_delay_forms_broadcast_to_the_pairs(Delay):
    r = reduce([three_input_output()], Delay, [0])
    np.testing.assert_array_equal(r["Delayc"], [[4, 7, 6]])
    assert r["Delayc"].dtype == (np.float64 if np.asarray(Delay).dtype.kind == "f" else np.int64)


def test_whole_valued_floats_are_the_integers_they_equal():
    b, a = fopdt(2.0, 10.0, 2.0)
    r_int, r_float = single(b, a, Delay=3, Tident=2), single(b, a, Delay=3, Tident=2.0)
    np.testing.assert_equal(r_int, r_float)
    assert [r.dtype for r in r_int.values()] == [r.dtype for r in r_float.values()]


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(Delay=2.5), TypeError, "'numpy.float64' object cannot be interpreted as an integer"),
    (dict(Delay=-3), ValueError, "negative dimensions are not allowed"),
    (dict(Delay=-3.0), ValueError, "negative dimensions are not allowed"),
    (dict(Tident=0), ValueError, "Tident must be a positive, finite sample time"),
])
def test_invalid_delays_and_sample_times(kwargs, error, message):
    with pytest.raises(error, match=f"^{message}$"), untouched(draws="Delay" in kwargs):   # Tident before any work
        single(*fopdt(2.0, 10.0), **kwargs)


class TestDelaysAtTheInt64Limit:
    MODEL = [[0.8]], [[1.0]], [[0.2]], [[0.0]], [1]

    @pytest.mark.parametrize("Delay", [2**63 - 1, 10**19, np.array([[2**63 - 1]])])
    def test_a_total_delay_beyond_int64_raises(self, Delay):
        with pytest.raises(ValueError, match="^Delay is too large: the total delay of pair \\(0, 0\\) or its dead time "
                                             "does not fit in a 64-bit integer$"):
            pairtrim(*self.MODEL, Delay, [0], 1)

    def test_a_delay_that_fits_keeps_its_result(self):
        Delayc = pairtrim(*self.MODEL, 2**62, [0], 1)[6]
        np.testing.assert_array_equal(Delayc, [[2**62]])
        assert Delayc.dtype == np.int64

    @pytest.mark.parametrize("C, D", [([[0.2]], np.zeros((0, 0))), ([[0.2]], np.zeros((0, 1))), ([[0.2]], [])])
    def test_empty_d_beside_a_model_raises_the_shape_error(self, C, D):
        message = f"^D must be 1 x 1 \\(outputs x inputs\\), not {np.atleast_2d(D).shape[0]} x {np.atleast_2d(D).shape[1]}$"
        with pytest.raises(ValueError, match=message):
            pairtrim([[0.8]], [[1.0]], C, D, [1], 1, [0], 1)
