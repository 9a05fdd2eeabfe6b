# Model-error upper bounds over the frequency grid and grades per input.

import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from arx_reference import add_dly, arx_fit, misosim
from conftest import untouched
from references import BOUND_VS_TRANSCRIPTION, CLOSED_FORM_HIGH, CLOSED_FORM_LOW, CLOSED_FORM_MEAN
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.ceilband import ceilband

W = frequency_grid()


def identified(N, noise, seed, na=16, nu=1):
    """An ARX(na) model of y = sum_j 0.1 (j + 1) q^-(j+1) / (1 - 0.9 q^-1) u_j + noise, its response, the record."""
    r = np.random.default_rng(seed)
    U, delays = r.standard_normal((N, nu)), np.arange(1, nu + 1)
    y = misosim([1.0, -0.9], [[0.0, 0.1 * (j + 1)] for j in range(nu)], add_dly(U, delays))
    y = y + noise * np.std(y) * r.standard_normal((N, 1))
    U, y = U - U.mean(axis=0), y - y.mean()
    Ap, Bp = arx_fit(U, y, na, delays)
    return Ap, Bp, ref.misofrq(Ap, Bp, W), U, y, delays


def bound(model, samples, Nbnd=None, integrating=0, G=None):
    Ap, Bp, Gm, U, y, delays = model
    return ceilband(Ap, Bp, Gm if G is None else G, U, y, W, len(samples) if Nbnd is None else Nbnd, delays, samples,
                    integrating)


def test_white_noise_bound_matches_its_closed_form():
    # A y = B u + e with white unit-variance inputs: BND_i = 3 sqrt(c s2 / |A|^2).
    r = np.random.default_rng(20)
    N, s2, Nbnd, P = 20000, 0.25, 8000, 6
    A, B = np.array([1.0, -1.2, 0.5]), np.array([[0.0, 0.5, 0.2], [0.3, -0.1, 0.0]])
    U = r.standard_normal((N, 2))
    y = misosim(A, B, U)[:, 0] + scipy.signal.lfilter([1.0], A, np.sqrt(s2) * r.standard_normal(N))
    BND = ceilband(A, B, ref.misofrq(A, B, W), U, y, W, Nbnd, [0, 0], np.arange(1, N + 1), 0)[2]
    c = 2 / Nbnd * (Nbnd + P) / (Nbnd - P)
    ratio = BND / (3 * np.sqrt(c * s2 / np.abs(scipy.signal.freqz(A, 1, worN=W)[1]) ** 2))[:, None]
    assert CLOSED_FORM_LOW < ratio.min() and ratio.max() < CLOSED_FORM_HIGH and abs(ratio.mean() - 1) < CLOSED_FORM_MEAN


@pytest.mark.parametrize("samples", [np.arange(1, N + 1) for N in (3000, 1204, 1196, 36, 20, 12)]
                         + [np.r_[1:801, 1201:3001]])   # the lengths pin the half-even M; a gap
def test_against_transcription_types_no_draws_and_arguments_unchanged(samples):
    # Low orders for the short records, so that the bound exists (Nbnd > P).
    model = identified(3000, 0.2, 21, na=16 if len(samples) > 1000 else 2, nu=2)
    with untouched(model):
        Grade, nonD, BND = bound(model, samples)
    theirs = ref.ceilband(*model[:5], W, len(samples), model[5], samples, 0)
    np.testing.assert_allclose(BND, theirs[2], rtol=0, atol=BOUND_VS_TRANSCRIPTION * theirs[2].max())
    np.testing.assert_array_equal(Grade, theirs[0])
    np.testing.assert_array_equal(nonD, theirs[1])
    assert Grade.dtype == np.dtype("<U1") and Grade.shape == nonD.shape == (2,) and nonD.dtype == np.float64
    assert BND.dtype == np.float64 and BND.shape == (175, 2) and BND.flags.c_contiguous


@pytest.mark.parametrize("N, noise, seed, grade", [(3000, 0.05, 30, "A"), (3000, 0.2, 30, "A"), (1000, 20.0, 31, "D")])
def test_grades_from_data(N, noise, seed, grade):
    Grade, nonD, _ = bound(identified(N, noise, seed), np.arange(1, N + 1))
    assert list(Grade) == [grade] and list(nonD) == [0.0 if grade == "D" else 1.0]


MODEL = identified(2000, 0.1, 32, nu=2)
SAMPLES = np.arange(1, 2001)
BND = bound(MODEL, SAMPLES)[2]


@pytest.mark.parametrize("ratio, grade", [(0.29, "A"), (0.31, "B"), (0.59, "B"), (0.61, "C"), (0.98, "C"), (1.0, "D")])
def test_grade_bands_with_a_response_built_from_the_bound(ratio, grade):
    # |G| = BND / ratio on the window makes the weighted ratio exactly `ratio`.
    G = np.ones((175, 2), dtype=complex)
    G[:10, 0] = BND[:10, 0] / ratio * np.exp(1j * np.linspace(0, 2, 10))
    G[:10, 1] = BND[:10, 1] / 0.1
    Grade, nonD, BND2 = bound(MODEL, SAMPLES, G=G)
    np.testing.assert_array_equal(BND2, BND)   # the bound does not depend on Ghk
    assert list(Grade) == [grade, "A"] and list(nonD) == [0.0 if grade == "D" else 1.0, 1.0]


def test_prefilter_and_response_weigh_the_ratio():
    magnitudes = BND[:10, 0] * np.array([4.0, 3.0, 0.2, 0.4, 5.0, 4.0, 3.0, 1.0, 0.5, 0.3])
    G = np.ones((175, 2), dtype=complex)
    G[:10, 0], G[:10, 1] = magnitudes, BND[:10, 1] / 0.1
    Gf = np.abs(scipy.signal.freqz(*scipy.signal.butter(6, 0.1), worN=W[:10])[1])
    weighted = np.sum(BND[:10, 0] * Gf * magnitudes) / np.sum(magnitudes * Gf * magnitudes)
    assert weighted < 0.3 < 0.6 < np.mean(BND[:10, 0] / magnitudes)   # the weights decide between "A" and "C"/"D"
    assert list(bound(MODEL, SAMPLES, G=G)[0]) == ["A", "A"]


@pytest.mark.parametrize("flag, grade", [(1, "?"), (1.0, "?"), (True, "?"), (0, "A"), (2, "A"), (-1, "A")])
def test_integrating_output_grades_over_four_points(flag, grade):
    # Zero response on the first four points: 0/0 there, "A" from points 4 to 9.
    G = np.zeros((175, 2), dtype=complex)
    G[4:10] = BND[4:10] / 0.2
    Grade, nonD, _ = bound(MODEL, SAMPLES, integrating=flag, G=G)
    assert list(Grade) == [grade] * 2 and list(nonD) == [1.0] * 2


@pytest.mark.parametrize("Nbnd", [12, 12.0, np.int64(12), np.float64(12), 0, 0.0, np.int64(0), 11, 5.5, np.int64(1)])
def test_nbnd_rules(Nbnd):
    # P = 12 here: Nbnd equal to P or to 0 divides by zero; below P the bound is NaN and nothing is graded.
    model = identified(600, 0.1, 40, na=4, nu=2)
    if Nbnd in (0, 12):
        with pytest.raises(ZeroDivisionError):
            bound(model, np.arange(1, 601), Nbnd=Nbnd)
    else:
        Grade, nonD, BND = bound(model, np.arange(1, 601), Nbnd=Nbnd)
        assert np.all(np.isnan(BND)) and list(Grade) == ["?", "?"] and list(nonD) == [1.0, 1.0]


@pytest.mark.parametrize("samples, error, message", [
    (np.r_[0, np.arange(2, 400)], IndexError, "selected sample number 0 is below 1"),
    (np.arange(300, 602), IndexError, "index 600 is out of bounds for axis 0 with size 600"),
])
def test_selected_samples(samples, error, message):
    with pytest.raises(error) as info:
        bound(identified(600, 0.1, 40, na=4, nu=2), samples, Nbnd=300)
    assert str(info.value) == message


@pytest.mark.parametrize("Nbnd", [-5, -12, -12.0, -1e300, np.nan])
def test_negative_nbnd_leaves_no_bound(Nbnd):
    # Any Nbnd below P = 12 but 0 gives a NaN bound and "?" grades; two negative factors do not cancel.
    Grade, nonD, BND = bound(identified(600, 0.1, 40, na=4, nu=2), np.arange(1, 601), Nbnd=Nbnd)
    assert np.all(np.isnan(BND)) and list(Grade) == ["?", "?"] and list(nonD) == [1.0, 1.0]


def test_grid_and_response_of_different_lengths():
    with pytest.raises(ValueError, match="^w must hold one frequency per row of Ghk$"):
        ceilband(*MODEL[:2], MODEL[2][:174], *MODEL[3:5], W, len(SAMPLES), MODEL[5], SAMPLES, 0)


@pytest.mark.parametrize("huge", [1e300, 2.0**63, np.uint64(2**63 + 7)])
def test_whole_delays_beyond_int64_zero_the_input_as_any_delay_beyond_the_record(huge):
    Ap, Bp, Gm, U, y, _ = MODEL
    delays = np.array([huge, 1], dtype=np.asarray(huge).dtype)
    expected = ceilband(Ap, Bp, Gm, U, y, W, len(SAMPLES), [2**62, 1], SAMPLES, 0)
    np.testing.assert_equal(ceilband(Ap, Bp, Gm, U, y, W, len(SAMPLES), delays, SAMPLES, 0), expected)
