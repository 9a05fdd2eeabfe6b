# The gain modification of one-input, one-output models and the removal of a
# linear trend, against numpy transcriptions of their definitions.

import numpy as np
import pytest
from scipy.signal import detrend as scipy_detrend

import references as ref
from conftest import assert_all_close, untouched
from vantrelpid import _utilities as u


def static_gain(A, B, C, D):
    return (C @ np.linalg.solve(np.eye(len(A)) - A, B) + D)[0, 0]


def gain_reference(A, B, C, D, g, r):
    """A scaled by r / rho when rho >= 1, then C and D by g / G0 when G0 is finite and not zero."""
    rho = np.max(np.abs(np.linalg.eigvals(A)))
    A = A * (r / rho) if rho >= 1 else A
    G0 = static_gain(A, B, C, D)
    k = g / G0 if np.isfinite(G0) and G0 != 0 else 1.0
    return A, B, C * k, D * k


MODELS = {   # name: (A, B, C, D)
    "stable second order": ([[0.5, 0.2], [-0.1, 0.8]], [[1.0], [0.5]], [[0.3, 1.0]], [[0.1]]),
    "pole at 1.02": ([[1.02, 0.1], [0.0, 0.5]], [[1.0], [1.0]], [[1.0, 0.5]], [[0.0]]),
    "oscillating pole outside": ([[0.0, -1.1025], [1.0, 1.0]], [[1.0], [0.0]], [[0.0, 1.0]], [[0.0]]),
    "negative gain": ([[0.9]], [[1.0]], [[-0.2]], [[0.0]]),
}


class TestGainmodifyss:
    @pytest.mark.parametrize("name", MODELS)
    @pytest.mark.parametrize("g, r", [(1.0, 0.99), (2.5, 0.9)])
    def test_against_definition(self, name, g, r):
        A, B, C, D = (np.array(m, dtype=float) for m in MODELS[name])
        with untouched(A, B, C, D):
            out = u.gainmodifyss(A, B, C, D, g, r)
        assert all(m.dtype == np.float64 for m in out)
        assert_all_close(out, gain_reference(A, B, C, D, g, r), rtol=ref.FORM_EXACT, atol=0)   # four, shaped alike
        assert static_gain(*out) == pytest.approx(g, rel=ref.FORM_EXACT)
        rho = np.max(np.abs(np.linalg.eigvals(A)))
        if rho < 1:   # a stable model keeps its poles exactly
            np.testing.assert_array_equal(out[0], A)
        else:         # the slowest pole lands on radius r
            assert np.max(np.abs(np.linalg.eigvals(out[0]))) == pytest.approx(r, rel=ref.FORM_GENERAL)

    def test_zero_and_infinite_gain_keep_the_output(self):
        # a zero static gain cannot be scaled, a pole at exactly 1 with r = 1 leaves no finite gain
        A, B, C, D = np.array([[0.5]]), np.array([[1.0]]), np.array([[0.0]]), np.array([[0.0]])
        np.testing.assert_equal(u.gainmodifyss(A, B, C, D, 1, 0.99), (A, B, C, D))
        A1 = np.array([[1.0]])
        np.testing.assert_equal(u.gainmodifyss(A1, B, np.array([[1.0]]), D, 1, 1.0), (A1, B, [[1.0]], D))

    @pytest.mark.parametrize("args, message", [
        (([[0.5, 0], [0, 0.5]], [[1, 0], [0, 1]], [[1, 1]], [[0, 0]], 1, 0.99),
         "gainmodifyss needs a model of one input and one output, not 2 inputs and 1 outputs"),
        (([[0.5]], [[1], [1]], [[1]], [[0]], 1, 0.99), "B must have 1 rows (one per state), not 2 x 1"),
        (([[0.5]], [[1]], [[1]], [[0]], np.inf, 0.99), "The gain g must be finite"),
        (([[0.5]], [[1]], [[1]], [[0]], 1, 0.0), "The pole radius r must be positive and finite"),
    ])
    def test_errors(self, args, message):
        with pytest.raises(ValueError) as e:
            u.gainmodifyss(*args)
        assert str(e.value) == message


class TestDetrend:
    @pytest.mark.parametrize("x", [
        np.random.default_rng(0).standard_normal(1000).cumsum(),
        np.linspace(3.0, -2.0, 77),                      # a line leaves zeros
        np.r_[1e6 + np.sin(np.arange(500) / 7)],          # a large level
        np.array([2.0, 5.0]), np.array([4.0]),
    ], ids=["walk", "line", "level", "two", "one"])
    def test_against_scipy(self, x):
        with untouched(x):
            ours = u.detrend(x)
        assert ours.shape == x.shape and ours.dtype == np.float64
        np.testing.assert_allclose(ours, scipy_detrend(x), rtol=0, atol=ref.DETREND * max(1.0, np.max(np.abs(x))))

    def test_only_records(self):
        with pytest.raises(ValueError, match="^x must be a one-dimensional record$"):
            u.detrend(np.ones((5, 1)))
