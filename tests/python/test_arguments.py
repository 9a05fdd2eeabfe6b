# Arguments the modules share: complex values in records, models, sample
# lists, delays, orders, weights and grids are refused by name, never cast to
# their real parts; unsigned sample numbers beyond int64 are named as given;
# a matrix given as a polynomial is refused by name.

import numpy as np
import pytest

from conftest import untouched
from vantrelpid.feedsim import feedsim
from vantrelpid.freerun import freerun
from vantrelpid.frontdesk import pidTuning
from vantrelpid.jumpcheck import jumpcheck
from vantrelpid.loopfit import loopfit
from vantrelpid.loopsim import loopsim
from vantrelpid.sanity import sanity
from vantrelpid.tools.ceilband import ceilband
from vantrelpid.tools.checkclean import checkclean
from vantrelpid.tools.compactfit import compactfit
from vantrelpid.tools.fitclean import fitclean
from vantrelpid.tools.freqshrink import freqshrink
from vantrelpid.tools.mimofit import mimofit
from vantrelpid.tools.outerrfit import outerrfit
from vantrelpid.tools.pairtrim import pairtrim
from vantrelpid.tools.seglsq import seglsq
from vantrelpid.tools.segmask import segmask
from vantrelpid.tools.slimfit import slimfit
from vantrelpid.tracksim import tracksim
from vantrelpid.twotier import twotier

N = 300
REC = np.random.default_rng(7).standard_normal((N, 2))
U, Y = REC[:, :1], REC[:, 1:]
C = (1 + 1j) * np.ones((N, 1))   # a complex record
SAMPLES = np.arange(1, N + 1)
W = np.linspace(0.01, 3.0, 20)
A, B, D = np.array([[0.8]]), np.array([[1.0]]), np.array([[0.0]])
COMPLEX = {   # name: (call, the argument's name)
    "sanity MVdat": (lambda: sanity(np.hstack([C, C])), "MVdat"),
    "loopfit U": (lambda: loopfit(C, Y, -1, [0], [np.array([[-1, -1]])], 1.0), "U"),
    "mimofit y": (lambda: mimofit(U, C, np.array([[1]]), [np.array([[-1, -1]])], [0]), "y"),
    "seglsq U": (lambda: seglsq(C, Y, np.array([[1, N]]), 2, None), "U"),
    "fitclean U": (lambda: fitclean(C, Y, SAMPLES, 0), "U"),
    "fitclean SlSampk": (lambda: fitclean(U, Y, SAMPLES + 0j, 0), "SlSampk"),
    "checkclean yk": (lambda: checkclean(U, C, SAMPLES, 0), "yk"),
    "ceilband U": (lambda: ceilband([1.0, -0.5], [[0.0, 1.0]], np.ones((20, 1), complex), C, Y, W, 100, [1],
                                    SAMPLES, 0), "U"),
    "ceilband w": (lambda: ceilband([1.0, -0.5], [[0.0, 1.0]], np.ones((20, 1), complex), U, Y, W + 0j, 100, [1],
                                    SAMPLES, 0), "w"),
    "ceilband Delayk": (lambda: ceilband([1.0, -0.5], [[0.0, 1.0]], np.ones((20, 1), complex), U, Y, W, 100,
                                         [1 + 0j], SAMPLES, 0), "Delayk"),
    "compactfit BNDk": (lambda: compactfit([1.0, -0.5], [[0.0, 1.0]], None, U, Y, [1], SAMPLES,
                                           np.ones((20, 1), complex), W), "BNDk"),
    "freqshrink Ah": (lambda: freqshrink(np.array([1.0, -0.5]) + 0j, [[0.0, 1.0]], np.ones((20, 1)),
                                           np.ones((20, 1)), 1, 2, W), "Ah"),
    "freqshrink Weight": (lambda: freqshrink([1.0, -0.5], [[0.0, 1.0]], np.ones((20, 1), complex),
                                             np.ones((20, 1)), 1, 2, W), "Weight"),
    "outerrfit U": (lambda: outerrfit(C[:, 0], Y[:, 0], [1, 1], 0, 2), "U"),
    "pairtrim A": (lambda: pairtrim(A + 0j, B, [[0.2]], D, [1], 2, [0], 1.0), "A"),
    "pairtrim Delay": (lambda: pairtrim(A, B, [[0.2]], D, [1], 2 + 0j, [0], 1.0), "Delay"),
    "slimfit ORDS": (lambda: slimfit(A, B, [[0.2]], D, [1 + 0j], 1), "ORDS"),
}


@pytest.mark.parametrize("case", COMPLEX)
def test_complex_values_are_refused_by_name(case):
    call, name = COMPLEX[case]
    with pytest.raises(TypeError, match=f"^{name} must hold real numbers, not complex128$"), untouched(REC):
        call()


# Sample numbers given as unsigned integers beyond int64: the value as given, not wrapped to a negative number.
BEYOND = 2**63 + 5
TABLE = np.array([[100, 200], [BEYOND, BEYOND + 4]], dtype=np.uint64)
SAMPLE_LIST = np.r_[np.arange(1, 200, dtype=np.uint64), np.uint64(BEYOND)]
UNSIGNED = {
    "segmask SliceInd": lambda: segmask([TABLE], 0, N),
    "loopfit CVslice": lambda: loopfit(U, Y, 3.0, [0], [TABLE], 1.0),
    "mimofit Slice": lambda: mimofit(U, Y, np.array([[1]]), [TABLE], [0]),
    "fitclean SlSampk": lambda: fitclean(U, Y, SAMPLE_LIST, 0),
    "checkclean SlSampk": lambda: checkclean(U, Y, SAMPLE_LIST, 0),
    "ceilband SliceSamp": lambda: ceilband([1.0, -0.5], [[0.0, 1.0]], np.ones((20, 1), complex), U, Y, W, 100, [1],
                                           SAMPLE_LIST, 0),
    "seglsq SlInd": lambda: seglsq(U, Y, TABLE, 2, None),
}


@pytest.mark.parametrize("case", UNSIGNED)
def test_unsigned_sample_numbers_beyond_int64_are_named_as_given(case):
    with pytest.raises(IndexError, match=f"^sample number {BEYOND} is beyond any record$"), untouched(TABLE, SAMPLE_LIST):
        UNSIGNED[case]()


# A matrix of more than one row and column given as a polynomial; valid calls, and each one's polynomial arguments.
GRID = np.pi * np.logspace(-4, 0, 75)
LOOP = dict(Apc=[10.0, 1.0], Bpc=[0.0, 2.0], Delay=5.0, INT=0, PID=[0.4, 10.0, 1.0], Type="Int B", Ts=1.0, w=GRID,
            SPLLAG=0.5)
POLYNOMIAL_ARGUMENTS = {
    "loopsim": (loopsim, LOOP | dict(BND=np.full(75, 0.1), Tauf=0.0), ("Apc", "Bpc")),
    "tracksim": (tracksim, LOOP, ("Apc", "Bpc")),
    # (freerun's own check Bpc[0] == 0 meets a matrix Bpc first: numpy's error of an array's truth)
    "freerun": (freerun, dict(Apc=[10.0, 1.0], Bpc=[0.0, 2.0], Delayc=5.0, integral=0, sampletime=1.0), ("Apc",)),
    "pidTuning": (pidTuning, dict(apc=[40.0, 1.0], bpc=[0.0, 2.0], bnd=[], w=[], delay=8.0, integral=0, sampletime=1.0,
                                  tcl=20.0, oprange=100.0, sprange=50.0, dcstype="Interacting B", piOnly=False),
                  ("apc", "bpc")),
    "twotier": (twotier, dict(Ac1=[20.0, 1.0], Bc1=[2.0], CV_INT1=0, Delayc1=5.0, BND1=np.full(75, 0.1), Ts1=1.0,
                              Ac2=[5.0, 1.0], Bc2=[1.0], Delayc2=1.9, PID2=[1.0, 5.0, 2.0], Type2="Int A", w=GRID,
                              SPLLAG2=0.5, MVdata1=REC[:, 0], SPdata2=REC[:, 0]), ("Ac1", "Bc1", "Ac2", "Bc2")),
    "jumpcheck": (jumpcheck, dict(Ac=[10.0, 1.0], Bc=[2.0], Delayc=3.0, Ts=1.0, U=U, Y=Y, CV_INT=0,
                                  CVslice=[np.array([[-1, -1]])]), ("Ac", "Bc")),
    "feedsim": (feedsim, dict(Apc_tn=[10.0, 1.0], Bpc_tn=[0.0, 2.0], Delayc=[5.0, 7.0], Tau_1=[[10.0, 8.0]],
                              Gain_1=[2.0, 1.0], CV_INT=[0], PID=[0.4, 10.0, 1.0], Type="Int B",
                              FF=[[0.44, 8.0, 10.0, 2.0]], Ts=1.0, SPLLAG=0.5), ("Apc_tn", "Bpc_tn")),
}


@pytest.mark.parametrize("function, name", [(f, name) for f, (_, _, names) in POLYNOMIAL_ARGUMENTS.items()
                                            for name in names])
def test_a_matrix_is_no_polynomial(in_tmp_cwd, capsys, function, name):
    f, valid, _ = POLYNOMIAL_ARGUMENTS[function]
    matrix = np.arange(1.0, 5.0).reshape(2, 2)
    with pytest.raises(ValueError, match=f"^{name} must be a polynomial: one row or one column of coefficients, "
                                         "not a 2 x 2 array$"):
        f(**(valid | {name: matrix}))
    # A column and (where the function's own checks take len() as the order) a row are the flat coefficients.
    flat = np.asarray(valid[name], dtype=float)
    forms = [flat[:, None]] + ([] if function == "freerun" else [flat[None, :]])
    expected = f(**valid)
    for given in forms:
        result = f(**(valid | {name: given}))
        if function == "freerun":   # it returns apc and bpc as given
            result, expected = ({k: v for k, v in d.items() if k not in ("apc", "bpc")} for d in (result, expected))
        np.testing.assert_equal(result, expected)
