# legacyloop: a PI loop identified from its set-point and PV records, the
# stops and warnings, the guarded identification and numpy's generator.

import functools

import numpy as np
import pytest
from scipy.signal import lfilter

import references as ref
from conftest import assert_same_generator_state, generator_state, reseeded, same_draws, untouched
from plants import sampled
from vantrelpid import _utilities as u
from vantrelpid.legacyloop import legacyloop
from vantrelpid.tools.mimofit import mimofit

ALL = np.array([[-1, -1]])
NOT_MOVING = "SP does not move, no result"
WEAK = "SP moves too little, result may be poor"


def pi_loop(r, K=1 / 3, Ti=10.0):
    """OP and PV of 2 e^-5s / (10 s + 1) under the PI controller K (1 + 1 / (Ti s)) in velocity form, Ts 1."""
    b, a = sampled([2.0], [10.0, 1.0], 1.0, 5)
    u_, y = np.zeros(len(r)), np.zeros(len(r))
    e_prev = 0.0
    for k in range(len(r)):
        past = slice(max(k - len(b) + 1, 0), k + 1)
        y[k] = b[: k - past.start + 1] @ u_[past][::-1] - a[1:min(k, len(a) - 1) + 1] @ y[max(k - len(a) + 1, 0):k][::-1]
        e = r[k] - y[k]
        u_[k] = (u_[k - 1] if k else 0.0) + K * (e - e_prev) + K / Ti * e
        e_prev = e
    return u_, y


@functools.lru_cache(maxsize=None)
def loop_records(N=6000, seed=5):
    """Set-point steps held 100 to 1000 samples, the loop's OP and PV with 2 % noise on PV."""
    rng = np.random.default_rng(seed)
    holds = rng.integers(100, 1001, N // 100)
    R = np.repeat(rng.uniform(-1, 1, len(holds)), holds)[:N]
    U, Y0 = pi_loop(R)
    return U, Y0 + 0.02 * np.std(Y0) * rng.standard_normal(N), R


def transcription(U, Y, R, Delayc, CVslice, Tident=1.0):
    """The identification and the step response through the package's own modules and utilities."""
    N, dly = min(len(U), len(Y), len(R)), round(Delayc / Tident)
    A, B, C, D = mimofit(R[:N].reshape(-1, 1), Y[:N].reshape(-1, 1), [[dly]], [CVslice], [0])[:4]
    model = u.gainmodifyss(A, B, C, D, 1, 0.99)
    return u.dsssim(*model, u.add_dly(np.ones(3000), dly))[0][:, 0]


def run(U, Y, R, Delayc=5, CVslice=ALL, Tident=1):
    out = legacyloop(None, None, Delayc, 0, U, Y, R, CVslice, Tident)
    assert len(out) == 5 and out[1:4] == ([], [], []) and len({id(x) for x in out[:4]}) == 4
    return out[0], out[4]


class TestIdentification:
    def test_pi_loop(self):
        U, Y, R = loop_records()
        with untouched(U, Y, R, draws=True):
            STPRSP, Message = run(U, Y, R)
        true_response = pi_loop(np.ones(3000))[1]
        assert Message == "ok" and STPRSP.shape == (3000,) and STPRSP.dtype == np.float64
        assert np.max(np.abs(STPRSP - true_response)) < ref.LOOP_STEP
        assert STPRSP[-1] == pytest.approx(1.0, abs=1e-9)   # the gain is set to exactly 1

    @pytest.mark.parametrize("Delayc, CVslice", [(2.5, ALL), (3.5, np.array([[1500, 1800], [-1, -1]]))])
    def test_against_transcription_and_generator(self, Delayc, CVslice):
        U, Y, R = loop_records()
        (STPRSP, _), expected = same_draws(lambda: run(U, Y, R, Delayc, CVslice),
                                           lambda: transcription(U, Y, R, Delayc, CVslice))
        np.testing.assert_allclose(STPRSP, expected, rtol=0, atol=ref.FORM_EXACT)
        assert not np.any(STPRSP[:round(Delayc)])   # 2.5 gives 2 samples, 3.5 gives 4

    def test_record_layouts_and_lengths(self):
        U, Y, R = loop_records()
        flat = run(U, Y, R)[0]
        np.testing.assert_array_equal(run(U.reshape(-1, 1), Y.reshape(-1, 1), R.reshape(-1, 1))[0], flat)
        # a shorter OP record cuts the set point and PV to its length
        np.testing.assert_array_equal(run(U[:4000], Y, R)[0], run(U[:4000], Y[:4000], R[:4000])[0])


STOPS = [
    (lambda U, Y, R: (U, Y, np.full_like(R, 0.3)), NOT_MOVING),
    (lambda U, Y, R: (U, 3 * R + 5, R), "SP and PV almost 100% correlated, no result"),
    (lambda U, Y, R: (U, np.full_like(Y, 2.0), R), "PV does not move, no result"),
]


class TestStatuses:
    @pytest.mark.parametrize("make, message", STOPS + [
        # 149 samples around set-point changes: the identification refuses them before seeding
        (lambda U, Y, R: (U[1450:1599], Y[1450:1599], R[1450:1599]), "Identification failed"),
    ])
    def test_stops_return_empty_results(self, make, message):
        args = make(*loop_records())
        with untouched(*args):
            STPRSP, Message = run(*args)
        assert (STPRSP, Message) == ([], message)

    @pytest.mark.parametrize("make, message", STOPS)
    def test_stops_come_before_the_op_record_the_dead_time_and_the_sample_time_are_read(self, make, message):
        _, Y, R = make(*loop_records())
        assert run(5, Y, R, Delayc=None, Tident="x") == ([], message)   # 5 has no length

    def test_slice_table_read_inside_the_guard(self):
        U, Y, R = loop_records()
        assert run(U, Y, R, CVslice=np.array([1, 2])) == ([], "Identification failed")
        assert_same_generator_state(generator_state(), reseeded(798))   # seeded before the table is read

    def test_few_set_point_changes_warn(self):
        R = np.r_[np.zeros(2000), np.ones(2000), np.zeros(2000)]   # changes at two samples
        U, Y = pi_loop(R)
        STPRSP, Message = run(U, Y + 0.02 * np.random.default_rng(1).standard_normal(6000), R)
        assert Message == WEAK and STPRSP.shape == (3000,)

    @pytest.mark.parametrize("ratio, message", [(0.1, WEAK), (0.16, "ok")])
    def test_deviation_ratio(self, ratio, message):
        U, Y, R = loop_records()
        Y = Y * (np.std(R, ddof=1) / np.std(Y, ddof=1) / ratio)
        assert run(U, Y, R)[1] == message

    def test_records_of_different_lengths(self):
        U, Y, R = loop_records()
        with pytest.raises(ValueError, match="^R and Y must have the same number of samples$"):
            run(U, Y[:-1], R)
