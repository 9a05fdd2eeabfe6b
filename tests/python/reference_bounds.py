"""Plain numpy/scipy transcriptions of the error bound, the frequency-weighted
reduction and the low-order model selection, step by step, used as
independent references by the tests and beside our modules in the benchmark.
Nothing here calls vantrelpid."""

import numpy as np
import scipy.linalg
import scipy.signal


# --- the utility services, from scipy.signal -------------------------------

def misofrq(A, B, w):
    B = np.atleast_2d(B)
    return np.column_stack([scipy.signal.freqz(b, A, worN=w)[1] for b in B])


def d_bode2(num, den, w):
    return np.abs(scipy.signal.freqz(num, den, worN=w)[1])


def stabpoly(p):
    p = np.asarray(p, dtype=float)
    r = np.roots(p)
    outside = np.abs(r) > 1
    if not outside.any():
        return p.copy()
    r[outside] = 1 / np.conj(r[outside])
    return np.real(np.poly(r))


def add_dly(U, d):
    U = np.asarray(U, dtype=float)
    out = np.zeros_like(U)
    for j, dj in enumerate(np.broadcast_to(np.asarray(d, dtype=int), (U.shape[1],))):
        if dj < len(U):
            out[dj:, j] = U[:len(U) - dj, j]
    return out


def misosim(A, B, U):
    return sum(scipy.signal.lfilter(b, A, U[:, j]) for j, b in enumerate(np.atleast_2d(B))).reshape(-1, 1)


def arxpe(Ap, Bp, Ud, y):
    e = scipy.signal.lfilter(Ap, [1.0], np.ravel(y))
    for j, b in enumerate(np.atleast_2d(Bp)):
        e = e - scipy.signal.lfilter(b, [1.0], Ud[:, j])
    return e.reshape(-1, 1)


def parzen(taus, L):
    if L == 0:
        return np.ones(len(taus))
    q = np.abs(taus) / L
    return np.where(q <= 0.5, 1 - 6 * q**2 + 6 * q**3, 2 * (1 - q) ** 3)


def crsspct(Z, M, w):
    """Blackman-Tukey spectra through numpy.fft correlations."""
    N, m = Z.shape
    L = min(M, N - 1)
    nfft = 1 << (2 * N - 1).bit_length()
    F = np.fft.rfft(Z, nfft, axis=0)
    R = np.fft.irfft(F[:, :, None] * F[:, None, :].conj(), nfft, axis=0) / N
    taus = np.arange(-L, L + 1)
    lagged = R[taus % nfft] * parzen(taus, L)[:, None, None]
    return np.einsum("ft,tab->fab", np.exp(-1j * np.outer(w, taus)), lagged)


def crsspct_direct(Z, M, w):
    """The same estimate from direct sums of products (slow, for small tests)."""
    N, m = Z.shape
    L = min(M, N - 1)
    Phi = np.zeros((len(w), m, m), dtype=complex)
    for tau in range(-L, L + 1):
        if tau >= 0:
            R = Z[tau:].T @ Z[:N - tau] / N
        else:
            R = Z[:N + tau].T @ Z[-tau:] / N
        Phi += parzen(np.array([tau]), L)[0] * R[None] * np.exp(-1j * w * tau)[:, None, None]
    return Phi


def fiinvdia(Phi, n):
    return np.array([np.diag(np.linalg.inv(P[:n, :n])) for P in Phi])


def arx_fit(U, y, na, delays):
    """Least-squares ARX(na) estimate: Ap = [1, a_1, ..., a_na] and one row of
    na + 1 numerator coefficients per input, counted from the input's delay."""
    y = np.ravel(np.asarray(y, dtype=float))
    Ud = add_dly(U, delays)
    N, nu = Ud.shape
    cols = [-np.r_[np.zeros(k), y[:N - k]] for k in range(1, na + 1)]
    for j in range(nu):
        cols += [np.r_[np.zeros(l), Ud[:N - l, j]] for l in range(na + 1)]
    Phi = np.column_stack(cols)[na:]
    theta = np.linalg.solve(Phi.T @ Phi, Phi.T @ y[na:])  # normal equations, as ARX estimators solve them
    return np.r_[1.0, theta[:na]], theta[na:].reshape(nu, na + 1)


# --- the modules --------------------------------------------------------------

def ceilband(Aphk, Bphk, Ghk, U, Yk, w, Nbnd, Delayk, SliceSamp, CV_INTk):
    na = len(Aphk) - 1
    nu = U.shape[1]
    P = na * (nu + 1)
    b, a = scipy.signal.butter(6, 0.1)
    Gf = d_bode2(b, a, w)
    E = arxpe(Aphk, Bphk, add_dly(U, Delayk), Yk)
    Us = U[SliceSamp - 1]
    Es = E[SliceSamp - 1]
    N = Us.shape[0]
    M = min(round(N / 8), 150)
    Ut = Us[M - 1:N, :]
    Et = Es[M - 1:N]
    FiD = np.abs(fiinvdia(crsspct(np.hstack([Ut, Et]), 300, w), nu + 1))
    H = d_bode2([1] + [0] * na, Aphk, w)
    sigma2 = np.var(Et[na - 1:], ddof=1)
    Phiv = np.abs(H) ** 2 * sigma2
    c = na / Nbnd * (Nbnd + P) / (Nbnd - P)
    BNDk = np.zeros((len(w), nu))
    for i in range(nu):
        BNDk[:, i] = 3 * np.sqrt(c * Phiv * FiD[:, i])
    K = np.arange(4) if CV_INTk == 1 else np.arange(10)
    Gradek = np.full(nu, "?")
    nonDk = np.ones(nu)
    for i in range(nu):
        W = Gf[K] * np.abs(Ghk[K, i])
        r = np.sum(BNDk[K, i] * W) / np.sum(np.abs(Ghk[K, i]) * W)
        if r <= 0.3:
            Gradek[i] = "A"
        elif r <= 0.6:
            Gradek[i] = "B"
        elif r <= 0.99:
            Gradek[i] = "C"
        elif r > 0.99:
            Gradek[i] = "D"
            nonDk[i] = 0.0
    return Gradek, nonDk, BNDk


def freqshrink(Ah, Bh, Weight, Weight1, n, iter, w):
    nu = Bh.shape[0]
    N = len(w)
    Loss = np.zeros(iter)
    nc = min(n, 4)
    X = np.ones((N, n + 1), dtype=complex)
    for k in range(1, n + 1):
        X[:, k] = np.exp(-1j * k * w)
    Gh = misofrq(Ah, Bh, w)
    Nh = misofrq(Ah, np.array([[1] + [0] * n]), w)
    Wt = Weight1
    Wn = np.ones((N, 1))

    def P(A, B, part):
        return np.matmul(getattr(A, part).T, getattr(B, part))

    for i in range(iter):
        blocks = {}
        for part in ("real", "imag"):
            M, L, C, g, gb = np.zeros((n, n)), None, None, None, []
            for j in range(nu):
                Wg = (Wt[:, j] * Gh[:, j]).reshape(-1, 1)
                Ra = -X[:, 1:n + 1] * np.matmul(Wg, np.ones((1, n)))
                Rb = X * np.matmul(Wt[:, j].reshape(-1, 1), np.ones((1, n + 1)))
                M = M + P(Ra, Ra, part)
                L = P(Rb, Rb, part) if L is None else scipy.linalg.block_diag(L, P(Rb, Rb, part))
                C = P(Ra, Rb, part) if C is None else np.hstack([C, P(Ra, Rb, part)])
                g = P(Ra, Wg, part) if g is None else g + P(Ra, Wg, part)
                gb.extend(P(Rb, Wg, part))
            blocks[part] = (np.block([[M, C], [C.T, L]]), np.vstack([g, np.array(gb)]))
        H = blocks["real"][0] + blocks["imag"][0]
        r = blocks["real"][1] + blocks["imag"][1]
        theta = np.linalg.solve(H, r).flatten()
        Ap = stabpoly(np.hstack([1, theta[:n]]))
        Bp = theta[n:].reshape(nu, n + 1)
        Gp = misofrq(Ap, Bp, w)
        Loss[i] = np.sum(np.abs(Weight * (Gh - Gp)) ** 2)
        Na = misofrq(Ap, np.array([[1] + [0] * n]), w)
        Wt = Weight * np.matmul(Na, np.ones((1, nu)))
        Nd = Nh - np.ones((N, 1))
        Xc = X[:, 1:nc + 1] * np.matmul(Wn, np.ones((1, nc)))
        Xd = -X[:, 1:nc + 1] * np.matmul(Wn * Nh, np.ones((1, nc)))
        Phi = np.hstack([Xc, Xd])
        thetac = np.linalg.lstsq(np.vstack([Phi.real, Phi.imag]), np.vstack([Nd.real, Nd.imag]),
                                 rcond=None)[0].flatten()
        Cp = stabpoly(np.hstack([1, thetac[:nc]]))
        Dp = stabpoly(np.hstack([1, thetac[nc:2 * nc]]))
        Wn = misofrq(Dp, np.array([[1] + [0] * nc]), w)
    return Ap, Bp, Cp, Dp, Loss


def compactfit(Aphk, Bphk, Ghk, U, Y, Delay, SlSampk, BNDk, wln):
    Y = np.asarray(Y, dtype=float).reshape(len(Y), -1)
    N = len(Y[SlSampk - 1])
    nu = U.shape[1]
    W = 1.0 / BNDk
    Ud = add_dly(U, Delay)
    candidates, scores = [], []
    for n in range(1, 11):
        Ap, Bp, Cp, Dp, Loss = freqshrink(Aphk, Bphk, W, W, n, 20, wln)
        candidates.append((Ap, Bp))
        E = (Y - misosim(Ap, Bp, Ud))[SlSampk - 1]
        if max(np.abs(E)) < 1e31:
            M = min(50, round(N / 10))
            d = (nu + 1) * (n + 1)
            asyc = (N + d) / (N - d) * np.var(E[M:]) * (1 + 0.03 * n)
            if np.var(E) / np.var(Y) > 30:
                asyc = asyc * 30
        else:
            asyc = 1e30
        scores.append(asyc)
    scores = np.where(np.isnan(scores), np.inf, scores)
    return candidates[int(np.argmin(scores))]
