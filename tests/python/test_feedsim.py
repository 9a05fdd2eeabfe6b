import numpy as np
import pytest

import closed_loop_reference as ref
from closed_loop_reference import CODES, UNSTABLE
from conftest import assert_outcome, digest, untouched
from references import CLOSED_LOOP_RESPONSE, FEEDFORWARD_RESIDUE, LONG_DEAD_TIME_RESPONSE, SETTLED
from vantrelpid.feedsim import feedsim

# The loop 2 e^-5s / (10 s + 1); disturbances 1 e^-7s / (8 s + 1) and -0.5 e^-2s / (4 s + 1).
APC, BPC, PID = np.array([10.0, 1.0]), np.array([0.0, 2.0]), [0.4, 10.0, 1.0]
DELAYC, TAU_1, GAIN_1 = np.array([5.0, 7.0, 2.0]), np.array([[10.0, 8.0, 4.0]]), np.array([2.0, 1.0, -0.5])
FF = np.array([[0.44, 8.0, 10.0, 2.0], [-0.22, 4.0, 10.0, 0.0]])


def run(Type="Int B", **changes):
    args = dict(Apc_tn=APC, Bpc_tn=BPC, Delayc=DELAYC, Tau_1=TAU_1, Gain_1=GAIN_1, CV_INT=[0], PID=PID, Type=Type,
                FF=FF, Ts=1.0, SPLLAG=0.5)
    return feedsim(**(args | changes))


class TestResponses:
    @pytest.mark.parametrize("code", CODES)
    def test_against_scipy(self, code):
        *result, message = run(Type=code)
        expected = ref.feedsim(APC, BPC, DELAYC, TAU_1, GAIN_1, PID, code, FF, 1.0, 0.5)
        assert message == "OK"
        assert [(x.shape, x.dtype, x.flags.c_contiguous) for x in result] == [((3000, 2), np.float64, True)] * 4
        for got, want in zip(result, expected):
            assert ref.relative(got, want) < CLOSED_LOOP_RESPONSE

    def test_without_feedforward_the_loop_rejects_the_disturbance(self):
        _, _, Yff0, Uff0, _ = run()
        K, Ti, _ = PID
        np.testing.assert_allclose(Uff0[-1], [-1.0 / 2.0, 0.5 / 2.0], rtol=0, atol=SETTLED)   # -Kd / Kp
        np.testing.assert_allclose(np.sum(Yff0, axis=0), np.array([1.0, -0.5]) * Ti / (K * 2.0), rtol=SETTLED)

    def test_zero_compensator_changes_nothing(self):
        Yff, Uff, Yff0, Uff0, _ = run(FF=np.array([[0.0, 8.0, 10.0, 2.0], [0.0, 4.0, 0.0, 0.0]]))
        np.testing.assert_array_equal(Yff, Yff0)
        np.testing.assert_array_equal(Uff, Uff0)

    def test_perfect_compensator_cancels_up_to_the_hold(self):
        # The model's own cancellation: gain Kd/Kp, lag the disturbance's, lead the plant's, the dead-time difference.
        residues = []
        for Ts in (1.0, 0.5):
            Yff, _, Yff0, _, _ = run("Nonint A", Delayc=DELAYC[:2], Tau_1=TAU_1[:, :2], Gain_1=GAIN_1[:2],
                                     FF=np.array([[1.0 / 2.0, 8.0, 10.0, 2.0]]), Ts=Ts)
            residues.append(np.max(np.abs(Yff)) / np.max(np.abs(Yff0)))
        assert residues[0] < FEEDFORWARD_RESIDUE and residues[1] < residues[0] / 1.5

    @pytest.mark.parametrize("code, SPLLAG, same_as", [
        ("Nonint B", 0.5, "Nonint A"), ("Nonint C", 0.5, "Nonint A"), ("Int C", 0.5, "Int A"),
        ("Fox Nonint", 3.0, "Fox Nonint"), ("Fox Int", 3.0, "Fox Int"),
    ])
    def test_only_the_pv_path_acts(self, code, SPLLAG, same_as):
        np.testing.assert_equal(run(Type=code, SPLLAG=SPLLAG), run(Type=same_as))

    def test_dead_times_round_halves_to_even(self):
        halves = run(Delayc=np.array([4.5, 6.5, 2.5]), FF=FF + [[0, 0, 0, 0.5], [0, 0, 0, 0.5]])
        np.testing.assert_equal(halves, run(Delayc=np.array([4.0, 6.0, 2.0])))

    def test_overflowing_loop_is_unstable_with_its_arrays(self):
        with np.errstate(all="ignore"):
            Yff, Uff, Yff0, Uff0, message = run(PID=[40.0, 10.0, 1.0])
        assert message == UNSTABLE and Yff.shape == (3000, 2) and not np.all(np.isfinite(Yff))


class TestLongDeadTimes:
    @pytest.mark.parametrize("d", [2999, 3000, 3001, 5000])
    @pytest.mark.parametrize("delayed", ["loop", "disturbance", "compensator"])
    def test_against_the_padded_loop(self, delayed, d, monkeypatch):
        monkeypatch.setattr(ref, "hold", ref.package_hold)
        Delayc, ff = DELAYC.copy(), FF.copy()
        if delayed == "compensator":
            ff[0, 3] = d
        else:
            Delayc[["loop", "disturbance"].index(delayed)] = d
        *result, message = run(Delayc=Delayc, FF=ff)
        expected = ref.feedsim(APC, BPC, Delayc, TAU_1, GAIN_1, PID, "Int B", ff, 1.0, 0.5)
        assert message == "OK"
        for got, want in zip(result, expected):
            np.testing.assert_allclose(got, want, rtol=0, atol=LONG_DEAD_TIME_RESPONSE * np.max(np.abs(want)))

    @pytest.mark.parametrize("changes, fingerprint", [
        (dict(), "4462d90bff56c4b6"),
        (dict(Type="Nonint A", Delayc=np.array([2999.0, 2999.4, 2.0]), FF=FF + [[0, 0, 0, 2997], [0, 0, 0, 2999]]),
         "d48005ddb3f7a998"),
    ])
    def test_shorter_dead_times_give_the_results_they_gave(self, changes, fingerprint):
        assert digest(*run(**changes)[:4]) == fingerprint


class TestChecks:
    @pytest.mark.parametrize("changes, message", [
        (dict(PID=[0, 10, 1], Tau_1=np.ones(3), CV_INT=[]), "K is 0"),
        (dict(PID=[1, -1, 0], CV_INT=[1]), "Ti is negative"),
        (dict(PID=[1, 10, -0.5]), "Td is negative"),
        (dict(CV_INT=[0, 1], Tau_1=np.ones(3)), "There are integrators, no feedforward for integral process"),
        (dict(Tau_1=np.ones((1, 4))), "Too many FF variables (must <= 2)"),
        (dict(Tau_1=np.ones((1, 1))), "No model for FF variable"),
        (dict(Tau_1=np.ones((2, 3))), "Not a single loop process, this function only works for single-loop"),
    ])
    def test_refusals_in_order(self, changes, message):
        assert run(**changes) == ([], [], [], [], message)

    @pytest.mark.parametrize("changes, expected", [
        # the PID checks before any other argument is read
        (dict(PID=[0, 10, 1], Apc_tn=np.ones((3, 2)), Ts=None, SPLLAG=None), "K is 0"),
        (dict(PID=[1, -1, 0], Ts="x"), "Ti is negative"),
        (dict(PID=[1, 10, -0.5], Ts=None, Type=None), "Td is negative"),
        (dict(PID=[0, "x", 0.0]), "K is 0"),                                  # Ti only after K's check
        (dict(CV_INT=[1], Ts=None), "There are integrators, no feedforward for integral process"),  # Ts after the refusals
        (dict(SPLLAG=None), dict(SPLLAG=0.5)),                                # read for the Fox codes only
        (dict(SPLLAG="x", Type="Nonint C"), dict(Type="Nonint C")),
        (dict(SPLLAG=None, Type="Fox Int"), TypeError("SPLLAG must be of type float, not NoneType")),
    ])
    def test_arguments_read_in_order(self, changes, expected):
        assert_outcome(run, changes, ([], [], [], [], expected) if isinstance(expected, str) else expected)

    def test_one_feedforward_variable(self):
        Yff, *_, message = run(Tau_1=TAU_1[:, :2], FF=FF[:1])
        assert message == "OK" and Yff.shape == (3000, 1)
        np.testing.assert_array_equal(Yff[:, 0], run()[0][:, 0])

    @pytest.mark.parametrize("changes, error, message", [
        (dict(PID=[1, 2]), ValueError, "not enough values to unpack (expected 3, got 2)"),
        (dict(PID=5), TypeError, "cannot unpack non-iterable int object"),
        (dict(CV_INT=[]), ValueError, None),                     # the built-in max of nothing
        (dict(Tau_1=np.ones(3)), ValueError, "not enough values to unpack (expected 2, got 1)"),
        (dict(Type="nonint a"), ValueError, "Unknown PID type"),
        (dict(Type=""), ValueError, "Unknown PID type"),
        (dict(FF=FF[:1]), IndexError, "index 1 is out of bounds for axis 0 with size 1"),
        (dict(Gain_1=GAIN_1[:2]), IndexError, "index 2 is out of bounds for axis 0 with size 2"),
        (dict(PID=[1.0, 0.0, 0.0], Type="Fox Int"), ZeroDivisionError, None),
        (dict(Delayc=np.array([-1.0, 7.0, 2.0])), ValueError, "negative dimensions are not allowed"),
    ])
    def test_errors_reach_the_caller(self, changes, error, message):
        with pytest.raises(error) as info:
            run(**changes)
        assert message is None or str(info.value) == message

    def test_arguments_and_generator_untouched(self):
        args = [APC.copy(), BPC.copy(), DELAYC.copy(), TAU_1.copy(), GAIN_1.copy(), [0], list(PID), "Fox Int",
                FF.copy(), 1.0, 0.5]
        with untouched(*args):
            assert feedsim(*args)[-1] == "OK"
