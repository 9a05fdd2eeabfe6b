import warnings

import numpy as np
import pytest
from scipy.signal import lfilter

import reduction_reference as ref
from conftest import assert_same_generator_state, generator_state
from plants import fopdt, stacked, three_input_output, zoh
from references import EXACT_FIT, TRANSCRIPTION
from vantrelpid.tools.slimfit import create_input_signal, slimfit


def after_validation_sequence():
    """numpy's generator state after one seeded validation sequence."""
    np.random.seed(1235)
    np.random.rand(1300)
    return generator_state()


def fit(models, order):
    (A, B, C, D), ords = stacked(models)
    return slimfit(A, B, C, D, ords, order)


class TestCreateInputSignal:
    def test_segments(self):
        u = create_input_signal()
        assert u.shape == (2910,) and u.dtype == np.float64
        np.testing.assert_array_equal(u, ref.create_input_signal())
        assert u.sum() == -810
        assert u[89] == 0 and np.all(u[90:290] == -1) and u[290] == 1
        assert np.all(u[2380:2760] == -1) and np.all(u[2760:] == 0)


class TestThreeInputModel:
    @pytest.fixture(scope="class")
    def model(self):
        return three_input_output()

    @pytest.mark.parametrize("order", [1, 2, 3, 4])
    def test_matches_transcription(self, model, order):
        np.random.seed(5)
        ours = fit([model], order)
        ours_state = generator_state()
        np.random.seed(5)
        expected = ref.slimfit([model], order)
        assert_same_generator_state(ours_state, generator_state())
        np.testing.assert_array_equal(ours[0], [[1, 4, 3]])
        for got, want in zip(ours[1:], expected[1:]):
            np.testing.assert_allclose(got, want, rtol=0, atol=TRANSCRIPTION)

    @pytest.mark.parametrize("order", [1, 2, 3, 4])
    def test_static_gains_corrected_to_the_model(self, model, order):
        out = fit([model], order)
        den, num = model
        num_sum = sum(out[2 + 2 * k] for k in range(order))
        den_sum = 1 + sum(out[3 + 2 * k] for k in range(order))
        np.testing.assert_allclose(num_sum / den_sum, [num.sum(axis=1) / den.sum()], rtol=1e-12)

    @pytest.mark.parametrize("order", [1, 2])
    def test_unused_orders_stay_zero(self, model, order):
        out = fit([model], order)
        for M in out[2 + 2 * order:]:
            np.testing.assert_array_equal(M, 0.0)


class TestFirstOrderPair:
    @pytest.mark.parametrize("K, T", [(2.0, 10.0), (-0.7, 20.0), (1.0, 3.0)])
    def test_exact(self, K, T):
        b, a = fopdt(K, T)
        out = fit([(a, b[None, :])], 1)
        assert out[0][0, 0] == 1 and out[1][0, 0] == 0.0
        np.testing.assert_allclose(out[2], [[K * (1 - np.exp(-1 / T))]], rtol=EXACT_FIT)
        np.testing.assert_allclose(out[3], [[-np.exp(-1 / T)]], rtol=EXACT_FIT)

    def test_order_4_error_is_never_zeroed(self):
        b, a = fopdt(2.0, 10.0)
        err = fit([(a, b[None, :])], 4)[1]
        assert 0 < err[0, 0] < 0.01


class TestDelayRule:
    @staticmethod
    def fir(step):
        """An FIR pair whose step response is `step`, then constant."""
        num = np.diff(np.concatenate([[0.0], step]))
        return np.concatenate([[1.0], np.zeros(len(num) - 1)]), num[None, :]

    @pytest.mark.parametrize("step, delay", [
        ([0.0, 0.5, 1.0], 1),                       # the one-sample hold
        ([0.0, 0.0, 0.0, 0.0, 0.5, 1.0], 4),        # three more samples
        ([0.3, 1.0], 0),                            # above 12 % at once: r = 0
        ([0.0, 0.05, 0.01, 1.0], 3),                # a dip below 2 % after a sample above it
        ([0.0, 0.01, 0.05, 0.1, 1.0], 2),           # the last small sample before r
        ([0.0] * 120 + [1.0], 30),                  # nothing before 100: r = 30
    ])
    def test_detected_delay(self, step, delay):
        out = fit([self.fir(np.array(step))], 1)
        assert out[0][0, 0] == delay

    def test_pair_without_response(self):
        den, num = three_input_output()
        num[1] = 0.0
        with pytest.warns(RuntimeWarning, match="invalid value encountered in scalar divide"):
            out = fit([(den, num)], 2)
        assert out[0][0, 1] == 0 and np.isnan(out[1][0, 1])
        for M in out[2:6]:
            assert M[0, 1] == 0.0


class TestIntegratingPair:
    def test_gain_is_not_corrected_to_infinity(self):
        # 0.2 / (s (10 s + 1)) at h = 1: a root at z = 1, a static gain of
        # inf or about 1e15. The fit keeps its own finite numerator.
        b, den = zoh([0.2], [10.0, 1.0, 0.0])
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", RuntimeWarning)
            out = fit([(den, b[None, :])], 1)
            expected = ref.slimfit([(den, b[None, :])], 1)
        np.testing.assert_allclose(out[2], expected[2], atol=TRANSCRIPTION)
        np.testing.assert_allclose(out[3], expected[3], atol=TRANSCRIPTION)
        assert abs(out[2][0, 0]) < 1.0 and abs(out[3][0, 0] + 1) < 1e-3
        # Its step response stays of the size of the pair's own.
        fitted = lfilter([0, out[2][0, 0]], [1, out[3][0, 0]], np.ones(3000))
        assert np.max(np.abs(fitted)) < 10 * np.max(np.abs(lfilter(b, den, np.ones(3000))))


class TestContract:
    def test_generator_is_left_as_one_validation_sequence_leaves_it(self):
        den, num = three_input_output()
        expected = after_validation_sequence()
        np.random.seed(99)
        fit([(den, num)], 2)
        assert_same_generator_state(expected, generator_state())

    def test_order_too_high_draws_nothing(self):
        (A, B, C, D), ords = stacked([three_input_output()])
        before = generator_state()
        with pytest.raises(ValueError, match="^Order too high$"):
            slimfit(A, B, C, D, ords, 5)
        with pytest.raises(ValueError, match="^Order too high$"):
            slimfit(A, B, C, np.zeros((1, 2, 3)), ords, 5)   # before the shape of D is read
        assert_same_generator_state(before, generator_state())

    def test_order_goes_through_int(self):
        model = three_input_output()
        for got, want in zip(fit([model], 4.9), fit([model], 4)):
            np.testing.assert_array_equal(got, want)

    @pytest.mark.parametrize("order", [0, -2])
    def test_order_zero_or_below_fits_the_zero_model(self, order):
        den, num = three_input_output()
        num[2] = 0.0
        with pytest.warns(RuntimeWarning):
            out = fit([(den, num)], order)
        np.testing.assert_array_equal(out[0], [[1, 4, 0]])
        np.testing.assert_array_equal(out[1][0, :2], [1.0, 1.0])
        assert np.isnan(out[1][0, 2])
        for M in out[2:]:
            np.testing.assert_array_equal(M, 0.0)

    def test_shapes_dtypes_and_two_outputs(self):
        lag_b, lag_a = fopdt(1.0, 4.0)
        models = [three_input_output(),
                  (np.concatenate([lag_a, [0.0]]), np.array([[0, 0.5, 0], [0, 0, 0.2], [0, 1, 0]]))]
        (A, B, C, D), ords = stacked(models)
        arrays = [a.copy() for a in (A, B, C, D)]
        out = slimfit(A, B, C, D, ords, 1)
        assert len(out) == 10
        assert out[0].dtype == np.int64 and all(M.dtype == np.float64 for M in out[1:])
        assert all(M.shape == (2, 3) for M in out)
        np.testing.assert_array_equal(out[0][1], [1, 2, 1])
        for a, b in zip(arrays, (A, B, C, D)):
            np.testing.assert_array_equal(a, b)

    def test_one_dimensional_D_and_C_are_one_output(self):
        (A, B, C, D), ords = stacked([three_input_output()])
        out = slimfit(A, B, C.ravel(), D.ravel(), ords[0], 1)
        np.testing.assert_array_equal(out[0], [[1, 4, 3]])

    @pytest.mark.parametrize("D, message", [
        (np.float64(1.0), r"not enough values to unpack \(expected 2, got 0\)"),
        (np.zeros((1, 3, 1)), r"too many values to unpack \(expected 2\)"),
    ])
    def test_shape_of_D(self, D, message):
        (A, B, C, _), ords = stacked([three_input_output()])
        with pytest.raises(ValueError, match=message):
            slimfit(A, B, C, D, ords, 1)
