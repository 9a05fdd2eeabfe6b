"""Benchmark of the closed-loop simulators against the same formulas on scipy
(cont2discrete, lfilter, freqz) and against python-control building the same
loops, in the same run.

    python bench/closed_loop.py [--only NAME] [--no-memory]

Each case runs one simulator for the ten PID form codes on one plant (ten
calls); the ratio column is the reference's time divided by ours. The
python-control cases need `pip install control`; before timing, the
two-degree-of-freedom Ysp and Yld of loopsim are checked against
python-control's (to 1e-8; 1e-7 for the integrating plant, see
CONTROL_AGREEMENT). Those cases take the best of 2 runs after the warm-up (a
run takes seconds), the others the best of 20.
"""

import os
import sys

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))
from harness import Case, main  # noqa: E402

import closed_loop_reference as ref  # noqa: E402
from vantrelpid.feedsim import feedsim  # noqa: E402
from vantrelpid.loopsim import loopsim  # noqa: E402
from vantrelpid.tracksim import tracksim  # noqa: E402

TS, TAUF, SPLLAG = 1.0, 1.5, 0.5
FEED = dict(Apc_tn=np.array([10.0, 1.0]), Bpc_tn=np.array([0.0, 2.0]), Delayc=np.array([5.0, 7.0, 2.0]),
            Tau_1=np.array([[10.0, 8.0, 4.0]]), Gain_1=np.array([2.0, 1.0, -0.5]),
            FF=np.array([[0.44, 8.0, 10.0, 2.0], [-0.22, 4.0, 10.0, 0.0]]), PID=[0.4, 10.0, 1.0])


# --- ours and the scipy formulas ---------------------------------------------

def loopsim_ours(p):
    for code in ref.CODES:
        loopsim(p["Apc"], p["Bpc"], p["Delay"], ref.BND, p["INT"], p["PID"], code, TS, ref.W, SPLLAG, TAUF)


def loopsim_scipy(p):
    for code in ref.CODES:
        ref.loopsim(p["Apc"], p["Bpc"], p["Delay"], ref.BND, p["INT"], p["PID"], code, TS, ref.W, SPLLAG, TAUF)


def tracksim_ours(p):
    for code in ref.CODES:
        tracksim(p["Apc"], p["Bpc"], p["Delay"], p["INT"], p["PID"], code, TS, ref.W, SPLLAG)


def tracksim_scipy(p):
    for code in ref.CODES:
        ref.tracksim(p["Apc"], p["Bpc"], p["Delay"], p["INT"], p["PID"], code, TS, ref.W, SPLLAG)


def feedsim_ours(f):
    for code in ref.CODES:
        feedsim(f["Apc_tn"], f["Bpc_tn"], f["Delayc"], f["Tau_1"], f["Gain_1"], [0], f["PID"], code, f["FF"], TS, SPLLAG)


def feedsim_scipy(f):
    for code in ref.CODES:
        ref.feedsim(f["Apc_tn"], f["Bpc_tn"], f["Delayc"], f["Tau_1"], f["Gain_1"], f["PID"], code, f["FF"], TS, SPLLAG)


# --- python-control ------------------------------------------------------------

def held(num, den, delay=0):
    import control
    sys_d = control.sample_system(control.tf(np.trim_zeros(num, "f"), np.trim_zeros(den, "f")), TS, "zoh")
    return sys_d * control.tf([1.0], [1.0] + [0.0] * delay, TS) if delay else sys_d


def step(sys_d):
    import control
    return control.step_response(sys_d, T=np.arange(ref.N) * TS).outputs


def control_loop(p, code, tauf, robust=True):
    """Ysp, Usp, Yld, Uld and Robust of one loop built with python-control."""
    import control
    Apc, Bpc = ref.loop_plant(p["Apc"], p["Bpc"], p["INT"])
    P = held(Bpc, Apc, int(np.floor(p["Delay"] / TS)))
    _, D, N1, N2 = ref.controller(p["PID"], code, SPLLAG, False)
    C1, C2 = held(N1, D), held(N2, np.convolve(D, [tauf, 1]))
    sensitivity = control.feedback(control.tf([1.0], [1.0], TS), P * C2)
    Ysp, Yld = step(control.feedback(P, C2) * C1), step(control.feedback(P, C2))
    Uld, Usp = step(sensitivity), step(C1 * sensitivity)
    Robust = None
    if robust:
        Robust = ref.BND * np.abs(control.frequency_response(C2 * sensitivity, ref.W / TS).complex)
        if p["INT"] == 1:
            Robust = Robust / ref.W
    return Ysp, Usp, Yld, Uld, Robust


def loopsim_control(p):
    for code in ref.CODES:
        control_loop(p, code, TAUF)


def tracksim_control(p):
    for code in ref.CODES:
        control_loop(p, code, 0.0, robust=False)
        B0, A0 = held(p["Bpc"], p["Apc"]).num[0][0], held(p["Bpc"], p["Apc"]).den[0][0]
        ref.amplitude(B0, A0, ref.W)
        step(held(p["Bpc"], p["Apc"], round(p["Delay"] / TS)))


def feedsim_control(f):
    import control
    one = control.tf([1.0], [1.0], TS)
    dly = np.round(f["Delayc"] / TS).astype(int)
    for code in ref.CODES:
        P = held(f["Bpc_tn"], f["Apc_tn"], dly[0])
        _, D, _, N2 = ref.controller(f["PID"], code, SPLLAG, True)
        C = held(N2, D)
        S = control.feedback(one, P * C)
        for i in range(f["Tau_1"].shape[1] - 1):
            Ydist = step(held([0.0, f["Gain_1"][1 + i]], [f["Tau_1"][0, 1 + i], 1.0], dly[1 + i]))
            K, lag, lead, d = f["FF"][i]
            Vff = step(held([K * lead, K], [lag, 1.0], int(np.round(d / TS))))
            t = np.arange(ref.N) * TS
            Yff0 = control.forced_response(S, t, Ydist).outputs
            Uff0 = -control.forced_response(C * S, t, Ydist).outputs
            Yff0 - control.forced_response(P * S, t, Vff).outputs
            Uff0 - control.forced_response(S, t, Vff).outputs


# python-control multiplies the loop's transfer functions out; for the
# integrating plant the double pole at z = 1 (plant and controller) then
# cancels only to rounding, and its Ysp drifts from ours by up to 3e-8 (the
# scipy formulas differ from python-control by the same amounts).
CONTROL_AGREEMENT = {"lag": 1e-8, "integrating": 1e-7}


def check_against_control():
    for name, p in ref.PLANTS.items():
        for code in ref.TWO_DOF_CODES:
            for tauf in (0.0, TAUF):
                ours = loopsim(p["Apc"], p["Bpc"], p["Delay"], ref.BND, p["INT"], p["PID"], code, TS, ref.W, SPLLAG, tauf)
                theirs = control_loop(p, code, tauf, robust=False)
                for k in (0, 2):
                    error = np.max(np.abs(ours[k] - np.asarray(theirs[k])))
                    assert error < CONTROL_AGREEMENT[name], (name, code, tauf, k, error)


def cases():
    out = []
    for name, plant in ref.PLANTS.items():
        out += [Case(f"loopsim, ten codes, {name}", lambda p=plant: p, loopsim_ours, loopsim_scipy, repeat=20),
                Case(f"tracksim, ten codes, {name}", lambda p=plant: p, tracksim_ours, tracksim_scipy, repeat=20)]
    out.append(Case("feedsim, ten codes, two disturbances", lambda: FEED, feedsim_ours, feedsim_scipy, repeat=20))
    try:
        import control  # noqa: F401
    except ImportError:
        print("python-control not installed: its cases are skipped (pip install control)")
        return out
    for name, plant in ref.PLANTS.items():
        out += [Case(f"loopsim, ten codes, {name} / control", lambda p=plant: p, loopsim_ours, loopsim_control, repeat=2),
                Case(f"tracksim, ten codes, {name} / control", lambda p=plant: p, tracksim_ours, tracksim_control,
                     repeat=2)]
    out.append(Case("feedsim, ten codes / control", lambda: FEED, feedsim_ours, feedsim_control, repeat=2))
    return out


if __name__ == "__main__":
    all_cases = cases()
    if "--rss" not in sys.argv and any("control" in c.name for c in all_cases):
        check_against_control()
        print("loopsim's two-degree-of-freedom Ysp and Yld agree with python-control's:", CONTROL_AGREEMENT)
    main(all_cases, os.path.abspath(__file__))
