import subprocess
import sys
import time
from signal import SIGINT

import numpy as np
import pytest
from scipy import signal

import closed_loop_reference as ref
from closed_loop_reference import CODES, INTEGRATING, LAG, PLANTS, UNSTABLE, W
from conftest import PINNED_W, assert_outcome, digest, untouched
from references import CLOSED_LOOP_RESPONSE, DOUBLE_POLE_TRACK_YSP, LONG_DEAD_TIME_RESPONSE, SETTLED_DRIFT, ZOH
from vantrelpid.tracksim import tracksim


def run(plant=LAG, PID=None, Type="Int B", **changes):
    args = dict(Apc=plant["Apc"], Bpc=plant["Bpc"], Delay=plant["Delay"], INT=plant["INT"],
                PID=plant["PID"] if PID is None else PID, Type=Type, Ts=1.0, w=W, SPLLAG=0.5)
    return tracksim(**(args | changes))


class TestFormulas:
    @pytest.mark.parametrize("code", CODES)
    @pytest.mark.parametrize("name", PLANTS)
    def test_against_scipy(self, name, code):
        plant = PLANTS[name]
        result = run(plant, Type=code)
        expected = ref.tracksim(plant["Apc"], plant["Bpc"], plant["Delay"], plant["INT"], plant["PID"], code, 1.0, W, 0.5)
        assert [(x.shape, x.dtype) for x in result] == [((3000,), np.float64)] * 5 + [((75,), np.float64)]
        ysp_tolerance = DOUBLE_POLE_TRACK_YSP if plant["INT"] and code not in ("Nonint A", "Int A") else CLOSED_LOOP_RESPONSE
        assert ref.relative(result[0], expected[0]) < ysp_tolerance
        for got, want in zip(result[1:], expected[1:]):
            assert ref.relative(got, want) < CLOSED_LOOP_RESPONSE

    @pytest.mark.parametrize("code", CODES)
    def test_responses_chain_through_controller_and_plant(self, code):
        Ysp, Usp, Yld, Uld, _, _ = run(Type=code, SPLLAG=0.8)
        _, D, N1, _ = ref.controller(LAG["PID"], code, 0.8, False)
        B, A = ref.fold(ref.hold(LAG["Bpc"], LAG["Apc"], 1.0), 5)
        B1, A1 = ref.hold(N1, D, 1.0)
        scale = np.max(np.abs(Usp))
        np.testing.assert_allclose(Usp, signal.lfilter(B1, A1, Uld), rtol=0, atol=CLOSED_LOOP_RESPONSE * scale)
        if code not in ("Nonint A", "Int A"):   # the one-degree-of-freedom Ysp closes the loop held as one
            np.testing.assert_allclose(Ysp, signal.lfilter(B, A, Usp), rtol=0, atol=CLOSED_LOOP_RESPONSE)
        np.testing.assert_allclose(Yld, signal.lfilter(B, A, Uld), rtol=0, atol=CLOSED_LOOP_RESPONSE)
        np.testing.assert_allclose([Ysp[-1], Yld[-1], Uld[-1]], [1.0, 0.0, 0.0], rtol=0, atol=SETTLED_DRIFT)

    @pytest.mark.parametrize("codes", [("Nonint A", "Nonint B", "Nonint C"), ("Int A", "Int B", "Int C"),
                                       ("Nonint PonP DonE", "Int PonP DonE")])
    def test_codes_sharing_the_pv_numerator_share_the_load_responses(self, codes):
        results = [run(Type=c) for c in codes]
        for r in results[1:]:
            np.testing.assert_array_equal(r[2:4], results[0][2:4])

    @pytest.mark.parametrize("Delay, nr", [(2.5, 2), (2.6, 3), (3.5, 4), (0.0, 0)])
    def test_model_step_is_the_held_first_order_lag_with_rounded_dead_time(self, Delay, nr):
        *_, StepRes, FreqRes = run(Delay=Delay)
        a = np.exp(-0.1)
        k = np.arange(3000)
        expected = np.where(k >= nr, 2.0 * (1.0 - a ** (k - nr)), 0.0)
        np.testing.assert_allclose(StepRes, expected, rtol=0, atol=ZOH * 2)
        z = np.exp(1j * W)
        np.testing.assert_allclose(FreqRes, np.abs(2 * (1 - a) / (z - a)), rtol=ZOH)

    def test_plant_responses_ignore_the_integrator_and_the_loop_floors_the_dead_time(self):
        lag, integrating = run(INT=0), run(INT=1, PID=[0.06, 40.0, 2.0])
        for a, b in zip(lag[4:], integrating[4:]):
            np.testing.assert_array_equal(a, b)
        np.testing.assert_array_equal(run(Delay=2.6)[:4], run(Delay=2.0)[:4])


class TestLongDeadTimes:
    # 3000.6: the model's step starts at sample 3001, beyond the 3000 samples: StepRes is all zeros.
    @pytest.mark.parametrize("Delay", [2999, 3000, 3000.6, 3001, 5000])
    @pytest.mark.parametrize("code", ["Nonint A", "Int B"])   # one and two degrees of freedom
    def test_against_the_padded_loop(self, code, Delay, monkeypatch):
        monkeypatch.setattr(ref, "hold", ref.package_hold)
        result = run(Type=code, Delay=Delay)
        expected = ref.tracksim(LAG["Apc"], LAG["Bpc"], Delay, 0, LAG["PID"], code, 1.0, W, 0.5)
        for got, want in zip(result, expected):
            np.testing.assert_allclose(got, want, rtol=0, atol=LONG_DEAD_TIME_RESPONSE * np.max(np.abs(want)))

    @pytest.mark.parametrize("changes, fingerprint", [
        (dict(Type="Nonint A"), "dda0300c8d1ab5f0"),
        (dict(plant=INTEGRATING, Delay=2999.6), "b8396d0cc07e78b2"),
    ])
    def test_shorter_dead_times_give_the_results_they_gave(self, changes, fingerprint):
        assert digest(*run(w=PINNED_W, **changes)) == fingerprint


class TestStabilityAndFailures:
    def test_only_the_one_degree_of_freedom_loop_is_tested(self):
        Ysp = run(PID=[1.4439, 10.0, 0.0], Type="Nonint A")[0]
        assert 100 < np.max(np.abs(Ysp)) < 1000      # loopsim's threshold 100 refuses it, this one does not
        assert run(PID=[40.0, 10.0, 1.0], Type="Int A") == UNSTABLE
        with np.errstate(all="ignore"):
            Ysp = run(PID=[40.0, 10.0, 1.0], Type="Int B")[0]
        assert not np.all(np.isfinite(Ysp))          # overflowed: `max > 1000` would be False for NaN

    @pytest.mark.parametrize("PID", [[1, 2], [0, 10, 1], [1, -1, 0], [1, 10, -0.5]])
    def test_pid_checks(self, PID):
        assert run(PID=PID, Type="no code") == (None,) * 6

    @pytest.mark.parametrize("changes, error, message", [
        (dict(Type="PID"), ValueError, "PID type unknown"),
        (dict(Type="Int A "), ValueError, "PID type unknown"),
        (dict(Type=None), ValueError, "PID type unknown"),
        (dict(Delay=-1.0), ValueError, "negative dimensions are not allowed"),
        (dict(PID=[1.0, 0.0, 1.0]), ValueError, "the denominator must not be all zero"),
        (dict(PID=[1.0, 0.0, 0.0], Type="Fox Int"), ZeroDivisionError, None),
        (dict(PID=5), TypeError, None),
    ])
    def test_errors_reach_the_caller(self, changes, error, message):
        with pytest.raises(error) as info:
            run(**changes)
        assert message is None or str(info.value) == message

    @pytest.mark.parametrize("changes, expected", [
        (dict(SPLLAG=None), dict(SPLLAG=0.5)),                                # read for the Fox codes only
        (dict(SPLLAG="x", Type="Nonint C"), dict(Type="Nonint C")),
        (dict(SPLLAG=None, Type="Fox Nonint"), TypeError("SPLLAG must be of type float, not NoneType")),
        # the PID checks before any other argument is read
        (dict(PID=[1, 2], Apc=None, Delay=None, Ts=None, w=None), (None,) * 6),
        (dict(PID=[0, 10, 1], Apc=np.ones((3, 2)), Delay="x", Ts=None), (None,) * 6),
        (dict(PID=[1, -1, 0], Bpc=None, INT=None, Ts=None), (None,) * 6),
        (dict(PID=[1, 10, -0.5], Delay=None, Ts=None, w=None), (None,) * 6),
        (dict(PID=[0, "x", 0.0]), (None,) * 6),                               # Ti only after K's check
        (dict(PID=["a", 10.0, 1.0]), TypeError("K must be of type float, not str")),
    ])
    def test_arguments_read_in_order(self, changes, expected):
        assert_outcome(run, changes, expected)

    def test_arguments_and_generator_untouched(self):
        Apc, Bpc, w, pid = LAG["Apc"].copy(), LAG["Bpc"].copy(), W.copy(), [0.4, 10.0, 1.0]
        with untouched(Apc, Bpc, w, pid):
            assert len(tracksim(Apc, Bpc, 5.0, 1, pid, "Fox Int", 1.0, w, 0.5)) == 6


# The plant s^1198 (s + 10^6) (1,200 coefficients): its roots are found at once
# (the zeros are stripped), so the discretisations run in polled steps alone: the
# exponential's products and squarings (about 0.1 s at most), the Markov
# parameters and the polynomial loops. Each call takes about 20 s. loopsim
# reports its failures as a status: the stop must pass through it.
LONG_CALLS = {
    "tracksim": "tracksim(Apc, [1.0], 0.0, 0, [1.0, 10.0, 1.0], 'Int B', 1.0, w, 0.5)",
    "loopsim": "loopsim(Apc, [1.0], 0.0, np.ones(75), 0, [1.0, 10.0, 1.0], 'Int B', 1.0, w, 0.5, 0.0)",
}
LATENCY = 1.0   # seconds from Ctrl-C to the KeyboardInterrupt


@pytest.mark.parametrize("name", LONG_CALLS)
def test_ctrl_c_stops_a_long_call(name):
    code = (f"import time, numpy as np\nfrom vantrelpid.{name} import {name}\n"
            "Apc, w = np.r_[1.0, 1e6, np.zeros(1198)], np.linspace(1e-3, 3.0, 75)\n"
            f"print('started', flush=True)\ntry:\n    {LONG_CALLS[name]}\n"
            "except KeyboardInterrupt:\n    print(time.monotonic())\n")
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(1.0)
        sent = time.monotonic()        # the same clock in both processes
        child.send_signal(SIGINT)
        caught = child.communicate(timeout=120)[0]
    finally:
        child.kill()
    assert caught, "the call ended without a KeyboardInterrupt"
    assert 0 < float(caught) - sent < LATENCY
