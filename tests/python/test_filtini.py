import numpy as np
import pytest
from scipy.signal import lfilter, lfiltic

from references import FILTER_ROUNDOFF
from vantrelpid._utilities import filtini


def expected(b, a, u, y0):
    zi = lfiltic(b, a, [y0] * (len(a) - 1), [u[0]] * (len(b) - 1))
    if len(zi) == 0:
        return lfilter(b, a, u)
    return lfilter(b, a, u, zi=zi)[0]


class TestFiltini:
    @pytest.mark.parametrize("b, a", [
        ([0.2], [1.0, -0.9]),
        ([0.1, 0.05], [1.0, -1.5, 0.56]),
        ([0.0, 0.3, -0.1, 0.02], [1.0, -0.7]),          # numerator longer
        ([0.5], [1.0, -0.2, 0.1, -0.05]),                # denominator longer
        ([0.4, 0.2], [2.0, -1.0, 0.3]),                  # normalised by a[0]
        ([1.0, -1.0, 0.5], [4.0]),                       # a[0] alone: FIR
        ([0.7], [1.0]),
        ([1.0], [1.0, -1.0]),                            # integrator
    ])
    @pytest.mark.parametrize("u0, y0", [(0.0, 0.0), (1.5, -0.7), (-2.0, 3.0)])
    def test_matches_lfiltic_and_lfilter(self, b, a, u0, y0):
        rng = np.random.default_rng(3)
        u = np.concatenate([[u0], rng.normal(size=299)])
        out = filtini(np.array(b), np.array(a), u, y0)
        assert out.shape == (300, 1) and out.dtype == np.float64
        ref = expected(b, a, u, y0)
        np.testing.assert_allclose(out[:, 0], ref, rtol=0, atol=FILTER_ROUNDOFF * np.abs(ref).max())

    def test_steady_past_continues_steadily(self):
        # A constant input with the output at its steady value stays there.
        b, a = np.array([0.3, 0.1]), np.array([1.0, -0.6])
        gain = b.sum() / a.sum()
        out = filtini(b, a, np.full(50, 2.0), 2.0 * gain)
        np.testing.assert_allclose(out[:, 0], 2.0 * gain, rtol=1e-14)

    def test_zero_state_is_lfilter(self):
        b, a = np.array([0.0, 0.2, 0.1]), np.array([1.0, -1.1, 0.3])
        u = np.concatenate([[0.0], np.ones(99)])
        np.testing.assert_array_equal(filtini(b, a, u, 0.0)[:, 0], lfilter(b, a, u))

    def test_empty_numerator_gives_zeros(self):
        out = filtini(np.array([]), np.array([1.0, -0.5]), np.ones(7), 3.0)
        assert out.shape == (7, 1)
        np.testing.assert_array_equal(out, 0.0)

    @pytest.mark.parametrize("a, message", [
        ([], "There must be at least one `a` coefficient."),
        ([0.0, 1.0], "First `a` filter coefficient must be non-zero."),
    ])
    def test_invalid_denominator(self, a, message):
        with pytest.raises(ValueError, match=message):
            filtini(np.array([1.0]), np.array(a), np.ones(5), 0.0)
