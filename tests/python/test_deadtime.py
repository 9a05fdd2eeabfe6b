import numpy as np
import pytest
from scipy.signal import lfilter

from arx_reference import simulate
from conftest import assert_same_generator_state, generator_state
from references import DEADTIME_SCORE
from vantrelpid.tools.binseq import binseq
from vantrelpid.tools.deadtime import DelayEstimationError, deadtime
from vantrelpid.tools.fitclean import fitclean
from vantrelpid.tools.seglsq import seglsq
from vantrelpid.tools.segmask import segmask

FULL = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40]
SHORT = list(range(1, 13))
INTEGRATING = list(range(1, 9))
WHOLE = [[-1, -1]]


def first_order_loop(N, delay, noise, seed, inputs=1, integrating=False):
    """Binary test signals through 0.2 q^-delay / (1 - 0.8 q^-1) (or an
    integrator), summed over the inputs, with white noise of `noise` times
    the response's deviation."""
    U = np.column_stack([binseq(N, 20, 3, 200, seed + i) for i in range(inputs)])
    den = [1.0, -1.0] if integrating else [1.0, -0.8]
    y = simulate(np.array(den), np.tile([0.0, 0.2], (inputs, 1)), U, [delay - 1] * inputs)
    y = y + noise * np.std(y) * np.random.default_rng(seed).standard_normal(N)
    return U, y.reshape(-1, 1)


def independent_scores(U, Y, CV_INT, CVslice, k, candidates):
    """The search's scores rebuilt from the modules it uses, with the
    simulation done by lfilter."""
    N, nu = U.shape
    SlIndk, SlSampk = segmask(CVslice, k, N)
    Un, _, _, yn, _, _ = fitclean(U, Y[:, k], SlSampk, CV_INT[k])
    rows = SlSampk - 1
    scores = []
    for d in candidates:
        Ap, Bp = seglsq(Un, yn, SlIndk, 10, [d] * nu)
        with np.errstate(over="ignore", invalid="ignore"):  # unstable candidates
            err = yn[rows, 0] - simulate(Ap, Bp, Un, [d] * nu)[rows]
        if np.any(np.abs(err) > 1e8):
            scores.append(10000)
        else:
            scores.append(np.var(err[60:]) / np.var(yn[rows, 0]))
    return scores


def rule(scores, integrating):
    best = min(scores)
    if integrating:
        return max(i for i, s in enumerate(scores) if s == best)
    return max(i for i, s in enumerate(scores) if s <= 1.007 * best)


class TestKnownDelay:
    @pytest.mark.parametrize("delay", [3, 6, 16])
    @pytest.mark.parametrize("noise", [0.02, 0.05])
    def test_long_record_finds_the_plant_delay(self, delay, noise):
        U, Y = first_order_loop(3000, delay, noise, seed=2)
        Delay, ErrTest = deadtime(U, Y, [0], [WHOLE])
        scores = independent_scores(U, Y, [0], [WHOLE], 0, FULL)
        np.testing.assert_array_equal(ErrTest[0][0], FULL)
        np.testing.assert_allclose(ErrTest[0][1], scores, rtol=DEADTIME_SCORE)
        assert FULL[rule(scores, False)] == delay
        np.testing.assert_array_equal(Delay, [[delay]])

    @pytest.mark.parametrize("delay", [3, 6])
    def test_short_record_searches_twelve_candidates(self, delay):
        # Below 600 samples: 1..12 only; the rule may settle on a smaller delay
        # whose score lies within 0.7 % of the best.
        U, Y = first_order_loop(400, delay, 0.03, seed=5)
        Delay, ErrTest = deadtime(U, Y, [0], [WHOLE])
        scores = independent_scores(U, Y, [0], [WHOLE], 0, SHORT)
        np.testing.assert_array_equal(ErrTest[0][0], SHORT)
        np.testing.assert_allclose(ErrTest[0][1], scores, rtol=DEADTIME_SCORE)
        chosen = SHORT[rule(scores, False)]
        assert Delay[0, 0] == chosen <= delay
        assert scores[chosen - 1] <= 1.007 * min(scores)

    def test_two_inputs_on_selected_slices(self):
        CVslice = [[[1200, 1500], [-1, -1]]]
        U, Y = first_order_loop(3000, 6, 0.03, seed=3, inputs=2)
        Delay, ErrTest = deadtime(U, Y, [0], CVslice)
        scores = independent_scores(U, Y, [0], CVslice, 0, FULL)
        np.testing.assert_allclose(ErrTest[0][1], scores, rtol=DEADTIME_SCORE)
        np.testing.assert_array_equal(Delay, [[6, 6]])
        assert Delay.dtype == np.int64

    def test_integrating_output_takes_the_last_exact_minimum(self):
        U, Y = first_order_loop(3000, 5, 0.03, seed=5, integrating=True)
        Delay, ErrTest = deadtime(U, Y, [1], [WHOLE])
        scores = independent_scores(U, Y, [1], [WHOLE], 0, INTEGRATING)
        np.testing.assert_array_equal(ErrTest[0][0], INTEGRATING)
        np.testing.assert_allclose(ErrTest[0][1], scores, rtol=DEADTIME_SCORE)
        assert Delay[0, 0] == INTEGRATING[rule(ErrTest[0][1], True)] == 5


class TestCandidateLists:
    @pytest.mark.parametrize("N, candidates", [(150, SHORT), (599, SHORT), (600, FULL)])
    def test_list_by_record_length(self, N, candidates):
        U, Y = first_order_loop(N, 2, 0.05, seed=1)
        _, ErrTest = deadtime(U, Y, [0], [WHOLE])
        np.testing.assert_array_equal(ErrTest[0][0], candidates)
        assert ErrTest[0][0].dtype == np.int64
        assert len(ErrTest[0][1]) == len(candidates)

    def test_integrating_output_does_not_shrink_later_searches(self):
        U, Y1 = first_order_loop(800, 3, 0.05, seed=1, inputs=2)
        _, Y2 = first_order_loop(800, 2, 0.05, seed=1, inputs=2, integrating=True)
        Y = np.hstack([Y1, Y2, Y1])
        Delay, ErrTest = deadtime(U, Y, [0, 1, 0], [WHOLE] * 3)
        assert [list(e[0]) for e in ErrTest] == [FULL, INTEGRATING, FULL]
        assert Delay.shape == (3, 2)
        assert np.all(Delay == Delay[:, :1])


class TestResultsAndState:
    def test_scores_are_floats_and_placeholders_ints(self):
        U, Y = first_order_loop(3000, 3, 0.03, seed=5)
        _, ErrTest = deadtime(U, Y, [0], [WHOLE])
        scores = ErrTest[0][1]
        assert isinstance(scores, list)
        placeholders = [s for s in scores if type(s) is int]
        assert placeholders and all(s == 10000 for s in placeholders)
        assert all(type(s) is float for s in scores if type(s) is not int)

    def test_generator_state_and_arguments(self):
        U, Y = first_order_loop(1000, 4, 0.03, seed=1)
        U0, Y0 = U.copy(), Y.copy()
        np.random.seed(3)
        first = deadtime(U, Y, [1], [WHOLE])
        after = generator_state()
        np.random.seed(1704)
        np.random.randn(1000, 1)
        assert_same_generator_state(after, generator_state())
        second = deadtime(U, Y, [1], [WHOLE])
        np.testing.assert_array_equal(first[0], second[0])
        assert first[1][0][1] == second[1][0][1]
        np.testing.assert_array_equal(U, U0)
        np.testing.assert_array_equal(Y, Y0)


class TestFailures:
    @pytest.mark.filterwarnings("ignore::scipy.linalg.LinAlgWarning")
    def test_every_candidate_diverging_raises(self):
        # Noise through an unstable pole: every order-10 fit simulates away.
        rng = np.random.default_rng(0)
        u = rng.standard_normal(2000)
        y = lfilter([0, 1.0], [1.0, -0.5], u) + lfilter([1.0], [1.0, -1.02], rng.standard_normal(2000))
        with pytest.raises(DelayEstimationError) as info:
            deadtime(u.reshape(-1, 1), y.reshape(-1, 1), [0], [WHOLE])
        assert str(info.value) == ("Dead-time search failed for output 0: no candidate delay scored below "
                                   "the divergence placeholder 10000")
        assert isinstance(info.value, Exception) and not isinstance(info.value, ValueError)

    @pytest.mark.parametrize(
        "MV, CV, CVslice, error, message",
        [
            (np.zeros((149, 1)), np.zeros((149, 1)), [WHOLE], ValueError, "Sample number too small (< 150)"),
            (np.zeros(300), np.zeros((300, 1)), [WHOLE], ValueError,
             "MVdata must be a two-dimensional array with one column per signal"),
            (np.zeros((300, 1)), np.zeros(300), [WHOLE], ValueError,
             "CVdata must be a two-dimensional array with one column per signal"),
            (np.zeros((300, 1)), np.zeros((299, 1)), [WHOLE], ValueError, "CVdata must have as many rows as MVdata"),
            (np.ones((300, 1)), np.ones((300, 1)), [[[100, 250]]], ValueError,
             "Output 0 has no selected slice of at least 143 samples"),
        ],
    )
    def test_argument_errors(self, MV, CV, CVslice, error, message):
        with pytest.raises(error) as info:
            deadtime(MV, CV, [0], CVslice)
        assert str(info.value) == message

    def test_missing_output_entries_raise_index_error(self):
        U, Y = first_order_loop(300, 2, 0.05, seed=1)
        with pytest.raises(IndexError):
            deadtime(U, np.hstack([Y, Y]), [0], [WHOLE, WHOLE])
        with pytest.raises(IndexError):
            deadtime(U, np.hstack([Y, Y]), [0, 0], [WHOLE])
