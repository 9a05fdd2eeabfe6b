import numpy as np
import pytest

from conftest import assert_same_generator_state, generator_state
from vantrelpid.tools.binseq import binseq


def reference(N, Tsw, Tmin=1, Tmax=10000, Seeds=None):
    """The sequence written out in Python on numpy's own stream."""
    if Seeds is not None:
        np.random.seed(Seeds)
    p = 1 / Tsw
    r = np.random.rand(N)
    level = 1 if r[0] > 0.5 else -1
    U = np.zeros(N)
    c = 1
    for i in range(N):
        if (r[i] < p and c >= Tmin) or c >= Tmax:
            level = -level
            c = 1
        else:
            c += 1
        U[i] = level
    return U


def runs(u):
    edges = np.flatnonzero(np.diff(u)) + 1
    return np.diff(np.concatenate([[0], edges, [len(u)]]))


class TestSequence:
    @pytest.mark.parametrize("args", [
        (1300, 10, 1, 100, 1235),
        (500, 7, 3, 20, 0),
        (400, 1, 4, 100, 5),       # p = 1: runs of exactly Tmin
        (50, 10, 1, 1, 9),         # Tmax = 1: alternates
        (60, 10, 8, 5, 11),        # Tmin > Tmax: runs of Tmax
        (1, 10, 1, 100, 3),
        (300, 12.5, 1.5, 40.0, 2),
    ])
    def test_matches_numpys_stream_and_leaves_same_state(self, args):
        ours = binseq(*args)
        after = generator_state()
        expected = reference(*args)
        np.testing.assert_array_equal(ours, expected)
        assert_same_generator_state(after, generator_state())
        assert ours.dtype == np.float64 and ours.shape == (args[0],)

    def test_run_lengths(self):
        u = binseq(1300, 10, 1, 100, 1235)
        assert set(np.unique(u)) <= {-1.0, 1.0}
        r = runs(u)
        assert r[1:-1].min() >= 1 and r[1:-1].max() <= 100
        np.testing.assert_array_equal(runs(binseq(60, 10, 8, 5, 11))[1:-1], 5)
        np.testing.assert_array_equal(runs(binseq(400, 1, 4, 100, 5))[1:-1], 4)

    def test_unseeded_call_continues_the_stream(self):
        np.random.seed(42)
        ours = np.concatenate([binseq(100, 5), binseq(80, 9, 2, 30)])
        np.random.seed(42)
        expected = np.concatenate([reference(100, 5), reference(80, 9, 2, 30)])
        np.testing.assert_array_equal(ours, expected)

    def test_keywords_and_defaults(self):
        np.testing.assert_array_equal(binseq(N=200, Tsw=8, Seeds=1), reference(200, 8, Seeds=1))


class TestFailures:
    def test_zero_switching_time_raises_after_reseeding(self):
        np.random.seed(1)
        with pytest.raises(ZeroDivisionError):
            binseq(10, 0, 1, 100, 77)
        after = generator_state()
        np.random.seed(77)
        assert_same_generator_state(after, generator_state())

    def test_bad_lengths(self):
        with pytest.raises(TypeError, match="'float' object cannot be interpreted as an integer"):
            binseq(10.0, 3)
        with pytest.raises(IndexError, match="index 0 is out of bounds for axis 0 with size 0"):
            binseq(0, 3)
        with pytest.raises(ValueError, match="negative dimensions are not allowed"):
            binseq(-2, 3)
