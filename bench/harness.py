"""Timing and peak-memory harness shared by the benchmark scripts.

A benchmark script builds a list of `Case` objects and hands them to `main`.
Each case has a setup (its data), our call, and the same work done with
numpy/scipy. Times are the best of `repeat` runs after one warm-up run.
Peak memory is the peak resident size of a fresh interpreter that runs only the setup
and one call, minus that of a fresh interpreter that runs only the setup.
"""

import argparse
import resource
import subprocess
import sys
import time
from dataclasses import dataclass
from typing import Any, Callable, Optional


@dataclass
class Case:
    name: str
    setup: Callable[[], Any]
    ours: Callable[[Any], Any]
    reference: Optional[Callable[[Any], Any]] = None
    repeat: int = 5


def best_time(fn: Callable[[Any], Any], data: Any, repeat: int) -> float:
    fn(data)  # warm-up
    best = float("inf")
    for _ in range(repeat):
        t0 = time.perf_counter()
        fn(data)
        best = min(best, time.perf_counter() - t0)
    return best


def _peak_rss_mb() -> float:
    """This process's peak resident memory. On Linux, VmHWM of the process's
    own address space: ru_maxrss of a child also counts the parent's memory
    at the time of the fork."""
    try:
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return float(line.split()[1]) / 1024.0
    except OSError:
        pass
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0


def _child_rss(script: str, case: str, which: str) -> float:
    out = subprocess.run([sys.executable, script, "--rss", case, which],
                         check=True, capture_output=True, text=True).stdout
    return float(out.strip().splitlines()[-1])


def _fmt_time(t: float) -> str:
    return f"{t * 1e3:9.2f} ms" if t < 10 else f"{t:9.2f} s "


def main(cases, script: str, argv=None) -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--rss", nargs=2, metavar=("CASE", "WHICH"))
    parser.add_argument("--only", default=None, help="run only cases whose name contains this")
    parser.add_argument("--no-memory", action="store_true")
    args = parser.parse_args(argv)
    by_name = {c.name: c for c in cases}

    if args.rss:
        name, which = args.rss
        case = by_name[name]
        data = case.setup()
        if which == "ours":
            case.ours(data)
        elif which == "reference":
            case.reference(data)
        print(_peak_rss_mb())
        return

    header = f"{'case':44s} {'ours':>12s} {'numpy/scipy':>12s} {'ratio':>7s}"
    if not args.no_memory:
        header += f" {'peak MB ours':>13s} {'peak MB ref':>12s}"
    print(header)
    for case in cases:
        if args.only and args.only not in case.name:
            continue
        data = case.setup()
        t_ours = best_time(case.ours, data, case.repeat)
        line = f"{case.name:44s} {_fmt_time(t_ours):>12s}"
        if case.reference is not None:
            t_ref = best_time(case.reference, data, case.repeat)
            line += f" {_fmt_time(t_ref):>12s} {t_ref / t_ours:6.1f}x"
        else:
            line += f" {'':>12s} {'':>7s}"
        if not args.no_memory:
            base = _child_rss(script, case.name, "setup")
            mem = _child_rss(script, case.name, "ours") - base
            line += f" {mem:13.1f}"
            if case.reference is not None:
                ref = _child_rss(script, case.name, "reference") - base
                line += f" {ref:12.1f}"
        print(line, flush=True)
