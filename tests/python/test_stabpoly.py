import numpy as np
import pytest

from references import ROOTS_ROUNDOFF
from vantrelpid._utilities import stabpoly


def reflected(p):
    """The stabilised polynomial built from numpy's roots."""
    r = np.roots(p)
    out = np.abs(r) > 1
    r[out] = 1 / np.conj(r[out])
    q = np.real(np.poly(r))
    return np.concatenate([q, np.zeros(len(p) - len(q))])


class TestStabpoly:
    @pytest.mark.parametrize("p", [
        [1.0],
        [1.0, -0.9],
        [1.0, 0.3],
        [1.0, -1.5, 0.56],
        [1.0, -1.2, 0.85, -0.1],
        [1.0, -0.5, 0.0],          # a zero root
        # roots on the unit circle: integrators and undamped pairs
        [1.0, -1.0],
        [1.0, 1.0],
        [1.0, 0.0, 1.0],
        [1.0, -2.0, 1.0],
        [1.0, -1.0, 0.0],
        [1.0, -1.9, 0.9],
        [1.0, 0.0, 0.0, -1.0],
        [1.0, 0.0, 0.0, 0.0, -1.0],
        [1.0, -2 * np.cos(0.3), 1.0],
    ])
    def test_stable_input_comes_back_bit_for_bit(self, p):
        p = np.array(p)
        out = stabpoly(p)
        assert out.dtype == np.float64 and out.shape == p.shape
        np.testing.assert_array_equal(out, p)

    @pytest.mark.parametrize("p", [
        [1.0, -1.05],
        [1.0, 2.5],
        [1.0, -2.5, 1.0],                   # 2 and 0.5
        [1.0, 0.4, 1.69],                   # complex pair of modulus 1.3
        [1.0, -3.0, 3.75, -1.625],          # a complex pair outside, a real root inside
        [1.0, 0.5, 0.5, -1.0],
        [1.0, -4.0, 6.0, -4.0, 1.0 - 1e-3],  # near a fourfold root at 1
    ])
    def test_roots_outside_are_reflected_as_numpy_finds_them(self, p):
        p = np.array(p)
        out = stabpoly(p)
        assert out.shape == p.shape and out[0] == 1.0
        np.testing.assert_allclose(out, reflected(p), rtol=0, atol=ROOTS_ROUNDOFF * np.abs(p).max())
        assert np.all(np.abs(np.roots(out)) <= 1 + 1e-9)

    def test_random_polynomials(self):
        rng = np.random.default_rng(7)
        for _ in range(50):
            n = rng.integers(1, 7)
            p = np.concatenate([[1.0], rng.normal(scale=1.5, size=n)])
            out = stabpoly(p)
            r = np.roots(p)
            if np.all(np.abs(r) <= 1):
                np.testing.assert_array_equal(out, p)
            else:
                np.testing.assert_allclose(out, reflected(p), atol=1e-10 * np.abs(p).max())
            # The magnitudes of the roots are kept or inverted, never lost.
            expected = np.sort(np.minimum(np.abs(r), 1 / np.abs(r)))
            np.testing.assert_allclose(np.sort(np.abs(np.roots(out))), expected, rtol=1e-8)

    @pytest.mark.parametrize("p, expected", [
        ([2.0, -1.0], [1.0, -0.5]),                 # not monic, stable: scaled to a leading 1
        ([2.0, -4.0], [1.0, -0.5]),                 # not monic, root 2 reflected
        ([0.0, 1.0, -2.0], [1.0, -0.5, 0.0]),       # leading zero: one root, length kept
        ([1.0, -2.0, 0.0], [1.0, -0.5, 0.0]),       # trailing zero is a zero root
        ([3.0], [1.0]),
    ])
    def test_same_length_with_a_leading_one(self, p, expected):
        np.testing.assert_allclose(stabpoly(np.array(p)), expected, rtol=0, atol=ROOTS_ROUNDOFF)

    def test_input_not_modified(self):
        p = np.array([1.0, -2.5, 1.0])
        stabpoly(p)
        np.testing.assert_array_equal(p, [1.0, -2.5, 1.0])

    @pytest.mark.parametrize("bad", [np.nan, np.inf, -np.inf])
    def test_non_finite_coefficients_raise(self, bad):
        with pytest.raises(np.linalg.LinAlgError, match="Array must not contain infs or NaNs"):
            stabpoly(np.array([1.0, bad, 0.5]))
