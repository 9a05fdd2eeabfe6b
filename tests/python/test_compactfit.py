"""Low-order model selection among the reductions of orders 1 to 10."""

import numpy as np
import pytest

import reference_bounds as ref
from conftest import assert_same_generator_state, generator_state
from references import SELECTION_VS_TRANSCRIPTION
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.ceilband import ceilband
from vantrelpid.tools.compactfit import compactfit
from vantrelpid.tools.freqshrink import freqshrink

W = frequency_grid()


class Case:
    """A scaled record of a known plant, its ARX(12) model and that model's bound."""

    def __init__(self, A, B, delays, N=3000, noise=0.1, seed=0, samples=None):
        r = np.random.default_rng(seed)
        nu = len(B)
        U = r.standard_normal((N, nu))
        signal = ref.misosim(A, B, ref.add_dly(U, delays))[:, 0]
        y = signal + noise * np.std(signal) * r.standard_normal(N)
        self.STDu, self.STDy = U.std(axis=0), y.std()
        self.U = (U - U.mean(axis=0)) / self.STDu
        self.Y = ((y - y.mean()) / self.STDy).reshape(-1, 1)
        self.delays = np.asarray(delays)
        self.samples = np.arange(1, N + 1) if samples is None else samples
        self.Ap, self.Bp = ref.arx_fit(self.U, self.Y, 12, self.delays)
        G = ref.misofrq(self.Ap, self.Bp, W)
        Nbnd = min(len(self.samples), 8000)
        self.grades, _, BND = ceilband(self.Ap, self.Bp, G, self.U, self.Y, W, Nbnd, self.delays, self.samples, 0)
        self.G, self.BND = G[:100], BND[:100]

    def args(self, **changes):
        a = dict(Aphk=self.Ap, Bphk=self.Bp, Ghk=self.G, U=self.U, Y=self.Y, Delay=self.delays,
                 SlSampk=self.samples, BNDk=self.BND, wln=W[:100])
        a.update(changes)
        return a


FIRST_ORDER = dict(A=np.array([1.0, -0.9]), B=np.array([[0.0, 0.1]]), delays=[2])


class TestSelection:
    def test_chain_on_a_noisy_first_order_plant(self):
        case = Case(**FIRST_ORDER, seed=1)
        Abj, Bbj = compactfit(**case.args())
        assert list(case.grades) == ["A"]
        assert Abj.shape == (2,) and Bbj.shape == (1, 2)
        assert abs(-Abj[1] - 0.9) < 0.005
        scaled_gain = 1.0 * case.STDu[0] / case.STDy
        assert abs(Bbj.sum() / Abj.sum() / scaled_gain - 1) < 0.03

    def test_first_order_matches_the_transcription(self):
        case = Case(**FIRST_ORDER, seed=2)
        for ours, theirs in zip(compactfit(**case.args()), ref.compactfit(**case.args())):
            assert ours.shape == theirs.shape
            np.testing.assert_allclose(ours, theirs, rtol=0, atol=SELECTION_VS_TRANSCRIPTION)

    def test_underdamped_plant_gives_order_two(self):
        A = np.array([1.0, -1.6, 0.8])  # poles 0.8 +- 0.4i
        case = Case(A, np.array([[0.0, 0.1, 0.1]]), [1], N=4000, noise=0.05, seed=3)
        Abj, _ = compactfit(**case.args())
        assert len(Abj) == 3
        np.testing.assert_allclose(np.sort_complex(np.roots(Abj)), np.sort_complex(np.roots(A)), atol=0.01)

    def test_two_inputs_with_a_gap_match_the_transcription(self):
        samples = np.r_[np.arange(1, 1201), np.arange(1601, 3001)]
        case = Case(np.array([1.0, -0.85]), np.array([[0.0, 0.15], [0.0, -0.3]]), [1, 3], seed=4, samples=samples)
        ours, theirs = compactfit(**case.args()), ref.compactfit(**case.args())
        assert ours[1].shape == (2, len(ours[0]))
        for a, b in zip(ours, theirs):
            np.testing.assert_allclose(a, b, rtol=0, atol=SELECTION_VS_TRANSCRIPTION)

    def test_result_is_the_reduction_of_the_chosen_order(self):
        case = Case(**FIRST_ORDER, seed=5)
        Abj, Bbj = compactfit(**case.args())
        W1 = 1.0 / case.BND
        Ap, Bp, *_ = freqshrink(case.Ap, case.Bp, W1, W1, len(Abj) - 1, 20, W[:100])
        np.testing.assert_array_equal(Abj, Ap)
        np.testing.assert_array_equal(Bbj, Bp)


class TestArguments:
    case = Case(**FIRST_ORDER, N=1500, seed=6)

    def test_response_is_not_used(self):
        expected = compactfit(**self.case.args())
        for Ghk in (None, "anything", np.zeros((3, 3))):
            for a, b in zip(compactfit(**self.case.args(Ghk=Ghk)), expected):
                np.testing.assert_array_equal(a, b)

    def test_one_dimensional_output_equals_a_column(self):
        for a, b in zip(compactfit(**self.case.args(Y=self.case.Y[:, 0])), compactfit(**self.case.args())):
            np.testing.assert_array_equal(a, b)

    def test_types_arguments_unchanged_and_no_draws(self):
        args = self.case.args()
        copies = {k: np.copy(v) for k, v in args.items()}
        state = generator_state()
        Abj, Bbj = compactfit(**args)
        assert_same_generator_state(state, generator_state())
        assert Abj.dtype == Bbj.dtype == np.float64 and Abj.ndim == 1 and Bbj.ndim == 2
        for k, v in args.items():
            np.testing.assert_array_equal(v, copies[k])

    def test_unselected_nan_leaves_the_choice(self):
        # Only the output variance of the x30 rule sees it; no good candidate reaches that rule.
        Y = self.case.Y.copy()
        Y[10] = np.nan
        samples = np.arange(21, 1501)
        for a, b in zip(compactfit(**self.case.args(Y=Y, SlSampk=samples)),
                        compactfit(**self.case.args(SlSampk=samples))):
            np.testing.assert_array_equal(a, b)

    @pytest.mark.parametrize("position, value", [(0, np.nan), (700, np.nan), (700, np.inf), (0, 1e32)])
    def test_non_finite_selected_output_falls_back_to_order_one(self, position, value):
        # A NaN first error or an error of 1e31 or more scores 1e30 for every order;
        # a later NaN makes every score NaN, which never wins over another: order 1 either way.
        Y = self.case.Y.copy()
        Y[position] = value
        Abj, Bbj = compactfit(**self.case.args(Y=Y))
        W1 = 1.0 / self.case.BND
        Ap, Bp, *_ = freqshrink(self.case.Ap, self.case.Bp, W1, W1, 1, 20, W[:100])
        np.testing.assert_array_equal(Abj, Ap)
        np.testing.assert_array_equal(Bbj, Bp)

    @pytest.mark.parametrize("samples, error, message", [
        (np.r_[0, np.arange(2, 400)], IndexError, "selected sample number 0 is below 1"),
        (np.arange(1, 1502), IndexError, "index 1500 is out of bounds for axis 0 with size 1500"),
        (np.array([], dtype=int), ValueError, "SlSampk selects no samples"),
        (np.arange(1, 5), ZeroDivisionError, "division by zero"),  # N = d = (1 + 1)(1 + 1)
    ])
    def test_selected_samples(self, samples, error, message):
        with pytest.raises(error) as info:
            compactfit(**self.case.args(SlSampk=samples))
        assert str(info.value) == message

    @pytest.mark.parametrize("BNDk, wln, message", [
        (np.ones((100, 2)), W[:100], "Dimensions of Weight and Bh not compatible"),
        (np.ones((99, 1)), W[:100], "Dimensions of Weight and w not compatible"),
        (np.ones((100, 1)), W[:99], "Dimensions of Weight and w not compatible"),
    ])
    def test_reduction_messages_pass_through(self, BNDk, wln, message):
        with pytest.raises(ValueError) as info:
            compactfit(**self.case.args(BNDk=BNDk, wln=wln))
        assert str(info.value) == message

    def test_record_lengths_must_agree(self):
        with pytest.raises(ValueError, match="^U and Y must have the same number of samples: 1499 and 1500$"):
            compactfit(**self.case.args(U=self.case.U[:-1]))
