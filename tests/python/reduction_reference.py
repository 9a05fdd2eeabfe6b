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


def create_input_signal():
    return np.concatenate([np.zeros(90), -np.ones(200), np.ones(310), -np.ones(580), np.ones(310),
                           -np.ones(580), np.ones(310), -np.ones(380), np.zeros(150)])


def binseq(N, Tsw, Tmin=1, Tmax=10000, Seeds=None):
    if Seeds is not None:
        np.random.seed(Seeds)
    p = 1 / Tsw
    r = np.random.rand(N)
    level = 1 if r[0] > 0.5 else -1
    U = np.zeros(N)
    c = 1
    for i in range(N):
        if (r[i] < p and c >= Tmin) or c >= Tmax:
            level, c = -level, 1
        else:
            c += 1
        U[i] = level
    return U


def slimfit(models, Order, integrating_mend=True):
    """The pair fits of the per-output polynomial models [(den, num), ...]
    (num one row per input). With `integrating_mend` the gain correction is
    skipped for integrating fits and undefined gains."""
    Order = int(Order)
    if Order > 4:
        raise ValueError("Order too high")
    ny, nu = len(models), np.atleast_2d(models[0][1]).shape[0]
    Num = [np.zeros((ny, nu)) for _ in range(4)]
    Den = [np.zeros((ny, nu)) for _ in range(4)]
    ERR = np.zeros((ny, nu))
    ExtrDl = np.zeros((ny, nu), dtype=int)
    u = create_input_signal()
    np.random.randn(len(u))
    for i, (den, num) in enumerate(models):
        num = np.atleast_2d(num)
        for j in range(nu):
            b, a = num[j, :], den
            s = lfilter(b, a, np.ones(200))
            M = np.max(np.abs(s))
            rise = np.where(np.abs(s[:100]) >= 0.12 * M)[0]
            r = rise[0] if len(rise) else 30
            small = np.where(np.abs(s[:r]) <= 0.02 * M)[0]
            d = np.max(small) + 1 if len(small) else 0
            ExtrDl[i, j] = d
            h = lfilter(b, a, np.concatenate(([1], np.zeros(2500))))
            h = np.concatenate((np.zeros(d), h[d:]))
            y = convolve(h, u)[: len(u)]
            G = np.sum(b) / np.sum(a)
            if Order >= 1:
                Ap, Bp = outerrfit(u, y, [Order, Order], d, 10)
            else:
                Ap, Bp = np.array([1.0]), np.zeros(0)
            v = binseq(1300, 10, 1, 100, 1235)
            yv = convolve(h, v)[: len(v)]
            ysim = lfilter(np.hstack([[0] * d, Bp]), Ap, v) if len(Bp) else np.zeros(len(v))
            ERR[i, j] = np.var(yv - ysim) / np.var(yv)
            if Order in (1, 2) and ERR[i, j] < 0.01:
                ERR[i, j] = 0
            if Order >= 1:
                Gm = np.sum(Bp) / np.sum(Ap)
                ok = abs(G) > 0.1 * M
                if integrating_mend:
                    ok = ok and np.isfinite(G) and np.isfinite(Gm) and Gm != 0 and \
                        abs(np.sum(Ap)) > 1e-9 * np.sum(np.abs(Ap))
                if ok:
                    Bp = Bp * (G / Gm)
            for k in range(max(Order, 0)):
                Num[k][i, j] = Bp[k]
                Den[k][i, j] = Ap[k + 1]
    return (ExtrDl, ERR, Num[0], Den[0], Num[1], Den[1], Num[2], Den[2], Num[3], Den[3])


def pairtrim(models, Delay, CV_INT, Tident, d2cm2):
    """The pair-model reduction of the per-output models [(den, num), ...],
    with `d2cm2` the inverse zero-order hold (numd, dend, Ts) -> (num, den)."""
    _, E1, p, q = slimfit(models, 1)[:4]
    X, E2, p1, q1, p2, q2 = slimfit(models, 2)[:6]
    ny, nu = X.shape
    Delay = np.array(Delay) + X
    Delayc = (Delay - np.ones((ny, nu), dtype=int)) * Tident
    Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Ac1_1, Bc1_1, ORDER = (np.zeros((ny, nu)) for _ in range(9))
    STP, STP1 = np.zeros((3000, ny * nu)), np.zeros((3000, ny * nu))

    def finite(e):
        return e if np.isfinite(e) else np.inf

    def step(num, den, d):
        return lfilter(np.hstack([np.zeros(int(d)), num]), den, np.ones(3000))

    for i in range(ny):
        for j in range(nu):
            k = np.argmin([finite(E1[i, j]), finite(1.4 * E2[i, j])])
            if E1[i, j] < 0.07 or CV_INT[i] == 1:
                k = 0
            col = i * nu + j
            if k == 0 or CV_INT[i] == 1:
                num, den = d2cm2([0, p[i, j]], [1, q[i, j]], Tident)
                Ac1[i, j], Bc1[i, j] = den[1], num[1]
                STP[:, col] = step([p[i, j]], [1, q[i, j]], Delay[i, j])
                ORDER[i, j] = 1
            elif k == 1 and CV_INT[i] == 0:
                num, den = d2cm2([0, p1[i, j], p2[i, j]], [1, q1[i, j], q2[i, j]], Tident)
                Ac1[i, j], Ac2[i, j], Bc1[i, j], Bc2[i, j] = den[1], den[2], num[1], num[2]
                STP[:, col] = step([p1[i, j], p2[i, j]], [1, q1[i, j], q2[i, j]], Delay[i, j])
                ORDER[i, j] = 2
            num, den = d2cm2([0, p[i, j]], [1, q[i, j]], Tident)
            Ac1_1[i, j], Bc1_1[i, j] = den[1], num[1]
            STP1[:, col] = step([p[i, j]], [1, q[i, j]], Delay[i, j])
    DENc_tn, NUMc_tn = np.zeros((ny, 3)), np.zeros((ny, 3))
    for i in range(ny):
        num, den = d2cm2([0, p[i, i]], [1, q[i, i]], Tident)
        NUMc_tn[i, :2], DENc_tn[i, :2] = num, den
        if ORDER[i, i] == 2 and CV_INT[i] == 0:
            num, den = d2cm2([0, p1[i, i], p2[i, i]], [1, q1[i, i], q2[i, i]], Tident)
            NUMc_tn[i, :3], DENc_tn[i, :3] = num, den
    return (Ac1, Ac2, Ac3, Bc1, Bc2, Bc3, Delayc, ORDER, DENc_tn, NUMc_tn, STP, Ac1_1, Bc1_1, STP1)
