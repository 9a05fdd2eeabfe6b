import numpy as np
import pytest
from scipy.signal import lfilter

import reduction_reference as ref
from conftest import assert_all_close, untouched
from references import EXACT_FIT, MINIMUM_NORM, OE_POLE, TRANSCRIPTION
from vantrelpid.tools.outerrfit import outerrfit


def delayed(u, d):
    return np.r_[np.zeros(d), u[:len(u) - d]]


def binary_input(n, seed):
    """A random binary input that starts at rest."""
    u = np.repeat(np.sign(np.random.default_rng(seed).normal(size=n // 5 + 1)), 5)[:n]
    u[:10] = 0.0
    return u


@pytest.mark.parametrize("Bp, Ap", [
    ([0.2], [1.0, -0.9]), ([-0.35], [1.0, -0.6]),
    ([0.05, 0.03], [1.0, -1.5, 0.6]),           # overdamped
    ([0.02, 0.018], [1.0, -1.7, 0.81]),         # underdamped, |p| = 0.9
    ([0.1, 0.2, -0.05], [1.0, -1.2, 0.4]),      # nn = [2, 3]
])
@pytest.mark.parametrize("delay", [0, 1, 7])
def test_noise_free_plants_are_recovered(Bp, Ap, delay):
    u = binary_input(1500, 11)
    A, B = outerrfit(u, lfilter(Bp, Ap, delayed(u, delay)), [len(Ap) - 1, len(Bp)], delay, 10)
    assert A.shape == (len(Ap),) and B.shape == (len(Bp),) and A.dtype == B.dtype == np.float64
    np.testing.assert_allclose(A, Ap, rtol=0, atol=EXACT_FIT)
    np.testing.assert_allclose(B, Bp, rtol=0, atol=EXACT_FIT)


@pytest.mark.parametrize("delay", [0, 3])
def test_rank_deficient_order_two_fit_is_the_minimum_norm_cancellation(delay):
    # The order-2 fit of y = 0.9 y(t-1) + 0.2 u_d(t) cancels a pole against a zero at -c.
    u = ref.create_input_signal()
    y = lfilter([0.2], [1.0, -0.9], delayed(u, delay))
    A, B = outerrfit(u, y, [2, 2], delay, 10)
    c = 1.8 / 3.7
    np.testing.assert_allclose(A, [1.0, c - 0.9, -0.9 * c], rtol=0, atol=MINIMUM_NORM)
    np.testing.assert_allclose(B, [0.2, 0.2 * c], rtol=0, atol=MINIMUM_NORM)
    assert_all_close((A, B), ref.outerrfit(u, y, [2, 2], delay, 10), atol=TRANSCRIPTION)


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_noisy_first_order_data(seed):
    rng = np.random.default_rng(seed)
    u = rng.normal(size=3000)
    y = lfilter([0.5], [1.0, -0.8], delayed(u, 2)) + 0.5 * rng.normal(size=3000)
    for iterations in (0, 1, 10):
        assert_all_close(outerrfit(u, y, [1, 1], 2, iterations), ref.outerrfit(u, y, [1, 1], 2, iterations), rtol=0,
                         atol=TRANSCRIPTION)
    # The output-error pole is close to the truth where the ARX pole is biased by the noise.
    arx_pole = -np.linalg.lstsq(np.column_stack([-y[1:-1], u[:-2]]), y[2:], rcond=None)[0][0]
    A, B = outerrfit(u, y, [1, 1], 2, 10)
    assert abs(arx_pole - 0.8) > 3 * OE_POLE and abs(-A[1] - 0.8) < OE_POLE and abs(B[0] - 0.5) < 5 * OE_POLE


def test_unstable_arx_start_gives_a_stable_model():
    u = binary_input(120, 2)
    y = lfilter([1.0], [1.0, -1.05], delayed(u, 1))
    for iterations in (0, 3):
        A, B = outerrfit(u, y, [1, 1], 1, iterations)
        assert np.all(np.abs(np.roots(A)) <= 1.0)
        assert_all_close((A, B), ref.outerrfit(u, y, [1, 1], 1, iterations), rtol=1e-9)


def test_zero_orders_full_delay_numpy_integers_no_draws_and_inputs_unchanged():
    u = binary_input(300, 1)
    y = lfilter([0.2], [1.0, -0.9], delayed(u, 2))
    with untouched(u, y):
        A, B = outerrfit(u, u, [0, 0], 0, 2)
        outerrfit(u, y, np.array([1, 1]), np.int64(2), np.int32(3))
    assert A.tolist() == [1.0] and B.shape == (0,)
    # Delay = N shifts the whole input out: the fit sees a zero input.
    assert outerrfit([0.0, 1.0, 1.0, -1.0, 0.5], [0.0, 0.1, 0.2, 0.0, 0.1], [1, 1], 5, 1)[1].tolist() == [0.0]


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(Delay=3.0), TypeError, "'float' object cannot be interpreted as an integer"),
    (dict(Delay=-1), ValueError, "negative dimensions are not allowed"),
    (dict(Delay=41), ValueError, "Delay must not exceed the number of samples"),
    (dict(nn=[1, 1, 1]), ValueError, r"too many values to unpack \(expected 2\)"),
    (dict(nn=[-1, 1]), ValueError, "nn must not hold negative orders"),
    (dict(nn=[40, 1]), ValueError, r"U must have more than max\(nn\) samples"),
    (dict(U=np.zeros((40, 1))), ValueError, "U and Y must be one-dimensional arrays"),
    (dict(Y=np.zeros(39)), ValueError, "U and Y must have the same length"),
])
def test_invalid_arguments(kwargs, error, message):
    with pytest.raises(error, match=f"^{message}$"):
        outerrfit(**(dict(U=np.ones(40), Y=np.ones(40), nn=[1, 1], Delay=1, iter=1) | kwargs))
