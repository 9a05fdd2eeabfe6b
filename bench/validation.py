"""Model validation, open-loop responses and existing-loop identification.

    python bench/validation.py [--only NAME] [--no-memory]

- jumpcheck at 10^4 and 10^6 samples, self-regulating and integrating, beside
  a numpy/scipy transcription of the same steps (cont2discrete, lfilter,
  butter, the validation preprocessing, np.cov, detrend).
- freerun on a second-order model, standard output redirected in both, beside
  cont2discrete, lfilter, dfreqresp and the same dictionary.
- legacyloop on a PI loop at 6,000 and 100,000 samples, beside mimofit alone
  on the same records (its reference column is mimofit's time).

Ratios are reference time / our time. Targets: jumpcheck at least 2 times
faster than the transcription at 10^4 samples and 1.2 times at 10^6, peak
memory linear in N and below 128 MB at 10^6; freerun at least 2 times faster;
legacyloop at most 1.2 times mimofit's time (a ratio of at least 0.83).
"""

import contextlib
import io
import pathlib
import sys
import warnings

import numpy as np
from scipy.signal import butter, cont2discrete, detrend, dfreqresp, lfilter

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "tests" / "python"))

from harness import Case, main  # noqa: E402
from plants import sampled  # noqa: E402

from vantrelpid.freerun import freerun  # noqa: E402
from vantrelpid.jumpcheck import jumpcheck  # noqa: E402
from vantrelpid.legacyloop import legacyloop  # noqa: E402
from vantrelpid.tools.mimofit import mimofit  # noqa: E402

ALL = np.array([[-1, -1]])
HIGH_PASS, HIGH_PASS_001 = butter(4, 0.003, "high"), butter(4, 0.001, "high")


# --- jumpcheck -------------------------------------------------------------------

def validation_setup(N, integrating):
    rng = np.random.default_rng(11)
    u = np.repeat(rng.uniform(-1, 1, N // 40 + 1), 40)[:N]
    u[:300] = 0.0
    num, den = ([0.05], [8.0, 1.0, 0.0]) if integrating else ([2.0], [10.0, 1.0])
    y = lfilter(*sampled(num, den, 1.0, 5), u) + (0.001 if integrating else 0.01) * rng.standard_normal(N) + 50.0
    model = ([8.0, 1.0], [0.05]) if integrating else ([10.0, 1.0], [2.0])
    return (*model, 5.0, 1.0, u.reshape(-1, 1), y.reshape(-1, 1), int(integrating))


def validation_ours(data):
    Ac, Bc, Delayc, Ts, U, Y, CV_INT = data
    return jumpcheck(Ac, Bc, Delayc, Ts, U, Y, CV_INT, [ALL])


def validation_reference(data):
    Ac, Bc, Delayc, Ts, U, Y, CV_INT = data
    Bd, Ad, _ = cont2discrete((Bc, Ac), Ts, method="zoh")
    Bd, dly = Bd[0], round(Delayc / Ts)
    Stepres = np.concatenate([np.zeros(dly), lfilter(Bd, Ad, np.ones(3000))])[:3000]
    Yd = np.vstack([Y[1:2] - Y[:1], np.diff(Y, axis=0)]) if CV_INT == 1 else Y
    U2, Y2 = U.copy(), Yd.copy()
    N = len(U2)
    n = min(round(N / 8), 50)
    U2 = U2 - np.mean(U2[1:12])
    U2h = lfilter(*HIGH_PASS, U2, axis=0)
    sel = np.arange(N)                                  # the slice table selects every sample
    Usel, Ysel, nm = U2[sel], Y2[sel], round(N / 10)    # the validation preprocessing
    MeanUk, STDuk = np.mean(Usel[:nm], axis=0), np.std(Usel, axis=0, ddof=1)
    MeanYk, STDyk = np.mean(Ysel[:nm]), np.std(Ysel, ddof=1)
    lfilter(*HIGH_PASS, (U2 - MeanUk) / STDuk, axis=0)
    lfilter(*HIGH_PASS, (Y2 - MeanYk) / STDyk, axis=0)
    Y2h = lfilter(*HIGH_PASS, Y2 - MeanYk, axis=0)
    k = Ts if CV_INT == 1 else 1.0
    Ysim = k * lfilter(Bd, Ad, np.concatenate([np.zeros((dly, 1)), U2[:N - dly]]), axis=0)
    Yf = k * lfilter(Bd, Ad, np.concatenate([np.zeros((dly, 1)), U2h[:N - dly]]), axis=0)
    err, Ym = (Y2h[sel] - Yf[sel]).ravel(), Y2h[sel].ravel()
    Yerror = 100 * np.cov(err[n:]) / np.cov(Ym[n:])
    Ysim = Ysim - np.mean(Ysim[sel]) + np.mean(Y[sel])
    if CV_INT == 1:
        Ysim = detrend(lfilter(*HIGH_PASS_001, np.cumsum(Ysim - Ysim[0])))
        Ysim = Ysim - Ysim[0] + Y[0]
    return Stepres, Ysim, Yerror


# --- freerun -----------------------------------------------------------------------

FREE = ([1.0, 3.0, 2.0], [0.0, 0.0, 2.0], 3.0, 0, 1.0)


def quietly(fn):
    def run(data):
        with contextlib.redirect_stdout(io.StringIO()):
            return fn(data)
    return run


def free_reference(data):
    Apc, Bpc, Delayc, integral, sampletime = data
    d = dict(grade="B", msg="NA", integral=int(integral), sampletime=int(sampletime), op=[], pv=[],
             delay=int(Delayc), apc=Apc, bpc=Bpc, stp=[], frq=[], w=[], bnd=[], sim=[], error=0.0)
    Bd, Ad, dt = cont2discrete((np.trim_zeros(np.asarray(Bpc), "f"), Apc), sampletime, method="zoh")
    Bd = np.concatenate([np.zeros(int(np.floor(Delayc / sampletime))), Bd[0]])
    stp = lfilter(Bd, Ad, np.ones(3000))
    w = np.pi * np.logspace(-4, 0, 75)
    with warnings.catch_warnings():   # the delay's leading zeros of the numerator
        warnings.filterwarnings("ignore", "Badly conditioned filter coefficients")
        H = dfreqresp((Bd, Ad, dt), w)[1]
    print("Bd = ", Bd, ", Ad = ", Ad, ", dt = ", dt)
    d.update(stp=stp.tolist(), frq=np.abs(H).tolist(), w=w.tolist(), msg="OK")
    return d


# --- legacyloop ----------------------------------------------------------------------

def loop_setup(N):
    """A PI loop (K 1/3, Ti 10) on 2 e^-5s / (10 s + 1): SP steps held 100 to 1000 samples, 2 % noise on PV."""
    rng = np.random.default_rng(5)
    R = np.repeat(rng.uniform(-1, 1, N // 100), rng.integers(100, 1001, N // 100))[:N]
    b, a = sampled([2.0], [10.0, 1.0], 1.0, 5)
    K, Ti = 1 / 3, 10.0
    cn, cd = np.array([K + K / Ti, -K]), np.array([1.0, -1.0])
    den = np.polyadd(np.convolve(cd, a)[::-1], np.convolve(cn, b)[::-1])[::-1]
    U = lfilter(np.convolve(cn, a), den, R)
    Y = lfilter(np.convolve(cn, b), den, R)
    return U, Y + 0.02 * np.std(Y) * rng.standard_normal(N), R


def loop_ours(data):
    U, Y, R = data
    out = legacyloop(None, None, 5, 0, U, Y, R, ALL, 1)
    assert out[4] == "ok"


def loop_mimofit(data):
    U, Y, R = data
    mimofit(R.reshape(-1, 1), Y.reshape(-1, 1), [[5]], [ALL], [0])


CASES = [
    *(Case(f"jumpcheck {'integrating' if i else 'self-regulating'} N={N:.0e}",
           (lambda N=N, i=i: validation_setup(N, i)), validation_ours, validation_reference)
      for N in (10_000, 1_000_000) for i in (False, True)),
    Case("freerun second order", lambda: FREE, quietly(lambda d: freerun(*d)), quietly(free_reference)),
    *(Case(f"legacyloop N={N} (reference: mimofit alone)", (lambda N=N: loop_setup(N)), loop_ours, loop_mimofit)
      for N in (6000, 100_000)),
]

if __name__ == "__main__":
    main(CASES, __file__)
