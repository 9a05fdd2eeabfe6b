# The three-order ARX estimate of the multivariable identification (reached
# through the private utilities module).

import numpy as np
import pytest

from arx_reference import arx_record, relative_error, solve, triple_rows
from references import ARX_UNDERDETERMINED, ARX_VS_REGRESSION
from vantrelpid._utilities import arx_triple

PLANT_A, PLANT_B = np.array([1.0, -1.3, 0.42]), np.array([[0.0, 0.8, 0.4], [0.5, -0.3, 0.0]])


def models(U, Y, SlIndk, orders, Delay):
    result = arx_triple(U, Y, np.array(SlIndk), *orders, np.array(Delay))
    assert len(result) == 6
    return [(result[2 * m], result[2 * m + 1]) for m in range(3)]


@pytest.mark.parametrize("N, nu, orders, SlIndk, Delay", [
    (2600, 2, (2, 4, 6), [[1, 700], [901, 1500], [1700, 2500]], [2, 7]),
    (3000, 1, (12, 16, 22), [[1, 3000]], [3]),
    (2000, 3, (3, 1, 5), [[200, 1200], [1400, 2100]], [0, 4, 1]),   # any order sequence; last row clipped
    (2000, 1, (4, 12, 20), [[1, 1200], [1301, 1315]], [2]),         # 15 samples: equations for order 4 only
    (400, 6, (12, 16, 22), [[1, 250]], [1] * 6),                    # order 22: 160 parameters, 147 equations
])
def test_each_model_is_the_least_squares_fit_on_the_slices(N, nu, orders, SlIndk, Delay):
    U, Y = arx_record(PLANT_A, np.vstack([PLANT_B] * 3)[:nu], N, Delay, noise=0.3, seed=11)
    for n, (Ap, Bp) in zip(orders, models(U, Y, SlIndk, orders, Delay)):
        assert Ap.shape == (n + 1,) and Bp.shape == (nu, n + 1) and Ap[0] == 1.0
        X, t = triple_rows(U, Y[:, 0], SlIndk, n, Delay)
        tolerance = ARX_UNDERDETERMINED if len(t) < X.shape[1] else ARX_VS_REGRESSION   # then the minimum norm
        assert relative_error((Ap, Bp), solve(X, t, n, nu)) < tolerance


@pytest.mark.parametrize("SlIndk, Delay, error, message", [
    ([[1, 100]], [1], ValueError, "the selected slices are too short for an ARX model of order 22 with delays up to 1 samples"),
    ([[0, 1000]], [1], IndexError, "selected slice 0 starts before sample 1"),
])
def test_errors(SlIndk, Delay, error, message):
    U, Y = arx_record(PLANT_A, PLANT_B[:1], 1000, noise=0.3)
    with pytest.raises(error) as info:
        models(U, Y, SlIndk, (12, 16, 22), Delay)
    assert str(info.value) == message
