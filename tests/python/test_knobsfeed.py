import numpy as np
import pytest

from conftest import untouched
from vantrelpid.knobsfeed import knobsfeed

SQUARE = "Number of inputs not larger than the number of outputs, no feedforward variables"
INTEGRATORS = "There are integrators, no feedforward will be designed"


def reference(Tau, Gain, Delay):
    """The compensators as whole-array numpy operations."""
    ny = Tau.shape[0]
    loop = lambda X: np.diag(X)[:, None]
    return (0.88 * Gain[:, ny:] / loop(Gain), np.maximum(Tau[:, ny:], loop(Tau) / 3),
            np.repeat(loop(Tau), Tau.shape[1] - ny, axis=1), np.maximum(0, Delay[:, ny:] - loop(Delay)))


class TestDesign:
    @pytest.mark.parametrize("Tau, Gain, Delay, expected", [
        ([[10, 4]], [[2, 3]], [[2, 5]], (1.32, 4, 10, 3)),
        ([[10, 2]], [[2, 3]], [[2, 5]], (1.32, 10 / 3, 10, 3)),     # the lag floor Tau/3
        ([[10, 4]], [[2, -3]], [[2, 5]], (-1.32, 4, 10, 3)),        # a negative gain ratio: no sign change
        ([[10, 4]], [[2, 3]], [[2, 1]], (1.32, 4, 10, 0)),          # the disturbance arrives sooner
        ([[10, 4]], [[2, 3]], [[2, 2]], (1.32, 4, 10, 0)),
    ])
    def test_one_loop_one_disturbance(self, Tau, Gain, Delay, expected):
        *arrays, message = knobsfeed(np.array(Tau, float), np.array(Gain, float), np.array(Delay, float), [0])
        assert message == "OK" and all(a.shape == (1, 1) and a.dtype == np.float64 for a in arrays)
        np.testing.assert_allclose([a[0, 0] for a in arrays], expected, rtol=1e-15)   # 0.88 * 3 / 2 rounds once

    def test_two_loops_three_disturbances(self):
        rng = np.random.default_rng(7)
        Tau, Gain, Delay = rng.uniform(1, 20, (2, 5)), rng.uniform(-3, 3, (2, 5)), rng.uniform(0, 6, (2, 5))
        CV_INT = np.array([0.0, 0.0])
        with untouched(Tau, Gain, Delay, CV_INT):
            *arrays, message = knobsfeed(Tau, Gain, Delay, CV_INT)
        assert message == "OK"
        for got, want in zip(arrays, reference(Tau, Gain, Delay)):   # the same float64 operations: equal
            assert got.shape == (2, 3) and got.flags.c_contiguous
            np.testing.assert_array_equal(got, want)

    def test_zero_loop_gain_gives_inf(self):
        with np.errstate(divide="ignore"):
            assert np.isinf(knobsfeed([[10.0, 4]], [[0.0, 3]], [[2.0, 5]], [0])[0][0, 0])


class TestRefusals:
    @pytest.mark.parametrize("shape, CV_INT, message", [
        ((2, 2), [0, 1], SQUARE),            # checked before the integrators
        ((2, 3), [0, 1], INTEGRATORS),
        ((2, 3), np.array([0.0, 1.0]), INTEGRATORS),
        ((2, 3), [True, 0], INTEGRATORS),
        ((1, 3), [1.0], INTEGRATORS),
        ((3, 2), [0, 1, 0], INTEGRATORS),    # checked before the negative dimension
    ])
    def test_returned_messages(self, shape, CV_INT, message):
        assert knobsfeed(np.ones(shape), np.ones(shape), np.ones(shape), CV_INT) == (None, None, None, None, message)

    @pytest.mark.parametrize("shapes, CV_INT, message", [
        (((1, 2), (1, 2), (1, 3)), [0], "Input matrices must have the same dimensions"),
        (((1, 2), (2, 1), (1, 2)), [0], "Input matrices must have the same dimensions"),
        (((2,), (2,), (2,)), [0], "Input matrices must be two-dimensional"),
        (((3, 2), (3, 2), (3, 2)), [0, 0, 0], "negative dimensions are not allowed"),
        (((1, 2), (1, 2), (1, 2)), [], None),   # the built-in max of an empty sequence
    ])
    def test_raised(self, shapes, CV_INT, message):
        with pytest.raises(ValueError) as info:
            knobsfeed(*(np.ones(s) for s in shapes), CV_INT)
        assert message is None or str(info.value) == message
