# loopfit: plants with known parameters identified end to end, the result
# conventions, statuses, call records and numpy's generator.

import functools
import pickle
import subprocess
import sys

import numpy as np
import pytest
import scipy.io
from scipy.signal import cont2discrete, freqz, lfilter

import references as ref
import vantrelpid
import vantrelpid.loopfit
from conftest import after_validation_sequence, same_draws, untouched
from plants import Loop
from vantrelpid import _utilities as u
from vantrelpid.loopfit import loopfit
from vantrelpid.tools.deadtime import deadtime
from vantrelpid.tools.mimofit import mimofit

NAMES = ("Apc", "Bpc", "Delayc", "STP", "FRQ", "BND", "Grade", "w", "Apc_tn", "Bpc_tn", "Ysim", "Yerror",
         "Apc1", "Bpc1", "STP1", "FRQ1", "BND1", "Ysim1", "Yerror1", "Message")
NO_SLICES = np.array([[-1, -1]])
FIRST = dict(num=[2.0], den=[10.0, 1.0], N=3000, dead=5)
PLANTS = {   # name: (loop, loopfit arguments)
    "first order": (FIRST, dict(Delayc_in=-1)),
    "first order, dead time given": (FIRST, dict(Delayc_in=5)),
    "dead time 2.5 given": (dict(num=[2.0], den=[10.0, 1.0], N=2000, dead=2), dict(Delayc_in=2.5)),
    "no dead time": (dict(num=[2.0], den=[10.0, 1.0], N=2000), dict(Delayc_in=0)),
    "second order": (dict(num=[2.0], den=[100.0, 10.0, 1.0], N=4000, Tsw=20, dead=3), dict(Delayc_in=-1)),
    "sampled at 2.5": (dict(num=[2.0], den=[25.0, 1.0], N=3000, Ts=2.5, dead=5), dict(Delayc_in=-1)),
    "very noisy": (dict(num=[1.0], den=[5.0, 1.0], N=1000, noise=20.0), dict(Delayc_in=-1)),
}
for _Ts in (1.0, 2.0):
    for _given in (False, True):
        PLANTS[f"integrating, Ts {_Ts:g}, {'given' if _given else 'estimated'}"] = (
            dict(num=[0.05], den=[8.0, 1.0, 0.0], N=3000, Ts=_Ts, dead=4), dict(Delayc_in=4 * _Ts if _given else -1, CV_INT=[1]))
SHORT = Loop(**FIRST | dict(N=600, dead=3))


def identify(rec, Delayc_in=-1, CV_INT=(0,), slices=NO_SLICES):
    out = loopfit(rec.u, rec.y, Delayc_in, list(CV_INT), [slices], rec.Ts)
    assert len(out) == 20
    return dict(zip(NAMES, out))


@functools.lru_cache(maxsize=None)
def plant(name):
    rec = Loop(**PLANTS[name][0])
    return rec, identify(rec, **PLANTS[name][1])


def check_first_order(r, T=10.0, delays=(4, 6)):
    assert r["Message"] == "OK" and delays[0] <= r["Delayc"] <= delays[1]
    assert abs(r["Bpc"][-1] / 2.0 - 1) < ref.PLANT_GAIN and abs(r["Apc"][0] / T - 1) < ref.PLANT_LAG


@pytest.mark.parametrize("name, Delayc", [
    ("first order", None),                  # estimated
    ("first order, dead time given", 5),    # returned as given
    ("dead time 2.5 given", 2.5),           # round(2.5) is 2: the step starts at sample 3 with the hold
    ("no dead time", 0.4),                  # a dead time of 0 is reported as 0.4 Tident
])
def test_first_order_plants(name, Delayc):
    rec, r = plant(name)
    check_first_order(r, delays=(4, 6) if Delayc is None else (Delayc, Delayc))
    assert Delayc is None or type(r["Delayc"]) is type(Delayc)
    assert r["Apc"].shape == (2,) and r["Grade"] in ("A", "B")
    assert np.max(np.abs(r["STP"][:, 0] - rec.step)) < ref.STEP_FIRST_ORDER   # the exact sampled step, its delay too
    assert np.sqrt(np.mean((r["Ysim"] - rec.y0 - rec.level)[100:] ** 2)) < ref.SIMULATION_RMS * np.std(rec.y0[100:])
    assert r["Yerror"] < ref.ERROR_PERCENT_GOOD and r["Yerror1"] < ref.ERROR_PERCENT_GOOD


def test_second_order_plant_and_other_sample_times():
    rec, r = plant("second order")
    assert r["Message"] == "OK" and 3 <= r["Delayc"] <= 6
    np.testing.assert_allclose(r["Apc"], [100.0, 10.0, 1.0], rtol=ref.PLANT_SECOND_ORDER)
    assert abs(r["Bpc"][-1] / 2.0 - 1) < ref.PLANT_GAIN
    assert np.max(np.abs(r["STP"][:, 0] - rec.step)) < ref.STEP_SECOND_ORDER
    check_first_order(plant("sampled at 2.5")[1], T=25.0, delays=(10, 15))   # in seconds at a fractional Tident
    assert plant("very noisy")[1]["Grade"] in ("C", "D")
    with pytest.raises(ValueError, match="^Unsupported model order$"):   # a flag of 2 on a second-order pair
        identify(rec, CV_INT=[2])


@pytest.mark.parametrize("Ts", [1.0, 2.0])
@pytest.mark.parametrize("given", [False, True])
def test_integrating_plant(Ts, given):
    _, r = plant(f"integrating, Ts {Ts:g}, {'given' if given else 'estimated'}")
    assert r["Message"] == "OK" and r["Apc1"].shape == r["Apc"].shape == (2,)
    assert abs(r["Bpc1"][-1] / 0.05 - 1) < (ref.INTEGRATOR_GAIN_GIVEN_DELAY if given else ref.INTEGRATOR_GAIN)
    if given:
        assert abs(r["Apc1"][0] / 8.0 - 1) < ref.INTEGRATOR_LAG and r["Delayc"] == 4 * Ts


def test_spikes_are_left_out_by_the_slice_table():
    rec = Loop(**FIRST | dict(N=4000))
    rng = np.random.default_rng(3)
    rec.y[rng.choice(np.arange(1200, 1501), 60, replace=False), 0] += rng.choice([-15.0, 15.0], 60)
    r = identify(rec, slices=np.array([[1201, 1501]]))
    check_first_order(r)
    assert r["Yerror"] < ref.ERROR_PERCENT_GOOD and identify(rec)["Yerror"] > ref.ERROR_PERCENT_SPIKES


@pytest.mark.parametrize("N, slices", [(N, NO_SLICES) for N in range(1090, 1111)] + [(1200, np.array([[200, 300]]))])
def test_dead_time_found_when_the_first_slice_is_just_short_of_a_power_of_two(N, slices):
    # First slices of 1010 to 1030 samples once 80 are dropped (1014 to 1023 lie 1 to 10 below 1024, the
    # search's order), and of 119 (9 below 128) without the stretch 200..300.
    rec = Loop(**FIRST | dict(N=N))
    r = identify(rec, slices=slices)
    assert r["Message"] == "OK" and r["Delayc"] == 5
    assert deadtime(rec.u, rec.y, [0], [slices])[0].tolist() == [[6]]   # 5 samples of dead time and the hold


@pytest.mark.parametrize("name", ["first order", "second order", "integrating, Ts 2, estimated"])
def test_result_conventions(name):
    rec, r = plant(name)
    N, integrating, n = len(rec.y), "integrating" in name, len(r["Apc"])
    for key, shape in dict(STP=(3000, 1), FRQ=(75, 1), BND=(75, 1), w=(75,), Apc1=(2,), Bpc1=(2,), STP1=(3000, 1),
                           FRQ1=(75, 1), BND1=(75, 1), Ysim=(N, 1), Ysim1=(N, 1), Bpc=(n,), Apc_tn=(n,), Bpc_tn=(n,)).items():
        assert type(r[key]) is np.ndarray and r[key].dtype == np.float64 and r[key].flags.c_contiguous, key
        assert r[key].shape == shape, key
    assert type(r["Grade"]) is str and type(r["Message"]) is str and type(r["Yerror"]) is float is type(r["Yerror1"])
    np.testing.assert_array_equal(r["w"], u.frequency_grid()[100:])
    for den, num, step in ((r["Apc"], r["Bpc"], r["STP"]), (r["Apc1"], r["Bpc1"], r["STP1"])):
        assert den[-1] == 1.0 and num[0] == 0.0
        assert abs(step[-1, 0] - num[-1]) < ref.STEP_SETTLED * abs(num[-1])   # the steps settle on the gains
    np.testing.assert_allclose(r["Apc_tn"], r["Apc"], rtol=ref.REDUCTION_ORDER)   # the tuning rows are the model
    np.testing.assert_allclose(r["Bpc_tn"], r["Bpc"], rtol=ref.REDUCTION_ORDER)
    assert r["Delayc"] in ((np.flatnonzero(r["STP1"])[0] - 1) * rec.Ts, 0.4 * rec.Ts)   # an estimated dead time
    for key in ("Ysim", "Ysim1"):
        assert abs(r[key].mean() - rec.y.mean()) < ref.LEVEL_ALIGNMENT * abs(rec.y.mean())

    # FRQ1 is the returned first-order model's amplitude and BND1 = BND + |H - H1|,
    # for an integrating output too; the first-order simulation and its error recomputed.
    def held(num, den):
        b, a, _ = cont2discrete((np.trim_zeros(num, "f"), den), rec.Ts, method="zoh")
        return np.ravel(b), a
    H1, H = (freqz(*held(num, den), worN=r["w"])[1] for num, den in ((r["Bpc1"], r["Apc1"]), (r["Bpc"], r["Apc"])))
    np.testing.assert_allclose(r["FRQ1"][:, 0], np.abs(H1), rtol=ref.RESPONSE_RECOMPUTED)
    np.testing.assert_allclose(r["BND1"][:, 0], r["BND"][:, 0] + np.abs(H - H1), rtol=ref.RESPONSE_RECOMPUTED)
    Ntem = N if integrating else round(N / 15)
    x = rec.u - rec.u[1:Ntem].mean()
    xf = u.hipass(x - x[1], 0.002)
    if integrating:
        x, xf = np.cumsum(x, axis=0), np.cumsum(xf, axis=0)
    b, a = held(r["Bpc1"] * (rec.Ts if integrating else 1.0), r["Apc1"])
    d = round(r["Delayc"] / rec.Ts) + 1
    simulate = lambda s: lfilter(b, a, np.r_[np.zeros((d, 1)), s[:-d]], axis=0)
    Yh1 = simulate(x)
    np.testing.assert_allclose(r["Ysim1"], Yh1 - Yh1.mean() + rec.y.mean(), atol=ref.SIMULATION_RECOMPUTED * np.std(rec.y))
    y = rec.y - rec.y[1:Ntem].mean()
    yf = u.hipass(y - y[1], 0.002)[59:]   # the error from the 60th selected sample on
    err = yf - simulate(xf)[59:]
    assert abs(r["Yerror1"] - 100 * np.var(err) / np.var(yf)) < ref.SIMULATION_RECOMPUTED * r["Yerror1"]


@pytest.mark.parametrize("U, Y, slices, status", [
    (np.ones((600, 1)), SHORT.y, NO_SLICES, "OP (MV) almost constant!"),
    (SHORT.u, np.full((600, 1), 3.0), NO_SLICES, "PV (CV) almost constant!"),
    (np.ones((600, 1)), np.full((600, 1), 3.0), NO_SLICES, "OP (MV) almost constant!"),
    (SHORT.u, SHORT.y, np.array([[100, 500], [-1, -1]]), "Data slices too short!"),
])
def test_early_statuses_return_19_none_and_draw_nothing(U, Y, slices, status):
    with untouched():
        assert loopfit(U, Y, -1, [0], [slices], 1.0) == (None,) * 19 + (status,)


@pytest.mark.parametrize("U, Y, Delayc_in, message", [
    (SHORT.u[:149], SHORT.y[:149], -1, r"Sample number too small \(< 150\)"),
    (SHORT.u, SHORT.y, 600.0, "The dead time must be shorter than the record"),
])
def test_errors(U, Y, Delayc_in, message):
    with pytest.raises(ValueError, match=f"^{message}$"):
        loopfit(U, Y, Delayc_in, [0], [NO_SLICES], 1.0)


class TestSelectionOutsideTheRecord:
    """A slice table whose selection runs outside the 1000-sample record raises the IndexError of its first
    offending sample number, found from the selected rows: a list of 10**13 numbers would not fit in memory."""
    REC = Loop(**FIRST | dict(N=1000, dead=3))
    CALLERS = {
        "loopfit": lambda u, y, table: loopfit(u, y, -1, [0], [table], 1.0),
        "deadtime": lambda u, y, table: deadtime(u, y, [0], [table]),
        "mimofit": lambda u, y, table: mimofit(u, y, np.array([[4]]), [table], [0]),
    }

    @pytest.mark.parametrize("caller", CALLERS)
    @pytest.mark.parametrize("table, message", [
        ([[100, 200], [10**13, 10**13 + 5]], "index 1000 is out of bounds for axis 0 with size 1000"),   # [201, 10**13 - 1]
        ([[500, -10**13], [-300, 900]], "selected sample number -9999999999999 is below 1"),   # [1, 499], [1 - 10**13, -301]
        # [201, 1299] runs past the record before [-499, -301] goes below 1
        ([[100, 200], [1300, -500], [-300, 1000]], "index 1000 is out of bounds for axis 0 with size 1000"),
    ])
    def test_first_offending_sample(self, caller, table, message):
        table = np.array(table)
        with pytest.raises(IndexError, match=f"^{message}$"), untouched(self.REC.u, self.REC.y, table, draws=True):
            self.CALLERS[caller](self.REC.u, self.REC.y, table)


@pytest.mark.parametrize("U, Y, outcome", [(SHORT.u, SHORT.y, "OK"), (np.ones((600, 1)), SHORT.y, "OP (MV) almost constant!"),
                                           (np.ones((600, 1)), SHORT.y[:599], "U and Y must have the same number of rows")])
def test_every_call_is_recorded_first(in_tmp_cwd, U, Y, outcome):
    slices = [np.array([[-1, -1]])]
    if outcome.startswith("U and Y"):
        with pytest.raises(ValueError, match=f"^{outcome}$"):
            loopfit(U, Y, 3.0, [0], slices, 1.0, export_file=True)
    else:
        assert loopfit(U, Y, 3.0, [0], slices, 1.0, export_file=True)[-1] == outcome
    record = pickle.loads((in_tmp_cwd / "export" / "debug" / "p_loopfit.pkl").read_bytes())
    np.testing.assert_equal(record, dict(module="vantrelpid.loopfit", version=vantrelpid.__version__,
                                         file_name=vantrelpid.loopfit.__file__, function_name="loopfit",
                                         parameters=dict(U=U, Y=Y, Delayc_in=3.0, CV_INT=[0], CVslice=slices, Tident=1.0)))
    assert list(record) == ["module", "version", "file_name", "function_name", "parameters"]
    assert list(record["parameters"]) == ["U", "Y", "Delayc_in", "CV_INT", "CVslice", "Tident"]
    np.testing.assert_array_equal(scipy.io.loadmat(in_tmp_cwd / "export" / "debug" / "m_loopfit.mat")["U"], U)


def test_no_record_without_the_flag_and_a_failing_record_raises_before_the_checks(in_tmp_cwd):
    loopfit(np.ones((600, 1)), SHORT.y, -1, [0], [NO_SLICES], 1.0)
    assert not (in_tmp_cwd / "export").exists()
    (in_tmp_cwd / "export").write_text("not a folder")
    with pytest.raises(OSError):
        loopfit(np.ones((600, 1)), SHORT.y, -1, [0], [NO_SLICES], 1.0, export_file=True)


def test_generator_and_caller_arrays():
    args = SHORT.u, SHORT.y, -1, [0], [np.array([[50, 60], [-1, -1]])], 1.0
    with untouched(*args, draws=True):   # left as the last validation sequence leaves it
        first, _ = same_draws(lambda: loopfit(*args), after_validation_sequence)
    np.random.rand(17)
    np.testing.assert_equal(loopfit(*args), first)   # nor do the results depend on it


@pytest.mark.parametrize("module, dependency", [
    ("vantrelpid.loopfit", f"vantrelpid.{d}") for d in ("tools.slimfit", "tools.segmask", "sanity", "tools.mimofit",
                                                        "tools.deadtime", "tools.pairtrim")] + [
    ("vantrelpid.tools.mimofit", f"vantrelpid.tools.{d}") for d in ("segmask", "fitclean", "ceilband", "compactfit")])
def test_a_broken_dependency_breaks_the_import(module, dependency):
    code = f"import sys\nsys.modules[{dependency!r}] = None\ntry:\n    import {module}\nexcept ImportError:\n    sys.exit(3)\n"
    assert subprocess.run([sys.executable, "-c", code]).returncode == 3


@pytest.mark.parametrize("record, value, message", [
    ("U", np.nan, "U holds a non-finite value in column 0 at sample 71; deselected stretches must hold finite values too"),
    ("Y", -np.inf, "Y holds a non-finite value in column 0 at sample 71; deselected stretches must hold finite values too"),
])
def test_non_finite_data_in_a_deselected_stretch(record, value, message):
    U, Y = SHORT.u.copy(), SHORT.y.copy()
    (U if record == "U" else Y)[70] = value
    args = U, Y, -1, [0], [np.array([[50, 100], [-1, -1]])], 1.0
    with pytest.raises(ValueError, match=f"^{message}$"), untouched(*args):   # before the search draws
        loopfit(*args)


class TestInterruptions:
    """Python errors outside Exception pass the dead-time search's catch; all others become its status."""

    @staticmethod
    def failing_first_randn(monkeypatch, error):
        randn = np.random.randn
        calls = []

        def first_call_raises(*args):
            calls.append(args)
            if len(calls) == 1:
                raise error
            return randn(*args)
        monkeypatch.setattr(np.random, "randn", first_call_raises)
        return calls

    @pytest.mark.parametrize("error", [KeyboardInterrupt, SystemExit(3)])
    def test_propagate_unchanged(self, monkeypatch, error):
        calls = self.failing_first_randn(monkeypatch, error)
        with pytest.raises(error if isinstance(error, type) else type(error)) as info:
            loopfit(SHORT.u, SHORT.y, -1, [0], [NO_SLICES], 1.0)
        assert len(calls) == 1 and (not isinstance(error, SystemExit) or info.value.code == 3)

    def test_memory_error_in_the_search_is_its_failure(self, monkeypatch):
        self.failing_first_randn(monkeypatch, MemoryError)
        assert loopfit(SHORT.u, SHORT.y, -1, [0], [NO_SLICES], 1.0)[-1] == "Delay estimation failed"


LONG_CALLS = {   # each runs for hours unless the signal stops it
    "outerrfit": ("from vantrelpid.tools.outerrfit import outerrfit",
                  "outerrfit(r.standard_normal(1200), r.standard_normal(1200), (2, 2), 1, 10**9)"),
    "freqshrink": ("from vantrelpid.tools.freqshrink import freqshrink\n"
                   "from vantrelpid._utilities import frequency_grid",
                   "freqshrink([1.0, -0.5], [[0.0, 0.5], [0.1, 0.2]], np.ones((100, 2)), np.ones((100, 2)), 1, 10**8, "
                   "frequency_grid()[:100])"),
}


@pytest.mark.parametrize("name", LONG_CALLS)
def test_ctrl_c_stops_a_long_call(name):
    imports, call = LONG_CALLS[name]
    code = (f"import signal, numpy as np\n{imports}\nr = np.random.default_rng(0)\n"
            "signal.signal(signal.SIGALRM, signal.default_int_handler)\n"   # SIGALRM raises KeyboardInterrupt
            "signal.setitimer(signal.ITIMER_REAL, 0.5)\n"
            f"try:\n    {call}\nexcept KeyboardInterrupt:\n    print('interrupted')\n")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=120)
    assert out.stdout == "interrupted\n", out.stderr
