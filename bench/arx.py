"""ARX estimation benchmark: wholelsq and seglsq against numpy.linalg.lstsq on
the explicit regression matrix, and the dead-time search against the same
search made one candidate at a time through the public seglsq.

    python bench/arx.py [--only NAME] [--no-memory]

The baseline builds the regression rows of the same equations (one row per
sample, n + nu (n + 1) columns) and solves them with numpy.linalg.lstsq; the
seglsq baseline weights each slice's rows by its FFT length, as seglsq does.
The dead-time baseline calls seglsq once per candidate delay, as the search
did before its candidates shared their correlations; the target is a ratio of
at least 5 at 10^5 samples with one input. Ratios are baseline time / our
time. Peak memory is ru_maxrss of a fresh process per case, beyond what the
data take.
"""

import os
import sys

import numpy as np
from numpy.lib.stride_tricks import sliding_window_view
from scipy.signal import lfilter

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Case, main  # noqa: E402

from vantrelpid.tools.seglsq import seglsq  # noqa: E402
from vantrelpid.tools.wholelsq import wholelsq  # noqa: E402

SIZES = (10**4, 10**5, 10**6)
SLICES = 4  # seglsq: the record cut into this many slices with gaps of 200 samples


def record(N, nu, seed=1):
    """Normal inputs and a stable second-order response to their sum, plus noise."""
    rng = np.random.default_rng(seed)
    U = rng.standard_normal((N, nu))
    y = lfilter([0.0, 1.0], [1.0, -1.2, 0.5], U.sum(axis=1))
    return U, (y + 0.1 * rng.standard_normal(N)).reshape(-1, 1)


def regression(U, y, n):
    """Rows [-y(t-1..t-n), u_i(t..t-n)] of the equations t = n..N-1."""
    past_y = -sliding_window_view(y, n + 1)[:, :n][:, ::-1]
    lagged = [sliding_window_view(U[:, i], n + 1)[:, ::-1] for i in range(U.shape[1])]
    return np.hstack([past_y, *lagged]), y[n:]


def slice_table(N):
    edges = np.linspace(0, N, SLICES + 1).astype(int)
    return np.array([[edges[k] + 1, edges[k + 1] - 200] for k in range(SLICES)])


def fft_length(samples, n):
    covering = 1 << (int(samples) - 1).bit_length()
    return 2 * covering if 1 <= covering - samples <= n else covering


def sliced_baseline(U, Y, SlInd, n):
    Xs, ts = [], []
    for k, (a, b) in enumerate(SlInd):
        first = a - 1 + (80 if k == 0 else 0)
        X, t = regression(U[first:b], Y[first:b, 0], n)
        w = np.sqrt(fft_length(b - first, n))
        Xs.append(w * X)
        ts.append(w * t)
    return np.linalg.lstsq(np.vstack(Xs), np.concatenate(ts), rcond=None)[0]


def whole_baseline(U, Y, n):
    X, t = regression(U, Y[:, 0], n)
    return np.linalg.lstsq(X, t, rcond=None)[0]


def estimator_cases():
    cases = []
    for N in SIZES:
        for nu, n in ((1, 10), (1, 22), (6, 10), (6, 22)):
            repeat = 5 if N <= 10**4 else (3 if N <= 10**5 else 1)

            def setup(N=N, nu=nu):
                return record(N, nu)

            cases.append(Case(
                f"wholelsq N={N:<7d} nu={nu} n={n}", setup,
                lambda d, n=n: wholelsq(d[0], d[1], n),
                lambda d, n=n: whole_baseline(d[0], d[1], n), repeat))
            cases.append(Case(
                f"seglsq   N={N:<7d} nu={nu} n={n}", setup,
                lambda d, n=n: seglsq(d[0], d[1], slice_table(len(d[1])), n),
                lambda d, n=n: sliced_baseline(d[0], d[1], slice_table(len(d[1])), n), repeat))
    return cases


def loop_record(N, nu, delay=6, seed=4):
    """Binary test sequences through 0.2 q^-delay / (1 - 0.8 q^-1), summed over the
    inputs, with 3 % white noise."""
    from vantrelpid.tools.binseq import binseq

    state = np.random.get_state()
    U = np.column_stack([binseq(N, 20, 3, 200, seed + i) for i in range(nu)])
    np.random.set_state(state)
    y = lfilter(np.r_[np.zeros(delay - 1), 0.2], [1.0, -0.8], U.sum(axis=1))
    y = y + 0.03 * np.std(y) * np.random.default_rng(seed).standard_normal(N)
    return U, y.reshape(-1, 1)


def per_candidate_search(U, Y):
    """The dead-time search of one self-regulating output as it was computed
    before the candidates shared their correlations: one public seglsq call
    (fresh FFT correlations) and one simulation per candidate delay."""
    from vantrelpid.tools.fitclean import fitclean
    from vantrelpid.tools.segmask import segmask

    N, nu = U.shape
    SlIndk, SlSampk = segmask([[[-1, -1]]], 0, N)
    Un, _, _, yn, _, _ = fitclean(U, Y[:, 0], SlSampk, 0)
    rows, scores = SlSampk - 1, []
    candidates = [*range(1, 13), *range(14, 25, 2), *range(28, 41, 4)] if N >= 600 else range(1, 13)
    for d in candidates:
        Ap, Bp = seglsq(Un, yn, SlIndk, 10, [d] * nu)
        Ud = np.vstack([np.zeros((d, nu)), Un[:N - d]])
        with np.errstate(over="ignore", invalid="ignore"):   # unstable candidates
            err = yn[rows, 0] - sum(lfilter(Bp[j], Ap, Ud[:, j]) for j in range(nu))[rows]
        scores.append(10000 if np.any(np.abs(err) > 1e8) else np.var(err[60:]) / np.var(yn[rows, 0]))
    return scores


def deadtime_cases():
    """The dead-time search at 10^4 to 10^6 samples, one and six inputs, beside
    the per-candidate search (up to 10^5 samples: above it takes minutes)."""
    try:
        from vantrelpid.tools.deadtime import deadtime
    except ImportError:
        return []
    cases = []
    for N in SIZES:
        for nu in (1, 6):
            repeat = 5 if N <= 10**4 else (3 if N <= 10**5 else 1)
            cases.append(Case(
                f"deadtime N={N:<7d} nu={nu}", lambda N=N, nu=nu: loop_record(N, nu),
                lambda d: deadtime(d[0], d[1], [0], [[[-1, -1]]]),
                (lambda d: per_candidate_search(d[0], d[1])) if N <= 10**5 else None, repeat))
    return cases


CASES = estimator_cases() + deadtime_cases()

if __name__ == "__main__":
    main(CASES, os.path.abspath(__file__))
