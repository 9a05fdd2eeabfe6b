"""Plain numpy/scipy transcriptions of the output-error fit, the low-order pair
fit and the pair-model reduction, step by step, for comparison with the
compiled modules. The polynomial utilities are written out here too
(stabilisation with numpy.roots/poly, the steady start with scipy's lfiltic)
so that nothing of the code under test is reused; the model-form conversions
are passed in by the caller."""

import numpy as np
from scipy.signal import convolve, lfilter, lfiltic


def stabpoly(p):
    """Roots outside the unit circle reflected to 1/conj(r); leading 1."""
    r = np.roots(p)
    outside = np.abs(r) > 1 + 1e-6
    if not outside.any() and p[0] == 1:
        return np.asarray(p, dtype=float)
    r[outside] = 1 / np.conj(r[outside])
    q = np.real(np.poly(r))
    out = np.zeros(len(p))
    out[: len(q)] = q
    return out


def filtini(b, a, u, y0):
    if len(b) == 0:
        return np.zeros((len(u), 1))
    zi = lfiltic(b, a, [y0] * (len(a) - 1), [u[0]] * (len(b) - 1))
    if len(zi) == 0:
        return lfilter(b, a, u).reshape(-1, 1)
    return lfilter(b, a, u, zi=zi)[0].reshape(-1, 1)


def outerrfit(U, Y, nn, Delay, iter):
    U = np.array(U, dtype=float)
    Y = np.array(Y, dtype=float)
    N = len(U)
    na, nb = nn
    ud = np.concatenate([np.zeros(Delay), U[: N - Delay]])
    y, u = Y.copy(), ud.copy()
    n = max(na, nb)
    Phi = np.zeros((N - n, na + nb))
    for k in range(5):
        for i in range(1, na + 1):
            Phi[:, i - 1] = -y[n - i : N - i]
        for i in range(1, nb + 1):
            Phi[:, na + i - 1] = u[n - i + 1 : N - i + 1]
        th = np.linalg.lstsq(Phi, y[n:], rcond=None)[0]
        Ap = stabpoly(np.concatenate(([1], th[:na])))
        Bp = th[na : na + nb]
        if k == 0:
            th1, Ap1, Bp1 = th.copy(), Ap.copy(), Bp.copy()
        u = lfilter([1], Ap, ud)
        y = lfilter([1], Ap, Y)

    def run(th, Ap, Bp):
        Phi = np.zeros((N - n, na + nb))
        for _ in range(iter):
            yhat = filtini(Bp, Ap, ud, Y[0]).reshape(-1)
            e = Y - yhat
            yf = lfilter([1], Ap, yhat)
            uf = lfilter([1], Ap, ud)
            for i in range(1, na + 1):
                Phi[:, i - 1] = yf[n - i : N - i]
            for i in range(1, nb + 1):
                Phi[:, na + i - 1] = -uf[n - i + 1 : N - i + 1]
            th = th - np.linalg.lstsq(Phi, e[n:], rcond=None)[0]
            Ap = stabpoly(np.concatenate(([1], th[:na])))
            Bp = th[na : na + nb]
        return Ap, Bp

    Ap, Bp = run(th, Ap, Bp)
    Ap1, Bp1 = run(th1, Ap1, Bp1)
    e = Y - filtini(Bp, Ap, ud, Y[0]).reshape(-1)
    e1 = Y - filtini(Bp1, Ap1, ud, Y[0]).reshape(-1)
    if np.var(e1) < np.var(e):
        return Ap1, Bp1
    return Ap, Bp
