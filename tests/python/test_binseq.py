import numpy as np
import pytest

from conftest import assert_same_generator_state, generator_state
from reduction_reference import binseq as reference
from vantrelpid.tools.binseq import binseq


@pytest.mark.parametrize("args", [
    (1300, 10, 1, 100, 1235),
    (500, 7, 3, 20, 0),
    (400, 1, 4, 100, 5),        # p = 1: runs of exactly Tmin
    (60, 10, 8, 5, 11),         # Tmin > Tmax: runs of Tmax
    (1, 10, 1, 100, 3),
    (300, 12.5, 1.5, 40.0, 2),
])
def test_sequence_and_generator_state_follow_numpys_stream(args):
    ours = binseq(*args)
    after = generator_state()
    np.testing.assert_array_equal(ours, reference(*args))
    assert_same_generator_state(after, generator_state())
    assert ours.dtype == np.float64 and ours.shape == (args[0],)


def test_unseeded_calls_continue_the_stream():
    np.random.seed(42)
    ours = np.r_[binseq(100, 5), binseq(N=80, Tsw=9, Tmin=2, Tmax=30)]
    np.random.seed(42)
    np.testing.assert_array_equal(ours, np.r_[reference(100, 5), reference(80, 9, 2, 30)])


def test_zero_switching_time_raises_after_reseeding():
    with pytest.raises(ZeroDivisionError):
        binseq(10, 0, 1, 100, 77)
    after = generator_state()
    np.random.seed(77)
    assert_same_generator_state(after, generator_state())


@pytest.mark.parametrize("N, error, message", [
    (10.0, TypeError, "'float' object cannot be interpreted as an integer"),
    (0, IndexError, "index 0 is out of bounds for axis 0 with size 0"),
    (-2, ValueError, "negative dimensions are not allowed"),
])
def test_bad_lengths(N, error, message):
    with pytest.raises(error, match=f"^{message}$"):
        binseq(N, 3)
