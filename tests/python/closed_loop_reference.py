"""The closed-loop simulators rebuilt on scipy: the controller polynomials of the
ten PID form codes, the zero-order hold by scipy.signal.cont2discrete, products by
np.convolve, responses by lfilter and amplitudes by freqz. Used by the tests and
the benchmark."""

import numpy as np
from scipy import signal

N = 3000
UNSTABLE = "Closed-loop system unstable! Increase Tcl"
CODES = ("Nonint A", "Int A", "Nonint B", "Int B", "Nonint PonP DonE", "Int PonP DonE",
         "Nonint C", "Int C", "Fox Nonint", "Fox Int")
TWO_DOF_CODES = CODES[2:]


def controller(pid, code, spllag, weighted_fox):
    """(single_numerator, D, N1, N2) of a form code, descending powers of s."""
    K, Ti, Td = pid
    D = [0.1 * Ti * Td, Ti, 0.0]
    ideal = K * np.array([1.1 * Ti * Td, Ti + 0.1 * Td, 1.0])
    series = K * np.array([Ti * Td, Ti + Td, 1.0])
    pi = K * np.array([0.1 * Ti * Td, Ti + 0.1 * Td, 1.0])
    i_only = K * np.array([0.1 * Td, 1.0])
    table = {"Nonint A": (ideal, ideal), "Int A": (series, series), "Nonint B": (pi, ideal),
             "Int B": (pi, series), "Nonint PonP DonE": (ideal, pi), "Int PonP DonE": (series, pi),
             "Nonint C": (i_only, ideal), "Int C": (i_only, series)}
    if code in table:
        return (code in ("Nonint A", "Int A"), np.array(D)) + table[code]
    if code == "Fox Nonint":
        tau, middle = Td / 10, Ti
    else:
        tau = 0.33 * Ti * Td / (10 * (Ti + 0.33 * Td)) if weighted_fox else Ti * Td / (10 * (Ti + Td))
        middle = Ti + Td
    D = np.array([0.5 * Ti * tau**2, Ti * tau, Ti, 0.0])
    N1 = K * np.array([0.5 * spllag * Ti * tau**2, spllag * Ti * tau + 0.5 * tau**2, spllag * Ti + tau, 1.0])
    return False, D, N1, K * np.array([0.0, Ti * Td, middle, 1.0])


def hold(num, den, Ts):
    """Zero-order hold of num/den by cont2discrete: (numd, dend) of equal length."""
    num, den = np.trim_zeros(np.atleast_1d(np.asarray(num, float)), "f"), np.trim_zeros(np.asarray(den, float), "f")
    if num.size == 0:
        num = np.zeros(1)
    if den.size == 1:
        return num / den[0], np.array([1.0])
    numd, dend, _ = signal.cont2discrete((num, den), Ts, method="zoh")
    numd = np.ravel(numd)
    return np.concatenate([np.zeros(dend.size - numd.size), numd]), dend


def package_hold(num, den, Ts):
    """The package's own zero-order hold (its private utility module). On it the padded computation differs
    from the simulators by rounding alone: the two holds' differences, which slow loops amplify, are left out."""
    from vantrelpid import _utilities
    return tuple(np.ravel(x) for x in _utilities.c2dm2(np.asarray(num, float), np.asarray(den, float), Ts, "zoh"))


def fold(pair, nd):
    """A dead time of nd samples folded into a discrete pair."""
    return np.pad(pair[0], (nd, 0)), np.pad(pair[1], (0, nd))


def amplitude(b, a, w):
    """|b/a| at w. Curves are taken factor by factor: near z = 1 a product of polynomials that both vanish
    there (integral action) is far smaller than its coefficients, and its rounding would be all that is left."""
    return np.abs(signal.freqz(b, a, worN=w)[1])


def relative(a, b):
    """The largest deviation of a from b relative to b's peak."""
    return np.max(np.abs(a - b)) / np.max(np.abs(b))


def loop_plant(Apc, Bpc, INT):
    if INT == 1:
        return np.append(Apc, 0), np.insert(np.asarray(Bpc, float), 0, 0)
    return np.asarray(Apc, float), np.asarray(Bpc, float)


def loopsim(Apc, Bpc, Delay, BND, INT, PID, Type, Ts, w, SPLLAG, Tauf):
    """(Ysp, Usp, Yld, Uld, Robust) or UNSTABLE."""
    step = np.ones(N)
    Apc, Bpc = loop_plant(Apc, Bpc, INT)
    nd = int(np.floor(Delay / Ts))
    B, A = fold(hold(Bpc, Apc, Ts), nd)
    Bf, Af = hold([0, 1], [Tauf, 1], Ts)
    one_dof, D, N1, N2 = controller(PID, Type, SPLLAG, False)
    conv = np.convolve
    if one_dof:
        Bc, Ac = hold(N1, D, Ts)
        BLp, _ = fold(hold(conv(N1, Bpc), conv(D, Apc), Ts), nd)
        BLFp, ALFp = fold(hold(conv(conv([0, 1], N1), Bpc), conv(conv([Tauf, 1], D), Apc), Ts), nd)
        S = ALFp + BLFp
        Ysp = signal.lfilter(conv(Af, BLp), S, step)
        Uld = signal.lfilter(ALFp, S, step)
        Usp = signal.lfilter(Bc, Ac, Uld)
        Yld = signal.lfilter(conv(conv(B, Ac), Af), S, step)
        if not (np.max(np.abs(Ysp)) <= 100 and np.max(np.abs(Yld)) <= 1000):
            return UNSTABLE
        Robust = BND * amplitude(Bc, Ac, w) * amplitude(ALFp, S, w)
    else:
        D, N1, N2 = conv(D, [Tauf, 1]), conv(N1, [Tauf, 1]), conv(N2, [0, 1])
        Bp, Ap = fold(hold(conv(N2, Bpc), conv(D, Apc), Ts), nd)
        S = Ap + Bp
        Uld = signal.lfilter(Ap, S, step)
        B1, _ = hold(N1, D, Ts)
        B2, A2 = hold(N2, D, Ts)
        C = conv(A2, A) + conv(B2, B)
        Ysp = signal.lfilter(conv(B1, B), C, step)
        Usp = signal.lfilter(conv(Ap, B1), conv(S, A2), step)
        Yld = signal.lfilter(conv(A2, B), C, step)
        if not (np.max(np.abs(Ysp)) <= 1000 and np.max(np.abs(Yld)) <= 1000):
            return UNSTABLE
        Robust = BND * amplitude(B2, A2, w) * amplitude(Ap, S, w)
    if INT == 1:
        Robust = Robust / w
    return Ysp, Usp, Yld, Uld, Robust


def tracksim(Apc, Bpc, Delay, INT, PID, Type, Ts, w, SPLLAG):
    """(Ysp, Usp, Yld, Uld, StepRes, FreqRes) or UNSTABLE."""
    nr = round(Delay / Ts)
    B0, A0 = hold(Bpc, Apc, Ts)
    StepRes = signal.lfilter(B0, A0, np.concatenate([np.zeros(nr), np.ones(N)])[:N])
    FreqRes = amplitude(B0, A0, w)
    Apc, Bpc = loop_plant(Apc, Bpc, INT)
    nd = int(np.floor(Delay / Ts))
    B, A = fold(hold(Bpc, Apc, Ts), nd)
    step = np.ones(N)
    one_dof, D, N1, N2 = controller(PID, Type, SPLLAG, False)
    conv = np.convolve
    Bp, Ap = fold(hold(conv(N2, Bpc), conv(D, Apc), Ts), nd)
    S = Ap + Bp
    Uld = signal.lfilter(Ap, S, step)
    B1, A1 = hold(N1, D, Ts)
    if one_dof:
        Ysp = signal.lfilter(Bp, S, step)
        if not np.max(np.abs(Ysp)) <= 1000:
            return UNSTABLE
        Usp = signal.lfilter(B1, A1, Uld)
    else:
        Ysp = signal.lfilter(conv(conv(B, Ap), B1), conv(conv(A, S), A1), step)
        Usp = signal.lfilter(conv(Ap, B1), conv(S, A1), step)
    Yld = signal.lfilter(B, A, Uld)
    return Ysp, Usp, Yld, Uld, StepRes, FreqRes


def feedsim(Apc_tn, Bpc_tn, Delayc, Tau_1, Gain_1, PID, Type, FF, Ts, SPLLAG):
    """(Yff, Uff, Yff0, Uff0) for a single loop (ny = 1)."""
    nFF = Tau_1.shape[1] - 1
    r = np.ones(N)
    dly = np.round(np.asarray(Delayc) / Ts).astype(int)
    Ydist, Vff = np.zeros((N, nFF)), np.zeros((N, nFF))
    for i in range(nFF):
        Bd, Ad = fold(hold([0, Gain_1[1 + i]], [Tau_1[0, 1 + i], 1], Ts), dly[1 + i])
        Ydist[:, i] = signal.lfilter(Bd, Ad, r)
        Bff, Aff = fold(hold([FF[i, 0] * FF[i, 2], FF[i, 0]], [FF[i, 1], 1], Ts), int(np.round(FF[i, 3] / Ts)))
        Vff[:, i] = signal.lfilter(Bff, Aff, r)
    Bpd, Apd = fold(hold(Bpc_tn, Apc_tn, Ts), dly[0])
    _, D, _, N2 = controller(PID, Type, SPLLAG, True)
    Bcd, Acd = hold(N2, D, Ts)
    Bol, Aol = fold(hold(np.convolve(N2, Bpc_tn), np.convolve(D, Apc_tn), Ts), dly[0])
    Acl = Aol + Bol
    Yff0 = signal.lfilter(Aol, Acl, Ydist, axis=0)
    Uff0 = -signal.lfilter(np.convolve(Apd, Bcd), Acl, Ydist, axis=0)
    Yff = Yff0 - signal.lfilter(np.convolve(Acd, Bpd), Acl, Vff, axis=0)
    Uff = Uff0 - signal.lfilter(Aol, Acl, Vff, axis=0)
    return Yff, Uff, Yff0, Uff0


# The two plants of the tests and the benchmark, each with a PID that keeps every
# code's loop stable: 2 e^-5s / (10 s + 1) and 2 e^-3s / (s (5 s + 1)).
LAG = dict(Apc=np.array([10.0, 1.0]), Bpc=np.array([0.0, 2.0]), Delay=5.0, INT=0, PID=[0.4, 10.0, 1.0])
INTEGRATING = dict(Apc=np.array([5.0, 1.0]), Bpc=np.array([0.0, 2.0]), Delay=3.0, INT=1, PID=[0.06, 40.0, 2.0])
PLANTS = {"lag": LAG, "integrating": INTEGRATING}
W = 3.14 * np.logspace(-4, 0, 75)
BND = np.linspace(0.05, 0.5, 75)
