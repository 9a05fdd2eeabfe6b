"""The three-order ARX estimate that the multivariable identification uses
(reached through the private utilities module)."""

import numpy as np
import pytest

from arx_reference import aligned_regression, arx_record, relative_error, simulate, triple_reference
from references import ARX_NOISE_FREE, ARX_UNDERDETERMINED, ARX_VS_REGRESSION
from vantrelpid._utilities import arx_triple

PLANT_A = np.array([1.0, -1.3, 0.42])
PLANT_B = np.array([[0.0, 0.8, 0.4], [0.5, -0.3, 0.0]])


def noisy_record(N, nu, delays, seed=11):
    rng = np.random.default_rng(seed)
    B = np.vstack([PLANT_B] * 3)[:nu]
    U = rng.standard_normal((N, nu))
    Y = simulate(PLANT_A, B, U, delays) + 0.3 * rng.standard_normal(N)
    return U, Y.reshape(-1, 1)


def models(result):
    return [(result[2 * m], result[2 * m + 1]) for m in range(3)]


class TestAgainstRegression:
    @pytest.mark.parametrize(
        "N, nu, orders, SlIndk, Delay",
        [
            (2600, 2, (2, 4, 6), [[1, 700], [901, 1500], [1700, 2500]], [2, 7]),
            (3000, 1, (12, 16, 22), [[1, 3000]], [3]),
            (2000, 3, (3, 1, 5), [[200, 1200], [1400, 2100]], [0, 4, 1]),  # any order sequence; last row clipped
        ],
    )
    def test_each_model_is_the_least_squares_fit_on_the_slices(self, N, nu, orders, SlIndk, Delay):
        U, Y = noisy_record(N, nu, Delay)
        result = arx_triple(U, Y, np.array(SlIndk), *orders, np.array(Delay))
        assert len(result) == 6
        for n, (Ap, Bp) in zip(orders, models(result)):
            assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1) and Ap[0] == 1.0
            reference = triple_reference(U, Y[:, 0], SlIndk, n, Delay)
            assert relative_error((Ap, Bp), reference) < ARX_VS_REGRESSION

    def test_noise_free_delayed_plant(self):
        delays = [3, 9]
        U, Y = arx_record(PLANT_A, PLANT_B, 2500, delays)
        result = models(arx_triple(U, Y, np.array([[1, 1100], [1301, 2500]]), 2, 4, 7, np.array(delays)))
        assert relative_error(result[0], (PLANT_A, PLANT_B)) < ARX_NOISE_FREE
        for Ap, Bp in result[1:]:
            y = simulate(Ap, Bp, U, delays)
            assert np.max(np.abs(y - Y[:, 0])) < ARX_NOISE_FREE * np.max(np.abs(Y))


class TestShortSlices:
    def test_more_parameters_than_equations_gives_the_minimum_norm_fit(self):
        # Six inputs at order 22: 160 parameters, 147 equations in the slice.
        delays = [1] * 6
        U, Y = noisy_record(400, 6, delays)
        SlIndk = [[1, 250]]
        result = models(arx_triple(U, Y, np.array(SlIndk), 12, 16, 22, np.array(delays)))
        Ap, Bp = result[2]
        assert np.all(np.isfinite(Ap)) and np.all(np.isfinite(Bp))
        X, t = aligned_regression(U, Y[:, 0], SlIndk, 22, delays)
        assert X.shape[0] < X.shape[1]
        theta = np.concatenate([Ap[1:], Bp.ravel()])
        minimum_norm = np.linalg.lstsq(X, t, rcond=None)[0]
        assert np.max(np.abs(theta - minimum_norm)) < ARX_UNDERDETERMINED * np.max(np.abs(minimum_norm))
        # The lower orders are over-determined and stay ordinary fits.
        for n, model in zip((12, 16), result[:2]):
            assert relative_error(model, triple_reference(U, Y[:, 0], SlIndk, n, delays)) < ARX_VS_REGRESSION

    def test_slices_too_short_for_an_order_are_left_out(self):
        delays = [2]
        U, Y = noisy_record(2000, 1, delays)
        # The second slice holds 15 samples: equations for order 4 but not for 20.
        SlIndk = [[1, 1200], [1301, 1315]]
        result = models(arx_triple(U, Y, np.array(SlIndk), 4, 12, 20, np.array(delays)))
        for n, model in zip((4, 12, 20), result):
            assert relative_error(model, triple_reference(U, Y[:, 0], SlIndk, n, delays)) < ARX_VS_REGRESSION

    @pytest.mark.parametrize(
        "SlIndk, Delay, error, message",
        [
            (np.zeros((0, 2), dtype=int), [1], ValueError, "SlIndk has no rows"),
            ([[1, 100]], [1], ValueError,
             "the selected slices are too short for an ARX model of order 22 with delays up to 1 samples"),
            ([[1, 1000]], [-1], ValueError, "Delay must hold whole numbers >= 0"),
            ([[0, 1000]], [1], IndexError, "selected slice 0 starts before sample 1"),
        ],
    )
    def test_errors(self, SlIndk, Delay, error, message):
        U, Y = noisy_record(1000, 1, [1])
        with pytest.raises(error) as info:
            arx_triple(U, Y, np.array(SlIndk), 12, 16, 22, np.array(Delay))
        assert str(info.value) == message
