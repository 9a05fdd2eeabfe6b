# Arguments the modules share: complex values in records, models, sample
# lists, delays, orders, weights and grids are refused by name, never cast to
# their real parts.

import numpy as np
import pytest

from conftest import untouched
from vantrelpid.loopfit import loopfit
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
from vantrelpid.tools.slimfit import slimfit

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
