"""Model-error upper bounds over the frequency grid and grades per input."""

import numpy as np
import pytest
import scipy.signal

import reference_bounds as ref
from conftest import assert_same_generator_state, generator_state
from references import BOUND_VS_TRANSCRIPTION, CLOSED_FORM_HIGH, CLOSED_FORM_LOW, CLOSED_FORM_MEAN
from vantrelpid._utilities import frequency_grid
from vantrelpid.tools.ceilband import ceilband

W = frequency_grid()


def first_order_record(N, noise, seed, nu=1):
    """y = sum_j 0.1 (j + 1) q^-d_j / (1 - 0.9 q^-1) u_j + noise * std(signal) * white."""
    r = np.random.default_rng(seed)
    U = r.standard_normal((N, nu))
    delays = np.arange(1, nu + 1)
    B = np.array([[0.0, 0.1 * (j + 1)] for j in range(nu)])
    signal = ref.misosim(np.array([1.0, -0.9]), B, ref.add_dly(U, delays))[:, 0]
    y = signal + noise * np.std(signal) * r.standard_normal(N)
    return U - U.mean(axis=0), y - y.mean(), delays


def identified(N, noise, seed, na=16, nu=1):
    """An ARX(na) model of the record, its response on the grid, and the record."""
    U, y, delays = first_order_record(N, noise, seed, nu)
    Ap, Bp = ref.arx_fit(U, y, na, delays)
    return Ap, Bp, ref.misofrq(Ap, Bp, W), U, y.reshape(-1, 1), delays


def bound(model, samples, Nbnd=None, integrating=0):
    Ap, Bp, G, U, y, delays = model
    return ceilband(Ap, Bp, G, U, y, W, len(samples) if Nbnd is None else Nbnd, delays, samples, integrating)


class TestBound:
    def test_white_noise_bound_matches_its_closed_form(self):
        # A y = B u + e with white unit-variance inputs: BND_i = 3 sqrt(c s2 / |A|^2).
        r = np.random.default_rng(20)
        N, nu, s2 = 20000, 2, 0.25
        A = np.array([1.0, -1.2, 0.5])
        B = np.array([[0.0, 0.5, 0.2], [0.3, -0.1, 0.0]])
        U = r.standard_normal((N, nu))
        y = ref.misosim(A, B, U)[:, 0] + scipy.signal.lfilter([1.0], A, np.sqrt(s2) * r.standard_normal(N))
        Nbnd, na, P = 8000, 2, 2 * (nu + 1)
        _, _, BND = ceilband(A, B, ref.misofrq(A, B, W), U, y, W, Nbnd, [0, 0], np.arange(1, N + 1), 0)
        c = na / Nbnd * (Nbnd + P) / (Nbnd - P)
        closed = 3 * np.sqrt(c * s2 / np.abs(scipy.signal.freqz(A, 1, worN=W)[1]) ** 2)
        ratio = BND / closed[:, None]
        assert CLOSED_FORM_LOW < ratio.min() and ratio.max() < CLOSED_FORM_HIGH
        assert abs(ratio.mean() - 1) < CLOSED_FORM_MEAN

    @pytest.mark.parametrize("N", [3000, 1204, 1196, 36, 20, 12])
    def test_against_transcription(self, N):
        # Low orders for the short records, so that the bound exists (Nbnd > P).
        model = identified(3000, 0.2, 21, na=16 if N > 1000 else 2, nu=2)
        samples = np.arange(1, N + 1)
        ours = bound(model, samples)
        theirs = ref.ceilband(*model[:5], W, N, model[5], samples, 0)
        np.testing.assert_allclose(ours[2], theirs[2], rtol=0, atol=BOUND_VS_TRANSCRIPTION * theirs[2].max())
        np.testing.assert_array_equal(ours[0], theirs[0])
        np.testing.assert_array_equal(ours[1], theirs[1])

    def test_selection_with_a_gap_against_transcription(self):
        model = identified(3000, 0.2, 22, nu=2)
        samples = np.r_[np.arange(1, 801), np.arange(1201, 3001)]
        ours = bound(model, samples, Nbnd=2600)
        theirs = ref.ceilband(*model[:5], W, 2600, model[5], samples, 0)
        np.testing.assert_allclose(ours[2], theirs[2], rtol=0, atol=BOUND_VS_TRANSCRIPTION * theirs[2].max())
        # The gap matters: the whole record gives another bound.
        assert np.abs(bound(model, np.arange(1, 3001), Nbnd=2600)[2] - ours[2]).max() > 1e-6

    def test_types_shapes_arguments_unchanged_and_no_draws(self):
        model = identified(1500, 0.1, 23, nu=3)
        copies = [np.copy(a) for a in model]
        samples = np.arange(1, 1501)
        state = generator_state()
        Grade, nonD, BND = bound(model, samples)
        assert_same_generator_state(state, generator_state())
        assert Grade.dtype == np.dtype("<U1") and Grade.shape == (3,)
        assert nonD.dtype == np.float64 and nonD.shape == (3,)
        assert BND.dtype == np.float64 and BND.shape == (175, 3) and BND.flags.c_contiguous
        assert np.all(BND > 0)
        for a, c in zip(model, copies):
            np.testing.assert_array_equal(a, c)


class TestGrades:
    @pytest.mark.parametrize("noise", [0.05, 0.2])
    def test_noisy_first_order_plant_grades_a(self, noise):
        Grade, nonD, _ = bound(identified(3000, noise, 30), np.arange(1, 3001))
        assert list(Grade) == ["A"] and list(nonD) == [1.0]

    def test_noise_twenty_times_the_signal_grades_d(self):
        Grade, nonD, _ = bound(identified(1000, 20.0, 31), np.arange(1, 1001))
        assert list(Grade) == ["D"] and list(nonD) == [0.0]

    @pytest.mark.parametrize("ratio, grade, nonD", [
        (0.2, "A", 1.0), (0.29, "A", 1.0), (0.31, "B", 1.0), (0.59, "B", 1.0),
        (0.61, "C", 1.0), (0.98, "C", 1.0), (1.0, "D", 0.0), (4.0, "D", 0.0),
    ])
    def test_bands_with_a_response_built_from_the_bound(self, ratio, grade, nonD):
        # |G| = BND / ratio on the window makes the weighted ratio exactly `ratio`.
        model = identified(2000, 0.1, 32, nu=2)
        samples = np.arange(1, 2001)
        BND = bound(model, samples)[2]
        G = np.full((175, 2), 1.0 + 0j)
        G[:10, 0] = BND[:10, 0] / ratio * np.exp(1j * np.linspace(0, 2, 10))
        G[:10, 1] = BND[:10, 1] / 0.1
        Grade, nonDk, BND2 = ceilband(*model[:2], G, *model[3:5], W, 2000, model[5], samples, 0)
        np.testing.assert_array_equal(BND2, BND)  # the bound does not depend on Ghk
        assert list(Grade) == [grade, "A"] and list(nonDk) == [nonD, 1.0]

    def test_prefilter_and_response_weigh_the_ratio(self):
        model = identified(2000, 0.1, 33)
        samples = np.arange(1, 2001)
        BND = bound(model, samples)[2][:, 0]
        magnitudes = BND[:10] * np.array([4.0, 3.0, 0.2, 0.4, 5.0, 4.0, 3.0, 1.0, 0.5, 0.3])
        G = np.ones((175, 1), dtype=complex)
        G[:10, 0] = magnitudes
        b, a = scipy.signal.butter(6, 0.1)
        Gf = np.abs(scipy.signal.freqz(b, a, worN=W[:10])[1])
        weighted = np.sum(BND[:10] * Gf * magnitudes) / np.sum(magnitudes * Gf * magnitudes)
        unweighted = np.mean(BND[:10] / magnitudes)
        Grade = ceilband(*model[:2], G, *model[3:5], W, 2000, model[5], samples, 0)[0]
        assert weighted < 0.3 < 0.6 < unweighted  # the weights decide between "A" and "C"/"D"
        assert list(Grade) == ["A"]

    @pytest.mark.parametrize("flag, grade", [(1, "?"), (1.0, "?"), (True, "?"), (0, "A"), (2, "A"), (-1, "A")])
    def test_integrating_output_grades_over_four_points(self, flag, grade):
        # Zero response on the first four points: 0/0 there, "A" from points 4 to 9.
        model = identified(2000, 0.1, 34)
        samples = np.arange(1, 2001)
        BND = bound(model, samples)[2]
        G = np.ones((175, 1), dtype=complex)
        G[:4] = 0
        G[4:10, 0] = BND[4:10, 0] / 0.2
        Grade, nonD, _ = ceilband(*model[:2], G, *model[3:5], W, 2000, model[5], samples, flag)
        assert list(Grade) == [grade] and list(nonD) == [1.0]


class TestArguments:
    model = identified(600, 0.1, 40, na=4, nu=2)
    samples = np.arange(1, 601)

    @pytest.mark.parametrize("Nbnd", [12, 12.0, np.int64(12), np.float64(12), 0, 0.0, np.int64(0)])
    def test_nbnd_equal_to_p_or_zero(self, Nbnd):
        with pytest.raises(ZeroDivisionError):
            bound(self.model, self.samples, Nbnd=Nbnd)

    @pytest.mark.parametrize("Nbnd", [11, 5.5, np.int64(1)])
    def test_nbnd_below_p_gives_nan_bound_and_no_grade(self, Nbnd):
        Grade, nonD, BND = bound(self.model, self.samples, Nbnd=Nbnd)
        assert np.all(np.isnan(BND)) and list(Grade) == ["?", "?"] and list(nonD) == [1.0, 1.0]

    @pytest.mark.parametrize("samples, error, message", [
        (np.r_[0, np.arange(2, 400)], IndexError, "selected sample number 0 is below 1"),
        (np.r_[np.arange(1, 400), -3], IndexError, "selected sample number -3 is below 1"),
        (np.arange(300, 602), IndexError, "index 600 is out of bounds for axis 0 with size 600"),
        (np.arange(1, 400.0), IndexError, "arrays used as indices must be of integer (or boolean) type"),
        (np.zeros((0, 2), dtype=int), ValueError, "SliceSamp selects no samples"),
    ])
    def test_selected_samples(self, samples, error, message):
        with pytest.raises(error) as info:
            bound(self.model, samples, Nbnd=300)
        assert str(info.value) == message

    def test_grade_window_longer_than_the_response(self):
        Ap, Bp, G, U, y, d = self.model
        with pytest.raises(IndexError, match="^index 8 is out of bounds for axis 0 with size 8$"):
            ceilband(Ap, Bp, G[:8], U, y, W, 600, d, self.samples, 0)
        ceilband(Ap, Bp, G[:8], U, y, W, 600, d, self.samples, 1)  # four points suffice
