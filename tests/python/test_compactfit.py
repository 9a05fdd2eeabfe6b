# Low-order model selection among the reductions of orders 1 to 10.

import numpy as np
import pytest

import reference_bounds as ref
from arx_reference import add_dly, arx_fit, misosim
from conftest import assert_all_close, untouched
from references import SELECTION_VS_TRANSCRIPTION
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.ceilband import ceilband
from vantrelpid.tools.compactfit import compactfit
from vantrelpid.tools.freqshrink import freqshrink

W = frequency_grid()


class Case:
    """A scaled record of a known plant, its ARX(12) model and that model's bound, as the identification makes them."""

    def __init__(self, A, B, delays, N=3000, noise=0.1, seed=0, samples=None):
        r = np.random.default_rng(seed)
        U = r.standard_normal((N, len(B)))
        y = misosim(A, B, add_dly(U, delays))
        y = y + noise * np.std(y) * r.standard_normal((N, 1))
        self.gain_scale = U.std(axis=0) / y.std()
        self.U, self.Y = (U - U.mean(axis=0)) / U.std(axis=0), (y - y.mean()) / y.std()
        self.delays, self.samples = np.asarray(delays), np.arange(1, N + 1) if samples is None else samples
        self.Ap, self.Bp = arx_fit(self.U, self.Y, 12, self.delays)
        G = ref.misofrq(self.Ap, self.Bp, W)
        self.grades, _, BND = ceilband(self.Ap, self.Bp, G, self.U, self.Y, W, min(len(self.samples), 8000),
                                       self.delays, self.samples, 0)
        self.G, self.BND = G[:100], BND[:100]

    def args(self, **changes):
        return dict(Aphk=self.Ap, Bphk=self.Bp, Ghk=self.G, U=self.U, Y=self.Y, Delay=self.delays, SlSampk=self.samples,
                    BNDk=self.BND, wln=W[:100]) | changes

    def reduction(self, n):
        return freqshrink(self.Ap, self.Bp, 1.0 / self.BND, 1.0 / self.BND, n, 20, W[:100])[:2]


FIRST_ORDER = dict(A=np.array([1.0, -0.9]), B=np.array([[0.0, 0.1]]), delays=[2])


@pytest.mark.parametrize("seed", [1, 2])
def test_chain_on_a_noisy_first_order_plant(seed):
    case = Case(**FIRST_ORDER, seed=seed)
    Abj, Bbj = compactfit(**case.args())
    assert list(case.grades) == ["A"] and Abj.shape == (2,) and Bbj.shape == (1, 2)
    assert abs(-Abj[1] - 0.9) < 0.005 and abs(Bbj.sum() / Abj.sum() / case.gain_scale[0] - 1) < 0.03
    assert_all_close((Abj, Bbj), ref.compactfit(**case.args()), rtol=0, atol=SELECTION_VS_TRANSCRIPTION)
    np.testing.assert_equal((Abj, Bbj), case.reduction(1))


def test_underdamped_plant_gives_order_two():
    A = np.array([1.0, -1.6, 0.8])   # poles 0.8 +- 0.4i
    Abj, _ = compactfit(**Case(A, np.array([[0.0, 0.1, 0.1]]), [1], N=4000, noise=0.05, seed=3).args())
    assert len(Abj) == 3
    np.testing.assert_allclose(np.sort_complex(np.roots(Abj)), np.sort_complex(np.roots(A)), atol=0.01)


def test_two_inputs_with_a_gap_match_the_transcription():
    case = Case(np.array([1.0, -0.85]), np.array([[0.0, 0.15], [0.0, -0.3]]), [1, 3], seed=4,
                samples=np.r_[1:1201, 1601:3001])
    ours = compactfit(**case.args())
    assert ours[1].shape == (2, len(ours[0]))
    assert_all_close(ours, ref.compactfit(**case.args()), rtol=0, atol=SELECTION_VS_TRANSCRIPTION)


class TestArguments:
    case = Case(**FIRST_ORDER, N=1500, seed=6)

    def test_response_unused_one_dimensional_output_types_no_draws_and_arguments_unchanged(self):
        args = self.case.args()
        with untouched(args):
            Abj, Bbj = compactfit(**args)
        assert Abj.dtype == Bbj.dtype == np.float64 and Abj.ndim == 1 and Bbj.ndim == 2
        for changes in (dict(Ghk=None), dict(Ghk="anything"), dict(Y=self.case.Y[:, 0])):
            np.testing.assert_equal(compactfit(**self.case.args(**changes)), (Abj, Bbj))

    @pytest.mark.parametrize("position, value", [(0, np.nan), (700, np.nan), (700, np.inf), (0, 1e32)])
    def test_non_finite_selected_output_falls_back_to_order_one(self, position, value):
        # A NaN first error or an error of 1e31 or more scores 1e30 for every order; a later
        # NaN makes every score NaN, which never wins over another: order 1 either way.
        Y = self.case.Y.copy()
        Y[position] = value
        np.testing.assert_equal(compactfit(**self.case.args(Y=Y)), self.case.reduction(1))

    @pytest.mark.parametrize("changes, error, message", [
        (dict(SlSampk=np.r_[0, 2:400]), IndexError, "selected sample number 0 is below 1"),
        (dict(SlSampk=np.arange(1, 1502)), IndexError, "index 1500 is out of bounds for axis 0 with size 1500"),
        (dict(SlSampk=np.arange(1, 5)), ZeroDivisionError, "division by zero"),   # N = d = (1 + 1)(1 + 1)
        (dict(BNDk=np.ones((100, 2))), ValueError, "Dimensions of Weight and Bh not compatible"),
        (dict(wln=W[:99]), ValueError, "Dimensions of Weight and w not compatible"),
    ])
    def test_errors(self, changes, error, message):
        with pytest.raises(error) as info:
            compactfit(**self.case.args(**changes))
        assert str(info.value) == message
