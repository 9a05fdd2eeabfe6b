"""loopfit: plants with known parameters identified end to end, the result
conventions, statuses, call records and numpy's generator."""

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
from conftest import assert_same_generator_state, generator_state
from loop_plants import LoopRecord
from vantrelpid import _utilities as u
from vantrelpid.loopfit import loopfit
from vantrelpid.tools.binseq import binseq
from vantrelpid.tools.segmask import segmask

NAMES = ("Apc", "Bpc", "Delayc", "STP", "FRQ", "BND", "Grade", "w", "Apc_tn", "Bpc_tn", "Ysim", "Yerror",
         "Apc1", "Bpc1", "STP1", "FRQ1", "BND1", "Ysim1", "Yerror1", "Message")
NO_SLICES = np.array([[-1, -1]])

# name: (plant record, loopfit arguments)
PLANTS = {
    "first order": (dict(num=[2.0], den=[10.0, 1.0], N=3000, Tsw=12, dead_samples=5), dict(Delayc_in=-1)),
    "first order, dead time given": (dict(num=[2.0], den=[10.0, 1.0], N=3000, Tsw=12, dead_samples=5),
                                     dict(Delayc_in=5)),
    "dead time 2.5 given": (dict(num=[2.0], den=[10.0, 1.0], N=2000, Tsw=12, dead_samples=2),
                            dict(Delayc_in=2.5)),
    "no dead time": (dict(num=[2.0], den=[10.0, 1.0], N=2000, Tsw=12, dead_samples=0), dict(Delayc_in=0)),
    "second order": (dict(num=[2.0], den=[100.0, 10.0, 1.0], N=4000, Tsw=20, dead_samples=3), dict(Delayc_in=-1)),
    "sampled at 2.5": (dict(num=[2.0], den=[25.0, 1.0], N=3000, Tsw=12, Ts=2.5, dead_samples=5),
                       dict(Delayc_in=-1)),
    "very noisy": (dict(num=[1.0], den=[5.0, 1.0], N=1000, Tsw=12, noise=20.0), dict(Delayc_in=-1)),
}
for _Ts in (1.0, 2.0):
    for _given in (False, True):
        PLANTS[f"integrating, Ts {_Ts:g}, dead time {'given' if _given else 'estimated'}"] = (
            dict(num=[0.05], den=[8.0, 1.0, 0.0], N=3000, Tsw=12, Ts=_Ts, dead_samples=4),
            dict(Delayc_in=4 * _Ts if _given else -1, CV_INT=[1]))


def identify(rec, Delayc_in=-1, CV_INT=(0,), slices=NO_SLICES, Tident=None, **kw):
    """loopfit's results by name; numpy's generator is left as it was."""
    state = np.random.get_state()
    try:
        out = loopfit(rec.u, rec.y, Delayc_in, list(CV_INT), [slices], rec.Ts if Tident is None else Tident, **kw)
    finally:
        np.random.set_state(state)
    assert len(out) == 20
    return dict(zip(NAMES, out))


@functools.lru_cache(maxsize=None)
def plant(name):
    record, args = PLANTS[name]
    rec = LoopRecord(**record)
    return rec, identify(rec, **args)


def first_nonzero(x):
    return int(np.flatnonzero(np.ravel(x))[0])


def relative(value, truth):
    return abs(value - truth) / abs(truth)


class TestKnownPlants:
    @pytest.mark.parametrize("name", ["first order", "first order, dead time given"])
    def test_first_order_plant(self, name):
        rec, r = plant(name)
        assert r["Message"] == "OK"
        assert r["Apc"].shape == (2,) and r["Bpc"][0] == 0.0 and r["Apc"][-1] == 1.0
        assert 4 <= r["Delayc"] <= 6
        assert relative(r["Bpc"][-1], 2.0) < ref.PLANT_GAIN
        assert relative(r["Apc"][0], 10.0) < ref.PLANT_LAG
        assert np.max(np.abs(r["STP"][:, 0] - rec.step())) < ref.STEP_FIRST_ORDER
        assert r["Grade"] in ("A", "B")
        rms = np.sqrt(np.mean((r["Ysim"][100:, 0] - rec.y0[100:] - rec.level) ** 2))
        assert rms < ref.SIMULATION_RMS * np.std(rec.y0[100:])
        assert r["Yerror"] < ref.ERROR_PERCENT_GOOD and r["Yerror1"] < ref.ERROR_PERCENT_GOOD

    @pytest.mark.parametrize("name, first_step_sample, Delayc", [
        ("first order, dead time given", 6, 5),
        ("dead time 2.5 given", 3, 2.5),  # round(2.5) is 2: delay 3 with the hold
        ("no dead time", 1, 0.4),         # a dead time of 0 is reported as 0.4 Tident
    ])
    def test_given_dead_time_rounding(self, name, first_step_sample, Delayc):
        rec, r = plant(name)
        assert r["Message"] == "OK"
        assert first_nonzero(r["STP"]) == first_step_sample
        assert r["Delayc"] == Delayc and type(r["Delayc"]) is type(Delayc)
        assert np.max(np.abs(r["STP"][:, 0] - rec.step())) < ref.STEP_FIRST_ORDER

    def test_second_order_plant(self):
        rec, r = plant("second order")
        assert r["Message"] == "OK"
        np.testing.assert_allclose(r["Apc"], [100.0, 10.0, 1.0], rtol=ref.PLANT_SECOND_ORDER)
        assert relative(r["Bpc"][-1], 2.0) < ref.PLANT_GAIN
        assert np.max(np.abs(r["STP"][:, 0] - rec.step())) < ref.STEP_SECOND_ORDER
        assert 3 <= r["Delayc"] <= 6

    @pytest.mark.parametrize("Ts", [1.0, 2.0])
    @pytest.mark.parametrize("given", [False, True])
    def test_integrating_plant(self, Ts, given):
        _, r = plant(f"integrating, Ts {Ts:g}, dead time {'given' if given else 'estimated'}")
        assert r["Message"] == "OK"
        assert r["Apc1"].shape == (2,) and r["Apc"].shape == (2,)
        tolerance = ref.INTEGRATOR_GAIN_GIVEN_DELAY if given else ref.INTEGRATOR_GAIN
        assert relative(r["Bpc1"][-1], 0.05) < tolerance
        if given:
            assert relative(r["Apc1"][0], 8.0) < ref.INTEGRATOR_LAG
            assert r["Delayc"] == 4 * Ts

    def test_spikes_are_left_out_by_the_slice_table(self):
        rec = LoopRecord([2.0], [10.0, 1.0], 4000, 12, dead_samples=5)
        rng = np.random.default_rng(3)
        rec.y[rng.choice(np.arange(1200, 1501), 60, replace=False), 0] += rng.choice([-15.0, 15.0], 60)
        r = identify(rec, slices=np.array([[1201, 1501]]))
        assert r["Message"] == "OK" and 4 <= r["Delayc"] <= 6
        assert relative(r["Bpc"][-1], 2.0) < ref.PLANT_GAIN and relative(r["Apc"][0], 10.0) < ref.PLANT_LAG
        assert r["Yerror"] < ref.ERROR_PERCENT_GOOD
        assert identify(rec)["Yerror"] > ref.ERROR_PERCENT_SPIKES

    def test_fractional_sample_time(self):
        _, r = plant("sampled at 2.5")
        assert relative(r["Apc"][0], 25.0) < ref.PLANT_LAG
        assert 10 <= r["Delayc"] <= 15
        assert relative(r["Bpc"][-1], 2.0) < ref.PLANT_GAIN

    def test_noise_gives_a_poor_grade(self):
        _, r = plant("very noisy")
        assert r["Grade"] in ("C", "D")


SHAPES = {"Apc": None, "Bpc": None, "STP": (3000, 1), "FRQ": (75, 1), "BND": (75, 1), "w": (75,),
          "Apc_tn": None, "Bpc_tn": None, "Ysim": "N1", "Apc1": (2,), "Bpc1": (2,), "STP1": (3000, 1),
          "FRQ1": (75, 1), "BND1": (75, 1), "Ysim1": "N1"}


@pytest.mark.parametrize("name", ["first order", "second order", "integrating, Ts 2, dead time estimated"])
class TestResultConventions:
    def test_types_and_shapes(self, name):
        rec, r = plant(name)
        for key, shape in SHAPES.items():
            a = r[key]
            assert isinstance(a, np.ndarray) and a.dtype == np.float64 and a.flags.c_contiguous, key
            if shape == "N1":
                assert a.shape == (len(rec.y), 1)
            elif shape is None:
                assert a.ndim == 1
            else:
                assert a.shape == shape, key
        assert type(r["Grade"]) is str and type(r["Message"]) is str
        assert type(r["Yerror"]) is float and type(r["Yerror1"]) is float
        np.testing.assert_array_equal(r["w"], u.frequency_grid()[100:])
        for den, num in ((r["Apc"], r["Bpc"]), (r["Apc1"], r["Bpc1"]), (r["Apc_tn"], r["Bpc_tn"])):
            assert den[-1] == 1.0 and num[0] == 0.0
        assert len(r["Apc"]) == len(r["Bpc"])

    def test_tuning_rows_are_the_chosen_model(self, name):
        _, r = plant(name)
        np.testing.assert_allclose(r["Apc_tn"], r["Apc"], rtol=ref.REDUCTION_ORDER)
        np.testing.assert_allclose(r["Bpc_tn"], r["Bpc"], rtol=ref.REDUCTION_ORDER)

    def test_steps_settle_on_the_gains(self, name):
        _, r = plant(name)
        for step, num in ((r["STP"], r["Bpc"]), (r["STP1"], r["Bpc1"])):
            assert abs(step[-1, 0] - num[-1]) < ref.STEP_SETTLED * abs(num[-1])

    def test_estimated_dead_time_is_the_first_order_step_delay(self, name):
        rec, r = plant(name)
        assert r["Delayc"] == (first_nonzero(r["STP1"]) - 1) * rec.Ts or r["Delayc"] == 0.4 * rec.Ts

    def test_first_order_response_and_widened_bound(self, name):
        rec, r = plant(name)
        w = r["w"]

        def amplitude(num, den):
            b, a, _ = cont2discrete((np.trim_zeros(num, "f"), den), rec.Ts, method="zoh")
            return freqz(np.ravel(b), a, worN=w)[1]

        H1 = amplitude(r["Bpc1"], r["Apc1"])
        H = amplitude(r["Bpc"], r["Apc"])
        np.testing.assert_allclose(r["FRQ1"][:, 0], np.abs(H1), rtol=ref.RESPONSE_RECOMPUTED)
        np.testing.assert_allclose(r["BND1"][:, 0], r["BND"][:, 0] + np.abs(H - H1), rtol=ref.RESPONSE_RECOMPUTED)

    def test_simulations_against_the_data(self, name):
        rec, r = plant(name)
        integrating = PLANTS[name][1].get("CV_INT", [0])[0] == 1
        N = len(rec.y)
        p = segmask([NO_SLICES], 0, N)[1] - 1
        Ntem = N if integrating else round(N / 15)
        x = rec.u - rec.u[1:Ntem].mean()
        xf = u.hipass(x - x[1], 0.002)
        if integrating:
            x, xf = np.cumsum(x, axis=0), np.cumsum(xf, axis=0)
        scale = rec.Ts if integrating else 1.0
        b, a, _ = cont2discrete((r["Bpc1"][1:] * scale, r["Apc1"]), rec.Ts, method="zoh")
        d = round(r["Delayc"] / rec.Ts) + 1
        delayed = lambda s: np.concatenate([np.zeros((d, 1)), s[:-d]])
        Yh1 = lfilter(np.ravel(b), a, delayed(x), axis=0)
        expected = Yh1 - Yh1[p].mean() + rec.y[p].mean()
        np.testing.assert_allclose(r["Ysim1"], expected, atol=ref.SIMULATION_RECOMPUTED * np.std(rec.y))

        y = rec.y - rec.y[1:Ntem].mean()
        yf = u.hipass(y - y[1], 0.002)[p][59:]
        err = yf - lfilter(np.ravel(b), a, delayed(xf), axis=0)[p][59:]
        assert abs(r["Yerror1"] - 100 * np.var(err) / np.var(yf)) < ref.SIMULATION_RECOMPUTED * r["Yerror1"]

    def test_simulations_have_the_level_of_the_data(self, name):
        rec, r = plant(name)
        for key in ("Ysim", "Ysim1"):
            assert abs(r[key].mean() - rec.y.mean()) < ref.LEVEL_ALIGNMENT * abs(rec.y.mean())


@pytest.fixture(scope="module")
def short_record():
    return LoopRecord([2.0], [10.0, 1.0], 600, 12, dead_samples=3)


class TestStatuses:
    @pytest.mark.parametrize("constant, status", [
        ("U", "OP (MV) almost constant!"),
        ("Y", "PV (CV) almost constant!"),
        ("UY", "OP (MV) almost constant!"),
    ])
    def test_constant_signals(self, short_record, constant, status):
        U = np.ones_like(short_record.u) if "U" in constant else short_record.u
        Y = np.full_like(short_record.y, 3.0) if "Y" in constant else short_record.y
        before = generator_state()
        out = loopfit(U, Y, -1, [0], [NO_SLICES], 1.0)
        assert out == (None,) * 19 + (status,)
        assert_same_generator_state(generator_state(), before)

    def test_slices_too_short(self, short_record):
        before = generator_state()
        out = loopfit(short_record.u, short_record.y, -1, [0], [np.array([[100, 500], [-1, -1]])], 1.0)
        assert out == (None,) * 19 + ("Data slices too short!",)
        assert_same_generator_state(generator_state(), before)


class TestErrors:
    def test_too_short_for_the_delay_search(self, short_record):
        with pytest.raises(ValueError, match=r"^Sample number too small \(< 150\)$"):
            loopfit(short_record.u[:149], short_record.y[:149], -1, [0], [NO_SLICES], 1.0)

    def test_records_of_different_length(self, short_record, in_tmp_cwd):
        with pytest.raises(ValueError, match="^U and Y must have the same number of rows$"):
            loopfit(np.ones((600, 1)), short_record.y[:599], -1, [0], [NO_SLICES], 1.0, export_file=True)
        assert (in_tmp_cwd / "export" / "debug" / "p_loopfit.pkl").exists()

    @pytest.mark.parametrize("which, message", [("U", "U must be an N x 1 column"),
                                                ("Y", "Y must be an N x 1 column")])
    @pytest.mark.parametrize("reshape", [lambda x: x[:, 0], lambda x: np.hstack([x, x])])
    def test_records_must_be_columns(self, short_record, which, message, reshape):
        U = reshape(short_record.u) if which == "U" else short_record.u
        Y = reshape(short_record.y) if which == "Y" else short_record.y
        with pytest.raises(ValueError, match=f"^{message}$"):
            loopfit(U, Y, -1, [0], [NO_SLICES], 1.0)

    def test_order_without_a_flag_decision(self):
        # A second-order pair whose flag is neither 0 nor 1 gets no model.
        rec, _ = plant("second order")
        with pytest.raises(ValueError, match="^Unsupported model order$"):
            identify(rec, CV_INT=[2])

    @pytest.mark.parametrize("Delayc_in, Tident", [(2.0, 1e-300), (600.0, 1.0), (1e300, 1.0)])
    def test_dead_time_longer_than_the_record(self, short_record, Delayc_in, Tident):
        with pytest.raises(ValueError, match="^The dead time must be shorter than the record$"):
            loopfit(short_record.u, short_record.y, Delayc_in, [0], [NO_SLICES], Tident)

    @pytest.mark.parametrize("Tident", [0.0, -1.0, np.inf, np.nan])
    def test_sample_time_must_be_positive(self, short_record, Tident):
        with pytest.raises((ValueError, ZeroDivisionError)):
            loopfit(short_record.u, short_record.y, -1, [0], [NO_SLICES], Tident)


class TestCallRecord:
    def read(self, folder):
        with open(folder / "export" / "debug" / "p_loopfit.pkl", "rb") as f:
            return pickle.load(f)

    @pytest.mark.parametrize("constant_input", [False, True])
    def test_every_call_is_recorded(self, short_record, in_tmp_cwd, constant_input):
        U = np.ones_like(short_record.u) if constant_input else short_record.u
        slices = [np.array([[-1, -1]])]
        out = loopfit(U, short_record.y, 3.0, [0], slices, 1.0, export_file=True)
        assert out[-1] == ("OP (MV) almost constant!" if constant_input else "OK")
        record = self.read(in_tmp_cwd)
        assert list(record) == ["module", "version", "file_name", "function_name", "parameters"]
        assert record["module"] == "vantrelpid.loopfit" and record["function_name"] == "loopfit"
        assert record["version"] == vantrelpid.__version__
        assert record["file_name"] == vantrelpid.loopfit.__file__
        p = record["parameters"]
        assert list(p) == ["U", "Y", "Delayc_in", "CV_INT", "CVslice", "Tident"]
        np.testing.assert_array_equal(p["U"], U)
        np.testing.assert_array_equal(p["Y"], short_record.y)
        assert p["Delayc_in"] == 3.0 and p["CV_INT"] == [0] and p["Tident"] == 1.0
        np.testing.assert_array_equal(p["CVslice"][0], slices[0])
        mat = scipy.io.loadmat(in_tmp_cwd / "export" / "debug" / "m_loopfit.mat")
        np.testing.assert_array_equal(mat["U"], U)

    def test_no_record_without_the_flag(self, short_record, in_tmp_cwd):
        loopfit(np.ones_like(short_record.u), short_record.y, -1, [0], [NO_SLICES], 1.0)
        assert not (in_tmp_cwd / "export").exists()

    def test_failing_record_raises_before_the_checks(self, short_record, in_tmp_cwd):
        (in_tmp_cwd / "export").write_text("not a folder")
        with pytest.raises(OSError):
            loopfit(np.ones_like(short_record.u), short_record.y, -1, [0], [NO_SLICES], 1.0, export_file=True)


class TestGenerator:
    def test_state_after_a_call(self, short_record):
        np.random.seed(5)
        loopfit(short_record.u, short_record.y, -1, [0], [NO_SLICES], 1.0)
        after = generator_state()
        np.random.seed(11)
        binseq(1300, 10, 1, 100, 1235)
        assert_same_generator_state(after, generator_state())

    def test_results_do_not_depend_on_the_state_before(self, short_record):
        np.random.seed(1)
        first = loopfit(short_record.u, short_record.y, -1, [0], [NO_SLICES], 1.0)
        np.random.seed(2)
        np.random.rand(17)
        second = loopfit(short_record.u, short_record.y, -1, [0], [NO_SLICES], 1.0)
        for a, b in zip(first, second):
            np.testing.assert_array_equal(a, b)

    def test_caller_arrays_are_unchanged(self, short_record):
        U, Y = short_record.u.copy(), short_record.y.copy()
        slices = [np.array([[50, 60], [-1, -1]])]
        CV_INT = [0]
        loopfit(U, Y, -1, CV_INT, slices, 1.0)
        np.testing.assert_array_equal(U, short_record.u)
        np.testing.assert_array_equal(Y, short_record.y)
        np.testing.assert_array_equal(slices[0], [[50, 60], [-1, -1]])
        assert CV_INT == [0]


LOOPFIT_DEPENDENCIES = ["vantrelpid.tools.slimfit", "vantrelpid.tools.segmask", "vantrelpid.sanity",
                        "vantrelpid.tools.mimofit", "vantrelpid.tools.deadtime", "vantrelpid.tools.pairtrim"]
MIMOFIT_DEPENDENCIES = ["vantrelpid.tools.segmask", "vantrelpid.tools.fitclean", "vantrelpid.tools.ceilband",
                        "vantrelpid.tools.compactfit"]


@pytest.mark.parametrize("module, dependency",
                         [("vantrelpid.loopfit", d) for d in LOOPFIT_DEPENDENCIES]
                         + [("vantrelpid.tools.mimofit", d) for d in MIMOFIT_DEPENDENCIES])
def test_a_broken_dependency_breaks_the_import(module, dependency):
    code = (f"import sys\nsys.modules[{dependency!r}] = None\n"
            f"try:\n    import {module}\nexcept ImportError:\n    sys.exit(3)\n")
    assert subprocess.run([sys.executable, "-c", code]).returncode == 3
