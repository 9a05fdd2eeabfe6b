import numpy as np
import pytest

from arx_reference import arx_record, relative_error, simulate, wholelsq_reference
from conftest import assert_same_generator_state, generator_state
from references import ARX_NOISE_FREE, ARX_VS_REGRESSION
from vantrelpid.tools.wholelsq import wholelsq

PLANT_A = np.array([1.0, -1.5, 0.7])
PLANT_B = np.array([[0.0, 1.0, 0.5], [0.3, 0.0, -0.2]])


def noisy_record(N, nu, seed=7):
    rng = np.random.default_rng(seed)
    U = rng.standard_normal((N, nu))
    Y = simulate(PLANT_A, PLANT_B[:nu], U).reshape(-1, 1) + 0.2 * rng.standard_normal((N, 1))
    return U, Y


class TestAgainstRegression:
    @pytest.mark.parametrize(
        "N, nu, n, Delay",
        [
            (1000, 1, 4, None),     # padded to 1024, end pulse
            (1024, 1, 4, None),     # a power of two: no padding, 6 pairs
            (1000, 2, 6, None),     # 15 pairs: the last one transformed alone
            (1024, 2, 3, [2, 9]),
            (777, 2, 0, [1, 0]),    # order 0
            (3000, 1, 10, [5]),
        ],
    )
    def test_matches_least_squares_on_the_record(self, N, nu, n, Delay):
        U, Y = noisy_record(N, nu)
        Ap, Bp = wholelsq(U, Y, n, Delay)
        assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1) and Bp.dtype == np.float64
        assert Ap[0] == 1.0
        assert relative_error((Ap, Bp), wholelsq_reference(U, Y, n, Delay)) < ARX_VS_REGRESSION

    def test_noise_free_delayed_plant(self):
        delays = [4, 1]
        U, Y = arx_record(PLANT_A, PLANT_B, 1500, delays)
        Ap, Bp = wholelsq(U, Y, 2, delays)
        assert relative_error((Ap, Bp), (PLANT_A, PLANT_B)) < ARX_NOISE_FREE

    def test_higher_order_reproduces_the_plant_output(self):
        U, Y = arx_record(PLANT_A, PLANT_B, 1500)
        Ap, Bp = wholelsq(U, Y, 5)
        assert np.max(np.abs(simulate(Ap, Bp, U) - Y[:, 0])) < ARX_NOISE_FREE * np.max(np.abs(Y))


class TestSingularSystems:
    def test_pulses_meeting_still_give_the_fit(self):
        # 1020 samples padded to 1024 with order 10: the end and start pulses
        # share lags and the matrix is singular; the minimum-norm solve still
        # returns the least-squares fit of the ARX parameters.
        U, Y = noisy_record(1020, 1)
        estimate = wholelsq(U, Y, 10)
        assert relative_error(estimate, wholelsq_reference(U, Y, 10)) < ARX_VS_REGRESSION

    def test_zero_input_gets_zero_coefficients(self):
        U, Y = noisy_record(1000, 2)
        U[:, 1] = 0.0
        Ap, Bp = wholelsq(U, Y, 3)
        # The zero input's correlations are not exactly zero: the paired
        # transforms leak rounding of the other pairs into them.
        assert np.all(np.isfinite(Ap))
        assert np.max(np.abs(Bp[1])) < ARX_VS_REGRESSION * np.max(np.abs(Bp))
        reference = wholelsq_reference(U[:, :1], Y, 3)
        assert relative_error((Ap, Bp[:1]), reference) < ARX_VS_REGRESSION

    def test_delay_of_the_whole_record_zeroes_the_input(self):
        U, Y = noisy_record(500, 2)
        Ap, Bp = wholelsq(U, Y, 2, [0, 500])
        assert np.max(np.abs(Bp[1])) < ARX_VS_REGRESSION * np.max(np.abs(Bp))


class TestArguments:
    def test_caller_data_unchanged_and_repeatable(self):
        U, Y = noisy_record(1000, 2)
        U0, Y0 = U.copy(), Y.copy()
        state = generator_state()
        first = wholelsq(U, Y, 3, [2, 5])
        second = wholelsq(U, Y, 3, [2, 5])
        np.testing.assert_array_equal(U, U0)
        np.testing.assert_array_equal(Y, Y0)
        np.testing.assert_array_equal(first[1], second[1])
        assert_same_generator_state(state, generator_state())

    def test_integer_output_and_list_inputs_accepted(self):
        U, Y = noisy_record(600, 1)
        Yi = np.round(10 * Y).astype(int)
        np.testing.assert_array_equal(wholelsq(U.tolist(), Yi, 2)[1], wholelsq(U, Yi.astype(float), 2)[1])

    @pytest.mark.parametrize(
        "kwargs, error, message",
        [
            (dict(Delay=[1]), AssertionError, "The length of Delay must be equal to the number of inputs"),
            (dict(Delay=[1, 601]), ValueError, "Delay of input 1 is 601; it must lie in 0..600"),
            (dict(Delay=[-1, 0]), ValueError, "Delay of input 0 is -1; it must lie in 0..600"),
            (dict(Delay=[1.0, 0]), TypeError, "'float' object cannot be interpreted as an integer"),
            (dict(n=2.0), TypeError, "'float' object cannot be interpreted as an integer"),
            (dict(n=-2), ValueError, "n must be >= 0"),
            (dict(n=600), ValueError, "U and Y hold 600 samples, fewer than the 601 that order 600 needs"),
            (dict(Y=np.zeros((599, 1))), ValueError, "Y must have as many rows as U"),
            (dict(Y=np.zeros(600)), ValueError, "Y must be a single column (N x 1)"),
            (dict(U=np.zeros(600)), ValueError, "U must be a two-dimensional array with one column per signal"),
            (dict(Y=np.full((600, 1), np.nan)), ValueError, "array must not contain infs or NaNs"),
        ],
    )
    def test_errors(self, kwargs, error, message):
        U, Y = noisy_record(600, 2)
        args = dict(U=U, Y=Y, n=2) | kwargs
        with pytest.raises(error) as info:
            wholelsq(**args)
        assert str(info.value) == message
