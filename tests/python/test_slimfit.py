import warnings

import numpy as np
import pytest
from scipy.signal import lfilter

import reduction_reference as ref
from conftest import after_validation_sequence, assert_all_close, same_draws, untouched
from plants import fopdt, sampled, stacked, three_input_output
from references import EXACT_FIT, TRANSCRIPTION
from vantrelpid.tools.slimfit import create_input_signal, slimfit


def fit(models, order):
    (A, B, C, D), ords = stacked(models)
    return slimfit(A, B, C, D, ords, order)


def test_create_input_signal():
    u = create_input_signal()
    assert u.shape == (2910,) and u.dtype == np.float64 and u.sum() == -810
    np.testing.assert_array_equal(u, ref.create_input_signal())
    assert u[89] == 0 and np.all(u[90:290] == -1) and u[290] == 1 and np.all(u[2760:] == 0)


@pytest.mark.parametrize("order", [1, 2, 3, 4])
def test_three_input_model_against_the_transcription(order):
    model = three_input_output()
    ours, expected = same_draws(lambda: fit([model], order), lambda: ref.slimfit([model], order))
    np.testing.assert_array_equal(ours[0], [[1, 4, 3]])
    assert_all_close(ours[1:], expected[1:], rtol=0, atol=TRANSCRIPTION)
    # The static gains are corrected to the model's.
    num_sum, den_sum = sum(ours[2:2 + 2 * order:2]), 1 + sum(ours[3:3 + 2 * order:2])
    np.testing.assert_allclose(num_sum / den_sum, [model[1].sum(axis=1) / model[0].sum()], rtol=1e-12)


@pytest.mark.parametrize("K, T", [(2.0, 10.0), (-0.7, 20.0), (1.0, 3.0)])
def test_first_order_pair_exactly(K, T):
    b, a = fopdt(K, T)
    out = fit([(a, b[None, :])], 1)
    assert out[0][0, 0] == 1 and out[1][0, 0] == 0.0 and 0 < fit([(a, b[None, :])], 4)[1][0, 0] < 0.01   # never zeroed at 4
    np.testing.assert_allclose([out[2][0, 0], out[3][0, 0]], [K * (1 - np.exp(-1 / T)), -np.exp(-1 / T)], rtol=EXACT_FIT)


@pytest.mark.parametrize("step, delay", [
    ([0.0, 0.5, 1.0], 1),                       # the one-sample hold
    ([0.0, 0.0, 0.0, 0.0, 0.5, 1.0], 4),        # three more samples
    ([0.3, 1.0], 0),                            # above 12 % at once: r = 0
    ([0.0, 0.05, 0.01, 1.0], 3),                # a dip below 2 % after a sample above it
    ([0.0, 0.01, 0.05, 0.1, 1.0], 2),           # the last small sample before r
    ([0.0] * 120 + [1.0], 30),                  # nothing before 100: r = 30
])
def test_delay_rule(step, delay):
    num = np.diff(np.r_[0.0, step])             # an FIR pair with this step response
    assert fit([(np.r_[1.0, np.zeros(len(num) - 1)], num[None, :])], 1)[0][0, 0] == delay


def test_pair_without_response_and_order_zero_or_below():
    den, num = three_input_output()
    num[1] = 0.0
    with pytest.warns(RuntimeWarning, match="invalid value encountered in scalar divide"):
        out = fit([(den, num)], 2)
    assert out[0][0, 1] == 0 and np.isnan(out[1][0, 1]) and all(M[0, 1] == 0.0 for M in out[2:])
    for order in (0, -2):   # the zero model, with the delays detected and the usual draws
        with pytest.warns(RuntimeWarning):
            out, _ = same_draws(lambda: fit([(den, num)], order), after_validation_sequence)
        np.testing.assert_equal(out, ([[1, 0, 3]], [[1.0, np.nan, 1.0]], *[np.zeros((1, 3))] * 8))


def test_integrating_pair_keeps_its_own_gain():
    # 0.2 / (s (10 s + 1)) at h = 1: a static gain of inf or about 1e15 is not forced onto the fit.
    b, den = sampled([0.2], [10.0, 1.0, 0.0])
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)
        out, expected = fit([(den, b[None, :])], 1), ref.slimfit([(den, b[None, :])], 1)
    np.testing.assert_allclose(out[2:4], expected[2:4], atol=TRANSCRIPTION)
    assert abs(out[2][0, 0]) < 1.0 and abs(out[3][0, 0] + 1) < 1e-3
    fitted = lfilter([0, out[2][0, 0]], [1, out[3][0, 0]], np.ones(3000))
    assert np.max(np.abs(fitted)) < 10 * np.max(np.abs(lfilter(b, den, np.ones(3000))))


def test_two_outputs_types_generator_and_arguments():
    lag_b, lag_a = fopdt(1.0, 4.0)
    (A, B, C, D), ords = stacked([three_input_output(),
                                  (np.r_[lag_a, 0.0], np.array([[0, 0.5, 0], [0, 0, 0.2], [0, 1, 0]]))])
    with untouched(A, B, C, D, ords, draws=True):
        out, _ = same_draws(lambda: slimfit(A, B, C, D, ords, 1), after_validation_sequence)
    assert len(out) == 10 and out[0].dtype == np.int64 and all(M.dtype == np.float64 for M in out[1:])
    assert all(M.shape == (2, 3) for M in out)
    np.testing.assert_array_equal(out[0], [[1, 4, 3], [1, 2, 1]])


def test_order_and_shape_arguments():
    model = three_input_output()
    np.testing.assert_equal(fit([model], 4.9), fit([model], 4))   # Order goes through int()
    (A, B, C, D), ords = stacked([model])
    np.testing.assert_array_equal(slimfit(A, B, C.ravel(), D.ravel(), ords[0], 1)[0], [[1, 4, 3]])
    with pytest.raises(ValueError, match=r"^D must be 1 x 3 \(outputs x inputs\), not 0 x 0$"):   # not a model without pairs
        slimfit(A, B, C, np.zeros((0, 0)), ords, 1)
    for D_ in (D, np.zeros((1, 2, 3))):   # checked before any draw and before D's shape is read
        with pytest.raises(ValueError, match="^Order too high$"), untouched():
            slimfit(A, B, C, D_, ords, 5)
