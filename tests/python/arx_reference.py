"""Explicit time-domain references for the ARX estimators.

Each estimate is rebuilt from its regression rows with numpy.linalg.lstsq:
for every equation t, y(t) = -a_1 y(t-1) - ... - a_n y(t-n)
+ sum_i sum_l b_il u_i(t - l), over the samples whose lagged values lie
inside the stretch. Plants are simulated with scipy.signal.lfilter.
"""

import numpy as np
from scipy.signal import lfilter


def fft_length(samples):
    """The stretch's own length when a power of two, else the next power of two above."""
    return 1 << (samples - 1).bit_length()


def shift_in_stretch(U, delays):
    """Each column delayed by its delay inside the stretch, zeros in front."""
    out = np.zeros_like(U, dtype=float)
    for i, d in enumerate(delays):
        out[d:, i] = U[:len(U) - d, i]
    return out


def regression(U, y, n):
    """Regression rows and targets of the equations t = n .. len(y) - 1."""
    N, nu = U.shape
    rows = []
    for t in range(n, N):
        past_y = -y[t - n:t][::-1]
        lagged_u = [U[t - n:t + 1, i][::-1] for i in range(nu)]
        rows.append(np.concatenate([past_y, *lagged_u]))
    return np.array(rows).reshape(-1, n + nu * (n + 1)), y[n:].astype(float)


def model(theta, n, nu):
    Ap = np.concatenate([[1.0], theta[:n]])
    Bp = theta[n:].reshape(nu, n + 1)
    return Ap, Bp


def solve(blocks, n, nu):
    """Least squares over stacked (rows, targets, weight) blocks."""
    X = np.vstack([np.sqrt(w) * X for X, _, w in blocks])
    y = np.concatenate([np.sqrt(w) * y for _, y, w in blocks])
    return model(np.linalg.lstsq(X, y, rcond=None)[0], n, nu)


def sliced_blocks(U, Y, SlInd, n, Delay=None, weighted=True):
    """The sliced estimate's equations: the first slice without its first 80
    samples, each input shifted inside its slice, rows weighted by the slice's
    FFT length."""
    blocks = []
    for k, (a, b) in enumerate(SlInd):
        first = a - 1 + (80 if k == 0 else 0)
        Uk, yk = U[first:b].astype(float), Y[first:b, 0]
        if Delay is not None:
            Uk = shift_in_stretch(Uk, Delay)
        X, t = regression(Uk, yk, n)
        blocks.append((X, t, fft_length(len(yk)) if weighted else 1.0))
    return blocks


def seglsq_reference(U, Y, SlInd, n, Delay=None, weighted=True):
    return solve(sliced_blocks(U, Y, SlInd, n, Delay, weighted), n, U.shape[1])


def wholelsq_reference(U, Y, n, Delay=None):
    Us = U.astype(float) if Delay is None else shift_in_stretch(U, Delay)
    X, t = regression(Us, Y[:, 0], n)
    return solve([(X, t, 1.0)], n, U.shape[1])


def aligned_regression(Un, yn, SlIndk, n, Delay):
    """Equations of the three-order estimate: the first slice without its first
    80 samples; in every slice only equations whose delayed inputs and past
    outputs all lie inside the slice; equal weights."""
    dmax = max(Delay)
    Xs, ts = [], []
    for k, (a, b) in enumerate(SlIndk):
        first = a - 1 + (80 if k == 0 else 0)
        last = min(b, len(yn))
        for t in range(first + dmax + n, last):
            past_y = -yn[t - n:t][::-1]
            lagged_u = [Un[t - d - n:t - d + 1, i][::-1] for i, d in enumerate(Delay)]
            Xs.append(np.concatenate([past_y, *lagged_u]))
            ts.append(yn[t])
    return np.array(Xs), np.array(ts)


def triple_reference(Un, yn, SlIndk, n, Delay):
    X, t = aligned_regression(Un, yn, SlIndk, n, Delay)
    return model(np.linalg.lstsq(X, t, rcond=None)[0], n, Un.shape[1])


def simulate(Ap, Bp, U, delays=None):
    """Sum over inputs of B_i / A driven by input i delayed by its delay, from rest."""
    N, nu = U.shape
    y = np.zeros(N)
    for i in range(nu):
        d = 0 if delays is None else delays[i]
        u = np.concatenate([np.zeros(d), U[:N - d, i]])
        y += lfilter(Bp[i], Ap, u)
    return y


def arx_record(Ap, Bp, N, delays=None, noise=0.0, seed=0, zero_start=0):
    """Inputs (normal noise, optionally zero for the first samples) and the
    plant's output, with white equation noise of the given deviation."""
    rng = np.random.default_rng(seed)
    nu = Bp.shape[0]
    U = rng.standard_normal((N, nu))
    U[:zero_start] = 0.0
    y = simulate(Ap, Bp, U, delays) + lfilter([1.0], Ap, noise * rng.standard_normal(N))
    return U, y.reshape(-1, 1)


def relative_error(estimate, reference):
    """Largest coefficient difference relative to the largest reference coefficient."""
    est = np.concatenate([np.ravel(e) for e in estimate])
    ref = np.concatenate([np.ravel(r) for r in reference])
    return np.max(np.abs(est - ref)) / np.max(np.abs(ref))
