"""Benchmark of the tuning modules against numpy transcriptions of their
rules, loop by loop as the rules are written, in the same run.

    python bench/tuning.py [--only NAME] [--no-memory]

The ratio column is the transcription's time divided by ours (above 1: ours
is faster).
"""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Case, main  # noqa: E402

from vantrelpid.formswap import formswap  # noqa: E402
from vantrelpid.knobsfeed import knobsfeed  # noqa: E402
from vantrelpid.knobsmulti import knobsmulti  # noqa: E402


def knobsmulti_transcription(Apc_tn, Bpc_tn, Delayc, CV_INT, Tcl):
    ny = Apc_tn.shape[0]
    PID_sp, PID_load = np.zeros((ny, 3)), np.zeros((ny, 3))
    for i in range(ny):
        Ac, Bc, d, INT, lc = Apc_tn[i, :], Bpc_tn[i, :], Delayc[i, i], CV_INT[i], Tcl[i]
        if (Ac[2] == 0) != (Bc[2] == 0):
            raise ValueError("Ac and Bc degrees not equal")
        if Ac[2] == 0:
            Ac, Bc = Ac[:2], Bc[:2]
        if len(Ac) == 2:
            T, K = Ac[0] / Ac[1], Bc[1] / Ac[1]
            if INT == 0:
                PIDs = [1 / K * (T + d / 2) / (lc + d / 2), T + d / 2, T * d / (2 * T + d)]
                PIDl = [T / K * (2 * lc + d) / (lc + d / 2) ** 2, 2 * lc + d, (lc * d + d ** 2 / 4) / (2 * lc + d)]
            else:
                PIDs = PIDl = [1 / K * (2 * lc + T + d) / (lc + d) ** 2, 2 * lc + T + d, (2 * lc + d) * T / (2 * lc + T + d)]
        else:
            K, Tz = Bc[2] / Ac[2], Bc[1] / Bc[2]
            r = np.roots(Ac)
            real = r[0] == np.real(r[0])
            if real:
                T1, T2 = -1 / min(r), -1 / max(r)
            tau = np.sqrt(Ac[0] / Ac[2])
            zeta = Ac[1] / (2 * tau * Ac[2])
            if Tz >= 0 and real:
                Tzp = min(Tz, 0.5 * (T1 + T2))
                Ti = T1 + T2 - Tzp
                PIDs = [1 / K * (T1 + T2 - Tzp) / (lc + d), Ti, max((T1 * T2 - (T1 + T2 - Tzp) * Tzp) / Ti, 0)]
                PIDl = [PIDs[0], min(Ti, 2 * lc + d), PIDs[2]]
            elif real:
                lam = lc - Tz + d
                Ti = T1 + T2 - Tz * d / lam
                PIDs = [1 / K * (T1 + T2 - Tz * d / lam) / lam, Ti, -Tz * d / lam + T1 * T2 / Ti]
                PIDl = [PIDs[0], min(Ti, 2 * lc + d), PIDs[2]]
            elif Tz >= 0:
                Tzp = min(Tz, 1.6 * zeta * tau)
                Ti = 2 * zeta * tau - Tzp
                PIDs = PIDl = [1 / K * (2 * zeta * tau - Tzp) / (lc + d), Ti, max((tau ** 2 - Ti * Tzp) / Ti, 0)]
            else:
                lam = lc - Tz + d
                Ti = 2 * zeta * tau - Tz * d / lam
                PIDs = PIDl = [1 / K * (2 * zeta * tau - Tz * d / lam) / lam, Ti, -Tz * d / lam + tau ** 2 / Ti]
        PID_sp[i, :], PID_load[i, :] = PIDs, PIDl
    return PID_sp, PID_load


def knobsfeed_transcription(Tau_1, Gain_1, Delayc, CV_INT):
    if Tau_1.shape != Gain_1.shape or Tau_1.shape != Delayc.shape:
        raise ValueError("Input matrices must have the same dimensions")
    ny, nu = Tau_1.shape
    if nu == ny:
        return None, None, None, None, "Number of inputs not larger than the number of outputs, no feedforward variables"
    if max(CV_INT) == 1:
        return None, None, None, None, "There are integrators, no feedforward will be designed"
    nff = nu - ny
    K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff = (np.zeros((ny, nff)) for _ in range(4))
    for i in range(ny):
        for j in range(nff):
            K_ff[i, j] = 0.88 * Gain_1[i, ny + j] / Gain_1[i, i]
            Tau_lag_ff[i, j] = max(Tau_1[i, ny + j], Tau_1[i, i] / 3)
            Tau_lead_ff[i, j] = Tau_1[i, i]
            Delayc_ff[i, j] = max(0, Delayc[i, ny + j] - Delayc[i, i])
    return K_ff, Tau_lag_ff, Tau_lead_ff, Delayc_ff, "OK"


def formswap_transcription(PID, Type):
    if len(PID) != 3:
        raise ValueError("Number of PID parameters is not 3")
    K, Ti, Td = PID
    if Type == "nonint":
        D = min(Td, 0.25 * Ti)
        R = np.sqrt(1 - 4 * D / Ti)
        return [np.real(K / 2 * (1 + R)), np.real(Ti / 2 * (1 + R)), np.real(Ti / 2 * (1 - R))]
    if Type == "int":
        return [K * (Ti + Td) / Ti, Ti + Td, Ti * Td / (Ti + Td)]
    raise ValueError("Type unknown")


MODELS = {  # the six cases: Apc_tn row, Bpc_tn row, flag
    1: ([10.0, 1, 0], [0, 2, 0], 0), 2: ([10.0, 1, 0], [0, 2, 0], 1), 3: ([50.0, 15, 1], [0, 4, 2], 0),
    4: ([50.0, 15, 1], [0, -4, 2], 0), 5: ([100.0, 10, 1], [0, 2, 2], 0), 6: ([100.0, 10, 1], [0, -4, 2], 0),
}


def knobsmulti_setup(cases):
    def setup():
        Apc, Bpc, flags = zip(*(MODELS[c] for c in cases))
        delays = np.arange(2.0, 2.0 + len(cases))
        return np.array(Apc), np.array(Bpc), np.diag(delays) + 1, list(flags), list(3 * delays)
    return setup


def knobsfeed_setup():
    rng = np.random.default_rng(3)
    ny, nu = 5, 11
    return rng.uniform(1, 20, (ny, nu)), rng.uniform(-3, 3, (ny, nu)), rng.uniform(0, 6, (ny, nu)), [0] * ny


def formswap_setup():
    """Parameter lists of Python floats, timed 1000 calls at a time (one call is below the timer's resolution)."""
    rng = np.random.default_rng(4)
    Ti = rng.uniform(1, 100, 1000)
    return [[float(K), float(T), float(D)] for K, T, D in zip(rng.uniform(0.1, 5, 1000), Ti, rng.uniform(0, 0.3, 1000) * Ti)]


def check(ours, reference, data):
    """The timed calls agree before they are timed."""
    for a, b in zip(ours(data), reference(data)):
        if isinstance(a, str) or isinstance(b, str):
            assert a == b
        else:
            np.testing.assert_allclose(a, b, rtol=1e-12)   # the same operations; the roots differ in rounding


CASES = [
    Case("knobsmulti, 5 loops, cases 1 2 3 4 5", knobsmulti_setup([1, 2, 3, 4, 5]),
         lambda d: knobsmulti(*d), lambda d: knobsmulti_transcription(*d), repeat=20),
    Case("knobsmulti, 5 loops, cases 6 5 4 3 1", knobsmulti_setup([6, 5, 4, 3, 1]),
         lambda d: knobsmulti(*d), lambda d: knobsmulti_transcription(*d), repeat=20),
    Case("knobsfeed, 5 loops x 6 disturbances", knobsfeed_setup,
         lambda d: knobsfeed(*d), lambda d: knobsfeed_transcription(*d), repeat=20),
    Case("formswap nonint, 1000 x 3 Python floats", formswap_setup,
         lambda d: [formswap(p, "nonint") for p in d], lambda d: [formswap_transcription(p, "nonint") for p in d],
         repeat=20),
    Case("formswap int, 1000 x 3 Python floats", formswap_setup,
         lambda d: [formswap(p, "int") for p in d], lambda d: [formswap_transcription(p, "int") for p in d],
         repeat=20),
]

if __name__ == "__main__":
    if "--rss" not in sys.argv:
        for case in CASES:
            check(case.ours, case.reference, case.setup())
    main(CASES, os.path.abspath(__file__))
