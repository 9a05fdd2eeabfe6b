# mimofit: argument checks and their order, the frequency grid, a known 2 x 2
# plant, the stacked model's layout and numpy's generator.

import numpy as np
import pytest

import references as ref
from conftest import same_draws, untouched
from plants import loop_record
from vantrelpid.tools.fitclean import fitclean
from vantrelpid.tools.mimofit import mimofit
from vantrelpid.tools.segmask import segmask

NAMES = ("A", "B", "C", "D", "ORDS", "Grade", "Gh", "BND_shw", "w", "meanU", "STDu", "meanY", "STDy")
NO_SLICES = np.array([[-1, -1]])
GAINS = np.array([[2.0, 1.0], [-1.0, 0.5]])
TWO_BY_TWO = [[([2.0], [10.0, 1.0], 3), ([1.0], [5.0, 1.0], 1)], [([-1.0], [20.0, 1.0], 2), ([0.5], [8.0, 1.0], 4)]]
DELAY = np.array([[4, 2], [3, 5]])   # the dead times in samples plus the hold's


def identify(u, y, Delay, Slice=None, CV_INT=None):
    state = np.random.get_state()
    out = mimofit(u, y, Delay, Slice or [NO_SLICES] * y.shape[1], CV_INT or [0] * y.shape[1])
    np.random.set_state(state)
    assert len(out) == 13
    return dict(zip(NAMES, out))


def static_gain(r):
    return r["C"] @ np.linalg.solve(np.eye(len(r["A"])) - r["A"], r["B"]) + r["D"]


@pytest.fixture(scope="module")
def two_by_two():
    u, y, _ = loop_record(TWO_BY_TWO, 4000, seed=11)
    return u, y, identify(u, y, DELAY)


@pytest.mark.parametrize("u_shape, y_shape, message", [
    ((0, 1), (200, 1), "Not enough input arguments"), ((200, 1), (0, 1), "Not enough input arguments"),
    ((0,), (200, 1), "Not enough input arguments"),
    ((200, 1), (149, 1), r"Sample number too small \(< 150\)"),   # after the cut to the common length
    ((149, 7), (300, 6), r"Sample number too small \(< 150\)"),
    ((200, 7), (200, 6), r"Number of MVs too large \(> 6\)"),
    ((200, 6), (200, 6), r"Number of CVs too large \(> 5\)"),
    ((300,), (300, 1), None), ((300, 1), (300,), None),   # one-dimensional records fail as indexing does
])
def test_messages_in_order_leave_the_generator_untouched(u_shape, y_shape, message):
    rng = np.random.default_rng(0)
    with pytest.raises(IndexError if message is None else ValueError, match=message and f"^{message}$"), untouched():
        mimofit(rng.standard_normal(u_shape), rng.standard_normal(y_shape), np.ones((6, 7), dtype=int), [NO_SLICES] * 6, [0] * 6)


def test_known_plant_grid_layout_and_types(two_by_two):
    u, y, r = two_by_two
    np.testing.assert_allclose(static_gain(r), GAINS, rtol=ref.PLANT_GAIN)
    np.testing.assert_allclose(r["Gh"][0], np.abs(GAINS).ravel(), rtol=ref.PLANT_GAIN)   # pair columns i * nu + j
    assert set(r["Grade"].ravel()) <= {"A", "B"} and r["Grade"].dtype == np.dtype("<U1") and r["Grade"].shape == (2, 2)
    grid = np.r_[np.linspace(0.0001, 100, 100, endpoint=False) / 100 * np.pi, 3.14 * np.logspace(-4, 0, 75)]
    np.testing.assert_array_equal(r["w"][:100], grid[:100])
    np.testing.assert_allclose(r["w"][100:], grid[100:], rtol=ref.GRID_POWER, atol=0)
    assert r["w"][174] == 3.14
    n0, n = r["ORDS"][0], r["ORDS"].sum()
    assert r["ORDS"].dtype == np.int64 and r["ORDS"].shape == (2,)
    assert r["A"].shape == (n, n) and r["B"].shape == (n, 2) and r["C"].shape == (2, n) and r["D"].shape == (2, 2)
    assert not r["A"][:n0, n0:].any() and not r["A"][n0:, :n0].any() and not r["C"][0, n0:].any() and not r["C"][1, :n0].any()
    assert [(r[k].dtype, r[k].shape) for k in ("Gh", "BND_shw", "w", "meanU", "STDu", "meanY", "STDy")] == [
        (np.float64, (175, 4)), (np.float64, (175, 4)), (np.float64, (175,))] + [(np.float64, (2,))] * 4
    # The input scaling is the mean over the outputs' preprocessing.
    rows = [fitclean(u, y[:, i], segmask([NO_SLICES] * 2, i, len(y))[1], 0) for i in range(2)]
    np.testing.assert_allclose(r["meanU"], np.mean([p[1] for p in rows], axis=0), rtol=ref.REDUCTION_ORDER)
    np.testing.assert_allclose(r["STDu"], np.mean([p[2] for p in rows], axis=0), rtol=ref.REDUCTION_ORDER)
    np.testing.assert_array_equal(r["meanY"], [p[4] for p in rows])
    np.testing.assert_array_equal(r["STDy"], [p[5] for p in rows])


def test_generator_and_caller_arrays(two_by_two):
    u, y, _ = two_by_two
    slices, flags = [np.array([[500, 700], [-1, -1]]), NO_SLICES], [0, 1]   # output 1 reseeds and integrates

    def preprocessing():
        np.random.seed(798)
        for i in range(2):
            fitclean(u, y[:, i], segmask(slices, i, len(y))[1], flags[i])
    with untouched(u, y, DELAY, slices, flags, draws=True):
        same_draws(lambda: mimofit(u, y, DELAY, slices, flags), preprocessing)


def test_records_cut_to_their_common_length_and_short_records_with_six_inputs():
    u, y, _ = loop_record([[([1.0], [5.0, 1.0], 1)]], 700, seed=11)
    longer, same = identify(u, y[:600], np.array([[2]])), identify(u[:600], y[:600], np.array([[2]]))
    np.testing.assert_equal(longer, same)
    # 161 parameters of the largest candidate: never chosen through a zero or negative factor.
    for N in (150, 161):
        u, y, _ = loop_record([[([1.0 + 0.2 * j], [3.0 + 2 * j, 1.0], j % 3) for j in range(6)]], N, Tsw=6, seed=11)
        r = identify(u, y, np.ones((1, 6), dtype=int))
        assert all(np.isfinite(r[key]).all() for key in ("A", "B", "C", "D", "Gh", "BND_shw"))
        assert r["meanU"].shape == r["STDu"].shape == (6,) and r["Gh"].shape == (175, 6) and r["Grade"].shape == (1, 6)


@pytest.mark.parametrize("record, at, message", [
    ("u", (17, 1), "u holds a non-finite value in column 1 at sample 18; deselected stretches must hold finite values too"),
    ("y", (400, 0), "y holds a non-finite value in column 0 at sample 401; deselected stretches must hold finite values too"),
])
def test_non_finite_data_raises_before_the_generator_is_seeded(record, at, message):
    rng = np.random.default_rng(3)
    u, y = rng.standard_normal((600, 2)), rng.standard_normal((600, 1))
    (u if record == "u" else y)[at] = np.nan
    (u if record == "u" else y)[at[0] + 5, 0] = np.inf   # a later sample of another column is not the first
    args = u, y, [[1, 1]], [np.array([[380, 420], [-1, -1]])], [0]
    with pytest.raises(ValueError, match=f"^{message}$"), untouched(*args):
        mimofit(*args)


@pytest.mark.parametrize("Delay", [[[1e300, 1]], [[2.0**70, 1]], np.array([[2**63 + 5, 1]], dtype=np.uint64)])
def test_delays_beyond_int64_fail_as_a_delay_beyond_the_record(Delay):
    rng = np.random.default_rng(4)
    u, y = rng.standard_normal((300, 2)), rng.standard_normal((300, 1))
    with pytest.raises(ValueError) as huge, untouched(u, y, draws=True):
        mimofit(u, y, Delay, [NO_SLICES], [0])
    with pytest.raises(ValueError) as large:
        mimofit(u, y, [[2**62, 1]], [NO_SLICES], [0])
    assert str(huge.value) == str(large.value).replace(str(2**62), str(2**63 - 1))
