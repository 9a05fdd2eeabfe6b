# jumpcheck: models validated against records they generated, a transcription
# of the steps with scipy, the dead time of the step response, the skipped
# samples and the failures.

import functools

import numpy as np
import pytest
from scipy.signal import cont2discrete, detrend, lfilter

import references as ref
from conftest import digest, untouched
from plants import sampled
from vantrelpid import _utilities as u
from vantrelpid.jumpcheck import jumpcheck
from vantrelpid.tools.checkclean import checkclean
from vantrelpid.tools.segmask import segmask

ALL = [np.array([[-1, -1]])]
CUT = [np.array([[700, 1000], [-1, -1]])]
SELF = dict(Ac=[10.0, 1.0], Bc=[2.0], Delayc=5.0)          # 2 e^-5s / (10 s + 1)
LEVEL = dict(Ac=[8.0, 1.0], Bc=[0.05])                      # 0.05 / (s (8 s + 1)), the integrator left out


def reference(Ac, Bc, Delayc, Ts, U, Y, CV_INT, CVslice):
    """The validation step by step with scipy and numpy around the package's filters and preprocessing."""
    Bd, Ad, _ = cont2discrete((Bc, Ac), Ts, method="zoh")
    dly = round(Delayc / Ts)
    Bd = np.pad(Bd[0], (dly, 0))                              # the dead time as leading zeros
    Stepres = lfilter(Bd, Ad, np.ones(3000))
    U, Y = U.reshape(-1, 1), Y.reshape(-1, 1)
    U2, Y2 = U.copy(), (u.d_data(Y, 1) if CV_INT == 1 else Y).copy()
    N = len(U2)
    n = min(round(N / 8), 50)
    U2 = U2 - np.mean(U2[1:12])
    U2h = u.hipass(U2)
    sel = segmask(CVslice, 0, N)[1] - 1
    Y2 = Y2 - checkclean(U2, Y2, sel + 1, CV_INT)[4]
    Y2h = u.hipass(Y2)
    k = Ts if CV_INT == 1 else 1.0                            # changes per sample, not per time unit
    Ysim = k * lfilter(Bd, Ad, U2, axis=0)
    Yf = k * lfilter(Bd, Ad, U2h, axis=0)
    err, Ym = (Y2h[sel] - Yf[sel]).ravel(), Y2h[sel].ravel()
    Yerror = 100 * np.cov(err[n:]) / np.cov(Ym[n:])
    Ysim = Ysim - np.mean(Ysim[sel]) + np.mean(Y[sel])
    if CV_INT == 1:
        Ysim = np.cumsum(Ysim - Ysim[0])
        Ysim = detrend(u.hipass001(Ysim))
        Ysim = Ysim - Ysim[0] + Y[0]
    return Stepres, Ysim, Yerror


@functools.lru_cache(maxsize=None)
def record(N=3000, Ts=1.0, integrating=False, seed=11):
    """Input at rest for 300 samples, then random levels held 20 to 80 samples; the model's own output
    with 2 % noise (of the output's changes for a level) on a level of 50; returns u, y (N x 1) and y0."""
    rng = np.random.default_rng(seed)
    holds = rng.integers(20, 81, N // 20)
    u_ = np.r_[np.zeros(300), np.repeat(rng.uniform(-1, 1, len(holds)), holds)][:N]
    num, den = ([0.05], [8.0, 1.0, 0.0]) if integrating else ([2.0], [10.0, 1.0])
    y0 = lfilter(*sampled(num, den, Ts, 4 if integrating else round(5 / Ts)), u_)
    scale = np.std(np.diff(y0)) if integrating else np.std(y0)
    y = y0 + 0.02 * scale * rng.standard_normal(N) + 50.0
    return u_.reshape(-1, 1), y.reshape(-1, 1), y0


def pinned_record(integrating, N=3000):
    """A record with the same bits under every numpy: the legacy generator's draws and a first-order
    lag (a level: its integral) stepped in Python floats."""
    rng = np.random.RandomState(11)
    u = np.repeat(rng.uniform(-1, 1, N // 30), 30)
    y, x = np.empty(N), 0.0
    for k in range(N):
        y[k] = x
        x = 0.9 * x + 0.2 * u[k]
    if integrating:
        y = np.cumsum(0.05 * y)
    return u.reshape(-1, 1), (y + 0.02 * rng.standard_normal(N) + 50.0).reshape(-1, 1)


class TestAgainstTranscription:
    @pytest.mark.parametrize("model, Ts, integrating, slices, N", [
        (SELF, 1.0, False, ALL, 3000),
        (SELF, 1.0, False, CUT, 3000),
        (SELF, 2.0, False, CUT, 3000),             # Delayc 5 at Ts 2: dly 2
        (dict(LEVEL, Delayc=4.0), 1.0, True, ALL, 3000),
        (dict(LEVEL, Delayc=8.0), 2.0, True, CUT, 3000),
        (SELF, 1.0, False, ALL, 240),              # 30 samples skipped
        (SELF, 1.0, False, ALL, 395),              # 49
        (SELF, 1.0, False, ALL, 396),              # 50 (49.5 rounds to even)
        # Dead times around the record's and the step response's 3000 samples.
        *((dict(SELF, Delayc=d), 1.0, False, CUT, 3000) for d in (2999, 3000, 3001, 5000)),
        (dict(LEVEL, Delayc=3001.0), 1.0, True, ALL, 3000),
    ])
    def test_steps(self, model, Ts, integrating, slices, N):
        U, Y, _ = record(3000, Ts, integrating)
        U, Y = U[:N], Y[:N]
        CV_INT = int(integrating)
        with untouched(U, Y, slices):
            ours = jumpcheck(model["Ac"], model["Bc"], model["Delayc"], Ts, U, Y, CV_INT, slices)
        expected = reference(model["Ac"], model["Bc"], model["Delayc"], Ts, U, Y, CV_INT, slices)
        assert type(ours[2]) is np.float64   # the arrays' shapes: (3000,), and (N,) or (N, 1) as the reference's
        level = ref.VALIDATION_LEVEL_VS_TRANSCRIPTION if integrating else ref.VALIDATION_VS_TRANSCRIPTION
        for a, e, tol in zip(ours, expected, (ref.VALIDATION_VS_TRANSCRIPTION, level, ref.VALIDATION_VS_TRANSCRIPTION)):
            np.testing.assert_allclose(a, e, rtol=tol, atol=tol * np.max(np.abs(e)))

    @pytest.mark.parametrize("model, integrating, fingerprint", [(SELF, False, "d6b4c86bc670fcc9"),
                                                                 (dict(LEVEL, Delayc=2999.0), True, "0114c63561cb88e6")])
    def test_shorter_dead_times_give_the_results_they_gave(self, model, integrating, fingerprint):
        U, Y = pinned_record(integrating)
        assert digest(*jumpcheck(**model, Ts=1.0, U=U, Y=Y, CV_INT=int(integrating), CVslice=CUT)) == fingerprint

    def test_one_dimensional_records_are_columns(self):
        U, Y, _ = record()
        np.testing.assert_equal(jumpcheck(**SELF, Ts=1, U=U.ravel(), Y=Y.ravel(), CV_INT=0, CVslice=ALL),
                                jumpcheck(**SELF, Ts=1, U=U, Y=Y, CV_INT=0, CVslice=ALL))


class TestPlants:
    def test_the_model_of_the_data_passes(self):
        U, Y, y0 = record()
        Stepres, Ysim, Yerror = jumpcheck(**SELF, Ts=1.0, U=U, Y=Y, CV_INT=0, CVslice=ALL)
        assert Yerror < ref.VALIDATION_GOOD_PERCENT
        assert np.max(np.abs(Ysim[100:, 0] - y0[100:] - 50.0)) < ref.VALIDATION_SIMULATION * np.std(y0)
        assert jumpcheck(SELF["Ac"], [2.6], 5.0, 1.0, U, Y, 0, ALL)[2] > ref.VALIDATION_BAD_PERCENT

    def test_level_alignment_on_the_selected_samples(self):
        U, Y, _ = record()
        Ysim = jumpcheck(**SELF, Ts=1.0, U=U, Y=Y, CV_INT=0, CVslice=CUT)[1]
        sel = np.r_[0:699, 1000:3000]
        assert np.mean(Ysim[sel]) == pytest.approx(np.mean(Y[sel]), rel=ref.LEVEL_ALIGNMENT)

    @pytest.mark.parametrize("Ts", [1.0, 2.0])
    def test_integrating_plant(self, Ts):
        U, Y, _ = record(Ts=Ts, integrating=True)
        Stepres, Ysim, Yerror = jumpcheck(**LEVEL, Delayc=4 * Ts, Ts=Ts, U=U, Y=Y, CV_INT=1, CVslice=ALL)
        assert Yerror < ref.VALIDATION_INTEGRATING_PERCENT
        assert Ysim.shape == (3000,) and Ysim[0] == Y[0, 0]

    @pytest.mark.parametrize("Delayc, Ts, dly", [(0, 1.0, 0), (5, 2.0, 2), (7, 2.0, 4), (3001, 1.0, 3001)])
    def test_step_response_shifted_by_the_dead_time(self, Delayc, Ts, dly):
        U, Y, _ = record()
        exact = lfilter(*sampled([2.0], [10.0, 1.0], Ts), np.ones(3000))
        Stepres = jumpcheck(SELF["Ac"], SELF["Bc"], Delayc, Ts, U, Y, 0, ALL)[0]
        expected = np.concatenate([np.zeros(dly), exact])[:3000]
        np.testing.assert_allclose(Stepres, expected, rtol=ref.ZOH, atol=ref.ZOH)


class TestFailures:
    @pytest.mark.parametrize("change, error, message", [
        (dict(CV_INT=2), ValueError, "CV_INTk must be either 0 or 1"),
        (dict(Delayc=-3.0), ValueError, "delays must not be negative"),
        (dict(CVslice=[np.array([[1, 2950]])]), ValueError, "The slice table leaves no samples to compare"),
        (dict(CVslice=[np.array([1, 2])]), AssertionError, "SliceInd must be a matrix"),
        (dict(Y=np.ones((2999, 1))), ValueError, "U and Y must have the same number of rows"),
        (dict(U=np.ones((3000, 2))), ValueError, "U must be an N x 1 column"),
    ])
    def test_messages(self, change, error, message):
        U, Y, _ = record()
        args = dict(SELF, Ts=1.0, U=U, Y=Y, CV_INT=0, CVslice=ALL) | change
        with untouched(U, Y), pytest.raises(error) as e:
            jumpcheck(**args)
        assert str(e.value) == message
