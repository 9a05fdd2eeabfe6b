# Plain numpy/scipy transcriptions, step by step, of the binary test sequence,
# the output-error fit, the low-order pair fit and the pair-model reduction, with
# the polynomial utilities they need (stabilisation through numpy.roots/poly, the
# started filter through scipy's lfiltic); nothing of the code under test is
# reused except the model-form conversion the caller passes in.

import numpy as np
from scipy.signal import convolve, lfilter, lfiltic


def binseq(N, Tsw, Tmin=1, Tmax=10000, Seeds=None):
    """The sequence on numpy's own stream."""
    if Seeds is not None:
        np.random.seed(Seeds)
    r = np.random.rand(N)
    level, c, U = (1 if r[0] > 0.5 else -1), 1, np.zeros(N)
    for i in range(N):
        if (r[i] < 1 / Tsw and c >= Tmin) or c >= Tmax:
            level, c = -level, 1
        else:
            c += 1
        U[i] = level
    return U


def stabpoly(p):
    """Roots outside the unit circle reflected to 1/conj(r), length kept; unchanged when none is."""
    p = np.asarray(p, dtype=float)
    r = np.roots(p)
    out = np.abs(r) > 1
    if not out.any():
        return p.copy()
    r[out] = 1 / np.conj(r[out])
    return np.r_[np.real(np.poly(r)), np.zeros(len(p) - len(r) - 1)]


def filtini(b, a, u, y0):
    """b/a of u, started as if past outputs were y0 and past inputs u[0], as a column."""
    if len(b) == 0:
        return np.zeros((len(u), 1))
    zi = lfiltic(b, a, [y0] * (len(a) - 1), [u[0]] * (len(b) - 1))
    return (lfilter(b, a, u, zi=zi)[0] if len(zi) else lfilter(b, a, u)).reshape(-1, 1)


def outerrfit(U, Y, nn, Delay, iter):
    U, Y = np.array(U, dtype=float), np.array(Y, dtype=float)
    N, (na, nb) = len(U), nn
    n = max(na, nb)
    ud = np.r_[np.zeros(Delay), U[:N - Delay]]

    def regressor(y, u, sign):
        return np.column_stack([-sign * y[n - i:N - i] for i in range(1, na + 1)]
                               + [sign * u[n - i + 1:N - i + 1] for i in range(1, nb + 1)])

    y, u = Y.copy(), ud.copy()
    for k in range(5):  # ARX fits on data prefiltered by the last denominator
        th = np.linalg.lstsq(regressor(y, u, 1), y[n:], rcond=None)[0]
        Ap, Bp = stabpoly(np.r_[1, th[:na]]), th[na:]
        if k == 0:
            start1 = th.copy(), Ap.copy(), Bp.copy()
        u, y = lfilter([1], Ap, ud), lfilter([1], Ap, Y)

    def gauss_newton(th, Ap, Bp):
        for _ in range(iter):
            yhat = filtini(Bp, Ap, ud, Y[0])[:, 0]
            Phi = regressor(lfilter([1], Ap, yhat), lfilter([1], Ap, ud), -1)
            th = th - np.linalg.lstsq(Phi, (Y - yhat)[n:], rcond=None)[0]
            Ap, Bp = stabpoly(np.r_[1, th[:na]]), th[na:]
        return Ap, Bp

    Ap, Bp = gauss_newton(th, Ap, Bp)
    Ap1, Bp1 = gauss_newton(*start1)
    e, e1 = (Y - filtini(b, a, ud, Y[0])[:, 0] for a, b in ((Ap, Bp), (Ap1, Bp1)))
    return (Ap1, Bp1) if np.var(e1) < np.var(e) else (Ap, Bp)


def create_input_signal():
    levels, lengths = [0, -1, 1, -1, 1, -1, 1, -1, 0], [90, 200, 310, 580, 310, 580, 310, 380, 150]
    return np.repeat(np.array(levels, dtype=float), lengths)


def slimfit(models, Order):
    """The pair fits of the per-output models [(den, num), ...]; no gain correction of integrating fits."""
    Order = int(Order)
    if Order > 4:
        raise ValueError("Order too high")
    ny, nu = len(models), np.atleast_2d(models[0][1]).shape[0]
    Num, Den = [np.zeros((ny, nu)) for _ in range(4)], [np.zeros((ny, nu)) for _ in range(4)]
    ERR, ExtrDl = np.zeros((ny, nu)), np.zeros((ny, nu), dtype=int)
    u = create_input_signal()
    np.random.randn(len(u))
    for i, (a, num) in enumerate(models):
        for j, b in enumerate(np.atleast_2d(num)):
            s = lfilter(b, a, np.ones(200))
            M = np.max(np.abs(s))
            rise = np.where(np.abs(s[:100]) >= 0.12 * M)[0]
            small = np.where(np.abs(s[:rise[0] if len(rise) else 30]) <= 0.02 * M)[0]
            d = ExtrDl[i, j] = np.max(small) + 1 if len(small) else 0
            h = lfilter(b, a, np.r_[1, np.zeros(2500)])
            h = np.r_[np.zeros(d), h[d:]]
            G = np.sum(b) / np.sum(a)
            if Order >= 1:
                Ap, Bp = outerrfit(u, convolve(h, u)[:len(u)], [Order, Order], d, 10)
            else:
                Ap, Bp = np.array([1.0]), np.zeros(0)
            v = binseq(1300, 10, 1, 100, 1235)
            yv = convolve(h, v)[:len(v)]
            ysim = lfilter(np.r_[[0] * d, Bp], Ap, v) if len(Bp) else np.zeros(len(v))
            ERR[i, j] = np.var(yv - ysim) / np.var(yv)
            if Order in (1, 2) and ERR[i, j] < 0.01:
                ERR[i, j] = 0
            if Order >= 1:
                Gm = np.sum(Bp) / np.sum(Ap)
                if abs(G) > 0.1 * M and np.isfinite(G) and np.isfinite(Gm) and Gm != 0 and \
                        abs(np.sum(Ap)) > 1e-9 * np.sum(np.abs(Ap)):
                    Bp = Bp * (G / Gm)
            for k in range(max(Order, 0)):
                Num[k][i, j], Den[k][i, j] = Bp[k], Ap[k + 1]
    return (ExtrDl, ERR, Num[0], Den[0], Num[1], Den[1], Num[2], Den[2], Num[3], Den[3])


def pairtrim(models, Delay, CV_INT, Tident, d2cm2):
    """The reduction of the per-output models [(den, num), ...]; d2cm2(numd, dend, Ts) -> (num, den)."""
    _, E1, p, q = slimfit(models, 1)[:4]
    X, E2, p1, q1, p2, q2 = slimfit(models, 2)[:6]
    ny, nu = X.shape
    Delay = np.array(Delay) + X
    Delayc = (Delay - np.ones((ny, nu), dtype=int)) * Tident
    Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Ac1_1, Bc1_1, ORDER = (np.zeros((ny, nu)) for _ in range(9))
    STP, STP1 = np.zeros((3000, ny * nu)), np.zeros((3000, ny * nu))
    finite = lambda e: e if np.isfinite(e) else np.inf
    step = lambda num, den, d: lfilter(np.r_[np.zeros(int(d)), num], den, np.ones(3000))
    first = lambda i, j: d2cm2([0, p[i, j]], [1, q[i, j]], Tident)
    second = lambda i, j: d2cm2([0, p1[i, j], p2[i, j]], [1, q1[i, j], q2[i, j]], Tident)
    for i in range(ny):
        for j in range(nu):
            k = 0 if E1[i, j] < 0.07 or CV_INT[i] == 1 else np.argmin([finite(E1[i, j]), finite(1.4 * E2[i, j])])
            col = i * nu + j
            if k == 0 or CV_INT[i] == 1:
                num, den = first(i, j)
                Ac1[i, j], Bc1[i, j], ORDER[i, j] = den[1], num[1], 1
                STP[:, col] = step([p[i, j]], [1, q[i, j]], Delay[i, j])
            elif k == 1 and CV_INT[i] == 0:
                num, den = second(i, j)
                Ac1[i, j], Ac2[i, j], Bc1[i, j], Bc2[i, j], ORDER[i, j] = den[1], den[2], num[1], num[2], 2
                STP[:, col] = step([p1[i, j], p2[i, j]], [1, q1[i, j], q2[i, j]], Delay[i, j])
            num, den = first(i, j)
            Ac1_1[i, j], Bc1_1[i, j] = den[1], num[1]
            STP1[:, col] = step([p[i, j]], [1, q[i, j]], Delay[i, j])
    DENc_tn, NUMc_tn = np.zeros((ny, 3)), np.zeros((ny, 3))
    for i in range(ny):
        num, den = second(i, i) if ORDER[i, i] == 2 and CV_INT[i] == 0 else first(i, i)
        NUMc_tn[i, :len(num)], DENc_tn[i, :len(den)] = num, den
    return (Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Delayc, ORDER, DENc_tn, NUMc_tn, STP, Ac1_1, Bc1_1, STP1)
