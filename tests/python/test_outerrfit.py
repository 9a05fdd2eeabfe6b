import numpy as np
import pytest
from scipy.signal import lfilter

import reduction_reference as ref
from conftest import assert_same_generator_state, generator_state
from references import EXACT_FIT, MINIMUM_NORM, OE_POLE, TRANSCRIPTION
from vantrelpid.tools.outerrfit import outerrfit


def step_test_input():
    """Nine constant segments of 2910 samples, starting and ending at rest."""
    levels = [0, -1, 1, -1, 1, -1, 1, -1, 0]
    lengths = [90, 200, 310, 580, 310, 580, 310, 380, 150]
    return np.concatenate([np.full(n, float(v)) for v, n in zip(levels, lengths)])


def delayed(u, d):
    return np.concatenate([np.zeros(d), u[: len(u) - d]])


def binary_input(n, seed):
    """A random binary input that starts at rest."""
    rng = np.random.default_rng(seed)
    u = np.repeat(np.sign(rng.normal(size=n // 5 + 1)), 5)[:n]
    u[:10] = 0.0
    return u


class TestNoiseFreePlants:
    @pytest.mark.parametrize("Bp, Ap", [
        ([0.2], [1.0, -0.9]),
        ([-0.35], [1.0, -0.6]),
        ([0.05, 0.03], [1.0, -1.5, 0.6]),           # overdamped
        ([0.02, 0.018], [1.0, -1.7, 0.81]),         # underdamped, |p| = 0.9
    ])
    @pytest.mark.parametrize("delay", [0, 1, 7])
    def test_recovered(self, Bp, Ap, delay):
        u = binary_input(1500, 11)
        y = lfilter(Bp, Ap, delayed(u, delay))
        order = len(Ap) - 1
        A, B = outerrfit(u, y, [order, order], delay, 10)
        np.testing.assert_allclose(A, Ap, rtol=0, atol=EXACT_FIT)
        np.testing.assert_allclose(B, Bp, rtol=0, atol=EXACT_FIT)

    def test_more_numerator_coefficients(self):
        # nn = [2, 3]: n = 3 leading samples without a full regressor row.
        u = binary_input(800, 5)
        Bp, Ap = [0.1, 0.2, -0.05], [1.0, -1.2, 0.4]
        A, B = outerrfit(u, lfilter(Bp, Ap, delayed(u, 2)), [2, 3], 2, 4)
        assert A.shape == (3,) and B.shape == (3,)
        np.testing.assert_allclose(A, Ap, atol=EXACT_FIT)
        np.testing.assert_allclose(B, Bp, atol=EXACT_FIT)


class TestMinimumNorm:
    """The order-2 fit of a first-order response is rank-deficient; the
    minimum-norm solution cancels a pole against a zero at -c."""

    @pytest.mark.parametrize("delay", [0, 1, 5])
    def test_pole_zero_cancellation(self, delay):
        u = step_test_input()
        y = lfilter([0.2], [1.0, -0.9], delayed(u, delay))
        A, B = outerrfit(u, y, [2, 2], delay, 10)
        c = 1.8 / 3.7
        np.testing.assert_allclose(A, [1.0, c - 0.9, -0.9 * c], rtol=0, atol=MINIMUM_NORM)
        np.testing.assert_allclose(B, [0.2, 0.2 * c], rtol=0, atol=MINIMUM_NORM)

    def test_matches_transcription(self):
        u = step_test_input()
        y = lfilter([0.2], [1.0, -0.9], delayed(u, 3))
        A, B = outerrfit(u, y, [2, 2], 3, 10)
        Ar, Br = ref.outerrfit(u, y, [2, 2], 3, 10)
        np.testing.assert_allclose(A, Ar, atol=TRANSCRIPTION)
        np.testing.assert_allclose(B, Br, atol=TRANSCRIPTION)


class TestNoisyData:
    @staticmethod
    def record(seed, n=3000, noise=0.5):
        rng = np.random.default_rng(seed)
        u = rng.normal(size=n)
        y = lfilter([0.5], [1.0, -0.8], delayed(u, 2)) + noise * rng.normal(size=n)
        return u, y

    @pytest.mark.parametrize("seed", [1, 2])
    @pytest.mark.parametrize("iterations", [0, 1, 10])
    def test_matches_transcription(self, seed, iterations):
        u, y = self.record(seed)
        A, B = outerrfit(u, y, [1, 1], 2, iterations)
        Ar, Br = ref.outerrfit(u, y, [1, 1], 2, iterations)
        np.testing.assert_allclose(A, Ar, rtol=0, atol=TRANSCRIPTION)
        np.testing.assert_allclose(B, Br, rtol=0, atol=TRANSCRIPTION)

    @pytest.mark.parametrize("seed", [1, 2, 3])
    def test_output_error_pole_where_arx_is_biased(self, seed):
        u, y = self.record(seed)
        # The ARX estimate of the pole, biased by the output noise.
        Phi = np.column_stack([-y[1:-1], u[:-2]])
        arx_pole = -np.linalg.lstsq(Phi, y[2:], rcond=None)[0][0]
        assert abs(arx_pole - 0.8) > 3 * OE_POLE
        A, B = outerrfit(u, y, [1, 1], 2, 10)
        assert abs(-A[1] - 0.8) < OE_POLE
        assert abs(B[0] - 0.5) < 5 * OE_POLE


class TestStabilisation:
    def test_unstable_arx_start_gives_a_stable_model(self):
        # An unstable record: the ARX fit has its pole at 1.05; the returned
        # denominator is stable and the steps follow the transcription.
        u = binary_input(120, 2)
        y = lfilter([1.0], [1.0, -1.05], delayed(u, 1))
        A, B = outerrfit(u, y, [1, 1], 1, 3)
        assert np.all(np.abs(np.roots(A)) <= 1.0)
        Ar, Br = ref.outerrfit(u, y, [1, 1], 1, 3)
        np.testing.assert_allclose(A, Ar, rtol=1e-9)
        np.testing.assert_allclose(B, Br, rtol=1e-9)

    def test_zero_iterations_pick_the_better_start(self):
        u = binary_input(120, 2)
        y = lfilter([1.0], [1.0, -1.05], delayed(u, 1))
        A, B = outerrfit(u, y, [1, 1], 1, 0)
        Ar, Br = ref.outerrfit(u, y, [1, 1], 1, 0)
        np.testing.assert_allclose(A, Ar, rtol=1e-12)
        np.testing.assert_allclose(B, Br, rtol=1e-12)


class TestContract:
    def test_shapes_dtypes_and_zero_orders(self):
        u = binary_input(100, 1)
        A, B = outerrfit(u, u, [0, 0], 0, 2)
        assert A.dtype == np.float64 and B.dtype == np.float64
        np.testing.assert_array_equal(A, [1.0])
        assert B.shape == (0,)

    def test_no_draws_and_inputs_unchanged(self):
        u = binary_input(300, 1)
        y = lfilter([0.2], [1.0, -0.9], delayed(u, 2))
        u0, y0 = u.copy(), y.copy()
        before = generator_state()
        outerrfit(u, y, np.array([1, 1]), np.int64(2), np.int32(3))
        assert_same_generator_state(before, generator_state())
        np.testing.assert_array_equal(u, u0)
        np.testing.assert_array_equal(y, y0)

    def test_lists_and_full_delay(self):
        # Delay = N shifts the whole input out: the fit sees a zero input.
        u = [0.0, 1.0, 1.0, -1.0, 0.5]
        A, B = outerrfit(u, [0.0, 0.1, 0.2, 0.0, 0.1], [1, 1], 5, 1)
        np.testing.assert_array_equal(B, [0.0])

    @pytest.mark.parametrize("kwargs, error, message", [
        (dict(Delay=3.0), TypeError, "'float' object cannot be interpreted as an integer"),
        (dict(Delay=-1), ValueError, "negative dimensions are not allowed"),
        (dict(Delay=41), ValueError, "Delay must not exceed the number of samples"),
        (dict(iter=2.0), TypeError, "'float' object cannot be interpreted as an integer"),
        (dict(iter=-1), ValueError, "iter must not be negative"),
        (dict(nn=[1, 1, 1]), ValueError, r"too many values to unpack \(expected 2\)"),
        (dict(nn=[1]), ValueError, r"not enough values to unpack \(expected 2, got 1\)"),
        (dict(nn=2), TypeError, "cannot unpack non-iterable int object"),
        (dict(nn=[1.0, 1]), TypeError, "'float' object cannot be interpreted as an integer"),
        (dict(nn=[-1, 1]), ValueError, "nn must not hold negative orders"),
        (dict(nn=[40, 1]), ValueError, r"U must have more than max\(nn\) samples"),
        (dict(U=np.zeros((40, 1))), ValueError, "U and Y must be one-dimensional arrays"),
        (dict(Y=np.zeros(39)), ValueError, "U and Y must have the same length"),
    ])
    def test_invalid_arguments(self, kwargs, error, message):
        args = dict(U=np.ones(40), Y=np.ones(40), nn=[1, 1], Delay=1, iter=1)
        args.update(kwargs)
        with pytest.raises(error, match=message):
            outerrfit(**args)
