"""Benchmark of the facade's tuning request: one pidTuning call beside the same
steps done with numpy/scipy in the same run: the tuning formulas, the
interacting-form conversion, the vendor texts, and the four responses and the
robustness curve through scipy.signal.cont2discrete, lfilter and freqz (the
tests' closed-loop reference).

    python bench/frontdesk.py [--only NAME] [--no-memory]

Models: 2 e^(-8 s)/(40 s + 1) and 2 e^(-4 s)/((20 s + 1)(10 s + 1)), Tcl 20,
sampled every second, on identify's 75-point grid, for the vendor forms
"Interacting A" (an interacting code, one degree of freedom) and
"Non-interacting B" (two degrees of freedom). The ratio column is the
reference's time divided by ours. Ours includes the two call records each
request writes to ./export/debug (four files, each written to a temporary file
and renamed into place): on a virtual disk they take most of the time. The small matrix products of scipy's hold
(expm) run on one BLAS thread: threads only add waits at these sizes, and on
a shared machine those waits made the reference up to 30 times slower.
"""

import os
import sys

for _var in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(_var, "1")

import numpy as np  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))
from harness import Case, main  # noqa: E402

import closed_loop_reference as cl  # noqa: E402
from vantrelpid.frontdesk import pidTuning  # noqa: E402

W = 3.14 * np.logspace(-4, 0, 75)
MODELS = {
    "first order": dict(apc=[40.0, 1.0], bpc=[0.0, 2.0], delay=8),
    "second order": dict(apc=[200.0, 30.0, 1.0], bpc=[0.0, 0.0, 2.0], delay=4),
}
FORMS = {"Interacting A": ("Int A", "K", "Ti", "Td"), "Non-interacting B": ("Nonint B", "K", "Ti", "Td")}


def arguments(model, name):
    return dict(MODELS[model], bnd=np.linspace(0.05, 0.5, 75).tolist(), w=W.tolist(), integral=0, sampletime=1,
                tcl=20.0, oprange=100.0, sprange=50.0, dcstype=name, piOnly=False)


def setpoint_row(apc, bpc, d, lc):
    """The set-point rule of a self-regulating first- or second-order model."""
    if len(apc) == 2:
        T, K = apc[0] / apc[1], bpc[1] / apc[1]
        return [(1 / K) * (T + d / 2) / (lc + d / 2), T + d / 2, T * d / (2 * T + d)]
    K, Tz = bpc[2] / apc[2], bpc[1] / bpc[2]
    r = np.roots(apc)
    T1, T2 = -1 / min(r), -1 / max(r)
    Tz = min(Tz, 0.5 * (T1 + T2))
    Ti = T1 + T2 - Tz
    return [(1 / K) * Ti / (lc + d), Ti, max((T1 * T2 - Ti * Tz) / Ti, 0.0)]


def interacting(K, Ti, Td):
    R = np.sqrt(1 - 4 * min(Td, 0.25 * Ti) / Ti)
    return [K / 2 * (1 + R), Ti / 2 * (1 + R), Ti / 2 * (1 - R)]


def reference(a):
    code, pname, iname, dname = FORMS[a["dcstype"]]
    row = setpoint_row(a["apc"], a["bpc"], a["delay"], a["tcl"])
    series = interacting(*row)
    shown = series if code.startswith("Int") else row
    p, i, d = shown
    vendor = dict(pname=pname, iname=iname, dname=dname, pv=f"{p:.3f}", iv=f"{i:.3f} sec", dv=f"{d:.3f} sec")
    vendor["pidstr"] = f"{pname} = {vendor['pv']} \n{iname} = {vendor['iv']} \n{dname} = {vendor['dv']}"
    vendor["latex"] = ""
    Ysp, Usp, Yld, Uld, Robust = cl.loopsim(np.array(a["apc"]), np.array(a["bpc"]), a["delay"], np.array(a["bnd"]),
                                            0, shown, code,
                                            a["sampletime"], np.array(a["w"]), 0.5, 0)
    n = int(min(15 * a["tcl"], 1000))
    out = dict(msg="OK", usp=Usp[:n].tolist(), uld=Uld[:n].tolist(), robust=Robust.tolist(),
               newloadres=Yld[:n].tolist(), newres=Ysp[:n].tolist(), p=vendor["pv"], i=vendor["iv"], d=vendor["dv"],
               pname=pname, iname=iname, dname=dname, latex="")
    out.update(vendor)
    return out


CASES = [Case(f"pidTuning {model}, {name}", lambda m=model, n=name: arguments(m, n), lambda a: pidTuning(**a),
              reference, repeat=15)
         for model in MODELS for name in FORMS]

if __name__ == "__main__":
    main(CASES, os.path.abspath(__file__))
