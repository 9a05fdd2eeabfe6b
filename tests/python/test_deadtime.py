import warnings

import numpy as np
import pytest
import scipy.linalg
from scipy.signal import lfilter

from arx_reference import add_dly, misosim
from conftest import assert_same_generator_state, generator_state, reseeded, same_draws, untouched
from references import DEADTIME_SCORE, DEADTIME_UNSTABLE_SCORE
from vantrelpid.tools.binseq import binseq
from vantrelpid.tools.deadtime import DelayEstimationError, deadtime
from vantrelpid.tools.fitclean import fitclean
from vantrelpid.tools.seglsq import seglsq
from vantrelpid.tools.segmask import segmask

FULL = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 40]
SHORT, INTEGRATING, WHOLE = list(range(1, 13)), list(range(1, 9)), [[-1, -1]]


def first_order_loop(N, delay, noise, seed, inputs=1, integrating=False):
    """Binary test signals through 0.2 q^-delay / (1 - 0.8 q^-1) (or an integrator), summed, with white noise."""
    U = np.column_stack([binseq(N, 20, 3, 200, seed + i) for i in range(inputs)])
    y = misosim([1.0, -1.0 if integrating else -0.8], np.tile([0.0, 0.2], (inputs, 1)), add_dly(U, delay - 1))
    return U, y + noise * np.std(y) * np.random.default_rng(seed).standard_normal((N, 1))


def independent_scores(U, Y, CV_INT, CVslice, candidates, k=0):
    """The search's scores rebuilt from the modules it uses, simulating with lfilter."""
    SlIndk, SlSampk = segmask(CVslice, k, len(U))
    Un, _, _, yn, _, _ = fitclean(U, Y[:, k], SlSampk, CV_INT[k])
    rows, scores = SlSampk - 1, []
    for d in candidates:
        Ap, Bp = seglsq(Un, yn, SlIndk, 10, [d] * U.shape[1])
        with np.errstate(over="ignore", invalid="ignore"):   # unstable candidates
            err = yn[rows, 0] - misosim(Ap, Bp, add_dly(Un, d))[rows, 0]
        scores.append(10000 if np.any(np.abs(err) > 1e8) else np.var(err[60:]) / np.var(yn[rows, 0]))
    return scores


def assert_same_scores(actual, expected):
    """Scores of candidates that simulate better than the output's variance to DEADTIME_SCORE, the others
    (unstable models, whose simulations amplify rounding) to DEADTIME_UNSTABLE_SCORE."""
    actual, expected = np.asarray(actual, dtype=float), np.asarray(expected, dtype=float)
    unstable = expected > 1
    np.testing.assert_allclose(actual[~unstable], expected[~unstable], rtol=DEADTIME_SCORE)
    np.testing.assert_allclose(actual[unstable], expected[unstable], rtol=DEADTIME_UNSTABLE_SCORE)


def rule(scores, integrating):
    return max(i for i, s in enumerate(scores) if (s == min(scores) if integrating else s <= 1.007 * min(scores)))


def check_search(U, Y, CV_INT, CVslice, candidates):
    (Delay, ErrTest), _ = same_draws(lambda: deadtime(U, Y, CV_INT, CVslice),   # the last order-10 fit's draws
                                     lambda: reseeded(1704, normal=len(Y)))
    scores = independent_scores(U, Y, CV_INT, CVslice, candidates)
    np.testing.assert_array_equal(ErrTest[0][0], candidates)
    assert ErrTest[0][0].dtype == np.int64 and Delay.dtype == np.int64 and isinstance(ErrTest[0][1], list)
    assert [type(s) for s in ErrTest[0][1]] == [int if s == 10000 else float for s in scores]
    assert_same_scores(ErrTest[0][1], scores)
    return Delay, candidates[rule(scores, CV_INT[0] == 1)], scores


@pytest.mark.parametrize("delay, noise, seed, inputs, CV_INT, CVslice, candidates", [
    *[(d, noise, 2, 1, 0, WHOLE, FULL) for d in (3, 6, 16) for noise in (0.02, 0.05)],
    (6, 0.03, 3, 2, 0, [[1200, 1500], [-1, -1]], FULL),   # two inputs, a selection
    (5, 0.03, 5, 1, 1, WHOLE, INTEGRATING),                # an integrating output: the last exact minimum
])
def test_long_record_finds_the_plant_delay(delay, noise, seed, inputs, CV_INT, CVslice, candidates):
    U, Y = first_order_loop(3000, delay, noise, seed, inputs, integrating=CV_INT == 1)
    Delay, chosen, _ = check_search(U, Y, [CV_INT], [CVslice], candidates)
    assert Delay.tolist() == [[chosen] * inputs] == [[delay] * inputs]


@pytest.mark.parametrize("delay", [3, 6])
def test_short_record_searches_twelve_candidates(delay):
    # The rule may settle on a smaller delay whose score lies within 0.7 % of the best.
    U, Y = first_order_loop(400, delay, 0.03, seed=5)
    Delay, chosen, scores = check_search(U, Y, [0], [WHOLE], SHORT)
    assert Delay[0, 0] == chosen <= delay and scores[chosen - 1] <= 1.007 * min(scores)


@pytest.mark.parametrize("N, candidates", [(150, SHORT), (599, SHORT), (600, FULL)])
def test_candidate_list_by_record_length(N, candidates):
    U, Y = first_order_loop(N, 2, 0.05, seed=1)
    np.testing.assert_array_equal(deadtime(U, Y, [0], [WHOLE])[1][0][0], candidates)


def test_each_output_gets_its_own_candidate_list_and_arguments_stay_unchanged():
    U, Y1 = first_order_loop(800, 3, 0.05, seed=1, inputs=2)
    Y = np.hstack([Y1, first_order_loop(800, 2, 0.05, seed=1, inputs=2, integrating=True)[1], Y1])
    with untouched(U, Y, draws=True):
        Delay, ErrTest = deadtime(U, Y, [0, 1, 0], [WHOLE] * 3)
    assert [list(e[0]) for e in ErrTest] == [FULL, INTEGRATING, FULL]
    assert Delay.shape == (3, 2) and np.all(Delay == Delay[:, :1])
    np.testing.assert_equal(deadtime(U, Y, [0, 1, 0], [WHOLE] * 3), (Delay, ErrTest))   # repeatable


@pytest.mark.filterwarnings("ignore::scipy.linalg.LinAlgWarning")
def test_every_candidate_diverging_raises():
    # Noise through an unstable pole: every order-10 fit simulates away.
    rng = np.random.default_rng(0)
    u = rng.standard_normal(2000)
    y = lfilter([0, 1.0], [1.0, -0.5], u) + lfilter([1.0], [1.0, -1.02], rng.standard_normal(2000))
    with pytest.raises(DelayEstimationError) as info:
        deadtime(u.reshape(-1, 1), y.reshape(-1, 1), [0], [WHOLE])
    assert str(info.value) == ("Dead-time search failed for output 0: no candidate delay scored below "
                               "the divergence placeholder 10000")
    assert not isinstance(info.value, ValueError)


NOISE = np.random.default_rng(0).standard_normal((300, 3))


@pytest.mark.parametrize("MV, CV, CV_INT, CVslice, error, message", [
    (np.zeros((149, 1)), np.zeros((149, 1)), [0], [WHOLE], ValueError, "Sample number too small (< 150)"),
    (np.ones((300, 1)), np.ones((300, 1)), [0], [[[100, 250]]], ValueError,
     "Output 0 has no selected slice of at least 143 samples"),
    (NOISE[:, :1], NOISE[:, 1:], [0, 0], [WHOLE], IndexError, None),
])
def test_argument_errors(MV, CV, CV_INT, CVslice, error, message):
    with pytest.raises(error) as info:
        deadtime(MV, CV, CV_INT, CVslice)
    assert message is None or str(info.value) == message


# The candidates share each slice's correlations; every score must still be the one computed candidate by
# candidate through the public seglsq. Selections of a 3000-sample record:
# [1, 144] (64 samples once the first slice's 80 are dropped), [401, 699] and [901, 3000]: slices at both
# ends of the record.
AT_BOTH_ENDS = [[145, 400], [700, 900], [-1, -1]]
# [501, 999], [1201, 2499] and [2701, 2843] (143 samples, the shortest slice that segmask keeps).
INSIDE = [[1, 500], [1000, 1200], [2500, 2700], [2844, 3000], [-1, -1]]
# [1, 143]: 63 samples, one short of 64, padded to 128 so that the end pulse's lags stay clear of the start
# pulse's.
JUST_SHORT = [[144, 400], [-1, -1]]


class TestSharedCorrelations:
    @pytest.mark.parametrize("inputs, CV_INT, CVslice, noise, delay", [
        (1, 0, JUST_SHORT, 0.03, 6),
        (1, 0, WHOLE, 0.02, 5),
        (1, 0, AT_BOTH_ENDS, 0.05, 8),
        (1, 1, AT_BOTH_ENDS, 0.03, 4),
        (1, 0, INSIDE, 0.03, 12),
        (6, 0, WHOLE, 0.03, 3),
        (6, 0, AT_BOTH_ENDS, 0.02, 6),
        (6, 1, INSIDE, 0.05, 2),
        (6, 0, INSIDE, 0.05, 20),
    ])
    def test_scores_and_choice_are_the_per_candidate_ones(self, inputs, CV_INT, CVslice, noise, delay):
        U, Y = first_order_loop(3000, delay, noise, seed=inputs + delay, inputs=inputs, integrating=CV_INT == 1)
        Delay, chosen, _ = check_search(U, Y, [CV_INT], [CVslice], INTEGRATING if CV_INT else FULL)
        assert Delay.tolist() == [[chosen] * inputs]

    @pytest.mark.filterwarnings("ignore::scipy.linalg.LinAlgWarning")
    def test_a_failed_search_leaves_the_generator_as_the_last_estimate_did(self):
        # The record of test_every_candidate_diverging_raises.
        rng = np.random.default_rng(0)
        u = rng.standard_normal(2000)
        y = lfilter([0, 1.0], [1.0, -0.5], u) + lfilter([1.0], [1.0, -1.02], rng.standard_normal(2000))
        u, y = u.reshape(-1, 1), y.reshape(-1, 1)
        np.random.seed(5)
        with pytest.raises(DelayEstimationError):
            deadtime(u, y, [0], [WHOLE])
        assert_same_generator_state(generator_state(), reseeded(1704, normal=2000))

    def test_ill_conditioned_candidates_warn_as_often_as_one_estimate_each(self):
        # Two equal inputs: every candidate's equations are singular up to rounding.
        U, Y = first_order_loop(3000, 6, 0.03, seed=2)
        U = np.hstack([U, U])
        counts = []
        for search in (lambda: deadtime(U, Y, [0], [WHOLE]), lambda: independent_scores(U, Y, [0], [WHOLE], FULL)):
            with warnings.catch_warnings(record=True) as caught:
                warnings.simplefilter("always")
                search()
            counts.append(sum(issubclass(w.category, scipy.linalg.LinAlgWarning) for w in caught))
        assert counts == [len(FULL)] * 2
