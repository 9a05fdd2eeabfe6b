# ARX references written out with numpy and scipy.signal: delays, simulation,
# and least-squares fits on explicit regression rows, for every equation t
# y(t) = -a_1 y(t-1) - ... - a_n y(t-n) + sum_i sum_l b_il u_i(t - d_i - l).

import numpy as np
from scipy.signal import lfilter


def add_dly(U, d):
    """Each column delayed by its whole number of samples, zeros in front."""
    U = np.asarray(U, dtype=float)
    d = np.broadcast_to(np.zeros(1, int) if d is None else np.asarray(d, dtype=int), (U.shape[1],))
    return np.column_stack([np.r_[np.zeros(min(k, len(U))), U[:max(len(U) - k, 0), j]] for j, k in enumerate(d)])


def misosim(A, B, U):
    """Sum over inputs of B_j / A driven by column j, from rest, as a column."""
    return sum(lfilter(b, A, U[:, j]) for j, b in enumerate(np.atleast_2d(B))).reshape(-1, 1)


def rows(U, y, n, delays=None):
    """Regression rows of every sample (values before the record taken as 0) and targets."""
    lag = lambda x, k: np.r_[np.zeros(k), x[:len(x) - k]]
    Ud = add_dly(U, delays)
    cols = [-lag(y, k) for k in range(1, n + 1)] + [lag(Ud[:, i], l) for i in range(Ud.shape[1]) for l in range(n + 1)]
    return np.column_stack(cols), np.asarray(y, dtype=float)


def solve(X, t, n, nu):
    theta = np.linalg.lstsq(X, t, rcond=None)[0]
    return np.r_[1.0, theta[:n]], theta[n:].reshape(nu, n + 1)


def arx_fit(U, y, n, delays=None):
    """The whole record's fit (delays shifted in with zeros)."""
    X, t = rows(U, np.ravel(y), n, delays)
    return solve(X[n:], t[n:], n, U.shape[1])


def seglsq_fft_length(Nk, n):
    """The power of two covering Nk, doubled when the padding would be 1 to n samples."""
    covering = 1 << (Nk - 1).bit_length()
    return 2 * covering if 1 <= covering - Nk <= n else covering


def seglsq_reference(U, Y, SlInd, n, Delay=None, weighted=True):
    """Slices shifted on their own, the first without its first 80 samples, rows weighted by the FFT length."""
    Xs, ts = [], []
    for k, (a, b) in enumerate(SlInd):
        first = a - 1 + (80 if k == 0 else 0)
        X, t = rows(U[first:b], Y[first:b, 0], n, Delay)
        w = np.sqrt(seglsq_fft_length(len(t), n) if weighted else 1.0)
        Xs.append(w * X[n:])
        ts.append(w * t[n:])
    return solve(np.vstack(Xs), np.concatenate(ts), n, U.shape[1])


def triple_rows(U, y, SlIndk, n, Delay):
    """The three-order estimate's equations: all lagged values inside the slice, the first without 80 samples."""
    X, t = rows(U, y, n, Delay)
    keep = np.concatenate([np.arange(a - 1 + (80 if k == 0 else 0) + max(Delay) + n, min(b, len(y)))
                           for k, (a, b) in enumerate(SlIndk)])
    return X[keep], t[keep]


def arx_record(Ap, Bp, N, delays=None, noise=0.0, seed=0, zero_start=0):
    """Normal inputs (zero for the first samples) through the ARX plant, with white equation noise."""
    rng = np.random.default_rng(seed)
    U = rng.standard_normal((N, Bp.shape[0]))
    U[:zero_start] = 0.0
    y = misosim(Ap, Bp, add_dly(U, delays))[:, 0] + lfilter([1.0], Ap, noise * rng.standard_normal(N))
    return U, y.reshape(-1, 1)


def relative_error(estimate, reference):
    """Largest coefficient difference relative to the largest reference coefficient."""
    est, ref = (np.concatenate([np.ravel(x) for x in m]) for m in (estimate, reference))
    return np.max(np.abs(est - ref)) / np.max(np.abs(ref))
