# twotier: the discrete cascade model against scipy's hold and numpy's polynomials,
# its reduction against pairtrim on the same model, the physics of the result,
# an integrating outer plant identified by loopfit, the unstable paths and the errors.

import subprocess
import sys
import warnings

import numpy as np
import pytest
from scipy.signal import BadCoefficients, cont2discrete

import closed_loop_reference as loop
import references as ref
from closed_loop_reference import CODES, W
from conftest import after_validation_sequence, same_draws, untouched
from plants import Loop
from vantrelpid import _utilities as u
from vantrelpid.loopfit import loopfit
from vantrelpid.tools.pairtrim import pairtrim
from vantrelpid.twotier import twotier

NAMES = ("Acas", "Bcas", "Delaycas", "STPcas", "FRQcas", "BNDcas", "Acas_tn", "Bcas_tn", "Acas_1", "Bcas_1",
         "STPcas_1", "FRQcas_1", "BNDcas_1", "Message")
MV = np.random.default_rng(3).standard_normal(400)

# Amplitudes of the cascade through two independent discretisations (scipy's
# tf2ss/expm/ss2tf against our poles and Markov parameters) and a model order
# of up to 12: the hold's rounding (ZOH) grows with the polynomial products
# and the roots near 1 of the integrators' holds; 1e-5 is far below the 3 %
# that the plain Fox filter or a rounded inner delay would move them.
CASCADE_RESPONSE = 1e-5
# The reduction of our model and of scipy's: the same pair fits of models
# that differ by the rounding above (ten Gauss-Newton steps, TRANSCRIPTION).
REDUCTION_OF_REFERENCE = 1e-6
# Static gain of a reduced model: the pair fits' gain correction restores the
# discrete model's gain (outer gain 2 times the inner loop's 1) up to the fit.
CASCADE_GAIN = 1e-3


def zoh(num, den, Ts):
    with warnings.catch_warnings():   # the hold's numerator begins with a rounded 0, which scipy strips
        warnings.simplefilter("ignore", BadCoefficients)
        b, a, _ = cont2discrete((num, den), Ts, method="zoh")
    return np.ravel(b), np.asarray(a, dtype=float)


def cascade(Ac1, Bc1, Ts1, Ac2, Bc2, Delayc2, PID2, Type2, SPLLAG2, cancelled=False):
    """(CLn, CLd, num_cas, den_cas); the two-path loop as Bd2 den Spn / (Ad2 S Spd), or with den = Ad2 Spd cancelled."""
    d2 = int(np.floor(Delayc2 / Ts1))
    _, D, N1, N2 = loop.controller(PID2, Type2, SPLLAG2, weighted_fox=True)
    num, den = zoh(np.convolve(N2, Bc2), np.convolve(D, Ac2), Ts1)
    num, den = np.pad(num, (d2, 0)), np.pad(den, (0, d2))
    if Type2 in ("Nonint A", "Int A"):
        CLn, CLd = num, den + num
    else:
        (Bd2, Ad2), (Spn, Spd) = zoh(Bc2, Ac2, Ts1), zoh(N1, D, Ts1)
        Bd2, Ad2 = np.pad(Bd2, (d2, 0)), np.pad(Ad2, (0, d2))
        CLn = np.convolve(Bd2, Spn) if cancelled else np.convolve(np.convolve(Bd2, den), Spn)
        CLd = den + num if cancelled else np.convolve(np.convolve(Ad2, den + num), Spd)
    Bd1, Ad1 = zoh(Bc1, Ac1, Ts1)
    return CLn, CLd, np.convolve(CLn, Bd1), np.convolve(CLd, Ad1)


def amplitude(num, den, w=W):
    z = np.exp(1j * np.ravel(w))
    return np.abs(np.polyval(num, z) / np.polyval(den, z)).reshape(-1, 1)


def reduced(num_cas, den_cas, Delayc1, Ts1, CV_INT1, scale):
    """Steps after the model: pairtrim on its state-space form, the models in descending powers of s."""
    A, B, C, D = u.armax2ss(den_cas, np.atleast_2d(num_cas))
    Ac1, Ac2, _, Bc1, Bc2, _, Delayc, ORDER, den_tn, num_tn, STP, p, q, STP1 = pairtrim(
        A, B, C, D, len(den_cas) - 1, int(np.floor(Delayc1 / Ts1)), [CV_INT1], Ts1)
    n = int(ORDER[0, 0])
    a, b = np.r_[1, Ac1[0, 0], Ac2[0, 0]][:n + 1], np.r_[0, Bc1[0, 0], Bc2[0, 0]][:n + 1]
    den_tn, num_tn = [r[:-1] if r[-1] == 0 else r for r in (den_tn[0], num_tn[0])]
    return dict(Acas=a / a[-1], Bcas=scale * b / a[-1], Delaycas=Delayc, STPcas=STP, Acas_tn=den_tn / den_tn[-1],
                Bcas_tn=scale * num_tn / den_tn[-1], Acas_1=np.r_[1, p[0, 0]] / p[0, 0],
                Bcas_1=np.r_[0, q[0, 0]] / p[0, 0], STPcas_1=STP1)


def stable_case(Type2="Int A", Ts1=1.0, **changes):
    """Outer 2/(20s + 1) with 5 samples of dead time, inner 1/(5s + 1) with 1.9 samples, PID2 [1, 5, 2]."""
    args = dict(Ac1=[20.0, 1.0], Bc1=[2.0], CV_INT1=0, Delayc1=5 * Ts1, BND1=np.full(75, 0.1), Ts1=Ts1,
                Ac2=[5.0, 1.0], Bc2=[1.0], Delayc2=1.9 * Ts1, PID2=[1.0, 5.0, 2.0], Type2=Type2, w=W, SPLLAG2=0.5,
                MVdata1=MV, SPdata2=MV)
    return args | changes


def run(args):
    out = twotier(**args)
    assert len(out) == 14
    return dict(zip(NAMES, out))


def model_of(args, cancelled=False):
    return cascade(*(args[k] for k in ("Ac1", "Bc1", "Ts1", "Ac2", "Bc2", "Delayc2", "PID2", "Type2", "SPLLAG2")),
                   cancelled=cancelled)


def assert_model_amplitudes(r, args):
    """FRQcas and BNDcas against the cascade model; the inner loop's cancelled two-path form has the product's."""
    CLn, CLd, num_cas, den_cas = model_of(args)
    np.testing.assert_allclose(r["FRQcas"], amplitude(num_cas, den_cas, args["w"]), rtol=CASCADE_RESPONSE)
    np.testing.assert_allclose(r["BNDcas"], np.reshape(args["BND1"], (-1, 1)) * amplitude(CLn, CLd, args["w"]),
                               rtol=CASCADE_RESPONSE)


class TestStableCascade:
    @pytest.mark.parametrize("Ts1", [1.0, 2.5])
    @pytest.mark.parametrize("Type2", CODES)
    def test_every_code(self, Type2, Ts1):
        args = stable_case(Type2, Ts1)
        with untouched(*args.values(), draws=True):
            r = dict(zip(NAMES, same_draws(lambda: twotier(**args), after_validation_sequence)[0]))
        assert r["Message"] == "ok" and r["Acas"][-1] == 1 and r["Bcas"][0] == 0
        assert r["STPcas"].shape == r["STPcas_1"].shape == (3000, 1) and r["Delaycas"].shape == (1, 1)
        assert [(r[n].shape, r[n].dtype) for n in ("FRQcas", "BNDcas", "FRQcas_1", "BNDcas_1")] == [((75, 1), np.float64)] * 4
        np.testing.assert_array_equal(r["Acas_tn"], r["Acas"])
        np.testing.assert_array_equal(r["Bcas_tn"], r["Bcas"])
        assert np.all(r["BNDcas_1"] >= r["BNDcas"])
        assert_model_amplitudes(r, args)
        # Every inner code integrates: the static gain is the outer process's, for every reduced model.
        for num, den in ((r["Bcas"], r["Acas"]), (r["Bcas_1"], r["Acas_1"])):
            assert abs(num[-1] / den[-1] / 2.0 - 1) < CASCADE_GAIN
        # Whole samples: the reduction's delay d1 = 5 plus its detected delay, less the hold.
        assert r["Delaycas"].dtype == (np.int64 if Ts1 == 1 else np.float64)
        samples = r["Delaycas"][0, 0] / Ts1
        assert samples == round(samples) and samples >= 5

    @pytest.mark.parametrize("Type2, Ts1", [("Int A", 1.0), ("Nonint C", 1.0), ("Nonint PonP DonE", 2.5)])
    def test_reduction_of_the_model(self, Type2, Ts1):
        args = stable_case(Type2, Ts1, SPdata2=3 * MV)
        r = run(args)
        expected = reduced(*model_of(args, cancelled=True)[2:], args["Delayc1"], Ts1, 0, 3.0)
        for name, value in expected.items():
            np.testing.assert_allclose(r[name], value, rtol=REDUCTION_OF_REFERENCE, atol=1e-12, err_msg=name)
        # The first-order amplitude, and the bound widened by the gap to the unscaled reduced model.
        z = np.exp(1j * W).reshape(-1, 1)
        H = lambda b, a: np.polyval(b, z) / np.polyval(a, z)
        H1 = H(*zoh(r["Bcas_1"], r["Acas_1"], Ts1))
        np.testing.assert_allclose(r["FRQcas_1"], np.abs(H1), rtol=ref.RESPONSE_RECOMPUTED)
        gap = np.abs(H(*zoh(r["Bcas"] / 3, r["Acas"], Ts1)) - H1)
        np.testing.assert_allclose(r["BNDcas_1"], r["BNDcas"] + gap, rtol=ref.RESPONSE_RECOMPUTED)

    def test_outer_dead_time_passes_whole_samples_without_the_hold(self):
        delay = lambda **changes: run(stable_case(**changes))["Delaycas"][0, 0]
        assert delay(Delayc1=5.7) - delay(Delayc1=0.3) == 5
        assert delay(Type2="Int B", Ts1=2.5, Delayc1=5.7 * 2.5) - delay(Type2="Int B", Ts1=2.5, Delayc1=0.0) == 12.5

    def test_twice_the_set_point_spread_doubles_the_numerators_only(self):
        one, two = run(stable_case("Nonint C")), run(stable_case("Nonint C", SPdata2=2 * MV))
        for name in NAMES[:-1]:
            np.testing.assert_array_equal(two[name], 2 * one[name] if name in ("Bcas", "Bcas_tn") else one[name])

    @pytest.mark.parametrize("shape", [(-1, 1), (1, -1)])
    def test_columns_and_flag_forms(self, shape):
        base = run(stable_case())
        other = run(stable_case(BND1=np.full(75, 0.1).reshape(shape), w=W.reshape(shape), CV_INT1=np.array([[0]])))
        np.testing.assert_equal(other, base)

    @pytest.mark.filterwarnings("ignore::RuntimeWarning")
    @pytest.mark.parametrize("Type2", CODES)
    def test_an_outer_integrator_passes_the_stability_test(self, Type2):
        """Its pole at z = 1 comes out as 1 +- 5e-13 (above 1 for "Int A" in numpy's eigenvalues). The reduced
        forms hold no integrator (identification returns it apart, with CV_INT1 = 1), so only the status counts."""
        assert run(stable_case(Type2, Ac1=[8.0, 1.0, 0.0], Bc1=[0.05]))["Message"] == "ok"


@pytest.mark.parametrize("Ts", [1.0, 2.0])
def test_integrating_outer_plant_identified_by_loopfit(Ts):
    """0.05 e^(-4 Ts s)/(s (8s + 1)): loopfit's model (per time unit, without the integrator) as the outer model;
    the cascade's gain is the plant's at both sample times, so nothing is divided by Ts1."""
    rec = Loop(num=[0.05], den=[8.0, 1.0, 0.0], N=3000, Ts=Ts, dead=4)
    Apc, Bpc, Delayc, _, _, BND, _, w = loopfit(rec.u, rec.y, 4 * Ts, [1], [np.array([[-1, -1]])], Ts)[:8]
    args = stable_case(Ts1=Ts, Ac1=Apc, Bc1=Bpc, CV_INT1=[1], Delayc1=Delayc, BND1=BND, w=w)
    r = run(args)
    assert r["Message"] == "ok" and len(r["Acas"]) == 2   # integrating: first order
    for gain in (r["Bcas"][-1], r["Bcas_tn"][-1], r["STPcas"][-1, 0], *r["FRQcas"][:3, 0]):
        assert abs(gain / 0.05 - 1) < ref.INTEGRATOR_GAIN_GIVEN_DELAY
    flag0 = run(args | dict(CV_INT1=0))
    for name in ("FRQcas", "BNDcas"):
        np.testing.assert_array_equal(r[name], flag0[name])
    assert np.all(r["BNDcas_1"] >= r["BNDcas"])
    assert_model_amplitudes(r, args)


@pytest.mark.parametrize("changes", [
    dict(Ac1=[1.0, -0.1]),                                  # outer pole at +0.1
    dict(PID2=[10.0, 5.0, 2.0]),                            # inner gain too high
    dict(PID2=[10.0, 5.0, 2.0], Type2="Nonint B"),
    dict(PID2=[10.0, 5.0, 2.0], MVdata1=np.r_[MV[:-1], np.nan]),   # the records only scale a reduced model
])
def test_unstable_paths(changes):
    args = stable_case(**changes)
    with untouched(*args.values()):
        r = run(args)
    assert r["Message"] == "Secondary (inner) loop unstable"
    assert [name for name in NAMES[:-1] if isinstance(r[name], list) and r[name] == []] == \
        [name for name in NAMES[:-1] if name not in ("FRQcas", "BNDcas")]
    assert_model_amplitudes(r, args)


@pytest.mark.parametrize("changes, error, message", [
    (dict(Type2="Int  A"), ValueError, "Unknown PID type"),
    (dict(Type2=None), ValueError, "Unknown PID type"),
    (dict(Type2="Int\udc80"), ValueError, "Unknown PID type"),
    (dict(PID2=[1.0, 5.0]), ValueError, r"PID2 must hold three values \[K, Ti, Td\]"),
    (dict(PID2=1.0), ValueError, r"PID2 must hold three values \[K, Ti, Td\]"),
    (dict(CV_INT1=[2]), ValueError, "CV_INT1 must be 0 or 1"),
    (dict(CV_INT1=[0, 1]), ValueError, "CV_INT1 must be 0 or 1"),
    (dict(MVdata1=np.ones(400)), ValueError, "MVdata1 and SPdata2 must both vary"),
    (dict(SPdata2=np.r_[MV[:-1], np.nan]), ValueError, "MVdata1 and SPdata2 must be finite"),
    (dict(MVdata1=np.r_[np.inf, MV[1:]]), ValueError, "MVdata1 and SPdata2 must be finite"),
    (dict(BND1=np.ones(74)), ValueError, "BND1 must hold one value per point of w"),
    (dict(Ts1=0.0), ValueError, "Ts1 must be a positive, finite sample time"),
    (dict(Delayc2=-1.0), ValueError, "Delayc2 must be a non-negative, finite dead time"),
    (dict(Delayc2=1001.0), ValueError, "Delayc2 is too long for the sample time"),
    (dict(Delayc2=1e8), ValueError, "Delayc2 is too long for the sample time"),
])
def test_errors_leave_the_generator_and_the_arrays(changes, error, message):
    args = stable_case(**changes)
    with untouched(*args.values()), pytest.raises(error, match=f"^{message}$"):
        twotier(**args)


def test_a_missing_argument_and_a_broken_dependency():
    args = stable_case()
    del args["SPdata2"]
    with pytest.raises(TypeError):
        twotier(**args)
    code = "import sys\nsys.modules['vantrelpid.tools.pairtrim'] = None\ntry:\n    import vantrelpid.twotier\n" \
           "except ImportError:\n    sys.exit(3)\n"
    assert subprocess.run([sys.executable, "-c", code]).returncode == 3
