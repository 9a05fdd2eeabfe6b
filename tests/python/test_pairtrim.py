import copy
import warnings

import numpy as np
import pytest

import reduction_reference as ref
from conftest import assert_same_generator_state, generator_state
from plants import fopdt, sopdt, stacked, three_input_output, underdamped
from references import EXACT_FIT, TRANSCRIPTION
from vantrelpid import _utilities as u
from vantrelpid.tools.pairtrim import pairtrim

FIRST_ORDER_PARAMETERS = 1e-6   # T and K of a first-order plant through fit and inverse hold
SECOND_ORDER_PARAMETERS = 1e-4  # Ac1, Ac2 of an underdamped plant through the order-2 fit

NAMES = ("Ac1", "Ac2", "Ac3", "Bc1", "Bc2", "Bc3", "Delayc", "ORDER", "DENc_tn", "NUMc_tn", "STP",
         "Ac1_1", "Bc1_1", "STP1")


def reduce(models, Delay, CV_INT, Tident):
    (A, B, C, D), ords = stacked(models)
    return dict(zip(NAMES, pairtrim(A, B, C, D, ords, Delay, CV_INT, Tident)))


def single(b, a, Delay=1, CV_INT=(0,), Tident=1):
    return reduce([(a, b[None, :])], Delay, list(CV_INT), Tident)


def after_validation_sequence():
    np.random.seed(1235)
    np.random.rand(1300)
    return generator_state()


def fopdt_step(K, T, d, h):
    """K (1 - exp(-(t - d + 1) h / T)) from sample d on."""
    t = np.arange(3000)
    return np.where(t >= d, K * (1 - np.exp(-(t - d + 1) * h / T)), 0.0)


class TestFirstOrderPlants:
    @pytest.mark.parametrize("K, T, L, h", [
        (2.0, 10.0, 5, 1), (2.0, 3.0, 0, 1), (-0.7, 20.0, 3, 1), (1.0, 1.0, 2, 1), (2.0, 10.0, 6, 2),
    ])
    def test_recovered(self, K, T, L, h):
        r = single(*fopdt(K, T, h), Delay=L // h, Tident=h)
        assert r["ORDER"][0, 0] == 1.0
        np.testing.assert_allclose(1 / r["Ac1"][0, 0], T, rtol=FIRST_ORDER_PARAMETERS)
        np.testing.assert_allclose(r["Bc1"][0, 0] / r["Ac1"][0, 0], K, rtol=FIRST_ORDER_PARAMETERS)
        assert r["Delayc"].dtype == np.int64 and r["Delayc"][0, 0] == L
        expected = fopdt_step(K, T, L // h + 1, h)
        np.testing.assert_allclose(r["STP"][:, 0], expected, rtol=0, atol=EXACT_FIT)
        np.testing.assert_array_equal(r["STP1"], r["STP"])
        np.testing.assert_array_equal(r["Ac1_1"], r["Ac1"])
        np.testing.assert_allclose(r["DENc_tn"], [[1.0, 1 / T, 0.0]], rtol=FIRST_ORDER_PARAMETERS)
        np.testing.assert_allclose(r["NUMc_tn"], [[0.0, K / T, 0.0]], rtol=FIRST_ORDER_PARAMETERS,
                                   atol=1e-12)
        for name in ("Ac2", "Ac3", "Bc2", "Bc3"):
            np.testing.assert_array_equal(r[name], 0.0)

    def test_slow_plant_gets_one_more_sample_of_dead_time(self):
        # T/h = 100: the second sample stays below 2 % of the 200-sample maximum.
        r = single(*fopdt(2.0, 100.0), Delay=3)
        assert r["Delayc"][0, 0] == 3 + 1
        np.testing.assert_allclose(1 / r["Ac1"][0, 0], 100.0, rtol=FIRST_ORDER_PARAMETERS)


class TestSecondOrderPlants:
    @pytest.mark.parametrize("T1, T2, L", [(10.0, 5.0, 0), (30.0, 10.0, 5)])
    def test_overdamped_is_reduced_to_first_order(self, T1, T2, L):
        b, a = sopdt(1.5, T1, T2)
        r = single(b, a, Delay=L)
        assert r["ORDER"][0, 0] == 1.0
        K, T, Lhat = r["Bc1"][0, 0] / r["Ac1"][0, 0], 1 / r["Ac1"][0, 0], r["Delayc"][0, 0]
        np.testing.assert_allclose(K, 1.5, rtol=1e-9)
        assert L <= Lhat <= L + 4
        assert abs((T + Lhat) - (T1 + T2 + L)) <= 0.06 * (T1 + T2 + L)

    def test_underdamped_keeps_second_order(self):
        wn, zeta = 0.1, 0.4
        b, a = underdamped(1.0, wn, zeta)
        r = single(b, a, Delay=2)
        assert r["ORDER"][0, 0] == 2.0
        np.testing.assert_allclose([r["Ac1"][0, 0], r["Ac2"][0, 0]], [2 * zeta * wn, wn * wn],
                                   rtol=0, atol=SECOND_ORDER_PARAMETERS)
        np.testing.assert_allclose(r["Bc2"][0, 0] / r["Ac2"][0, 0], 1.0, rtol=1e-9)
        np.testing.assert_allclose(r["DENc_tn"][0], [1.0, r["Ac1"][0, 0], r["Ac2"][0, 0]], rtol=1e-12)
        # The slow start counts as dead time: the responses begin after it.
        d = r["Delayc"][0, 0] + 1
        assert d > 3
        assert np.all(r["STP"][:d, 0] == 0.0) and r["STP"][d, 0] != 0.0
        # The chosen and the first-order responses both settle at the gain.
        np.testing.assert_allclose(r["STP"][-1, 0], 1.0, rtol=1e-6)
        np.testing.assert_allclose(r["STP1"][-1, 0], 1.0, rtol=1e-6)

    def test_integrating_flag_forces_first_order(self):
        b, a = underdamped(1.0, 0.1, 0.4)
        r = single(b, a, CV_INT=(1,))
        assert r["ORDER"][0, 0] == 1.0
        np.testing.assert_array_equal(r["Ac1"], r["Ac1_1"])
        np.testing.assert_array_equal(r["STP"], r["STP1"])
        assert r["DENc_tn"][0, 2] == 0.0

    @pytest.mark.parametrize("flag", [2, np.array([2])])
    def test_other_flag_takes_neither_branch(self, flag):
        b, a = underdamped(1.0, 0.1, 0.4)
        r = single(b, a, CV_INT=(flag,))
        assert r["ORDER"][0, 0] == 0.0
        for name in ("Ac1", "Ac2", "Bc1", "Bc2", "STP"):
            np.testing.assert_array_equal(r[name], 0.0)
        assert r["Ac1_1"][0, 0] != 0.0 and np.any(r["STP1"] != 0.0)
        assert r["DENc_tn"][0, 2] == 0.0

    @pytest.mark.parametrize("CV_INT", [[1], np.array([1]), np.array([[1]])])
    def test_flag_containers(self, CV_INT):
        b, a = underdamped(1.0, 0.1, 0.4)
        assert reduce([(a, b[None, :])], 1, CV_INT, 1)["ORDER"][0, 0] == 1.0

    def test_flag_not_read_when_first_order_settles_every_pair(self):
        # Python reads CV_INT[i] only for a pair whose first-order error is
        # not below 0.07: an empty flag list then does not matter.
        r = single(*fopdt(2.0, 10.0), CV_INT=())
        assert r["ORDER"][0, 0] == 1.0
        b, a = underdamped(1.0, 0.1, 0.4)
        with pytest.raises(IndexError):
            single(b, a, CV_INT=())


class TestMultivariableModel:
    @pytest.fixture(scope="class")
    def models(self):
        # Output 1: a lag of gain 0.5 with one more sample of dead time, a pair
        # without response and a lag of gain 1, over the lag's denominator.
        b, a = fopdt(1.0, 4.0)
        num = np.array([[0.0, 0.0, 0.5 * b[1]], [0.0, 0.0, 0.0], [0.0, b[1], 0.0]])
        return [three_input_output(), (np.concatenate([a, [0.0]]), num)]

    @pytest.fixture(scope="class")
    def results(self, models):
        np.random.seed(3)
        with pytest.warns(RuntimeWarning, match="invalid value encountered in scalar divide"):
            ours = reduce(models, 2, [0, 0], 2)
        state = generator_state()
        np.random.seed(3)
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)
            expected = dict(zip(NAMES, ref.pairtrim(models, 2, [0, 0], 2, u.d2cm2)))
        return ours, expected, state, generator_state()

    def test_matches_transcription(self, results):
        ours, expected, state, expected_state = results
        assert_same_generator_state(state, expected_state)
        for name in NAMES:
            assert ours[name].shape == expected[name].shape, name
            np.testing.assert_allclose(ours[name], expected[name], rtol=0, atol=TRANSCRIPTION, err_msg=name)
        assert ours["Delayc"].dtype == np.int64

    def test_column_layout(self, results):
        ours = results[0]
        assert ours["STP"].shape == (3000, 6)
        # Column 4 is pair (1, 1), the pair without response; column 2 is pair (0, 2).
        np.testing.assert_array_equal(ours["STP"][:, 4], 0.0)
        assert ours["STP"][-1, 2] == pytest.approx(-0.7, rel=1e-6)
        assert ours["STP"][-1, 5] == pytest.approx(1.0, rel=1e-6)
        for i in range(2):
            for j in range(3):
                assert np.argmax(ours["STP1"][:, 3 * i + j] != 0) in (0, ours["Delayc"][i, j] // 2 + 1)

    def test_pair_without_response(self, results):
        ours = results[0]
        assert ours["ORDER"][1, 1] == 1.0
        np.testing.assert_array_equal(ours["STP1"][:, 4], 0.0)
        assert np.all(np.isfinite([ours[n][1, 1] for n in ("Ac1", "Bc1", "Ac1_1", "Bc1_1")]))

    def test_tuning_rows_from_the_diagonal_pairs(self, results):
        ours = results[0]
        np.testing.assert_array_equal(ours["DENc_tn"][:, 1], ours["Ac1_1"][[0, 1], [0, 1]])
        np.testing.assert_array_equal(ours["NUMc_tn"][:, 1], ours["Bc1_1"][[0, 1], [0, 1]])

    def test_more_outputs_than_inputs(self, models):
        one_input = [(den, num[:1]) for den, num in models]
        (A, B, C, D), ords = stacked(one_input)
        np.random.seed(4)
        with pytest.raises(IndexError, match="^index 1 is out of bounds for axis 1 with size 1$"):
            pairtrim(A, B, C, D, ords, 1, [0, 0], 1)
        # Raised after the work: the fits have drawn and reseeded.
        assert_same_generator_state(after_validation_sequence(), generator_state())


class TestSampleTime:
    @pytest.mark.parametrize("h, L", [(2.5, 5.0), (0.5, 2.0)])
    def test_fractional_sample_time_is_used_as_given(self, h, L):
        r = single(*fopdt(2.0, 10.0, h), Delay=int(L / h), Tident=h)
        np.testing.assert_allclose(1 / r["Ac1"][0, 0], 10.0, rtol=FIRST_ORDER_PARAMETERS)
        assert r["Delayc"].dtype == np.float64 and r["Delayc"][0, 0] == L

    def test_whole_valued_float_is_the_integer(self):
        b, a = fopdt(2.0, 10.0, 2.0)
        r_int, r_float = single(b, a, Delay=3, Tident=2), single(b, a, Delay=3, Tident=2.0)
        for name in NAMES:
            np.testing.assert_array_equal(r_int[name], r_float[name])
            assert r_int[name].dtype == r_float[name].dtype

    @pytest.mark.parametrize("Tident", [0, -1.0, np.nan, np.inf])
    def test_invalid_sample_time_before_any_work(self, Tident):
        before = generator_state()
        with pytest.raises(ValueError, match="^Tident must be a positive, finite sample time$"):
            single(*fopdt(2.0, 10.0), Tident=Tident)
        assert_same_generator_state(before, generator_state())


class TestDelays:
    @pytest.mark.parametrize("Delay", [4, np.int32(4), np.array([[4]]), np.array([4]), [[4, 4, 4]]])
    def test_forms_broadcast_to_the_pairs(self, Delay):
        (A, B, C, D), ords = stacked([three_input_output()])
        r = dict(zip(NAMES, pairtrim(A, B, C, D, ords, Delay, [0], 1)))
        np.testing.assert_array_equal(r["Delayc"], [[4, 7, 6]])

    def test_whole_valued_float_delays(self):
        b, a = fopdt(2.0, 10.0)
        r_int, r_float = single(b, a, Delay=5), single(b, a, Delay=5.0)
        assert r_float["Delayc"].dtype == np.float64 and r_float["Delayc"][0, 0] == 5.0
        np.testing.assert_array_equal(r_int["STP"], r_float["STP"])

    @pytest.mark.parametrize("Delay, error, message", [
        (2.5, TypeError, "'numpy.float64' object cannot be interpreted as an integer"),
        (np.nan, TypeError, "'numpy.float64' object cannot be interpreted as an integer"),
        (-3, ValueError, "negative dimensions are not allowed"),
        (-3.0, ValueError, "negative dimensions are not allowed"),
    ])
    def test_invalid_total_delays(self, Delay, error, message):
        with pytest.raises(error, match=message):
            single(*fopdt(2.0, 10.0), Delay=Delay)

    def test_caller_arguments_unchanged_and_generator_state(self):
        (A, B, C, D), ords = stacked([three_input_output()])
        Delay, flags = np.array([[1, 2, 3]]), [0]
        saved = [copy.deepcopy(x) for x in (A, B, C, D, ords, Delay, flags)]
        np.random.seed(77)
        pairtrim(A, B, C, D, ords, Delay, flags, 1)
        assert_same_generator_state(after_validation_sequence(), generator_state())
        for old, new in zip(saved, (A, B, C, D, ords, Delay, flags)):
            np.testing.assert_array_equal(old, new)
