"""Benchmark of the cascade outer-loop model: one twotier call beside a
numpy/scipy transcription of the same steps (cont2discrete, convolve, eig,
freqz, and the tests' reduction reference in place of pairtrim), and beside
pairtrim alone on the same discrete model, in the same run.

    python bench/cascade.py [--only NAME] [--no-memory]

The stable test cascade: outer process 2/(20s + 1) with 5 samples of dead
time, inner process 1/(5s + 1) with 1.9 samples, PID2 [1, 5, 2], Ts1 = 1.
The ratio column is the transcription's time divided by ours; the pairtrim
rows have no reference, their time is the floor of a twotier call; the last
row is the model alone (its cost above that floor). Times are
the best of 15 runs: a call takes a few milliseconds.
"""

import os
import sys
import warnings

import numpy as np
from scipy.signal import BadCoefficients, cont2discrete, freqz

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))
from harness import Case, main  # noqa: E402

import reduction_reference as ref  # noqa: E402
from vantrelpid import _utilities as u  # noqa: E402
from vantrelpid.tools.pairtrim import pairtrim  # noqa: E402
from vantrelpid.twotier import twotier  # noqa: E402

W = np.logspace(np.log10(3.14e-4), np.log10(3.14), 75)


def arguments(Type2):
    mv = np.random.default_rng(3).standard_normal(2000)
    return dict(Ac1=[20.0, 1.0], Bc1=[2.0], CV_INT1=0, Delayc1=5.0, BND1=np.full(75, 0.1), Ts1=1.0,
                Ac2=[5.0, 1.0], Bc2=[1.0], Delayc2=1.9, PID2=[1.0, 5.0, 2.0], Type2=Type2, w=W, SPLLAG2=0.5,
                MVdata1=mv, SPdata2=mv)


def zoh(num, den, Ts):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", BadCoefficients)
        b, a, _ = cont2discrete((num, den), Ts, method="zoh")
    return np.ravel(b), np.asarray(a, dtype=float)


def controller(K, Ti, Td, Type):
    D = np.array([0.1 * Ti * Td, Ti, 0])
    ideal, series = K * np.array([1.1 * Ti * Td, Ti + 0.1 * Td, 1]), K * np.array([Ti * Td, Ti + Td, 1])
    pi_ = K * np.array([0.1 * Ti * Td, Ti + 0.1 * Td, 1])
    return {"Int A": (D, series, series), "Nonint B": (D, pi_, ideal)}[Type]


def discrete_model(a):
    """(CLn, CLd, num_cas, den_cas), the two-path loop with its common factor cancelled."""
    Ts, d2 = a["Ts1"], int(np.floor(a["Delayc2"] / a["Ts1"]))
    D, N1, N2 = controller(*a["PID2"], a["Type2"])
    num, den = zoh(np.convolve(N2, a["Bc2"]), np.convolve(D, a["Ac2"]), Ts)
    num, den = np.pad(num, (d2, 0)), np.pad(den, (0, d2))
    if a["Type2"] == "Int A":
        CLn, CLd = num, den + num
    else:
        CLn, CLd = np.convolve(np.pad(zoh(a["Bc2"], a["Ac2"], Ts)[0], (d2, 0)), zoh(N1, D, Ts)[0]), den + num
    Bd1, Ad1 = zoh(a["Bc1"], a["Ac1"], Ts)
    return CLn, CLd, np.convolve(CLn, Bd1), np.convolve(CLd, Ad1)


def state_space(den, num):
    """Observer canonical form of num/den in powers of z^-1."""
    n = len(den) - 1
    A = np.zeros((n, n))
    A[:, 0], A[:-1, 1:] = -den[1:], np.eye(n - 1)
    B = (num[1:] - num[0] * den[1:]).reshape(-1, 1)
    C = np.zeros((1, n))
    C[0, 0] = 1
    return A, B, C, np.array([[num[0]]])


def transcription(a):
    Ts, w = a["Ts1"], a["w"]
    CLn, CLd, num, den = discrete_model(a)
    FRQ = np.abs(freqz(num, den, worN=w)[1]).reshape(-1, 1)
    BND = np.reshape(a["BND1"], (-1, 1)) * np.abs(freqz(CLn, CLd, worN=w)[1]).reshape(-1, 1)
    A = state_space(den / den[0], num / den[0])[0]
    if np.max(np.abs(np.linalg.eigvals(A))) > 1 + 1e-6:
        return FRQ, BND, "Secondary (inner) loop unstable"
    d1 = int(np.floor(a["Delayc1"] / Ts))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)
        Ac1, Ac2, _, Bc1, Bc2, _, Delayc, ORDER, den_tn, num_tn, STP, p, q, STP1 = ref.pairtrim(
            [(den / den[0], num / den[0])], d1, [a["CV_INT1"]], Ts, u.d2cm2)
    n = int(ORDER[0, 0])
    Acas, Bcas = np.r_[1, Ac1[0, 0], Ac2[0, 0]][:n + 1], np.r_[0, Bc1[0, 0], Bc2[0, 0]][:n + 1]
    Acas, Bcas = Acas / Acas[-1], Bcas / Acas[-1]
    Acas_1, Bcas_1 = np.r_[1, p[0, 0]] / p[0, 0], np.r_[0, q[0, 0]] / p[0, 0]
    H1 = freqz(*zoh(Bcas_1, Acas_1, Ts), worN=w)[1].reshape(-1, 1)
    H = freqz(*zoh(Bcas, Acas, Ts), worN=w)[1].reshape(-1, 1)
    den_tn, num_tn = [r[:-1] if r[-1] == 0 else r for r in (den_tn[0], num_tn[0])]
    scale = np.std(a["SPdata2"], ddof=1) / np.std(a["MVdata1"], ddof=1)
    return (Acas, scale * Bcas, Delayc, STP, FRQ, BND, den_tn / den_tn[-1], scale * num_tn / den_tn[-1], Acas_1,
            Bcas_1, STP1, np.abs(H1), BND + np.abs(H - H1), "ok")


def pairtrim_setup(Type2):
    a = arguments(Type2)
    num, den = discrete_model(a)[2:]
    A, B, C, D = u.armax2ss(den, np.atleast_2d(num))
    return (A, B, C, D, len(den) - 1, int(np.floor(a["Delayc1"] / a["Ts1"])), [0], a["Ts1"])


CASES = []
for _code in ("Int A", "Nonint B"):
    CASES += [
        Case(f"twotier {_code}, Ts1 1", lambda c=_code: arguments(c), lambda a: twotier(**a), transcription, repeat=15),
        Case(f"pairtrim alone, {_code} model", lambda c=_code: pairtrim_setup(c), lambda d: pairtrim(*d), repeat=15),
    ]

# The model alone: an inner gain of 10 makes the loop unstable, so the call
# ends after the stability test, before the reduction.
CASES.append(Case("twotier model only (unstable, Nonint B)",
                  lambda: arguments("Nonint B") | dict(PID2=[10.0, 5.0, 2.0]),
                  lambda a: twotier(**a), transcription, repeat=50))

if __name__ == "__main__":
    main(CASES, os.path.abspath(__file__))
