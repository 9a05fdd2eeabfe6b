# freerun: the open-loop responses against scipy's hold, filter and
# frequency response, the dictionary's layout, the checks and the printed line.

import io
import re
from contextlib import redirect_stdout

import numpy as np
import pytest
from scipy.signal import cont2discrete, dfreqresp, lfilter

import references as ref
from conftest import digest, untouched
from vantrelpid.freerun import freerun

KEYS = ["grade", "msg", "integral", "sampletime", "op", "pv", "delay", "apc", "bpc", "stp", "frq", "w", "bnd",
        "sim", "error"]


def reference(Apc, Bpc, Delayc, sampletime):
    """The steps with scipy: leading zeros of Bpc removed, the hold, floor(Delayc / sampletime) delay samples."""
    num = np.trim_zeros(np.asarray(Bpc, dtype=float), "f")
    Bd, Ad, dt = cont2discrete((num, Apc), sampletime, method="zoh")
    Bd = np.concatenate([np.zeros(int(np.floor(Delayc / sampletime))), Bd[0]])
    w = np.pi * np.logspace(-4, 0, 75)
    printed = io.StringIO()
    print("Bd = ", Bd, ", Ad = ", Ad, ", dt = ", dt, file=printed)
    return lfilter(Bd, Ad, np.ones(3000)), np.abs(dfreqresp((Bd, Ad, dt), w)[1]), w, printed.getvalue()


def run(*args):
    out = io.StringIO()
    with redirect_stdout(out):
        d = freerun(*args)
    return d, out.getvalue()


class TestResponses:
    # scipy's dfreqresp warns about the delay's leading zeros of the reference numerator
    @pytest.mark.filterwarnings("ignore:Badly conditioned filter coefficients")
    @pytest.mark.parametrize("Apc, Bpc, Delayc, integral, sampletime", [
        ([10, 1], [0, 2], 25, 0, 10),                 # 2 delay samples, rising to 2
        ([1, 3, 2], [0, 0, 2], 0.5, 0, 1),            # 2 / (s^2 + 3 s + 2), Delayc below the sample time
        ([1, 3, 2], [0, 1, 0], 0, 0, 1),              # s / (s^2 + 3 s + 2): only leading zeros are removed
        ([25.0, 1.0], np.array([0.0, -0.7]), 12.0, 1, 2.5),   # used as 2.5, stored as 2; no integrator added
        # Dead times around the 3000 samples of the step response, the numerator printed by its edges.
        *(([1, 3, 2], [0, 0, 2], d + 0.5, 0, 1) for d in (2999, 3000, 3001, 5000)),
    ])
    def test_against_scipy(self, Apc, Bpc, Delayc, integral, sampletime):
        with untouched(Apc, Bpc):
            d, printed = run(Apc, Bpc, Delayc, integral, sampletime)
        stp, frq, w, line = reference(Apc, Bpc, Delayc, sampletime)
        assert list(d) == KEYS and d["msg"] == "OK" and d["grade"] == "B"
        for key, expected in (("stp", stp), ("frq", frq), ("w", w)):
            assert type(d[key]) is list and all(type(v) is float for v in d[key])
            np.testing.assert_allclose(d[key], expected, rtol=0, atol=ref.OPEN_LOOP * np.max(np.abs(expected)))
        assert printed == line
        assert d["apc"] is Apc and d["bpc"] is Bpc
        assert (d["op"], d["pv"], d["bnd"], d["sim"], d["error"]) == ([], [], [], [], 0.0)
        assert type(d["error"]) is float and type(d["sampletime"]) is int
        assert (d["delay"], d["integral"], d["sampletime"]) == (int(Delayc), integral, int(sampletime))

    @pytest.mark.filterwarnings("ignore:Badly conditioned filter coefficients")
    @pytest.mark.parametrize("options", [dict(edgeitems=2, linewidth=40, precision=4, sign="+"), dict(legacy="1.13"),
                                         dict(threshold=10**4), dict(edgeitems=0)])
    def test_long_numerator_printed_as_numpy_prints_it(self, options):
        with np.printoptions(**options):
            assert run([1, 3, 2], [0, 0, 2], 5000, 0, 1)[1] == reference([1, 3, 2], [0, 0, 2], 5000, 1)[3]

    @pytest.mark.parametrize("args, fingerprint", [(([10, 1], [0, 2], 25, 0, 10), "b8faef6ba05ba45e"),
                                                   (([1, 3, 2], [0, 0, 2], 2999.5, 0, 1), "cd7e3c1f691e7082")])
    def test_shorter_dead_times_give_the_results_they_gave(self, args, fingerprint):
        d = run(*args)[0]
        assert digest(d["stp"], d["frq"], d["w"]) == fingerprint

    def test_zero_numerator_gives_a_zero_response(self):
        d, _ = run([1, 3, 2], [0, 0, 0], 0, 0, 1)
        assert d["msg"] == "OK" and not any(d["stp"]) and not any(d["frq"])


class TestChecks:
    @pytest.mark.parametrize("Apc, Bpc, integral, message", [
        ([10, 1], [1, 2, 3], 0, "length of Apc and Bpc must be equal"),
        ([1, 2, 3], [1, 2], 1, "length of Apc and Bpc must be equal"),      # before every other check
        ([1, 2, 3, 4], [0, 0, 0, 1], 0, "Apc and Bpc must be 2nd order or less"),
        ([1, 3, 2], [1, 0, 2], 1, "integral not supported for 2nd order system"),
        ([10, 1], [1, 2], 0, "Bpc[0] must be 0.0"),
    ])
    def test_failed_check_returns_the_initial_values(self, Apc, Bpc, integral, message):
        with untouched(Apc, Bpc):
            d, printed = run(Apc, Bpc, 7.9, integral, 2.9)
        assert printed == ""
        assert d == dict(grade="B", msg=message, integral=integral, sampletime=2, op=[], pv=[], delay=7,
                         apc=Apc, bpc=Bpc, stp=[], frq=[], w=[], bnd=[], sim=[], error=0.0)
        assert list(d) == KEYS

    @pytest.mark.parametrize("args, error", [
        (([10, 1], [0, 2], 5, "one", 1), ValueError),          # int() of integral, before any check
        (([10, 1], [0, 2], None, 0, 1), TypeError),            # int() of Delayc
        (([], [], 5, 0, 1), IndexError),                       # Bpc[0] of an empty model
        (([10, 1], [0, 2], 5, 0, 0), ValueError),              # no hold at a zero sample time
    ])
    def test_errors_reach_the_caller(self, args, error):
        with pytest.raises(error):
            run(*args)

    @pytest.mark.parametrize("Delayc, message", [(-25, "negative dimensions are not allowed"),
                                                 (2e10, "a dead time of 2e+09 samples is too long to simulate")])
    def test_dead_time_refusals(self, Delayc, message):
        with pytest.raises(ValueError, match="^" + re.escape(message) + "$"):
            run([10, 1], [0, 2], Delayc, 0, 10)
