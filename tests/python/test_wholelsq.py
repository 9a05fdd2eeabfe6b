import numpy as np
import pytest

from arx_reference import arx_fit, arx_record, relative_error
from conftest import untouched
from references import ARX_VS_REGRESSION
from vantrelpid.tools.wholelsq import wholelsq

PLANT_A, PLANT_B = np.array([1.0, -1.5, 0.7]), np.array([[0.0, 1.0, 0.5], [0.3, 0.0, -0.2]])


def noisy_record(N, nu, seed=7):
    return arx_record(PLANT_A, PLANT_B[:nu], N, noise=0.2, seed=seed)


@pytest.mark.parametrize("N, nu, n, Delay", [
    (1000, 1, 4, None),     # padded to 1024, end pulse
    (1024, 1, 4, None),     # a power of two: no padding
    (1000, 2, 6, None),     # 15 pairs: the last one transformed alone
    (1024, 2, 3, [2, 9]),
    (777, 2, 0, [1, 0]),    # order 0
    (1020, 1, 10, None),    # the pulses share lags: the minimum-norm solve still gives the fit
    (500, 2, 2, [0, 500]),  # a delay of the whole record zeroes the input
])
def test_matches_least_squares_on_the_record(N, nu, n, Delay):
    U, Y = noisy_record(N, nu)
    Ap, Bp = wholelsq(U, Y, n, Delay)
    assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1) and Bp.dtype == np.float64 and Ap[0] == 1.0
    assert relative_error((Ap, Bp), arx_fit(U, Y, n, Delay)) < ARX_VS_REGRESSION


def test_caller_data_unchanged_repeatable_no_draws_and_conversions():
    U, Y = noisy_record(1000, 2)
    with untouched(U, Y):
        np.testing.assert_equal(wholelsq(U, Y, 3, [2, 5]), wholelsq(U, Y, 3, [2, 5]))
    Yi = np.round(10 * Y).astype(int)
    np.testing.assert_array_equal(wholelsq(U.tolist(), Yi, 2)[1], wholelsq(U, Yi.astype(float), 2)[1])


@pytest.mark.parametrize("kwargs, error, message", [
    (dict(Delay=[1]), AssertionError, "The length of Delay must be equal to the number of inputs"),
    (dict(Delay=[1, 601]), ValueError, "Delay of input 1 is 601; it must lie in 0..600"),
    (dict(Y=np.full((600, 1), np.nan)), ValueError, "array must not contain infs or NaNs"),
    (dict(n=2**63 - 1), ValueError,
     "U and Y hold 600 samples, fewer than the 9223372036854775808 that order 9223372036854775807 needs"),
])
def test_errors(kwargs, error, message):
    U, Y = noisy_record(600, 2)
    with pytest.raises(error) as info:
        wholelsq(**(dict(U=U, Y=Y, n=2) | kwargs))
    assert str(info.value) == message
