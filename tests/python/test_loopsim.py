import numpy as np
import pytest
from scipy import signal

import closed_loop_reference as ref
from closed_loop_reference import BND, CODES, INTEGRATING, LAG, PLANTS, TWO_DOF_CODES, UNSTABLE, W
from conftest import PINNED_W, digest, untouched
from references import (CLOSED_LOOP_RESPONSE, CLOSED_LOOP_ROBUST, DOUBLE_POLE_ROBUST, DOUBLE_POLE_USP,
                        LONG_DEAD_TIME_RESPONSE, LONG_DEAD_TIME_ROBUST, PRODUCT_FORM_ROBUST, SAMPLED_LOOP, SETTLED)
from vantrelpid.loopsim import loopsim
from vantrelpid.tracksim import tracksim


def run(plant=LAG, PID=None, Type="Int B", Ts=1.0, SPLLAG=0.5, Tauf=0.0, **changes):
    args = dict(Apc=plant["Apc"], Bpc=plant["Bpc"], Delay=plant["Delay"], BND=BND, INT=plant["INT"],
                PID=plant["PID"] if PID is None else PID, Type=Type, Ts=Ts, w=W, SPLLAG=SPLLAG, Tauf=Tauf)
    return loopsim(**(args | changes))


def stepper(pair):
    """b/a run one sample at a time (direct form II transposed, on Python floats)."""
    b, a = map(np.ravel, pair)
    n = max(b.size, a.size)
    b, a = (list(np.pad(x, (0, n - x.size)) / a[0]) for x in (b, a))
    z = [0.0] * n

    def step(x):
        y = b[0] * x + z[0]
        for i in range(n - 1):
            z[i] = z[i + 1] + b[i + 1] * x - a[i + 1] * y
        return y
    return step


def sampled_loop(plant, code, Tauf, r, load):
    """u = C1 r - C2 y, y = P (u + load) with the dead time as a FIFO, each factor held by cont2discrete."""
    _, D, N1, N2 = ref.controller(plant["PID"], code, 0.5, False)
    Apc, Bpc = ref.loop_plant(plant["Apc"], plant["Bpc"], plant["INT"])
    hold = lambda num, den: signal.cont2discrete((np.trim_zeros(num, "f"), np.trim_zeros(den, "f")), 1.0)[:2]
    P, C1, C2 = stepper(hold(Bpc, Apc)), stepper(hold(N1, D)), stepper(hold(N2, np.convolve(D, [Tauf, 1])))
    fifo, y = [0.0] * int(plant["Delay"]), np.zeros(ref.N)
    for k in range(ref.N):
        y[k] = P(fifo.pop(0))   # the held plant has no feedthrough: y[k] reads the past only
        fifo.append(C1(r) - C2(y[k]) + load)
    return y


class TestFormulas:
    @pytest.mark.parametrize("Tauf", [0.0, 1.5])
    @pytest.mark.parametrize("code", CODES)
    @pytest.mark.parametrize("name", PLANTS)
    def test_against_scipy(self, name, code, Tauf):
        plant = PLANTS[name]
        *responses, message = run(plant, Type=code, Tauf=Tauf)
        expected = ref.loopsim(plant["Apc"], plant["Bpc"], plant["Delay"], BND, plant["INT"], plant["PID"], code,
                               1.0, W, 0.5, Tauf)
        assert message == "OK"
        assert [(x.shape, x.dtype) for x in responses] == [((3000,), np.float64)] * 4 + [((75,), np.float64)]
        integrating = plant["INT"] == 1
        for k, (got, want) in enumerate(zip(responses[:4], expected)):
            assert ref.relative(got, want) < (DOUBLE_POLE_USP if integrating and k == 1 else CLOSED_LOOP_RESPONSE)
        robust_error = np.abs(responses[4] - expected[4]) / np.abs(expected[4])
        assert np.max(robust_error) < (DOUBLE_POLE_ROBUST if integrating else CLOSED_LOOP_ROBUST)

    @pytest.mark.parametrize("Tauf", [0.0, 1.5])
    @pytest.mark.parametrize("code", TWO_DOF_CODES)
    def test_set_point_and_load_responses_of_the_sampled_loop(self, code, Tauf):
        Ysp, _, Yld, *_ = run(LAG, Type=code, Tauf=Tauf)
        np.testing.assert_allclose(Ysp, sampled_loop(LAG, code, Tauf, 1.0, 0.0), rtol=0, atol=SAMPLED_LOOP)
        np.testing.assert_allclose(Yld, sampled_loop(LAG, code, Tauf, 0.0, 1.0), rtol=0, atol=SAMPLED_LOOP)


class TestClosedForms:
    FIRST_OUTPUT = {"Nonint A": 11, "Nonint PonP DonE": 11, "Int A": 10, "Int PonP DonE": 10, "Nonint B": 1,
                    "Int B": 1, "Nonint C": 0, "Int C": 0, "Fox Nonint": 0.7, "Fox Int": 0.7}

    @pytest.mark.parametrize("code", CODES)
    @pytest.mark.parametrize("name", PLANTS)
    def test_first_output_final_values_and_load_integral(self, name, code):
        plant = PLANTS[name]
        K, Ti, _ = plant["PID"]
        Ysp, Usp, Yld, Uld, _, _ = run(plant, Type=code, SPLLAG=0.7)
        assert Usp[0] == pytest.approx(self.FIRST_OUTPUT[code] * K, rel=1e-12, abs=1e-15)
        final = np.array([Ysp[-1], Yld[-1], Uld[-1]])
        np.testing.assert_allclose(final, [1.0, 0.0, 0.0], rtol=0, atol=SETTLED)
        if plant["INT"]:   # the double pole at 1 leaves Usp's rounding drift
            assert abs(Usp[-1]) < DOUBLE_POLE_USP * np.max(np.abs(Usp))
        else:
            assert Usp[-1] == pytest.approx(0.5, abs=SETTLED)
        assert np.sum(Yld) * 1.0 == pytest.approx(Ti / K, rel=SETTLED)

    @pytest.mark.parametrize("code", ["Nonint A", "Int A"])
    def test_one_degree_of_freedom_set_point_and_load_input_add_to_one(self, code):
        Ysp, _, _, Uld, _, _ = run(Type=code)
        np.testing.assert_allclose(Ysp + Uld, 1.0, rtol=0, atol=1e-13)

    @pytest.mark.parametrize("codes", [("Nonint B", "Nonint C"), ("Int B", "Int C"),
                                       ("Nonint PonP DonE", "Int PonP DonE")])
    def test_codes_sharing_the_pv_numerator_share_the_load_responses(self, codes):
        (_, _, Yld1, Uld1, R1, _), (_, _, Yld2, Uld2, R2, _) = (run(Type=c, Tauf=1.5) for c in codes)
        np.testing.assert_array_equal(Yld1, Yld2)
        np.testing.assert_array_equal(Uld1, Uld2)
        np.testing.assert_array_equal(R1, R2)


class TestThresholdsAndDeadTime:
    def test_dead_time_is_floored_to_whole_samples(self):
        np.testing.assert_equal(run(Delay=2.7, Type="Int A"), run(Delay=2.0, Type="Int A"))

    @pytest.mark.parametrize("code, K, peak, message", [
        ("Nonint A", 1.4439, 299, UNSTABLE),   # one degree of freedom: Ysp above 100
        ("Nonint B", 1.4437, 272, "OK"),       # two: only above 1000
    ])
    def test_set_point_thresholds(self, code, K, peak, message):
        # A slowly growing oscillation of the PI loop, its peak read from tracksim's Ysp (the same response).
        Ysp = tracksim(LAG["Apc"], LAG["Bpc"], 5.0, 0, [K, 10.0, 0.0], code, 1.0, W, 0.5)[0]
        assert np.max(np.abs(Ysp)) == pytest.approx(peak, abs=1)
        assert run(PID=[K, 10.0, 0.0], Type=code)[-1] == message


class TestLongDeadTimes:
    # From 3000 samples on the loop never closes within the responses; Robust keeps the dead time's phase.
    @pytest.mark.parametrize("Delay", [2999, 3000, 3001, 5000])
    @pytest.mark.parametrize("code", ["Int A", "Fox Int"])   # one and two degrees of freedom
    def test_against_the_padded_loop(self, code, Delay, monkeypatch):
        monkeypatch.setattr(ref, "hold", ref.package_hold)
        *responses, message = run(Type=code, Delay=Delay, Tauf=1.5)
        expected = ref.loopsim(LAG["Apc"], LAG["Bpc"], Delay, BND, 0, LAG["PID"], code, 1.0, W, 0.5, 1.5)
        assert message == "OK"
        for got, want in zip(responses[:4], expected):
            np.testing.assert_allclose(got, want, rtol=0, atol=LONG_DEAD_TIME_RESPONSE * np.max(np.abs(want)))
        robust = LONG_DEAD_TIME_ROBUST if Delay >= 3000 else PRODUCT_FORM_ROBUST
        np.testing.assert_allclose(responses[4], expected[4], rtol=robust)

    @pytest.mark.parametrize("changes, fingerprint", [
        (dict(Type="Int A", Tauf=1.5), "6bbc8cee0aa5c381"),
        (dict(plant=INTEGRATING, Type="Fox Int", Delay=2999.5, Tauf=1.5), "7dd787a807b58a48"),
    ])
    def test_shorter_dead_times_give_the_results_they_gave(self, changes, fingerprint):
        assert digest(*run(w=PINNED_W, **changes)[:5]) == fingerprint


FIRST = dict(Type="no code", Ts=-1.0)   # the PID checks come before the code and the sample time are read
THREE = "PID parameters should be a list of three elements"


class TestFailures:
    @pytest.mark.parametrize("changes, message", [
        (dict(FIRST, PID=[1, 2]), THREE), (dict(FIRST, PID=[1, 2, 3, 4]), THREE),
        (dict(FIRST, PID=[0, 10, 1]), "K is 0"), (dict(FIRST, PID=[0, -1, -1]), "K is 0"),
        (dict(FIRST, PID=[1, -1, 0]), "Ti is negative"), (dict(FIRST, PID=[1, 10, -0.5]), "Td is negative"),
        *((dict(Type=t), "Simulation failed: PID type unknown")
          for t in ["nonint a", "", "Nonint  A", "Int A ", "PID", None, 3]),
        (dict(PID=[1.0, 0.0, 1.0]), "Simulation failed: the denominator must not be all zero"),
        (dict(PID=[1.0, 0.0, 0.0], Type="Fox Int"), "Simulation failed: float division by zero"),
        (dict(Delay=-2.0), "Simulation failed: negative dimensions are not allowed"),
        (dict(Delay=2e9), "Simulation failed: a dead time of 2e+09 samples is too long to simulate"),
        (dict(Apc=["a", "b"]), None),
        # Responses overflow to inf and NaN, which a plain `max > limit` lets pass (see tracksim's test).
        *((dict(PID=[40.0, 10.0, 1.0], Type=code), UNSTABLE) for code in ["Int A", "Int B", "Fox Int"]),
    ])
    def test_statuses_with_empty_results(self, changes, message):
        result = run(**changes)
        assert result[:5] == (None,) * 5
        assert result[5] == message if message else result[5].startswith("Simulation failed: ")

    @pytest.mark.parametrize("changes, expected", [
        (dict(SPLLAG=None), dict(SPLLAG=0.5)),                                # read for the Fox codes only
        (dict(SPLLAG="x", Type="Nonint C"), dict(Type="Nonint C")),
        (dict(SPLLAG=None, Type="Fox Int"), "Simulation failed: SPLLAG must be of type float, not NoneType"),
        (dict(PID=["a", 10.0, 1.0]), "Simulation failed: K must be of type float, not str"),   # K inside the guard
        (dict(PID=[None, -1.0, 0.0]), "Ti is negative"),                      # K is read after the checks
        (dict(PID=[0, "x", 0.0]), "K is 0"),                                  # Ti only after K's check
    ])
    def test_arguments_read_in_order(self, changes, expected):
        result = run(**changes)
        if isinstance(expected, dict):
            assert result[-1] == "OK"
            np.testing.assert_equal(result, run(**expected))
        else:
            assert result == (None,) * 5 + (expected,)

    def test_pid_checks_raise_as_python_compares(self):
        with pytest.raises(TypeError):
            run(PID=5)
        with pytest.raises(ValueError, match="^The truth value of an array with more than one element is ambiguous"):
            run(PID=[np.array([1.0, 2.0]), 10.0, 1.0])

    def test_results_before_a_failure_are_kept(self):
        *responses, robust, message = run(BND=BND[:3])
        assert [x.shape for x in responses] == [(3000,)] * 4 and robust is None
        assert message == "Simulation failed: operands could not be broadcast together with shapes (3,) (75,) "

    def test_bound_as_a_column_or_one_value(self):
        # A column of bounds (as identification returns them) is the same bound, not a 75 x 75 outer product.
        flat = run()[4]
        np.testing.assert_array_equal(run(BND=BND[:, None])[4], flat)
        np.testing.assert_allclose(run(BND=BND[:1])[4], flat / BND * BND[0], rtol=1e-15)

    def test_arguments_and_generator_untouched(self):
        Apc, Bpc, w, bnd, pid = LAG["Apc"].copy(), LAG["Bpc"].copy(), W.copy(), BND.copy(), [0.4, 10.0, 1.0]
        with untouched(Apc, Bpc, w, bnd, pid):
            assert loopsim(Apc, Bpc, 5.0, bnd, 0, pid, "Nonint A", 1.0, w, 0.5, 1.0)[-1] == "OK"
