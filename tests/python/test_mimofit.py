"""mimofit: argument checks and their order, the frequency grid, a known 2 x 2
plant, the stacked model's layout and numpy's generator."""

import numpy as np
import pytest

import references as ref
from conftest import assert_same_generator_state, generator_state
from loop_plants import mimo_record
from vantrelpid.tools.fitclean import fitclean
from vantrelpid.tools.mimofit import mimofit
from vantrelpid.tools.segmask import segmask

NAMES = ("A", "B", "C", "D", "ORDS", "Grade", "Gh", "BND_shw", "w", "meanU", "STDu", "meanY", "STDy")
NO_SLICES = np.array([[-1, -1]])
GAINS = np.array([[2.0, 1.0], [-1.0, 0.5]])
TWO_BY_TWO = [[([2.0], [10.0, 1.0], 3), ([1.0], [5.0, 1.0], 1)],
              [([-1.0], [20.0, 1.0], 2), ([0.5], [8.0, 1.0], 4)]]
# Delays with the one-sample hold: the dead time in samples plus 1.
TWO_BY_TWO_DELAY = np.array([[4, 2], [3, 5]])


def identify(u, y, Delay, Slice=None, CV_INT=None):
    ny = y.shape[1]
    out = mimofit(u, y, Delay, Slice or [NO_SLICES] * ny, CV_INT or [0] * ny)
    assert len(out) == 13
    return dict(zip(NAMES, out))


@pytest.fixture(scope="module")
def two_by_two():
    u, y = mimo_record(TWO_BY_TWO, 4000)
    state = np.random.get_state()
    r = identify(u, y, TWO_BY_TWO_DELAY)
    np.random.set_state(state)
    return u, y, r


def six_input_record(N):
    plants = [[([1.0 + 0.2 * j], [3.0 + 2 * j, 1.0], j % 3) for j in range(6)]]
    return mimo_record(plants, N, Tsw=6)


class TestChecks:
    @pytest.mark.parametrize("u_shape, y_shape, message", [
        ((0, 1), (200, 1), "Not enough input arguments"),
        ((200, 1), (0, 1), "Not enough input arguments"),
        ((0,), (200, 1), "Not enough input arguments"),
        ((200, 1), (149, 1), r"Sample number too small \(< 150\)"),
        ((149, 7), (300, 6), r"Sample number too small \(< 150\)"),
        ((200, 7), (200, 6), r"Number of MVs too large \(> 6\)"),
        ((200, 6), (200, 6), r"Number of CVs too large \(> 5\)"),
    ])
    def test_messages_in_order(self, u_shape, y_shape, message):
        rng = np.random.default_rng(0)
        u, y = rng.standard_normal(u_shape), rng.standard_normal(y_shape)
        np.random.seed(3)
        before = generator_state()
        with pytest.raises(ValueError, match=f"^{message}$"):
            mimofit(u, y, np.ones((6, 7), dtype=int), [NO_SLICES] * 6, [0] * 6)
        assert_same_generator_state(generator_state(), before)

    def test_one_dimensional_records_fail_as_indexing_does(self):
        x = np.random.default_rng(0).standard_normal(300)
        with pytest.raises(IndexError):
            mimofit(x, x[:, None], np.ones((1, 1), dtype=int), [NO_SLICES], [0])
        with pytest.raises(IndexError):
            mimofit(x[:, None], x, np.ones((1, 1), dtype=int), [NO_SLICES], [0])


class TestGrid:
    def test_grid_as_numpy_builds_it(self, two_by_two):
        w = two_by_two[2]["w"]
        expected = np.concatenate([np.linspace(0.0001, 100, 100, endpoint=False) / 100 * np.pi,
                                   3.14 * np.logspace(-4, 0, 75)])
        np.testing.assert_array_equal(w[:100], expected[:100])
        np.testing.assert_allclose(w[100:], expected[100:], rtol=ref.GRID_POWER, atol=0)
        assert w[174] == 3.14 and w[0] == np.pi * 1e-6


class TestKnownPlant:
    def test_static_gain(self, two_by_two):
        r = two_by_two[2]
        A, B, C, D = r["A"], r["B"], r["C"], r["D"]
        K = C @ np.linalg.solve(np.eye(A.shape[0]) - A, B) + D
        np.testing.assert_allclose(K, GAINS, rtol=ref.PLANT_GAIN)
        assert set(r["Grade"].ravel()) <= {"A", "B"}

    def test_response_at_the_first_grid_point(self, two_by_two):
        Gh = two_by_two[2]["Gh"]
        np.testing.assert_allclose(Gh[0], np.abs(GAINS).ravel(), rtol=ref.PLANT_GAIN)

    def test_stacked_layout(self, two_by_two):
        r = two_by_two[2]
        n0, n1 = r["ORDS"]
        n = n0 + n1
        assert r["A"].shape == (n, n) and r["B"].shape == (n, 2) and r["C"].shape == (2, n)
        assert r["D"].shape == (2, 2)
        assert not r["A"][:n0, n0:].any() and not r["A"][n0:, :n0].any()
        assert not r["C"][0, n0:].any() and not r["C"][1, :n0].any()

    def test_types_and_shapes(self, two_by_two):
        r = two_by_two[2]
        assert r["ORDS"].dtype == np.int64 and r["ORDS"].shape == (2,)
        assert r["Grade"].dtype == np.dtype("<U1") and r["Grade"].shape == (2, 2)
        for key, shape in (("Gh", (175, 4)), ("BND_shw", (175, 4)), ("w", (175,)), ("meanU", (2,)),
                           ("STDu", (2,)), ("meanY", (2,)), ("STDy", (2,))):
            assert r[key].dtype == np.float64 and r[key].shape == shape, key
        assert (r["Gh"] >= 0).all() and (r["BND_shw"] >= 0).all()

    def test_scaling_averages_the_outputs_preprocessing(self, two_by_two):
        u, y, r = two_by_two
        state = np.random.get_state()
        rows = [fitclean(u, y[:, i], segmask([NO_SLICES] * 2, i, len(y))[1], 0) for i in range(2)]
        np.random.set_state(state)
        np.testing.assert_allclose(r["meanU"], np.mean([p[1] for p in rows], axis=0), rtol=ref.REDUCTION_ORDER)
        np.testing.assert_allclose(r["STDu"], np.mean([p[2] for p in rows], axis=0), rtol=ref.REDUCTION_ORDER)
        np.testing.assert_array_equal(r["meanY"], [p[4] for p in rows])
        np.testing.assert_array_equal(r["STDy"], [p[5] for p in rows])


class TestContracts:
    def test_records_are_cut_to_their_common_length(self):
        u, y = mimo_record([[([1.0], [5.0, 1.0], 1)]], 700)
        longer = identify(u, y[:600], np.array([[2]]))
        same = identify(u[:600], y[:600], np.array([[2]]))
        for key in NAMES:
            np.testing.assert_array_equal(longer[key], same[key], err_msg=key)

    @pytest.mark.parametrize("N", [150, 161])
    def test_six_inputs_on_short_records(self, N):
        u, y = six_input_record(N)
        r = identify(u, y, np.ones((1, 6), dtype=int))
        for key in ("A", "B", "C", "D", "Gh", "BND_shw"):
            assert np.isfinite(r[key]).all(), key
        # One output: its input scaling is used as it is, one-dimensional.
        assert r["meanU"].shape == (6,) and r["STDu"].shape == (6,) and r["ORDS"].shape == (1,)
        assert r["Gh"].shape == (175, 6) and r["Grade"].shape == (1, 6)

    def test_generator_is_seeded_and_drawn_by_the_preprocessing(self, two_by_two):
        u, y, _ = two_by_two
        flags = [0, 1]  # the second output's preprocessing reseeds and integrates
        np.random.seed(4)
        mimofit(u, y, TWO_BY_TWO_DELAY, [NO_SLICES] * 2, flags)
        after = generator_state()
        np.random.seed(798)
        for i in range(2):
            fitclean(u, y[:, i], segmask([NO_SLICES] * 2, i, len(y))[1], flags[i])
        assert_same_generator_state(after, generator_state())

    def test_caller_arrays_are_unchanged(self, two_by_two):
        u, y, _ = two_by_two
        u0, y0, D0 = u.copy(), y.copy(), TWO_BY_TWO_DELAY.copy()
        slices = [np.array([[500, 700], [-1, -1]]), NO_SLICES.copy()]
        mimofit(u, y, D0, slices, [0, 0])
        np.testing.assert_array_equal(u, u0)
        np.testing.assert_array_equal(y, y0)
        np.testing.assert_array_equal(D0, TWO_BY_TWO_DELAY)
        np.testing.assert_array_equal(slices[0], [[500, 700], [-1, -1]])

    def test_each_output_uses_its_own_slice_table(self, two_by_two):
        u, y, r = two_by_two
        # Output 1's record corrupted where its table leaves it out: output 0
        # and output 1 come back as from clean data.
        y_bad = y.copy()
        rng = np.random.default_rng(3)
        y_bad[rng.choice(np.arange(1500, 1800), 60, replace=False), 1] += rng.choice([-15.0, 15.0], 60)
        s = identify(u, y_bad, TWO_BY_TWO_DELAY, [NO_SLICES, np.array([[1400, 1900]])])
        n0 = r["ORDS"][0]
        np.testing.assert_array_equal(s["A"][:n0, :n0], r["A"][:n0, :n0])
        assert not np.allclose(identify(u, y_bad, TWO_BY_TWO_DELAY)["D"], s["D"])
        K = s["C"] @ np.linalg.solve(np.eye(s["A"].shape[0]) - s["A"], s["B"]) + s["D"]
        np.testing.assert_allclose(K, GAINS, rtol=ref.PLANT_GAIN)
