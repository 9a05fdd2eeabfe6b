# frontdesk: the identification request against loopfit, its call record and
# refusals; the tuning request against the tuning chain, the vendor forms and
# loopsim; the three helpers with the interpreter's semantics.

import functools
import pickle
import re
import subprocess
import sys

import numpy as np
import pytest

import scipy.io

import closed_loop_reference as cl
import references as ref
import vantrelpid
import vantrelpid.loopfit
from conftest import PINNED_W, digest, untouched
from plants import Loop
from vantrelpid import frontdesk
from vantrelpid.callstash import load_pickle_function
from vantrelpid.formswap import formswap
from vantrelpid.frontdesk import calc_tcl, identify, is_controller_interactive, pidTuning, resample_data
from vantrelpid.knobsmulti import knobsmulti
from vantrelpid.loopsim import loopsim
from vantrelpid.vendorforms import VendorForms

IDENTIFY_KEYS = ["grade", "msg", "integral", "sampletime", "op", "pv", "delay", "apc", "bpc", "stp", "frq", "w",
                 "bnd", "sim", "error"]
MODEL_KEYS = ["apc", "bpc", "stp", "frq", "w", "bnd", "sim"]
NO_SLICES = [[-1, -1]] * 10
# 2 e^(-8 s) / (40 s + 1) sampled every second; the dead time is given.
FOPDT = dict(num=[2.0], den=[40.0, 1.0], N=3000, dead=8)

pytestmark = pytest.mark.usefixtures("in_tmp_cwd")   # both requests record to ./export/debug


class TestCalcTcl:
    @pytest.mark.parametrize("delay, integral, speed, expected", [
        (5.0, 0, 0, 17.0), (5.0, 0, 1, 11.0), (5.0, 0, -1, 35.0), (5.0, 0, 7, 35.0), (5.0, 1, 0, 170.0),
        (5, 0, 0.0, 17.0), (5, 0, False, 17.0), (5, 0, True, 11.0),   # equality tests: 0.0 == False == 0, True == 1
        (5, 0, "0", 35.0), (5, 0, None, 35.0),                        # a text is no number: the slow factor
        (5, 2.5, 1, 110.0), (5, 0.0, 1, 11.0),                        # integral tested for truth
    ])
    def test_speed_factors_and_integral(self, delay, integral, speed, expected):
        tcl = calc_tcl([10, 1], delay, integral, speed)
        assert type(tcl) is float and tcl == pytest.approx(expected, rel=ref.REDUCTION_ORDER)   # 1.2, 0.6 inexact

    def test_apc_is_read_first_and_errors_pass_through(self):
        with pytest.raises(IndexError):
            calc_tcl([], 5.0, 0, object())
        assert calc_tcl(np.array([10.0, 1.0]), np.float64(5.0), np.int64(0), np.int64(1)) == 11.0
        with pytest.raises(TypeError):
            calc_tcl([10.0], "5", 0, 0)


class TestResampleData:
    @pytest.mark.parametrize("data, sample, expected", [
        ([1, 2, 3, 4, 5], 2, [1, 3, 5]),
        ([1, 2, 3, 4, 5, 6], 4, [1, 5]),
        ([], 2, []),
        ([7, 8, 9], 0, [7, 7, 7]),           # one look-up per element of data
        ([1, 2, 3, 4, 5], -1, [1, 5, 4, 3, 2]),   # negative positions read from the end
        ("abcde", 2, ["a", "c", "e"]),
    ])
    def test_positions(self, data, sample, expected):
        assert resample_data(data, sample) == expected

    def test_numpy_data_and_errors(self):
        data = np.arange(7.0)
        with untouched(data):
            out = resample_data(data, 3)
        assert type(out) is list and out == [0.0, 3.0, 6.0] and type(out[0]) is np.float64
        with pytest.raises(TypeError):
            resample_data([1, 2, 3], 1.5)        # list indices must be integers
        with pytest.raises(IndexError):
            resample_data([1, 2, 3, 4, 5], -2)   # data[-6]


class TestIsControllerInteractive:
    @pytest.mark.parametrize("name, expected", [
        ("Nonint A", False), ("Nonint B", False), ("Nonint C", False), ("Nonint PonP DonE", False),
        ("Fox Nonint", False), ("NONINT", False), ("xnonintx", False),
        ("Int A", True), ("Int B", True), ("Int C", True), ("Int PonP DonE", True), ("Fox Int", True), ("", True),
    ])
    def test_codes(self, name, expected):
        assert is_controller_interactive(name) is expected

    def test_an_object_without_lower(self):
        with pytest.raises(AttributeError):
            is_controller_interactive(3)


@functools.lru_cache(maxsize=None)
def fopdt_loop():
    return Loop(**FOPDT)


class TestIdentify:
    def test_constant_op_gives_the_failure_dictionary(self, in_tmp_cwd):
        r = identify(np.ones(400), np.arange(400), NO_SLICES, True, -1, 3.7, False)
        assert list(r) == IDENTIFY_KEYS
        assert r == dict(grade="None", msg="OP (MV) almost constant!", integral=1, sampletime=3, op=[1.0] * 400,
                         pv=[float(k) for k in range(400)], delay=-1, apc=[], bpc=[], stp=[], frq=[], w=[], bnd=[],
                         sim=[], error=0.0)
        assert type(r["pv"][0]) is float and type(r["error"]) is float and type(r["integral"]) is int

    def test_the_call_record_is_loopfits(self, in_tmp_cwd):
        op, pv = [1.0] * 300, list(range(300))
        identify(op, pv, NO_SLICES, 1.0, 4.5, 2.9, False)
        record = pickle.loads((in_tmp_cwd / "export" / "debug" / "p_loopfit.pkl").read_bytes())
        assert record["module"] == "vantrelpid.loopfit" and record["file_name"] == vantrelpid.loopfit.__file__
        p = record["parameters"]
        assert list(p) == ["U", "Y", "Delayc_in", "CV_INT", "CVslice", "Tident"]
        assert p["U"].dtype == np.float64 and p["U"].shape == (300, 1) and p["Y"].shape == (300, 1)
        np.testing.assert_array_equal(p["Y"][:, 0], pv)
        assert p["Tident"] == 2.0 and type(p["Tident"]) is float     # int(2.9), then float
        assert p["CV_INT"] == [1] and type(p["CV_INT"][0]) is int
        assert p["Delayc_in"] == 4.5 and p["CVslice"] == [NO_SLICES]

    @pytest.mark.parametrize("sampletime", [0.5, 0, -3])
    def test_a_sample_time_below_one_is_refused_before_recording(self, in_tmp_cwd, sampletime):
        with pytest.raises(ValueError, match=r"^Sample time too small \(< 1\)$"):
            identify(np.ones(300), np.arange(300.0), NO_SLICES, 0, -1, sampletime, False)
        assert not (in_tmp_cwd / "export").exists()

    @pytest.mark.parametrize("integral, sampletime, error", [
        (None, 0, TypeError),       # integral is converted first
        (0, "abc", ValueError),     # int()'s own errors
        (0, [1], TypeError),
    ])
    def test_int_errors_pass_through(self, in_tmp_cwd, integral, sampletime, error):
        with pytest.raises(error):
            identify(np.ones(300), np.arange(300.0), NO_SLICES, integral, -1, sampletime, False)
        assert not (in_tmp_cwd / "export").exists()

    @pytest.mark.parametrize("oneStOrder", [False, True])
    def test_a_simulated_first_order_loop(self, in_tmp_cwd, oneStOrder):
        rec = fopdt_loop()
        with untouched(rec.u, rec.y, draws=True):
            r = identify(rec.u, rec.y[:, 0].tolist(), NO_SLICES, 0, 8, 1, oneStOrder)
        assert list(r) == IDENTIFY_KEYS and r["msg"] == "OK" and r["grade"] in ("A", "B")
        assert (r["delay"], r["integral"], r["sampletime"]) == (8, 0, 1)
        assert {k: len(r[k]) for k in MODEL_KEYS + ["op", "pv"]} == dict(apc=2, bpc=2, stp=3000, frq=75, w=75, bnd=75,
                                                                         sim=3000, op=3000, pv=3000)
        assert all(type(x) is float for k in MODEL_KEYS for x in r[k]) and type(r["error"]) is float
        assert abs(r["bpc"][-1] / 2.0 - 1) < ref.PLANT_GAIN and abs(r["apc"][0] / 40.0 - 1) < ref.PLANT_LAG
        # The dictionary is loopfit's tuple, element by element, full or first-order part.
        t = vantrelpid.loopfit.loopfit(rec.u.astype(float), rec.y.astype(float), 8, [0], [NO_SLICES], 1.0)
        part = (12, 13, 14, 15, 16, 17, 18) if oneStOrder else (0, 1, 3, 4, 5, 10, 11)
        for key, k in zip(["apc", "bpc", "stp", "frq", "bnd", "sim", "error"], part):
            np.testing.assert_array_equal(r[key], np.ravel(t[k]) if key != "error" else t[k], err_msg=key)
        np.testing.assert_array_equal(r["w"], t[7])   # loopfit's grid in both cases
        np.testing.assert_array_equal(r["pv"], rec.y[:, 0])

    @pytest.mark.parametrize("message", ["Delay estimation failed", "ok", "Data slices too short!"])
    def test_only_the_exact_status_ok_fills_the_model(self, monkeypatch, message):
        model = vantrelpid.loopfit.loopfit(*self.short_args())
        monkeypatch.setattr(frontdesk, "loopfit", lambda *a, **k: model[:19] + (message,))
        r = identify(np.arange(600.0) % 7, np.arange(600.0) % 5, NO_SLICES, 0, 3, 1, False)
        assert r["msg"] == message and r["grade"] == model[6] and r["delay"] == -1 and r["error"] == 0.0
        assert all(r[k] == [] for k in MODEL_KEYS)

    @pytest.mark.parametrize("count, message", [
        (19, r"^not enough values to unpack \(expected 20, got 19\)$"), (21, r"^too many values to unpack")])
    def test_loopfit_must_give_twenty_results(self, monkeypatch, count, message):
        monkeypatch.setattr(frontdesk, "loopfit", lambda *a, **k: (None,) * (count - 1) + ("OK",))
        with pytest.raises(ValueError, match=message):
            identify(np.ones(10), np.ones(10), NO_SLICES, 0, 3, 1, False)

    @staticmethod
    def short_args():
        rec = Loop(**FOPDT | dict(N=600))
        return rec.u, rec.y, 3, [0], [NO_SLICES], 1.0


# --- The tuning request -------------------------------------------------------

TUNING_KEYS = ["msg", "usp", "uld", "robust", "newloadres", "newres", "p", "i", "d", "pname", "iname", "dname",
               "latex", "pv", "iv", "dv", "pidstr"]
UNSTABLE = "Closed-loop system unstable! Increase Tcl"
TCL = "Tcl must be a positive, finite time constant"
RANGES = "OP and SP ranges must be positive, finite numbers"
DELAY = "Delay must be a finite dead time of at least 0"
SAMPLE_TIME = "Sample time must be a positive, finite number"
W = 3.14 * np.logspace(-4, 0, 75)      # identify's grid
BND = np.linspace(0.05, 0.5, 75)
# 2 e^(-8 s)/(40 s + 1) and 0.05 e^(-8 s)/(s (40 s + 1)), Tcl 20, sampled every second.
LAG = dict(apc=[40.0, 1.0], bpc=[0.0, 2.0], delay=8, integral=0)
INTEGRATING = dict(apc=[40.0, 1.0], bpc=[0.0, 0.05], delay=8, integral=1)
SECOND_ORDER = dict(apc=[200.0, 30.0, 1.0], bpc=[0.0, 0.0, 2.0], delay=4, integral=0)
CODES = {name: VendorForms().get_controller_type(name) for name in VendorForms().adapters}


def request(model=LAG, **changes):
    args = dict(model, bnd=BND.tolist(), w=W.tolist(), sampletime=1, tcl=20, oprange=100, sprange=50,
                dcstype="Interacting A", piOnly=False) | changes
    return args, pidTuning(**args)


def chain(args):
    """The tuning chain's set-point row, its interacting form and the controller the vendor form shows."""
    apc, bpc = (list(args[k]) + [0.0] * (3 - len(args[k])) for k in ("apc", "bpc"))
    row = knobsmulti([apc], [bpc], [[args["delay"]]], [args["integral"]], [args["tcl"]])[0][0]
    series = formswap(row, "nonint")
    code = CODES[args["dcstype"]]
    shown = [row[0], row[1], 0.0] if args["piOnly"] else (row if "Nonint" in code else series)
    return row, series, shown, code


class TestPidTuning:
    @pytest.mark.parametrize("name", sorted(CODES))
    @pytest.mark.parametrize("piOnly", [False, True])
    def test_every_vendor_form_against_the_chain(self, name, piOnly):
        args, r = request(dcstype=name, piOnly=piOnly)
        row, series, shown, code = chain(args)
        vendor = VendorForms().calculate(name, *map(np.float64, series), *map(np.float64, row), 100, 50, piOnly, "sec")
        keys = TUNING_KEYS[:-2] + (["pidequ"] if "pidequ" in vendor else []) + TUNING_KEYS[-2:]
        assert list(r) == keys and r["msg"] == "OK"
        assert {k: r[k] for k in vendor} == vendor
        assert (r["p"], r["i"], r["d"]) == (r["pv"], r["iv"], r["dv"])
        # The loop simulated with the controller the vendor form shows, cut to N = 15 Tcl.
        Ysp, Usp, Yld, Uld, Robust, msg = loopsim(args["apc"], args["bpc"], 8, BND, 0, shown, code, 1, W, 0.5, 0)
        assert msg == "OK"
        for key, x in dict(newres=Ysp, usp=Usp, newloadres=Yld, uld=Uld).items():
            assert len(r[key]) == 300 and all(type(v) is float for v in r[key])
            np.testing.assert_array_equal(r[key], x[:300], err_msg=key)   # the same simulation
        np.testing.assert_array_equal(r["robust"], Robust)

    @pytest.mark.parametrize("name", ["Interacting B", "Non-interacting C", "Foxboro int", "Foxboro non-int"])
    @pytest.mark.parametrize("piOnly", [False, True])
    def test_against_closed_forms_and_scipy(self, name, piOnly):
        # 2 e^(-8 s)/(40 s + 1), Tcl 20: the set-point rule K = (T + d/2)/(2 (Tcl + d/2)), Ti = T + d/2,
        # Td = T d/(2T + d), its interacting form and the loop rebuilt on cont2discrete, lfilter and freqz.
        T, d, lc = 40.0, 8.0, 20.0
        row = [(T + d / 2) / (2 * (lc + d / 2)), T + d / 2, T * d / (2 * T + d)]
        R = np.sqrt(1 - 4 * row[2] / row[1])
        series = [row[0] / 2 * (1 + R), row[1] / 2 * (1 + R), row[1] / 2 * (1 - R)]
        code = CODES[name]
        shown = [row[0], row[1], 0.0] if piOnly else (row if "Nonint" in code else series)
        expected = cl.loopsim(np.array([40.0, 1.0]), np.array([0.0, 2.0]), 8, BND, 0, shown, code, 1, W, 0.5, 0)
        _, r = request(dcstype=name, piOnly=piOnly)
        for key, x in zip(["newres", "usp", "newloadres", "uld"], expected):
            assert np.max(np.abs(np.subtract(r[key], x[:300]))) < ref.CLOSED_LOOP_RESPONSE * np.max(np.abs(x)), key
        np.testing.assert_allclose(r["robust"], expected[4], rtol=ref.CLOSED_LOOP_ROBUST)

    @pytest.mark.parametrize("delay", [2999, 3000, 3001, 5000])
    @pytest.mark.parametrize("name", ["Interacting A", "Foxboro int"])   # one and two degrees of freedom
    def test_long_dead_times_against_the_padded_loop(self, name, delay, monkeypatch):
        monkeypatch.setattr(cl, "hold", cl.package_hold)
        args, r = request(delay=delay, tcl=70, dcstype=name)
        _, _, shown, code = chain(args)
        expected = cl.loopsim(np.array([40.0, 1.0]), np.array([0.0, 2.0]), delay, BND, 0, shown, code, 1, W, 0.5, 0)
        for key, x in zip(["newres", "usp", "newloadres", "uld"], expected):
            tolerance = ref.DOUBLE_POLE_USP if key == "usp" else ref.LONG_DEAD_TIME_RESPONSE
            np.testing.assert_allclose(r[key], x[:1000], rtol=0, atol=tolerance * np.max(np.abs(x)))
        robust = ref.LONG_DEAD_TIME_ROBUST if delay >= 3000 else ref.PRODUCT_FORM_ROBUST
        np.testing.assert_allclose(r["robust"], expected[4], rtol=robust)

    @pytest.mark.parametrize("changes, fingerprint", [
        (dict(), "dbbd21836b983cde"),
        (dict(delay=2999, tcl=70, dcstype="Foxboro int"), "dd670aa752539355"),
    ])
    def test_shorter_dead_times_give_the_results_they_gave(self, changes, fingerprint):
        r = request(w=PINNED_W.tolist(), **changes)[1]
        assert digest(*(r[k] for k in ("usp", "uld", "robust", "newloadres", "newres"))) == fingerprint

    def test_peak_memory_of_a_long_dead_time(self):
        # 1e8 samples of dead time: the peak resident memory of a fresh interpreter over the call, in kB.
        code = ("import resource, numpy, scipy, vantrelpid\n"
                "from vantrelpid.frontdesk import pidTuning\n"
                "before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss\n"
                "r = pidTuning([40.0, 1.0], [0.0, 2.0], [], [], 1e8, 0, 1, 20, 100, 50, 'Interacting A', False)\n"
                "assert r['msg'] == 'OK'\n"
                "print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)\n")
        grown = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True).stdout
        assert int(grown) < 100 * 1024

    @pytest.mark.parametrize("name, texts", [
        ("Interacting A", ("0.833", "40.000 sec", "4.000 sec")),
        ("Non-interacting B", ("0.917", "44.000 sec", "3.636 sec")),
    ])
    def test_literal_texts(self, name, texts):
        assert tuple(request(dcstype=name)[1][k] for k in "pid") == texts

    @pytest.mark.parametrize("model", [LAG, INTEGRATING, SECOND_ORDER])
    @pytest.mark.parametrize("w, bnd", [([], BND.tolist()), (W.tolist(), []), (None, None), ([], np.array([]))])
    def test_the_default_grid(self, model, w, bnd):
        _, given = request(model)
        _, r = request(model, w=w, bnd=bnd)
        assert r["robust"] == [0.0] * 75
        assert all(r[k] == given[k] for k in ("usp", "uld", "newres", "newloadres", "p", "i", "d"))

    @pytest.mark.parametrize("tcl, N", [(10, 150), (66.5, 997), (66.7, 1000), (70, 1000), (np.float64(10.0), 150)])
    def test_response_length(self, tcl, N):
        _, r = request(tcl=tcl)
        assert [len(r[k]) for k in ("usp", "uld", "robust", "newloadres", "newres")] == [N, N, 75, N, N]

    @pytest.mark.parametrize("changes, message, recorded", [
        (dict(tcl=0), TCL, []),
        (dict(tcl=-5), TCL, []),
        (dict(tcl=float("nan")), TCL, []),
        (dict(tcl=float("inf")), TCL, []),
        (dict(tcl="20"), TCL, []),
        (dict(tcl=0, oprange=0, delay=-1, sampletime=0), TCL, []),           # Tcl first
        (dict(oprange=0), RANGES, []),
        (dict(sprange=-50), RANGES, []),
        (dict(sprange=np.nan), RANGES, []),
        (dict(oprange=None, delay=-1, sampletime=0), RANGES, []),           # the spans next
        (dict(delay=-1), DELAY, []),                                         # not "Td is negative"
        (dict(delay=-1e-300), DELAY, []),
        (dict(delay=float("inf")), DELAY, []),
        (dict(delay=np.nan), DELAY, []),
        (dict(delay="8", sampletime=0), DELAY, []),                          # then the dead time
        (dict(sampletime=0), SAMPLE_TIME, []),                               # not a division by zero
        (dict(sampletime=-1.0), SAMPLE_TIME, []),
        (dict(sampletime=float("inf")), SAMPLE_TIME, []),
        (dict(sampletime=None), SAMPLE_TIME, []),
        (dict(dcstype="Foo", tcl=0), "Controller type 'Foo' not supported.", []),   # the vendor name first
        (dict(w=W, bnd=BND), "The truth value of an array with more than one element is ambiguous", []),
        (dict(apc=np.ones((2, 2))), "apc must be a polynomial: one row or one column of coefficients, not a 2 x 2 array",
         []),
        (dict(apc=[40.0, 1.0, 1.0]), "Tuning model must be of first or second order", ["knobs"]),   # a failed step
    ])
    def test_refusals_and_errors(self, in_tmp_cwd, changes, message, recorded):
        with pytest.raises(ValueError, match="^" + re.escape(message)):
            request(**changes)
        assert sorted(f.name for f in (in_tmp_cwd / "export" / "debug").glob("*")) == sorted(
            f"{kind}_{name}.{ext}" for name in recorded for kind, ext in (("m", "mat"), ("p", "pkl")))

    def test_a_non_string_name_raises_type_error(self):
        with pytest.raises(TypeError):
            request(dcstype=None)

    def test_a_pi_controller_that_destabilises_the_loop(self, in_tmp_cwd):
        # The set-point PID of 0.05/(s (40 s + 1)) e^(-8 s) is stable; the PI [K, Ti, 0] it shows is not.
        assert request(INTEGRATING, dcstype="Interacting A")[1]["msg"] == "OK"
        args, r = request(INTEGRATING, dcstype="Interacting A", piOnly=True)
        assert r == {"msg": UNSTABLE}
        # Both steps ran and left their records, the simulation's with the PI controller it ran.
        mainsim = pickle.loads((in_tmp_cwd / "export" / "debug" / "p_mainsim.pkl").read_bytes())
        np.testing.assert_array_equal(mainsim["parameters"]["PID"], chain(args)[2])
        assert (in_tmp_cwd / "export" / "debug" / "m_knobs.mat").exists()

    def test_arguments_untouched(self):
        args = dict(LAG, bnd=BND.tolist(), w=W.tolist(), sampletime=1, tcl=20, oprange=100, sprange=50,
                    dcstype="Foxboro int", piOnly=0)
        with untouched(*args.values()):
            pidTuning(**args)


class TestTuningRecords:
    """Each step of a request records its inputs, as it receives them, before it runs."""

    @pytest.mark.parametrize("name, piOnly, grid", [("Non-interacting B", False, True), ("Foxboro int", True, False)])
    def test_the_records_of_both_steps(self, in_tmp_cwd, capsys, name, piOnly, grid):
        args, r = request(dcstype=name, piOnly=piOnly, **({} if grid else dict(w=[], bnd=None)))
        assert r["msg"] == "OK"
        shown, code = chain(args)[2:]
        w, bnd = (W, BND) if grid else (np.linspace(0, np.pi, 75), np.zeros(75))   # the default grid, as simulated
        loop = dict(apc=np.array([40.0, 1.0]), bpc=np.array([0.0, 2.0]), delay=8.0)
        expected = {
            "knobs": loop | dict(integral=0, tcl=20.0, sampletime=1.0),
            "mainsim": loop | dict(bnd=bnd, integral=0, PID=np.array(shown), Type=code, sampletime=1.0, w=w, SPLLAG=0.5),
        }
        folder = in_tmp_cwd / "export" / "debug"
        for step, parameters in expected.items():
            record = load_pickle_function(str(folder / f"p_{step}.pkl"))
            assert list(record) == ["module", "version", "file_name", "function_name", "parameters"]
            assert list(record["parameters"]) == list(parameters)
            np.testing.assert_equal(record, dict(module="vantrelpid.frontdesk", version=vantrelpid.__version__,
                                                 file_name=frontdesk.__file__, function_name=step,
                                                 parameters=parameters))
            assert type(record["parameters"]["delay"]) is type(record["parameters"]["sampletime"]) is float
            # scipy reads the same values back: numbers and flat arrays as 1 x n, text as an array of text
            mat = scipy.io.loadmat(folder / f"m_{step}.mat")
            for key, value in parameters.items():
                np.testing.assert_equal(mat[key], [value] if isinstance(value, str) else np.atleast_2d(value))
        assert capsys.readouterr().out.count("function_name: ") == 2

    def test_a_flag_of_none_is_recorded_as_an_empty_matrix(self, in_tmp_cwd):
        # A second-order model's tuning does not read the flag; the MAT format has no None.
        assert request(SECOND_ORDER, integral=None)[1]["msg"] == "OK"
        for step in ("knobs", "mainsim"):
            record = pickle.loads((in_tmp_cwd / "export" / "debug" / f"p_{step}.pkl").read_bytes())
            mat = scipy.io.loadmat(in_tmp_cwd / "export" / "debug" / f"m_{step}.mat")
            assert record["parameters"]["integral"].shape == mat["integral"].shape == (0, 0)


@pytest.mark.parametrize("dependency", ["numpy", "vantrelpid.vendorforms", "vantrelpid.loopfit",
                                        "vantrelpid.formswap"])
def test_a_broken_dependency_breaks_the_import(dependency):
    code = f"import sys\nsys.modules[{dependency!r}] = None\ntry:\n    import vantrelpid.frontdesk\nexcept ImportError:\n    sys.exit(3)\n"
    assert subprocess.run([sys.executable, "-c", code]).returncode == 3
