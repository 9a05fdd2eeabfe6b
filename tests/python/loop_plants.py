"""Loop records of plants with known parameters: continuous transfer
functions sampled exactly with the zero-order hold, dead times of whole
samples, driven by binary test sequences, with white measurement noise from
a generator of their own (numpy's global one is left to the code under test)."""

import numpy as np
from scipy.signal import cont2discrete, lfilter

from vantrelpid.tools.binseq import binseq

STEP_SAMPLES = 3000


def sampled(num, den, Ts, dead_samples):
    """(b, a) in powers of z^-1 of num(s)/den(s) e^(-dead_samples Ts s)
    behind the zero-order hold: b begins with the hold's zero."""
    b, a, _ = cont2discrete((num, den), Ts, method="zoh")
    b = np.concatenate([np.zeros(dead_samples), np.ravel(b)])
    return b, np.asarray(a, dtype=float)


def exact_step(num, den, Ts, dead_samples, n=STEP_SAMPLES):
    """The sampled unit-step response of the plant."""
    b, a = sampled(num, den, Ts, dead_samples)
    return lfilter(b, a, np.ones(n))


def gain(num, den):
    """The static gain of num/den, or of num/(den / s) for an integrator."""
    num, den = np.atleast_1d(num), np.atleast_1d(den)
    if den[-1] == 0:
        den = den[:-1]
    return num[-1] / den[-1]


class LoopRecord:
    """One test: u (N x 1), y (N x 1) and the noise-free output y0."""

    def __init__(self, num, den, N, Tsw, Ts=1.0, dead_samples=0, noise=0.03, seed=7, level=50.0):
        self.num, self.den, self.Ts, self.dead_samples = num, den, Ts, dead_samples
        state = np.random.get_state()
        u = binseq(N, Tsw, 1, 10000, 100 + seed)
        np.random.set_state(state)
        b, a = sampled(num, den, Ts, dead_samples)
        self.y0 = lfilter(b, a, u)
        rng = np.random.default_rng(seed)
        y = self.y0 + noise * np.std(self.y0) * rng.standard_normal(N) + level
        self.u = u.reshape(-1, 1)
        self.y = y.reshape(-1, 1)
        self.level = level

    def step(self):
        return exact_step(self.num, self.den, self.Ts, self.dead_samples)


def mimo_record(plants, N, Tsw=12, Ts=1.0, noise=0.03, seed=11):
    """Inputs (N x nu) and outputs (N x ny) of plants[i][j] = (num, den,
    dead_samples) from input j to output i, each output with white noise of
    `noise` times its deviation."""
    ny, nu = len(plants), len(plants[0])
    state = np.random.get_state()
    u = np.column_stack([binseq(N, Tsw, 1, 10000, seed + j) for j in range(nu)])
    np.random.set_state(state)
    rng = np.random.default_rng(seed)
    y = np.zeros((N, ny))
    for i in range(ny):
        for j in range(nu):
            num, den, dead = plants[i][j]
            b, a = sampled(num, den, Ts, dead)
            y[:, i] += lfilter(b, a, u[:, j])
        y[:, i] += noise * np.std(y[:, i]) * rng.standard_normal(N)
    return u, y
