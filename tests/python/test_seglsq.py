import subprocess
import sys
import warnings

import numpy as np
import pytest
import scipy.linalg

from arx_reference import arx_record, relative_error, seglsq_reference, simulate
from conftest import assert_same_generator_state, generator_state
from references import ARX_NOISE_FREE, ARX_VS_REGRESSION
from vantrelpid.tools.seglsq import seglsq

PLANT_A = np.array([1.0, -1.2, 0.5])
PLANT_B = np.array([[0.0, 0.5, 0.3], [0.2, -0.4, 0.1]])


def noisy_record(N, nu, seed=3):
    rng = np.random.default_rng(seed)
    U = rng.standard_normal((N, nu))
    Y = simulate(PLANT_A, PLANT_B[:nu], U).reshape(-1, 1) + 0.3 * rng.standard_normal((N, 1))
    return U, Y


class TestAgainstRegression:
    @pytest.mark.parametrize(
        "N, nu, n, SlInd, Delay",
        [
            (1200, 1, 4, [[1, 1000]], None),                            # one padded slice
            (1200, 2, 6, [[1, 1104]], None),                            # 1024 samples: no padding
            (2400, 2, 5, [[1, 500], [700, 1300], [1500, 2047]], None),  # several slices, mixed padding
            (2400, 1, 3, [[1, 600], [801, 1312]], [4]),                 # delay inside each slice
            (2400, 2, 4, [[101, 900], [1001, 1800]], [3, 0]),
            (1500, 2, 0, [[1, 900]], [1, 2]),                           # order 0: lag 0 only
            (1500, 1, 4, [[1, 700], [400, 1100]], [5]),                 # overlapping slices
        ],
    )
    def test_matches_weighted_least_squares_on_the_slices(self, N, nu, n, SlInd, Delay):
        U, Y = noisy_record(N, nu)
        Ap, Bp = seglsq(U, Y, SlInd, n, Delay)
        assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1)
        assert Ap.dtype == np.float64 and Bp.dtype == np.float64
        assert Ap[0] == 1.0
        assert relative_error((Ap, Bp), seglsq_reference(U, Y, SlInd, n, Delay)) < ARX_VS_REGRESSION

    def test_slices_are_weighted_by_their_fft_length(self):
        # 520 and 2000 samples: FFT lengths 1024 and 2048, so equal weights give
        # a visibly different estimate.
        U, Y = noisy_record(3000, 1)
        SlInd = [[1, 600], [1001, 3000]]
        estimate = seglsq(U, Y, SlInd, 3)
        unweighted = seglsq_reference(U, Y, SlInd, 3, weighted=False)
        assert relative_error(estimate, unweighted) > 100 * ARX_VS_REGRESSION
        assert relative_error(estimate, seglsq_reference(U, Y, SlInd, 3)) < ARX_VS_REGRESSION

    def test_last_sample_beyond_the_record_is_clipped(self):
        U, Y = noisy_record(1000, 1)
        np.testing.assert_array_equal(seglsq(U, Y, [[1, 5000]], 3)[1], seglsq(U, Y, [[1, 1000]], 3)[1])


class TestKnownPlant:
    def test_noise_free_plant_at_its_own_order(self):
        U, Y = arx_record(PLANT_A, PLANT_B, 3000)
        Ap, Bp = seglsq(U, Y, [[1, 1300], [1501, 3000]], 2)
        assert relative_error((Ap, Bp), (PLANT_A, PLANT_B)) < ARX_NOISE_FREE

    def test_noise_free_delayed_plant(self):
        # Inputs at rest before sample 200, so the zeros the shift puts at the
        # slice's start are the plant's true inputs.
        delays = [3, 7]
        U, Y = arx_record(PLANT_A, PLANT_B, 2000, delays, zero_start=200)
        Ap, Bp = seglsq(U, Y, [[1, 2000]], 2, delays)
        assert relative_error((Ap, Bp), (PLANT_A, PLANT_B)) < ARX_NOISE_FREE

    # Noise-free data at a higher order: the normal matrix is singular in
    # exact arithmetic (common factors), the LU solve warns.
    @pytest.mark.filterwarnings("ignore::scipy.linalg.LinAlgWarning")
    def test_higher_order_reproduces_the_plant_output(self):
        U, Y = arx_record(PLANT_A, PLANT_B, 3000)
        Ap, Bp = seglsq(U, Y, [[1, 3000]], 6)
        y = simulate(Ap, Bp, U)
        assert np.max(np.abs(y - Y[:, 0])) < ARX_NOISE_FREE * np.max(np.abs(Y))


class TestState:
    def test_reseeds_and_draws_len_y_normals(self):
        U, Y = noisy_record(1000, 1)
        np.random.seed(5)
        seglsq(U, Y, [[1, 1000]], 2)
        after = generator_state()
        np.random.seed(1704)
        np.random.randn(1000, 1)
        assert_same_generator_state(after, generator_state())

    def test_repeatable_and_arguments_unchanged(self):
        U, Y = noisy_record(1000, 2)
        SlInd = np.array([[1, 500], [400, 1000]])
        copies = U.copy(), Y.copy(), SlInd.copy()
        first = seglsq(U, Y, SlInd, 4, [3, 6])
        second = seglsq(U, Y, SlInd, 4, [3, 6])
        np.testing.assert_array_equal(first[1], second[1])
        for arg, copy in zip((U, Y, SlInd), copies):
            np.testing.assert_array_equal(arg, copy)


class TestFailures:
    @pytest.mark.parametrize(
        "kwargs, error, message",
        [
            (dict(SlInd=[]), ValueError, "SlInd has no rows"),
            (dict(SlInd=np.zeros((0, 2), dtype=int)), ValueError, "SlInd has no rows"),
            (dict(SlInd=[[0, 500]]), IndexError, "SlInd row 0 starts at sample 0; sample numbers start at 1"),
            (dict(SlInd=[[1, 500], [300, 299]]), IndexError, "SlInd row 1 ends at sample 299, before its first sample 300"),
            (dict(SlInd=[[1, 80]]), ValueError,
             "SlInd row 0 leaves 0 samples, fewer than the 4 that order 3 needs (its first 80 samples are not used)"),
            (dict(SlInd=[[1, 500], [601, 602]]), ValueError, "SlInd row 1 leaves 2 samples, fewer than the 4 that order 3 needs"),
            (dict(SlInd=[[1.0, 500.0]]), TypeError, "SlInd must hold whole numbers of an integer type, not float64"),
            (dict(SlInd=[1, 500]), ValueError, "SlInd must hold rows [first, last]"),
            (dict(Delay=[1]), AssertionError, "The length of Delay must be equal to the number of inputs"),
            (dict(Delay=[1, 2.0]), TypeError, "'float' object cannot be interpreted as an integer"),
            (dict(Delay=[1, -1]), ValueError, "Delay must hold whole numbers >= 0"),
            (dict(SlInd=[[1, 500], [601, 620]], Delay=[1, 25]), ValueError,
             "Delay of input 1 (25 samples) is longer than SlInd row 1 (20 samples)"),
            (dict(n=2.0), TypeError, "'float' object cannot be interpreted as an integer"),
            (dict(n=-1), ValueError, "n must be >= 0"),
        ],
    )
    def test_argument_errors(self, kwargs, error, message):
        U, Y = noisy_record(1000, 2)
        args = dict(U=U, Y=Y, SlInd=[[1, 1000]], n=3) | kwargs
        state = generator_state()
        with pytest.raises(error) as info:
            seglsq(**args)
        assert str(info.value) == message
        assert_same_generator_state(state, generator_state())

    @pytest.mark.parametrize(
        "U, Y, error, message",
        [
            (np.zeros(100), np.zeros((100, 1)), ValueError, "U must be a two-dimensional array with one column per signal"),
            (np.zeros((100, 1)), np.zeros((100, 1), dtype=int), TypeError, "Y must hold floating-point numbers, not int64"),
            (np.zeros((100, 1)), np.zeros(100), ValueError, "Y must be a single column (N x 1)"),
            (np.zeros((100, 1)), np.zeros((99, 1)), ValueError, "Y must have as many rows as U"),
            (np.zeros((100, 1), dtype=complex), np.zeros((100, 1)), TypeError, "U must hold real numbers, not complex128"),
        ],
    )
    def test_signal_errors(self, U, Y, error, message):
        with pytest.raises(error) as info:
            seglsq(U, Y, [[1, 100]], 2)
        assert str(info.value) == message

    def test_singular_matrix_raises_linalg_error(self):
        # A zero output makes its lag rows exactly zero.
        U = np.random.default_rng(0).standard_normal((1000, 1))
        Y = np.zeros((1000, 1))
        with pytest.raises(np.linalg.LinAlgError, match="Matrix is singular."):
            seglsq(U, Y, [[1, 1000]], 2)
        assert scipy.linalg.LinAlgError is np.linalg.LinAlgError

    def test_pulses_meeting_make_the_matrix_ill_conditioned(self):
        # 1020 samples padded to 1024 with order 10: an end-pulse lag falls on a
        # start-pulse lag, the system is singular up to rounding.
        U, Y = noisy_record(1200, 1)
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            try:
                seglsq(U, Y, [[1, 1100]], 10)
            except np.linalg.LinAlgError:
                return
        assert any(issubclass(w.category, scipy.linalg.LinAlgWarning) for w in caught)

    @pytest.mark.parametrize(
        "Delay, outcome",
        [([1, 2, 3], "ok"), ([1], "IndexError")],
    )
    def test_delay_length_unchecked_under_optimisation(self, Delay, outcome):
        code = (
            "import numpy as np\n"
            "from vantrelpid.tools.seglsq import seglsq\n"
            "rng = np.random.default_rng(0)\n"
            "U = rng.standard_normal((600, 2)); Y = rng.standard_normal((600, 1))\n"
            "try:\n"
            f"    a = seglsq(U, Y, [[1, 600]], 2, {Delay})\n"
            "    b = seglsq(U, Y, [[1, 600]], 2, [1, 2])\n"
            "    print('ok' if (a[1] == b[1]).all() else 'different')\n"
            "except IndexError:\n"
            "    print('IndexError')\n"
        )
        out = subprocess.run([sys.executable, "-O", "-c", code], capture_output=True, text=True, check=True)
        assert out.stdout.strip() == outcome
