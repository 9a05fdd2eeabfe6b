"""Benchmark of the numerical utility layer against the same work done with
scipy.signal / numpy in the same run.

    python bench/utilities.py [--only NAME] [--no-memory]

The ratio column is scipy's time divided by ours (above 1: ours is faster).
"""

import os
import sys

import numpy as np
from scipy import signal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Case, main  # noqa: E402

from vantrelpid import _utilities as u  # noqa: E402

GRID = np.concatenate([np.linspace(1e-4, 100, 100, endpoint=False) / 100 * np.pi, 3.14 * np.logspace(-4, 0, 75)])


def arx_model(order, n_inputs, seed=0):
    rng = np.random.default_rng(seed)
    radii, angles = rng.uniform(0.3, 0.9, order // 2), rng.uniform(0.05, 3.0, order // 2)
    poles = np.concatenate([radii * np.exp(1j * angles), radii * np.exp(-1j * angles)])
    return np.real(np.poly(poles)), rng.standard_normal((n_inputs, order + 1))


def highpass_setup():
    x = np.random.default_rng(1).standard_normal(1_000_000).cumsum()
    b, a = signal.butter(4, 0.002, "high")
    return x, b, a


def highpass_columns_setup():
    X = np.random.default_rng(4).standard_normal((1_000_000, 6)).cumsum(axis=0)
    b, a = signal.butter(4, 0.002, "high")
    return X, b, a


def misosim_setup():
    A, B = arx_model(22, 6)
    return A, B, np.random.default_rng(2).standard_normal((100_000, 6))


def misosim_reference(data):
    A, B, U = data
    return sum(signal.lfilter(B[j], A, U[:, j]) for j in range(U.shape[1]))


def misofrq_setup():
    A, B = arx_model(22, 6, seed=3)
    return A, B, GRID


def misofrq_reference(data):
    A, B, w = data
    return np.column_stack([signal.freqz(B[j], A, worN=w)[1] for j in range(len(B))])


SECOND_ORDER = ([0.0, 2.0, 1.5], [12.0, 7.0, 1.0])

CASES = [
    Case("4th-order high-pass, 1e6 samples",
         highpass_setup,
         lambda d: u.hipass(d[0], 0.002),
         lambda d: signal.lfilter(d[1], d[2], d[0])),
    Case("the same on 6 columns (axis 0), 1e6 x 6",
         highpass_columns_setup,
         lambda d: u.hipass(d[0], 0.002),
         lambda d: signal.lfilter(d[1], d[2], d[0], axis=0),
         repeat=3),
    Case("misosim, 6 inputs, order 22, 1e5 samples",
         misosim_setup,
         lambda d: u.misosim(*d),
         misosim_reference),
    Case("c2dm2 of a second-order model",
         lambda: SECOND_ORDER,
         lambda d: u.c2dm2(d[0], d[1], 1.0, "zoh"),
         lambda d: signal.cont2discrete((d[0][1:], d[1]), 1.0, method="zoh"),
         repeat=2000),
    Case("misofrq, 175 frequencies, 6 inputs, order 22",
         misofrq_setup,
         lambda d: u.misofrq(*d),
         misofrq_reference,
         repeat=200),
]

if __name__ == "__main__":
    main(CASES, os.path.abspath(__file__))
