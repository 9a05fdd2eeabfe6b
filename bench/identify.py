"""Identification benchmark: loopfit with the dead time estimated on one loop
(2 e^-5s / (10 s + 1), 3 % noise) at 2,000, 20,000 and 100,000 samples, and
mimofit with 6 inputs and 5 outputs at 20,000 samples.

    python bench/identify.py [--only NAME] [--no-memory]

Beside each, numpy.linalg.lstsq on the explicit regression matrices of the
same least-squares problems (one row per sample): for loopfit the 22 dead-time
candidates at order 10 and the ARX candidates of orders 12, 16 and 22; for
mimofit the fifteen ARX fits (three orders for each of the five outputs).
Ratios are baseline time / our time; peak memory is that of a fresh process
per case beyond what the data take.

The "delay estimated" cases put loopfit with the dead time to be found beside
loopfit given the dead time that the search finds (the baseline column); their
ratio, given / estimated, is the share of the identification left to the rest
once the search is done.

Targets: loopfit within 0.05 s, 0.25 s and 1 s, at least 3 times faster than
the baseline at 100,000 samples; mimofit within 2 s; loopfit's peak memory
below 64 MB at 100,000 samples and growing linearly with N; with the delay
estimated at most twice the time with it given (ratio at least 0.5) at
100,000 samples and above.
"""

import pathlib
import sys

import numpy as np
from numpy.lib.stride_tricks import sliding_window_view

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tests" / "python"))

from harness import Case, main  # noqa: E402
from plants import Loop, loop_record  # noqa: E402

from vantrelpid.loopfit import loopfit  # noqa: E402
from vantrelpid.tools.mimofit import mimofit  # noqa: E402

NO_SLICES = np.array([[-1, -1]])
DEAD_TIME_CANDIDATES = 22
SEARCH_ORDER = 10
ARX_ORDERS = (12, 16, 22)


def regression(U, y, n, delay):
    """Rows [-y(t-1..t-n), u_i(t-delay..t-delay-n)] of the ARX equations."""
    start = n + delay
    past_y = -sliding_window_view(y, n + 1)[start - n:, :n][:, ::-1]
    lagged = [sliding_window_view(U[:, i], n + 1)[start - n - delay:len(y) - n - delay, ::-1]
              for i in range(U.shape[1])]
    return np.hstack([past_y, *lagged]), y[start:]


def least_squares(U, y, n, delay):
    X, t = regression(U, y, n, delay)
    return np.linalg.lstsq(X, t, rcond=None)[0]


def loop_setup(N):
    rec = Loop([2.0], [10.0, 1.0], N, 12, dead=5)
    return rec.u, rec.y


def loop_ours(data):
    u, y = data
    out = loopfit(u, y, -1, [0], [NO_SLICES], 1.0)
    assert out[-1] == "OK"


def loop_baseline(data):
    u, y = data
    for d in range(1, DEAD_TIME_CANDIDATES + 1):
        least_squares(u, y[:, 0], SEARCH_ORDER, d)
    for n in ARX_ORDERS:
        least_squares(u, y[:, 0], n, 6)


def estimated_setup(N):
    """The loop and the continuous dead time its delay search finds."""
    from vantrelpid.tools.deadtime import deadtime

    u, y = loop_setup(N)
    state = np.random.get_state()
    delay = int(deadtime(u, y, [0], [NO_SLICES])[0][0, 0])
    np.random.set_state(state)
    return u, y, float(delay - 1)


def loop_estimated(data):
    u, y, _ = data
    assert loopfit(u, y, -1, [0], [NO_SLICES], 1.0)[-1] == "OK"


def loop_given(data):
    u, y, Delayc = data
    assert loopfit(u, y, Delayc, [0], [NO_SLICES], 1.0)[-1] == "OK"


def mimo_plants(ny=5, nu=6):
    return [[([0.5 + 0.3 * ((i + j) % 4)], [4.0 + 3 * ((i * nu + j) % 5), 1.0], (i + j) % 3) for j in range(nu)]
            for i in range(ny)]


def mimo_setup():
    u, y, _ = loop_record(mimo_plants(), 20000, Tsw=8, seed=11)
    delays = np.array([[1 + (i + j) % 3 for j in range(6)] for i in range(5)])
    return u, y, delays


def mimo_ours(data):
    u, y, delays = data
    mimofit(u, y, delays, [NO_SLICES] * 5, [0] * 5)


def mimo_baseline(data):
    u, y, delays = data
    for i in range(5):
        for n in ARX_ORDERS:
            least_squares(u, y[:, i], n, int(delays[i].max()))


CASES = [Case(f"loopfit N={N}", (lambda N=N: loop_setup(N)), loop_ours, loop_baseline)
         for N in (2000, 20000, 100000)]
CASES += [Case(f"loopfit N={N} delay estimated vs given", (lambda N=N: estimated_setup(N)), loop_estimated,
               loop_given, 3 if N <= 10**5 else 1) for N in (10**5, 10**6)]
CASES.append(Case("mimofit 6 x 5 N=20000", mimo_setup, mimo_ours, mimo_baseline))

if __name__ == "__main__":
    main(CASES, __file__)
