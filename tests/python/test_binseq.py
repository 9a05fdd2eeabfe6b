import numpy as np
import pytest

from conftest import assert_same_generator_state, generator_state, same_draws
from reduction_reference import binseq as reference
from vantrelpid.tools.binseq import binseq


@pytest.mark.parametrize("args", [
    (1300, 10, 1, 100, 1235), (500, 7, 3, 20, 0), (1, 10, 1, 100, 3), (300, 12.5, 1.5, 40.0, 2),
    (400, 1, 4, 100, 5),        # p = 1: runs of exactly Tmin
    (60, 10, 8, 5, 11),         # Tmin > Tmax: runs of Tmax
    (100, 5, 1, 10000, None),   # no seed: the stream continues
])
def test_sequence_and_generator_state_follow_numpys_stream(args):
    ours, expected = same_draws(lambda: binseq(*args), lambda: reference(*args), seed=42)
    np.testing.assert_array_equal(ours, expected)
    assert ours.dtype == np.float64 and ours.shape == (args[0],)
    np.testing.assert_array_equal(binseq(N=80, Tsw=9, Tmin=2, Seeds=3), reference(80, 9, 2, 10000, 3))


def test_failures():
    for N, error, message in ((10.0, TypeError, "'float' object cannot be interpreted as an integer"),
                              (0, IndexError, "index 0 is out of bounds for axis 0 with size 0"),
                              (-2, ValueError, "negative dimensions are not allowed")):
        with pytest.raises(error, match=f"^{message}$"):
            binseq(N, 3)
    with pytest.raises(ZeroDivisionError):   # after reseeding
        binseq(10, 0, 1, 100, 77)
    after = generator_state()
    np.random.seed(77)
    assert_same_generator_state(after, generator_state())
