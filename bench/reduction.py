"""Benchmark of the output-error fit and the pair-model reduction against a
numpy/scipy transcription of the same steps (numpy.linalg.lstsq,
scipy.signal.lfilter and convolve) in the same run.

    python bench/reduction.py [--only NAME] [--no-memory]

The ratio column is the transcription's time divided by ours (above 1: ours
is faster).
"""

import os
import sys
import warnings

import numpy as np
from scipy import signal

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))
from harness import Case, main  # noqa: E402

import reduction_reference as ref  # noqa: E402
from vantrelpid import _utilities as u  # noqa: E402
from vantrelpid.tools.outerrfit import outerrfit  # noqa: E402
from vantrelpid.tools.pairtrim import pairtrim  # noqa: E402

ORDERS = (4, 5, 7, 8, 10)  # per-output model orders of the 5 x 6 model
INPUTS = 6


def output_model(order, seed):
    """One output's ARX-like model: stable poles, one numerator row per input
    with the one-sample hold and 0 to 3 samples of further dead time."""
    rng = np.random.default_rng(seed)
    pairs = order // 2
    radii, angles = rng.uniform(0.6, 0.95, pairs), rng.uniform(0.02, 0.6, pairs)
    poles = np.concatenate([radii * np.exp(1j * angles), radii * np.exp(-1j * angles),
                            rng.uniform(0.7, 0.97, order - 2 * pairs)])
    den = np.real(np.poly(poles))
    num = np.zeros((INPUTS, order + 1))
    for j in range(INPUTS):
        delay = 1 + rng.integers(0, 4)
        num[j, delay:] = rng.standard_normal(order + 1 - delay)
        num[j] *= rng.uniform(0.5, 2.0) * np.sign(rng.standard_normal()) * den.sum() / num[j].sum()
    return den, num


def stacked_model():
    parts = [u.armax2ss(*output_model(n, seed)) for seed, n in enumerate(ORDERS)]
    A, B, C, D = parts[0]
    for Ai, Bi, Ci, Di in parts[1:]:
        A, C, B, D = u.tt_ac(A, Ai), u.tt_ac(C, Ci), u.tt_bd(B, Bi), u.tt_bd(D, Di)
    return A, B, C, D, list(ORDERS)


def pairtrim_setup():
    return stacked_model(), 1, [0, 0, 0, 0, 0], 1


def pairtrim_ours(data):
    model, Delay, CV_INT, Tident = data
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)
        return pairtrim(*model, Delay, CV_INT, Tident)


def pairtrim_reference(data):
    (A, B, C, D, ords), Delay, CV_INT, Tident = data
    models = [u.ss2armax(*u.get_sub(A, B, C, D, ords, i)) for i in range(len(ords))]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)
        return ref.pairtrim(models, Delay, CV_INT, Tident, u.d2cm2)


def outerrfit_setup():
    """The pair fit's record: the step-test input through a second-order
    plant with 3 samples of dead time, plus a little noise."""
    rng = np.random.default_rng(5)
    x = ref.create_input_signal()
    y = signal.lfilter([0.0, 0.02, 0.018], [1.0, -1.7, 0.81], np.concatenate([np.zeros(3), x[:-3]]))
    return x, y + 0.01 * rng.standard_normal(len(y))


CASES = [
    Case("pairtrim 5 x 6 pairs (orders 4-10)", pairtrim_setup, pairtrim_ours, pairtrim_reference, repeat=3),
    Case("outerrfit order 2, 2910 samples", outerrfit_setup,
         lambda d: outerrfit(d[0], d[1], [2, 2], 3, 10),
         lambda d: ref.outerrfit(d[0], d[1], [2, 2], 3, 10), repeat=10),
]

if __name__ == "__main__":
    main(CASES, os.path.abspath(__file__))
