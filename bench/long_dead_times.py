"""Time and peak memory of one call at long dead times: the tuning request,
loopsim, freerun and twotier (inner dead time) at 10^3, 10^6 and 10^8 samples
(sample time 1). The plants are first-order lags; loopsim's and twotier's
(inner) controller is a slow PI, K 0.2 and Ti 1000, that keeps the loops
stable at 10^3 samples; the tuning request tunes its own.

    python bench/long_dead_times.py [--timeout S] [--memory MB] [--only NAME]

It uses whichever build of vantrelpid the interpreter imports, so two builds
compare by running it with each one's interpreter. Every case runs in a fresh
interpreter, which reports the call's time and its peak resident memory above
its own after the imports (ru_maxrss after the call minus ru_maxrss before
it). A case is stopped after --timeout seconds (default 120: "did not finish
in N s"), and its address space is capped at --memory MB (default 4000: a
larger allocation ends it with "MemoryError"). An error is reported by its
type and message, and a call that returns a status other than success (loopsim
and the tuning request catch a failed simulation, std::bad_alloc included) by
that status and the time it took.
"""

import argparse
import json
import os
import subprocess
import sys

for _var in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS"):
    os.environ.setdefault(_var, "1")   # no BLAS threads: steadier times on a shared machine

DEAD_TIMES = (10**3, 10**6, 10**8)
W = [3.14 * 10 ** (-4 + 4 * k / 74) for k in range(75)]   # identify's logarithmic grid
BND = [0.05 + 0.45 * k / 74 for k in range(75)]


# Each case: a call of one function that returns its status text ("OK" or
# "ok" when it simulated), the status being the one a caller would read.

def pid_tuning(d):
    from vantrelpid.frontdesk import pidTuning
    return lambda: pidTuning([40.0, 1.0], [0.0, 2.0], BND, W, float(d), 0, 1, 20, 100, 50, "Interacting A",
                             False)["msg"]


def loopsim(d):
    from vantrelpid.loopsim import loopsim
    return lambda: loopsim([10.0, 1.0], [0.0, 2.0], float(d), BND, 0, [0.2, 1000.0, 0.0], "Int B", 1.0, W, 0.5,
                           0.0)[-1]


def freerun(d):
    from vantrelpid.freerun import freerun
    return lambda: freerun([10.0, 1.0], [0.0, 2.0], float(d), 0, 1)["msg"]


def twotier(d):
    import numpy as np
    from vantrelpid.twotier import twotier
    mv = np.random.default_rng(3).standard_normal(400)
    return lambda: twotier([20.0, 1.0], [2.0], 0, 5.0, np.full(75, 0.1), 1.0, [5.0, 1.0], [1.0], float(d),
                           [0.2, 1000.0, 0.0], "Int A", np.array(W), 0.5, mv, mv)[-1]


CALLS = {"pidTuning": pid_tuning, "loopsim": loopsim, "freerun": freerun, "twotier": twotier}


def child(name, d, memory_mb):
    """Runs one case in this interpreter and prints its outcome as JSON on the last line."""
    import contextlib
    import resource
    import time

    import numpy  # noqa: F401
    import scipy  # noqa: F401
    import vantrelpid  # noqa: F401
    call = CALLS[name](d)
    cap = memory_mb * 2**20
    resource.setrlimit(resource.RLIMIT_AS, (cap, cap))
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    outcome = {}
    t0 = time.perf_counter()
    try:
        with contextlib.redirect_stdout(open(os.devnull, "w")):   # freerun prints its model
            status = call()
        outcome["time"] = time.perf_counter() - t0
        if status not in ("OK", "ok"):
            outcome["error"] = f"status {status!r}"
    except MemoryError:
        outcome["error"] = "MemoryError"
    except Exception as e:   # reported, not hidden: the figure of a build that refuses the case
        outcome["error"] = f"{type(e).__name__}: {e}"
    outcome["peak_mb"] = (resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before) / 1024
    print(json.dumps(outcome))


def run(name, d, timeout, memory_mb):
    command = [sys.executable, os.path.abspath(__file__), "--child", name, str(d), "--memory", str(memory_mb)]
    try:
        out = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return f"did not finish in {timeout:g} s", ""
    if out.returncode != 0:
        lines = out.stderr.strip().splitlines() or [f"exit status {out.returncode}"]
        return lines[-1], ""
    outcome = json.loads(out.stdout.strip().splitlines()[-1])
    t = outcome.get("time")
    if "error" in outcome:   # a status other than success: after its time, when it returned
        return outcome["error"] + (f" after {t:.2f} s" if t is not None else ""), f"{outcome['peak_mb']:.1f}"
    return (f"{t * 1e3:.1f} ms" if t < 1 else f"{t:.2f} s"), f"{outcome['peak_mb']:.1f}"


def main(argv=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--timeout", type=float, default=120.0)
    parser.add_argument("--memory", type=int, default=4000, help="address-space cap of a case, MB")
    parser.add_argument("--only", default=None, help="run only the cases of this function")
    parser.add_argument("--child", nargs=2, metavar=("NAME", "SAMPLES"), help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.child:
        return child(args.child[0], int(args.child[1]), args.memory)

    import vantrelpid
    print(f"vantrelpid from {os.path.dirname(vantrelpid.__file__)}")
    print(f"{'case':28s} {'time':>56s} {'peak MB':>8s}")
    for name in CALLS:
        if args.only and args.only != name:
            continue
        for d in DEAD_TIMES:
            time_text, memory = run(name, d, args.timeout, args.memory)
            print(f"{name + f', 1e{len(str(d)) - 1} samples':28s} {time_text:>56s} {memory:>8s}", flush=True)


if __name__ == "__main__":
    main()
