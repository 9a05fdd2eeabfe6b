"""Plants with known parameters for the reduction tests: zero-order-hold
discretisations by scipy.signal.cont2discrete, with the dead time held apart
as the identification produces it, joined into one-output models over a
common denominator and stacked into a multivariable model."""

import numpy as np
from scipy.signal import cont2discrete

from vantrelpid import _utilities as u


def zoh(num, den, h=1.0):
    """(b, a) in powers of z^-1; b begins with the 0 of the one-sample hold."""
    b, a, _ = cont2discrete((num, den), h, method="zoh")
    return np.ravel(b), np.asarray(a, dtype=float)


def fopdt(K, T, h=1.0):
    a = np.exp(-h / T)
    return np.array([0.0, K * (1 - a)]), np.array([1.0, -a])


def sopdt(K, T1, T2, h=1.0):
    return zoh([K], np.polymul([T1, 1.0], [T2, 1.0]), h)


def underdamped(K, wn, zeta, h=1.0):
    return zoh([K * wn * wn], [1.0, 2 * zeta * wn, wn * wn], h)


def common_denominator(pairs):
    """One output's (den, num) from the (b, a, extra_delay) of its inputs:
    the product of the denominators, each numerator times the others' and
    shifted by its extra delay, all padded to one length."""
    den = np.array([1.0])
    for _, a, _ in pairs:
        den = np.convolve(den, a)
    rows = []
    for k, (b, _, extra) in enumerate(pairs):
        row = np.concatenate([np.zeros(extra), b])
        for m, (_, a, _) in enumerate(pairs):
            if m != k:
                row = np.convolve(row, a)
        rows.append(row)
    n = max(len(den), *(len(r) for r in rows))
    num = np.array([np.concatenate([r, np.zeros(n - len(r))]) for r in rows])
    return np.concatenate([den, np.zeros(n - len(den))]), num


def stacked(models):
    """The stacked state-space model and its orders from [(den, num), ...]."""
    parts = [u.armax2ss(den, num) for den, num in models]
    A, B, C, D = parts[0]
    for Ai, Bi, Ci, Di in parts[1:]:
        A, C, B, D = u.tt_ac(A, Ai), u.tt_ac(C, Ci), u.tt_bd(B, Bi), u.tt_bd(D, Di)
    return (A, B, C, D), [p[0].shape[0] for p in parts]


def three_input_output():
    """A first-order lag, an underdamped pair with 3 samples of extra dead
    time and a negative gain with 2, over one common denominator."""
    return common_denominator([
        (*fopdt(1.0, 10.0), 0),
        (*underdamped(1.0, 0.3, 0.4), 3),
        (*fopdt(-0.7, 5.0), 2),
    ])
