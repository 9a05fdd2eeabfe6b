# Frequency-weighted reduction of high-order ARX models.

import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from arx_reference import arx_fit, misosim
from conftest import assert_all_close, untouched
from references import REDUCTION_EXACT, REDUCTION_EXACT_LOSS, REDUCTION_VS_TRANSCRIPTION
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.freqshrink import freqshrink

W100 = frequency_grid()[:100]


def noisy_arx16(nu, seed=7):
    """An ARX(16) estimate of a second-order plant from noisy data."""
    r = np.random.default_rng(seed)
    U = r.standard_normal((3000, nu))
    y = misosim([1.0, -1.5, 0.6], [[0.0, 0.1 * (j + 1), 0.05] for j in range(nu)], U) + 0.2 * r.standard_normal((3000, 1))
    return arx_fit(U, y, 16)


@pytest.mark.parametrize("A, B", [
    ([1.0, -0.8], [[0.0, 0.5], [0.2, 0.1]]), ([1.0, -1.6, 0.8], [[0.0, 0.3, 0.1]]),
    ([1.0, -1.2, 0.5, -0.1], [[0.1, 0.2, 0.0, 0.05], [0.0, -0.3, 0.1, 0.0], [0.2, 0.0, 0.0, 0.1]]),
])
def test_exact_recovery_through_a_common_factor(A, B):
    # Ah = A C and Bh_j = B_j C for a stable C; unit weights; n the true order.
    C = [1.0, -0.5, 0.3]
    Weight = np.ones((100, len(B)))
    Ap, Bp, Cp, Dp, Loss = freqshrink(np.convolve(A, C), np.array([np.convolve(b, C) for b in B]), Weight, Weight,
                                      len(A) - 1, 8, W100)
    np.testing.assert_allclose(Ap, A, rtol=0, atol=REDUCTION_EXACT)
    np.testing.assert_allclose(Bp, B, rtol=0, atol=REDUCTION_EXACT)
    assert Loss[-1] < REDUCTION_EXACT_LOSS


def test_one_iteration_with_its_own_first_weight():
    Ah, Bh = noisy_arx16(2)
    r = np.random.default_rng(11)
    Weight, Weight1 = r.uniform(0.5, 2.0, (100, 2)), r.uniform(0.1, 5.0, (100, 2))
    ours = freqshrink(Ah, Bh, Weight, Weight1, 3, 1, W100)
    assert_all_close(ours, ref.freqshrink(Ah, Bh, Weight, Weight1, 3, 1, W100), rtol=REDUCTION_VS_TRANSCRIPTION, atol=1e-12)
    # Loss[0] is measured with Weight and the stabilised Ap, here from freqz.
    response = lambda A, B: np.column_stack([scipy.signal.freqz(b, A, worN=W100)[1] for b in B])
    np.testing.assert_allclose(ours[4][0], np.sum(np.abs(Weight * (response(Ah, Bh) - response(*ours[:2]))) ** 2), rtol=1e-10)
    assert np.abs(freqshrink(Ah, Bh, Weight, Weight, 3, 1, W100)[0] - ours[0]).max() > 1e-6   # Weight1 is used


@pytest.mark.parametrize("n", [1, 2, 3])
@pytest.mark.parametrize("nu", [1, 2])
def test_noisy_arx16_weighted_by_a_bound_against_the_transcription(n, nu):
    Ah, Bh = noisy_arx16(nu)
    Weight = 1.0 / (0.02 * (1 + 5 * W100)[:, None] * np.linspace(1, 2, nu)[None, :])   # 1 / a bound-like BND
    ours = freqshrink(Ah, Bh, Weight, Weight, n, 20, W100)
    assert_all_close(ours, ref.freqshrink(Ah, Bh, Weight, Weight, n, 20, W100), rtol=REDUCTION_VS_TRANSCRIPTION,
                     atol=REDUCTION_VS_TRANSCRIPTION)
    assert np.all(np.abs(np.roots(ours[0])) <= 1)


@pytest.mark.parametrize("n, nc", [(1, 1), (4, 4), (6, 4), (0, 0)])
def test_lengths_types_no_draws_and_arguments_unchanged(n, nc):
    Ah, Bh = noisy_arx16(3)
    Weight = np.ones((100, 3))
    with untouched(Ah, Bh, Weight, W100):
        Ap, Bp, Cp, Dp, Loss = freqshrink(Ah, Bh, Weight, Weight * 2, n, 4, W100)
    assert [x.shape for x in (Ap, Bp, Cp, Dp, Loss)] == [(n + 1,), (3, n + 1), (nc + 1,), (nc + 1,), (4,)]
    assert Ap[0] == Cp[0] == Dp[0] == 1.0 and all(x.dtype == np.float64 and x.flags.c_contiguous for x in (Ap, Bp, Cp, Dp, Loss))
    if n == 0:   # a static model: Bp_j the weighted least-squares constant of Gh_j
        np.testing.assert_allclose(Bp[:, 0], np.mean(ref.misofrq(Ah, Bh, W100).real, axis=0), rtol=1e-10)


class TestArguments:
    Ah, Bh, Weight = np.array([1.0, -0.5]), np.array([[0.0, 0.5], [0.1, 0.2]]), np.ones((100, 2))

    @pytest.mark.parametrize("n, iterations", [(3.0, 2), (np.int64(3), 2.9), (True, np.float64(2.2))])
    def test_numbers_go_through_int(self, n, iterations):
        ours = freqshrink(self.Ah, self.Bh, self.Weight, self.Weight, n, iterations, W100)
        np.testing.assert_equal(ours, freqshrink(self.Ah, self.Bh, self.Weight, self.Weight, int(n), int(iterations), W100))

    @pytest.mark.parametrize("Weight, Weight1, w, n, iterations, error, message", [
        (None, None, W100, "3", 2, TypeError, "n must be of type int, not str"),
        (None, None, W100, 3, None, TypeError, "iter must be of type int, not NoneType"),
        (np.ones((100, 3)), None, W100, 2, 2, ValueError, "Dimensions of Weight and Bh not compatible"),
        (np.ones((101, 3)), None, W100, 2, 2, ValueError, "Dimensions of Weight and Bh not compatible"),   # Bh first
        (np.ones((101, 2)), None, W100, 2, 2, ValueError, "Dimensions of Weight and w not compatible"),
        (None, None, W100[:99], 2, 2, ValueError, "Dimensions of Weight and w not compatible"),
        (None, None, W100, 2, 0, ValueError, "iter must be at least 1"),
        (None, None, W100, -1, 2, ValueError, "n must not be negative"),
        (np.ones((101, 2)), None, W100, -1, 0, ValueError, "Dimensions of Weight and w not compatible"),
        (np.zeros((100, 2)), None, W100, 2, 2, np.linalg.LinAlgError, "Singular matrix"),   # nothing to fit
    ])
    def test_errors_in_order(self, Weight, Weight1, w, n, iterations, error, message):
        Weight = self.Weight if Weight is None else Weight
        with pytest.raises(error) as info:
            freqshrink(self.Ah, self.Bh, Weight, Weight if Weight1 is None else Weight1, n, iterations, w)
        assert str(info.value) == message


class TestUnderdeterminedOrders:
    """n + nu (n + 1) unknowns against 2 len(w) nu real equations: 400 here, so n = 133 is the first singular order."""

    @pytest.mark.parametrize("n", [133, 10**4, 2**62, 2**63 - 1])
    def test_raise_before_anything_is_allocated(self, n):
        T = TestArguments
        with pytest.raises(np.linalg.LinAlgError) as info:
            freqshrink(T.Ah, T.Bh, T.Weight, T.Weight, n, 1, W100)
        assert str(info.value) == f"Singular matrix: order n = {n} gives the fit more unknowns than its 400 real equations"

    def test_the_last_determined_order_is_fitted(self):
        T = TestArguments
        assert freqshrink(T.Ah, T.Bh, T.Weight, T.Weight, 132, 1, W100)[0].shape == (133,)
