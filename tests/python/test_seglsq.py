import warnings

import numpy as np
import pytest
import scipy.linalg

from arx_reference import add_dly, arx_record, misosim, relative_error, seglsq_reference
from conftest import reseeded, same_draws, untouched
from references import ARX_NOISE_FREE, ARX_VS_REGRESSION
from vantrelpid.tools.seglsq import seglsq

PLANT_A, PLANT_B = np.array([1.0, -1.2, 0.5]), np.array([[0.0, 0.5, 0.3], [0.2, -0.4, 0.1]])


def noisy_record(N, nu, seed=3):
    return arx_record(PLANT_A, PLANT_B[:nu], N, noise=0.3, seed=seed)


@pytest.mark.filterwarnings("error::scipy.linalg.LinAlgWarning")   # every slice's equations are regular
@pytest.mark.parametrize("N, nu, n, SlInd, Delay", [
    (1200, 1, 4, [[1, 1000]], None),                            # one padded slice
    (1200, 2, 6, [[1, 1104]], None),                            # 1024 samples: no padding
    (2400, 2, 5, [[1, 500], [700, 1300], [1500, 2047]], None),  # several slices, mixed padding
    (2400, 1, 3, [[1, 600], [801, 1312]], [4]),                 # the delay shifted in each slice
    (2400, 2, 4, [[101, 900], [1001, 1800]], [3, 0]),
    (1500, 2, 0, [[1, 900]], [1, 2]),                           # order 0: lag 0 only
    (1500, 1, 4, [[1, 700], [400, 1100]], [5]),                 # overlapping slices, each shifted from the data
    (1000, 1, 3, [[1, 5000]], None),                            # the last sample clipped to the record
    (1200, 2, 10, [[1, 1094]], None),                           # 1014 samples, 10 short of 1024: padded to 2048
    (2400, 2, 5, [[1, 143], [301, 1100], [1401, 1911]], [2, 3]),  # 63 and 511 samples, 1 short: 128 and 1024
])
def test_matches_least_squares_on_the_slices_weighted_by_their_fft_length(N, nu, n, SlInd, Delay):
    U, Y = noisy_record(N, nu)
    Ap, Bp = seglsq(U, Y, SlInd, n, Delay)
    assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1) and Ap.dtype == Bp.dtype == np.float64 and Ap[0] == 1.0
    assert relative_error((Ap, Bp), seglsq_reference(U, Y, SlInd, n, Delay)) < ARX_VS_REGRESSION


@pytest.mark.parametrize("N, nu, n, SlInd, Delay, coefficients", [
    (1200, 2, 10, [[1, 1104]], None,   # 1024 samples: no padding
     [-1.2217033695096566, -0.011695359575502022, 0.21145626519691624, -0.0016629097853513022]),
    (1200, 1, 10, [[1, 1093]], [4],    # 1013 samples: padded by n + 1
     [-1.6350839994671962, 0.004176112787057994, 0.0670153408824762, -0.0036283323022349525]),
    (2400, 2, 6, [[1, 336], [701, 1212], [1301, 1549]], [1, 3],   # 256, 512 and 249 samples
     [-0.7589044777801733, -0.03533057805200036, -0.03710622987900218, -0.00042346320845980346]),
])
def test_slices_padded_by_none_or_more_than_n_keep_their_estimates(N, nu, n, SlInd, Delay, coefficients):
    # These slices keep the power of two covering them: Ap[1], Ap[n], Bp[-1, 0] and Bp[-1, n] to the last bit.
    Ap, Bp = seglsq(*noisy_record(N, nu), SlInd, n, Delay)
    assert [Ap[1], Ap[n], Bp[-1, 0], Bp[-1, n]] == coefficients


@pytest.mark.parametrize("delays", [None, [3, 7]])
def test_noise_free_plant_comes_back(delays):
    # With delays the inputs rest before sample 200: the zeros shifted into the slice are the plant's inputs.
    # At order 6 the extra common factors are left to rounding; these records give stable ones.
    U, Y = arx_record(PLANT_A, PLANT_B, 3000, delays, zero_start=200 if delays else 0)
    SlInd = [[1, 3000]] if delays else [[1, 1300], [1501, 3000]]
    assert relative_error(seglsq(U, Y, SlInd, 2, delays), (PLANT_A, PLANT_B)) < ARX_NOISE_FREE
    with warnings.catch_warnings():   # at a higher order the normal matrix is singular up to rounding
        warnings.simplefilter("ignore", scipy.linalg.LinAlgWarning)
        Ap, Bp = seglsq(U, Y, [[1, 3000]], 6, delays)
    assert np.max(np.abs(misosim(Ap, Bp, add_dly(U, delays)) - Y)) < ARX_NOISE_FREE * np.max(np.abs(Y))


def test_generator_repeatability_and_arguments_unchanged():
    U, Y = noisy_record(1000, 2)
    SlInd = np.array([[1, 500], [400, 1000]])
    with untouched(U, Y, SlInd, draws=True):
        first = same_draws(lambda: seglsq(U, Y, SlInd, 4, [3, 6]), lambda: reseeded(1704, normal=1000))[0]
    np.testing.assert_equal(first, seglsq(U, Y, SlInd, 4, [3, 6]))


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(SlInd=np.zeros((0, 2), dtype=int)), ValueError, "SlInd has no rows"),
    (dict(SlInd=[[0, 500]]), IndexError, "SlInd row 0 starts at sample 0; sample numbers start at 1"),
    (dict(SlInd=[[1, 500], [300, 299]]), IndexError, "SlInd row 1 ends at sample 299, before its first sample 300"),
    (dict(Delay=[1]), AssertionError, "The length of Delay must be equal to the number of inputs"),
    (dict(Y=np.zeros((1000, 1), dtype=int)), TypeError, "Y must hold floating-point numbers, not int64"),
    # Orders, slice entries and delays at the int64 limit enter no arithmetic that overflows.
    (dict(n=2**63 - 1), ValueError, "SlInd row 0 leaves 920 samples, fewer than the 9223372036854775808 that order "
                                    "9223372036854775807 needs (its first 80 samples are not used)"),
    (dict(SlInd=[[2**63 - 1, 2**63 - 1]]), ValueError,
     "SlInd row 0 leaves 0 samples, fewer than the 4 that order 3 needs (its first 80 samples are not used)"),
    (dict(Delay=[2**63 - 1, 0]), ValueError, "Delay of input 0 (9223372036854775807 samples) is longer than SlInd row 0 (920 samples)"),
])
def test_argument_errors_draw_nothing(kwargs, error, message):
    U, Y = noisy_record(1000, 2)
    with pytest.raises(error) as info, untouched():
        seglsq(**(dict(U=U, Y=Y, SlInd=[[1, 1000]], n=3) | kwargs))
    assert str(info.value) == message


def test_singular_system():
    U = np.random.default_rng(0).standard_normal((1000, 1))
    with pytest.raises(np.linalg.LinAlgError, match="Matrix is singular."):   # a zero output: zero lag rows
        seglsq(U, np.zeros((1000, 1)), [[1, 1000]], 2)
