"""Frequency-weighted reduction of high-order ARX models."""

import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from conftest import assert_same_generator_state, generator_state
from references import REDUCTION_EXACT, REDUCTION_EXACT_LOSS, REDUCTION_VS_TRANSCRIPTION
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.freqshrink import freqshrink

W100 = frequency_grid()[:100]


def common_factor_model(A, B):
    """Ah = A C and Bh_j = B_j C for a stable C with complex roots."""
    C = np.array([1.0, -0.5, 0.3])
    return np.convolve(A, C), np.array([np.convolve(b, C) for b in B])


def noisy_arx16(nu, seed=7):
    """An ARX(16) estimate of a second-order plant from noisy data."""
    r = np.random.default_rng(seed)
    N = 3000
    U = r.standard_normal((N, nu))
    A = np.array([1.0, -1.5, 0.6])
    B = np.array([[0.0, 0.1 * (j + 1), 0.05] for j in range(nu)])
    y = ref.misosim(A, B, U)[:, 0] + 0.2 * r.standard_normal(N)
    return ref.arx_fit(U, y, 16, np.zeros(nu, dtype=int))


class TestRecovery:
    @pytest.mark.parametrize("A, B", [
        (np.array([1.0, -0.8]), np.array([[0.0, 0.5], [0.2, 0.1]])),
        (np.array([1.0, -1.6, 0.8]), np.array([[0.0, 0.3, 0.1]])),
        (np.array([1.0, -1.2, 0.5, -0.1]), np.array([[0.1, 0.2, 0.0, 0.05], [0.0, -0.3, 0.1, 0.0],
                                                     [0.2, 0.0, 0.0, 0.1]])),
    ])
    def test_exact_recovery_through_a_common_factor(self, A, B):
        Ah, Bh = common_factor_model(A, B)
        n = len(A) - 1
        Weight = np.ones((100, len(B)))
        Ap, Bp, Cp, Dp, Loss = freqshrink(Ah, Bh, Weight, Weight, n, 8, W100)
        np.testing.assert_allclose(Ap, A, rtol=0, atol=REDUCTION_EXACT)
        np.testing.assert_allclose(Bp, B, rtol=0, atol=REDUCTION_EXACT)
        assert Loss[-1] < REDUCTION_EXACT_LOSS

    def test_noise_model_of_a_low_order_denominator(self):
        # 1/Ah with Ah of order 2 is matched exactly by Cp = 1, Dp = Ah.
        Ah = np.array([1.0, -1.2, 0.5])
        _, _, Cp, Dp, _ = freqshrink(Ah, np.array([[0.0, 1.0, 0.5]]), np.ones((100, 1)), np.ones((100, 1)), 2, 3, W100)
        np.testing.assert_allclose(Cp, [1, 0, 0], atol=1e-10)
        np.testing.assert_allclose(Dp, Ah, atol=1e-10)


class TestAgainstTranscription:
    def test_one_iteration_with_its_own_first_weight(self):
        Ah, Bh = noisy_arx16(2)
        r = np.random.default_rng(11)
        Weight = r.uniform(0.5, 2.0, (100, 2))
        Weight1 = r.uniform(0.1, 5.0, (100, 2))
        ours = freqshrink(Ah, Bh, Weight, Weight1, 3, 1, W100)
        theirs = ref.freqshrink(Ah, Bh, Weight, Weight1, 3, 1, W100)
        for a, b in zip(ours, theirs):
            np.testing.assert_allclose(a, b, rtol=REDUCTION_VS_TRANSCRIPTION, atol=1e-12)
        # Loss[0] is measured with Weight and the stabilised Ap, from freqz.
        Ap, Bp = ours[0], ours[1]
        Gh = np.column_stack([scipy.signal.freqz(b, Ah, worN=W100)[1] for b in Bh])
        Gp = np.column_stack([scipy.signal.freqz(b, Ap, worN=W100)[1] for b in Bp])
        np.testing.assert_allclose(ours[4][0], np.sum(np.abs(Weight * (Gh - Gp)) ** 2), rtol=1e-10)
        # Weight1 really is the first fit's weight.
        other = freqshrink(Ah, Bh, Weight, Weight, 3, 1, W100)
        assert np.abs(other[0] - ours[0]).max() > 1e-6

    @pytest.mark.parametrize("n", [1, 2, 3])
    @pytest.mark.parametrize("nu", [1, 2])
    def test_noisy_arx16_weighted_by_a_bound(self, n, nu):
        Ah, Bh = noisy_arx16(nu)
        # A bound-like weight: 1 / BND with BND growing with frequency.
        BND = 0.02 * (1 + 5 * W100)[:, None] * np.linspace(1, 2, nu)[None, :]
        Weight = 1.0 / BND
        ours = freqshrink(Ah, Bh, Weight, Weight, n, 20, W100)
        theirs = ref.freqshrink(Ah, Bh, Weight, Weight, n, 20, W100)
        for a, b in zip(ours, theirs):
            np.testing.assert_allclose(a, b, rtol=REDUCTION_VS_TRANSCRIPTION, atol=REDUCTION_VS_TRANSCRIPTION)
        assert np.all(np.abs(np.roots(ours[0])) <= 1)


class TestShapes:
    @pytest.mark.parametrize("n, nc", [(1, 1), (3, 3), (4, 4), (6, 4), (0, 0)])
    @pytest.mark.parametrize("nu", [1, 3])
    def test_lengths(self, n, nc, nu):
        Ah, Bh = noisy_arx16(nu)
        Ap, Bp, Cp, Dp, Loss = freqshrink(Ah, Bh, np.ones((100, nu)), np.ones((100, nu)), n, 4, W100)
        assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1)
        assert Cp.shape == (nc + 1,) and Dp.shape == (nc + 1,) and Loss.shape == (4,)
        assert Ap[0] == Cp[0] == Dp[0] == 1.0
        for x in (Ap, Bp, Cp, Dp, Loss):
            assert x.dtype == np.float64 and x.flags.c_contiguous

    def test_static_model_is_the_weighted_mean_gain_fit(self):
        # n = 0: Bp_j is the least-squares constant of Gh_j under the weight.
        Ah, Bh = np.array([1.0, -0.5]), np.array([[0.0, 0.5]])
        Weight = np.ones((100, 1))
        Ap, Bp, Cp, Dp, _ = freqshrink(Ah, Bh, Weight, Weight, 0, 1, W100)
        Gh = scipy.signal.freqz(Bh[0], Ah, worN=W100)[1]
        np.testing.assert_allclose(Bp, [[np.mean(Gh.real)]], rtol=1e-12)
        assert list(Ap) == list(Cp) == list(Dp) == [1.0]

    def test_arguments_unchanged_and_no_draws(self):
        Ah, Bh = noisy_arx16(2)
        Weight = np.ones((100, 2))
        args = [Ah, Bh, Weight, Weight * 2, W100]
        copies = [a.copy() for a in args]
        state = generator_state()
        freqshrink(Ah, Bh, Weight, Weight * 2, 2, 3, W100)
        assert_same_generator_state(state, generator_state())
        for a, c in zip(args, copies):
            np.testing.assert_array_equal(a, c)


class TestArguments:
    Ah, Bh = np.array([1.0, -0.5]), np.array([[0.0, 0.5], [0.1, 0.2]])
    Weight = np.ones((100, 2))

    @pytest.mark.parametrize("n, iterations", [(3.0, 2), (np.int64(3), 2.9), (True, np.float64(2.2))])
    def test_numbers_go_through_int(self, n, iterations):
        ours = freqshrink(self.Ah, self.Bh, self.Weight, self.Weight, n, iterations, W100)
        expected = freqshrink(self.Ah, self.Bh, self.Weight, self.Weight, int(n), int(iterations), W100)
        assert len(ours[4]) == int(iterations)
        for a, b in zip(ours, expected):
            np.testing.assert_array_equal(a, b)

    @pytest.mark.parametrize("n, iterations, message", [
        ("3", 2, "n must be of type int, not str"),
        (3, None, "iter must be of type int, not NoneType"),
        ([3], 2, "n must be of type int, not list"),
        (1j, 2, "n must be of type int, not complex"),
    ])
    def test_other_objects_are_type_errors(self, n, iterations, message):
        with pytest.raises(TypeError) as info:
            freqshrink(self.Ah, self.Bh, self.Weight, self.Weight, n, iterations, W100)
        assert str(info.value) == message

    @pytest.mark.parametrize("Weight, w, n, iterations, message", [
        (np.ones((100, 3)), W100, 2, 2, "Dimensions of Weight and Bh not compatible"),
        (np.ones((101, 3)), W100, 2, 2, "Dimensions of Weight and Bh not compatible"),  # Bh is tested first
        (np.ones((101, 2)), W100, 2, 2, "Dimensions of Weight and w not compatible"),
        (np.ones((100, 2)), W100[:99], 2, 2, "Dimensions of Weight and w not compatible"),
        (np.ones((100, 2)), W100, 2, 0, "iter must be at least 1"),
        (np.ones((100, 2)), W100, -1, 2, "n must not be negative"),
        (np.ones((101, 2)), W100, -1, 0, "Dimensions of Weight and w not compatible"),
    ])
    def test_value_errors_in_order(self, Weight, w, n, iterations, message):
        with pytest.raises(ValueError) as info:
            freqshrink(self.Ah, self.Bh, Weight, Weight, n, iterations, w)
        assert str(info.value) == message

    def test_first_weight_of_another_shape(self):
        with pytest.raises(ValueError, match="^Dimensions of Weight1 and Weight not compatible$"):
            freqshrink(self.Ah, self.Bh, self.Weight, np.ones((100, 1)), 2, 2, W100)

    def test_one_dimensional_weight(self):
        with pytest.raises(IndexError, match="^Weight must be a two-dimensional array$"):
            freqshrink(self.Ah, self.Bh, np.ones(100), self.Weight, 2, 2, W100)

    def test_singular_normal_equations(self):
        # A zero weight leaves nothing to fit.
        Weight = np.zeros((100, 2))
        with pytest.raises(np.linalg.LinAlgError, match="^Singular matrix$"):
            freqshrink(self.Ah, self.Bh, Weight, Weight, 2, 2, W100)
