# Plain numpy/scipy transcriptions of the error bound, the frequency-weighted
# reduction and the low-order model selection, step by step, used by the tests
# and beside our modules in the benchmark. Nothing here calls vantrelpid.

import numpy as np
import scipy.linalg
import scipy.signal

from arx_reference import add_dly, arx_fit, misosim  # noqa: F401 (the benchmark reads them here)
from reduction_reference import stabpoly


def misofrq(A, B, w):
    return np.column_stack([scipy.signal.freqz(b, A, worN=w)[1] for b in np.atleast_2d(B)])


def parzen(taus, L):
    q = np.abs(taus) / max(L, 1)
    return np.where(q <= 0.5, 1 - 6 * q**2 + 6 * q**3, 2 * (1 - q) ** 3)


def crsspct(Z, M, w):
    """Blackman-Tukey spectra through numpy.fft correlations."""
    N = len(Z)
    L, nfft = min(M, N - 1), 1 << (2 * N - 1).bit_length()
    F = np.fft.rfft(Z, nfft, axis=0)
    R = np.fft.irfft(F[:, :, None] * F[:, None, :].conj(), nfft, axis=0) / N
    taus = np.arange(-L, L + 1)
    return np.einsum("ft,tab->fab", np.exp(-1j * np.outer(w, taus)), R[taus % nfft] * parzen(taus, L)[:, None, None])


def ceilband(Aphk, Bphk, Ghk, U, Yk, w, Nbnd, Delayk, SliceSamp, CV_INTk):
    na, nu = len(Aphk) - 1, U.shape[1]
    P = na * (nu + 1)
    Gf = np.abs(scipy.signal.freqz(*scipy.signal.butter(6, 0.1), worN=w)[1])
    Ud = add_dly(U, Delayk)
    E = scipy.signal.lfilter(Aphk, [1.0], np.ravel(Yk)) - sum(
        scipy.signal.lfilter(b, [1.0], Ud[:, j]) for j, b in enumerate(np.atleast_2d(Bphk)))
    Us, Es = U[SliceSamp - 1], E[SliceSamp - 1, None]
    N = Us.shape[0]
    M = min(round(N / 8), 150)
    Ut, Et = Us[M - 1:N, :], Es[M - 1:N]
    Phi = crsspct(np.hstack([Ut, Et]), 300, w)
    FiD = np.abs(np.array([np.diag(np.linalg.inv(F[:nu + 1, :nu + 1])) for F in Phi]))
    Phiv = np.abs(scipy.signal.freqz([1] + [0] * na, Aphk, worN=w)[1]) ** 2 * np.var(Et[na - 1:], ddof=1)
    c = na / Nbnd * (Nbnd + P) / (Nbnd - P)
    BNDk = np.column_stack([3 * np.sqrt(c * Phiv * FiD[:, i]) for i in range(nu)])
    K = np.arange(4) if CV_INTk == 1 else np.arange(10)
    Gradek, nonDk = np.full(nu, "?"), np.ones(nu)
    for i in range(nu):
        W = Gf[K] * np.abs(Ghk[K, i])
        r = np.sum(BNDk[K, i] * W) / np.sum(np.abs(Ghk[K, i]) * W)
        for limit, grade in ((0.3, "A"), (0.6, "B"), (0.99, "C"), (np.inf, "D")):
            if r <= limit:
                Gradek[i], nonDk[i] = grade, 0.0 if grade == "D" else 1.0
                break
    return Gradek, nonDk, BNDk


def freqshrink(Ah, Bh, Weight, Weight1, n, iter, w):
    nu, N = Bh.shape[0], len(w)
    Loss, nc = np.zeros(iter), min(n, 4)
    X = np.exp(-1j * np.outer(w, np.arange(n + 1)))
    Gh, Nh = misofrq(Ah, Bh, w), misofrq(Ah, [[1] + [0] * n], w)
    Wt, Wn = Weight1, np.ones((N, 1))
    for i in range(iter):
        blocks = []
        for part in (np.real, np.imag):
            P = lambda A, B: part(A).T @ part(B)
            M, L, C, g, gb = np.zeros((n, n)), [], [], 0, []
            for j in range(nu):
                Wg = (Wt[:, j] * Gh[:, j]).reshape(-1, 1)
                Ra, Rb = -X[:, 1:] * Wg, X * Wt[:, j, None]
                M = M + P(Ra, Ra)
                L.append(P(Rb, Rb))
                C.append(P(Ra, Rb))
                g = g + P(Ra, Wg)
                gb.append(P(Rb, Wg))
            C = np.hstack(C)
            blocks.append((np.block([[M, C], [C.T, scipy.linalg.block_diag(*L)]]), np.vstack([g, *gb])))
        theta = np.linalg.solve(blocks[0][0] + blocks[1][0], blocks[0][1] + blocks[1][1]).ravel()
        Ap, Bp = stabpoly(np.r_[1, theta[:n]]), theta[n:].reshape(nu, n + 1)
        Loss[i] = np.sum(np.abs(Weight * (Gh - misofrq(Ap, Bp, w))) ** 2)
        Wt = Weight * misofrq(Ap, [[1] + [0] * n], w)
        Phi = np.hstack([X[:, 1:nc + 1] * Wn, -X[:, 1:nc + 1] * Wn * Nh])
        Nd = Nh - 1
        thetac = np.linalg.lstsq(np.vstack([Phi.real, Phi.imag]), np.vstack([Nd.real, Nd.imag]), rcond=None)[0].ravel()
        Cp, Dp = stabpoly(np.r_[1, thetac[:nc]]), stabpoly(np.r_[1, thetac[nc:]])
        Wn = misofrq(Dp, [[1] + [0] * nc], w)
    return Ap, Bp, Cp, Dp, Loss


def compactfit(Aphk, Bphk, Ghk, U, Y, Delay, SlSampk, BNDk, wln):
    Y = np.asarray(Y, dtype=float).reshape(len(Y), -1)
    N, nu = len(Y[SlSampk - 1]), U.shape[1]
    W, Ud = 1.0 / BNDk, add_dly(U, Delay)
    candidates, scores = [], []
    for n in range(1, 11):
        Ap, Bp = freqshrink(Aphk, Bphk, W, W, n, 20, wln)[:2]
        candidates.append((Ap, Bp))
        E = (Y - misosim(Ap, Bp, Ud))[SlSampk - 1]
        asyc = 1e30
        if max(np.abs(E)) < 1e31:
            d = (nu + 1) * (n + 1)
            asyc = (N + d) / (N - d) * np.var(E[min(50, round(N / 10)):]) * (1 + 0.03 * n)
            asyc *= 30 if np.var(E) / np.var(Y) > 30 else 1
        scores.append(asyc)
    return candidates[int(np.argmin(np.where(np.isnan(scores), np.inf, scores)))]
