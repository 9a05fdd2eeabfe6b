import numpy as np
import pytest

from conftest import assert_same_generator_state, generator_state, reseeded, same_draws, untouched
from reduction_reference import binseq
from vantrelpid.probeplan import probeplan


def reference(nSignal, T2ST, Interact):
    N = max(45 * max(T2ST), 300)
    sig = np.zeros((N, nSignal))
    for k in range(nSignal):
        tsw = round(max(T2ST) / 4) if Interact == 1 else round(T2ST[k] / 4)
        sig[:, k] = binseq(N, tsw, 1, 7 * tsw) + 0.6 * (np.random.rand(N) - 0.5)
    return sig, np.cov(sig, rowvar=False)


@pytest.mark.parametrize("args", [
    (2, [100, 200], 1), (2, [100, 200], 0), (3, np.array([20, 30, 10]), 0), (1, [5.0], 0),
    (1, [4], 0),                     # at least 300 samples; R zero-dimensional
    (2, [10, 14, 60], True),         # extra entries raise N and the common switching time
])
def test_reproduces_numpys_stream(args):
    (sig, R), (ref_sig, ref_R) = same_draws(lambda: probeplan(*args), lambda: reference(*args))
    np.testing.assert_array_equal(sig, ref_sig)
    np.testing.assert_allclose(R, ref_R, rtol=1e-12, atol=1e-15)
    assert R.shape == ref_R.shape and R.dtype == np.float64


def test_failures():
    with pytest.raises(ValueError, match="^T2ST has too few elements$"), untouched():
        probeplan(3, [10, 20], 0)
    with pytest.raises(TypeError):
        probeplan(1, [100.0], 0)
    np.random.seed(5)
    with pytest.raises(ZeroDivisionError):    # after the first signal's draws
        probeplan(2, [40, 2], 0)
    assert_same_generator_state(generator_state(), reseeded(5, uniform=2 * 1800))
