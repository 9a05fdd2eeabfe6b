import subprocess
import sys

import numpy as np
import pytest

from conftest import untouched
from vantrelpid.tools.segmask import segmask


@pytest.mark.parametrize("table, N, rows", [
    ([[-1, -1], [-1, -1]], 1000, [[1, 1000]]),
    (np.zeros((0, 2), dtype=int), 50, [[1, 50]]),
    ([[200, 300], [-1, -1]], 1000, [[1, 199], [301, 1000]]),
    ([[144, 300]], 1000, [[1, 143], [301, 1000]]),                # a head of 143 samples is kept
    ([[143, 300]], 1000, [[301, 1000]]),                          # one of 142 is dropped
    ([[500, 1200]], 1000, [[1, 499]]),                            # no tail
    ([[100, 300], [-1, -1], [500, 700]], 1000, [[301, 1000]]),    # rows after padding ignored
    ([[500, 600], [100, 200]], 1000, [[1, 499], [201, 1000]]),    # out of order: samples repeat
    ([[100, 200], [1500, 1600]], 1000, [[201, 1499]]),            # entries beyond N used as they stand
    ([[100, 200], [201, 300], [600, 800]], 1000, [[301, 599], [801, 1000]]),  # empty gap removed
    ([[200.9, 300.2]], 1000, [[1, 199], [301, 1000]]),            # fractional entries truncate
])
def test_selection(table, N, rows):
    tables = [np.array(table)]
    with untouched(tables):
        sl, samp = segmask(tables, 0, N)
    np.testing.assert_array_equal(sl, rows)
    np.testing.assert_array_equal(samp, np.concatenate([np.arange(a, b + 1) for a, b in rows]))
    assert sl.dtype == samp.dtype == np.int64 and samp.ndim == 1


@pytest.mark.parametrize("table", [[[1, 1000]], [[100, 950]]])
def test_nothing_survives_gives_two_empty_0x2_arrays(table):
    assert all(a.shape == (0, 2) and a.dtype == np.int64 for a in segmask([table], 0, 1000))


def test_output_index_as_python_indexes():
    tables = ([[-1, -1]], [[200, 300]])
    np.testing.assert_array_equal(segmask(tables, -1, 1000)[0], segmask(list(tables), 1, 1000)[0])
    with pytest.raises(IndexError):
        segmask(tables, 2, 1000)


@pytest.mark.parametrize("table, error, message", [
    ([], AssertionError, "^SliceInd must be a matrix$"),
    ([1, 2], AssertionError, "^SliceInd must be a matrix$"),
    ([[1, 2, 3]], AssertionError, "^SliceInd must have two columns$"),
    ([[np.nan, 2]], ValueError, None),
    ([[-1, -1]], TypeError, None),   # with N = 100.0
])
def test_failures(table, error, message):
    with pytest.raises(error, match=message):
        segmask([table], 0, 100.0 if error is TypeError else 100)


def test_without_assertions_the_unchecked_code_fails_safely():
    code = ("from vantrelpid.tools.segmask import segmask\n"
            "for table in ([1, 2], [[100, 300, 9], [-1, -1, 0]], [[100]]):\n"
            "    try:\n        print(segmask([table], 0, 1000)[0].tolist())\n"
            "    except IndexError as e:\n        print('IndexError', e)\n")
    out = subprocess.run([sys.executable, "-O", "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.splitlines() == ["IndexError too many indices for array: array is 1-dimensional, but 2 were indexed",
                                "[[301, 1000]]", "IndexError index 1 is out of bounds for axis 1 with size 1"]


class TestEntriesAtTheEndsOfInt64:
    """Gap arithmetic holds for every int64 entry; float tables convert entry by entry, as lists do."""

    @pytest.mark.parametrize("table, rows", [
        ([[200, 300], [-2**63, -1]], [[1, 199], [0, 1000]]),      # no gap before -2**63; tail from 0
        ([[-2**63, 2**63 - 1]], np.zeros((0, 2))),
    ])
    def test_slices(self, table, rows):
        np.testing.assert_array_equal(segmask([table], 0, 1000)[0], np.reshape(rows, (-1, 2)))

    @pytest.mark.parametrize("table", [
        [[200, 300], [2**63 - 1, 5]],            # a gap of 2**63 - 302 samples
        [[2**63 - 1, 2**63 - 1]],                # a head of 2**63 - 2
        [[-2**62, -2**62 + 1], [2**62, 2**62]],  # the lengths' sum exceeds int64
        [[-2**63, -2**63], [2**63 - 1, 2**63 - 1]],  # a gap between the ends of int64
    ])
    def test_selection_beyond_memory_raises_memory_error(self, table):
        with pytest.raises(MemoryError):
            segmask([table], 0, 1000)

    @pytest.mark.parametrize("table, error, message", [
        ([[200.0, 300.0], [np.nan, -1.0]], ValueError, "cannot convert float NaN to integer"),
        ([[np.nan, -1.0]], ValueError, "cannot convert float NaN to integer"),
        ([[200.0, np.inf]], OverflowError, "cannot convert float infinity to integer"),
        ([[200.0, 300.0], [-np.inf, 5.0]], OverflowError, "cannot convert float infinity to integer"),
        ([[200.0, 1e300]], OverflowError, "Python int too large to convert to C long"),
    ])
    @pytest.mark.parametrize("as_array", [False, True])
    def test_non_finite_float_entries_raise_as_in_a_list(self, table, error, message, as_array):
        tables = [np.array(table) if as_array else table]
        with untouched(tables), pytest.raises(error, match=f"^{message}$"):
            segmask(tables, 0, 1000)
