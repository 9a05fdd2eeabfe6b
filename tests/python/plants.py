# Plants with known parameters, sampled exactly: zero-order hold by
# scipy.signal.cont2discrete, dead times of whole samples. Loop records are
# driven by binary test sequences, with white noise from a generator of their
# own (numpy's global one is left to the code under test).

import functools

import numpy as np
from scipy.signal import cont2discrete, lfilter

from vantrelpid import _utilities as u
from vantrelpid.tools.binseq import binseq


def sampled(num, den, h=1.0, dead=0):
    """(b, a) in powers of z^-1 of num/den e^(-dead h s) behind the hold: b begins with the hold's zero."""
    b, a, _ = cont2discrete((num, den), h, method="zoh")
    return np.r_[np.zeros(dead), np.ravel(b)], np.asarray(a, dtype=float)


def fopdt(K, T, h=1.0):
    a = np.exp(-h / T)
    return np.array([0.0, K * (1 - a)]), np.array([1.0, -a])


def loop_record(plants, N, Tsw=12, Ts=1.0, noise=0.03, seed=7, level=0.0, noise_seed=None):
    """u (N x nu), y (N x ny) and noise-free y0 of plants[i][j] = (num, den, dead samples) from input j to
    output i; each output with white noise of `noise` times its deviation, plus `level`."""
    state = np.random.get_state()
    u = np.column_stack([binseq(N, Tsw, 1, 10000, seed + j) for j in range(len(plants[0]))])
    np.random.set_state(state)
    rng = np.random.default_rng(seed if noise_seed is None else noise_seed)
    y0 = np.column_stack([sum(lfilter(*sampled(num, den, Ts, dead), u[:, j]) for j, (num, den, dead) in enumerate(row))
                          for row in plants])
    y = y0 + np.column_stack([noise * np.std(c) * rng.standard_normal(N) for c in y0.T]) + level
    return u, y, y0


class Loop:
    """One loop: u, y (N x 1), the noise-free y0 and the exact sampled unit step of 3000 samples."""

    def __init__(self, num, den, N, Tsw=12, Ts=1.0, dead=0, noise=0.03, level=50.0):
        self.Ts, self.level = Ts, level
        self.u, self.y, self.y0 = loop_record([[(num, den, dead)]], N, Tsw, Ts, noise, 107, level, noise_seed=7)
        self.step = lfilter(*sampled(num, den, Ts, dead), np.ones(3000))


def common_denominator(pairs):
    """One output's (den, num) over the product of its inputs' denominators, from their (b, a, extra delay)."""
    den = functools.reduce(np.convolve, [a for _, a, _ in pairs])
    rows = [functools.reduce(np.convolve, [a for m, (_, a, _) in enumerate(pairs) if m != k], np.r_[np.zeros(extra), b])
            for k, (b, _, extra) in enumerate(pairs)]
    n = max(len(den), *map(len, rows))
    return np.r_[den, np.zeros(n - len(den))], np.array([np.r_[r, np.zeros(n - len(r))] for r in rows])


def stacked(models):
    """The stacked state-space model and its orders from [(den, num), ...]."""
    parts = [u.armax2ss(den, num) for den, num in models]
    A, B, C, D = parts[0]
    for Ai, Bi, Ci, Di in parts[1:]:
        A, C, B, D = u.tt_ac(A, Ai), u.tt_ac(C, Ci), u.tt_bd(B, Bi), u.tt_bd(D, Di)
    return (A, B, C, D), [p[0].shape[0] for p in parts]


def three_input_output():
    """A lag, an underdamped pair with 3 samples of extra dead time and a negative gain with 2."""
    return common_denominator([(*fopdt(1.0, 10.0), 0), (*sampled([0.09], [1.0, 0.24, 0.09]), 3),
                               (*fopdt(-0.7, 5.0), 2)])
