import subprocess
import sys

import numpy as np
import pytest

from vantrelpid.tools.segmask import segmask


def selection(table, N):
    return segmask([table], 0, N)


def expected_samples(rows):
    return np.concatenate([np.arange(a, b + 1) for a, b in rows])


class TestSelection:
    @pytest.mark.parametrize("table", [[[-1, -1]], [[-1, -1], [-1, -1]], np.zeros((0, 2), dtype=int)])
    @pytest.mark.parametrize("N", [1000, 50])
    def test_table_without_deselected_rows_selects_the_whole_record(self, table, N):
        sl, samp = selection(table, N)
        np.testing.assert_array_equal(sl, [[1, N]])
        np.testing.assert_array_equal(samp, np.arange(1, N + 1))
        assert sl.dtype == np.int64 and samp.dtype == np.int64 and samp.ndim == 1

    @pytest.mark.parametrize(
        "table, N, rows",
        [
            ([[200, 300], [-1, -1]], 1000, [[1, 199], [301, 1000]]),
            ([[144, 300]], 1000, [[1, 143], [301, 1000]]),       # a head of 143 samples is kept
            ([[143, 300]], 1000, [[301, 1000]]),                 # one of 142 is dropped
            ([[1, 300]], 1000, [[301, 1000]]),                   # no head
            ([[500, 1200]], 1000, [[1, 499]]),                   # no tail
            ([[100, 300], [-1, -1], [500, 700]], 1000, [[301, 1000]]),  # rows after padding ignored
            ([[500, 600], [100, 200]], 1000, [[1, 499], [201, 1000]]),  # out of order
            ([[100, 200], [1500, 1600]], 1000, [[201, 1499]]),   # entries beyond N used as they stand
            ([[100, 200], [201, 300], [600, 800]], 1000, [[301, 599], [801, 1000]]),  # adjacent rows: empty gap removed
        ],
    )
    def test_complement_and_length_filter(self, table, N, rows):
        sl, samp = selection(table, N)
        np.testing.assert_array_equal(sl, rows)
        np.testing.assert_array_equal(samp, expected_samples(rows))
        assert sl.shape == (len(rows), 2)

    def test_out_of_order_rows_repeat_samples(self):
        _, samp = selection([[500, 600], [100, 200]], 1000)
        assert len(samp) == 499 + 800
        assert np.count_nonzero(samp == 300) == 2

    @pytest.mark.parametrize("table, N", [([[1, 1000]], 1000), ([[100, 950]], 1000)])
    def test_nothing_survives_gives_two_empty_0x2_arrays(self, table, N):
        sl, samp = selection(table, N)
        assert sl.shape == (0, 2) and samp.shape == (0, 2)
        assert sl.dtype == np.int64 and samp.dtype == np.int64

    def test_fractional_entries_truncate_and_k_indexes_like_python(self):
        tables = [[[-1, -1]], [[200.9, 300.2]]]
        sl, _ = segmask(tables, -1, 1000)
        np.testing.assert_array_equal(sl, [[1, 199], [301, 1000]])
        sl_t, _ = segmask(tuple(tables), 1, 1000)
        np.testing.assert_array_equal(sl_t, sl)

    def test_caller_table_unchanged(self):
        table = np.array([[200, 300], [-1, -1]])
        before = table.copy()
        segmask([table], 0, 1000)
        np.testing.assert_array_equal(table, before)


class TestFailures:
    @pytest.mark.parametrize("table, message", [
        ([], "SliceInd must be a matrix"),
        ([1, 2], "SliceInd must be a matrix"),
        ([[1, 2, 3]], "SliceInd must have two columns"),
        ([[1]], "SliceInd must have two columns"),
    ])
    def test_assertions(self, table, message):
        with pytest.raises(AssertionError, match=f"^{message}$"):
            segmask([table], 0, 100)

    def test_missing_output_and_bad_values_raise_pythons_errors(self):
        with pytest.raises(IndexError):
            segmask([[[-1, -1]]], 1, 100)
        with pytest.raises(ValueError):
            segmask([[[np.nan, 2]]], 0, 100)
        with pytest.raises(TypeError):
            segmask([[[-1, -1]]], 0, 100.0)

    def test_without_assertions_the_unchecked_code_fails_safely(self):
        code = (
            "import numpy as np\n"
            "from vantrelpid.tools.segmask import segmask\n"
            "try:\n"
            "    segmask([[1, 2]], 0, 100)\n"
            "except IndexError as e:\n"
            "    print('IndexError', e)\n"
            "sl, s = segmask([[[100, 300, 9], [-1, -1, 0]]], 0, 1000)\n"
            "print(sl.tolist())\n"
            "try:\n"
            "    segmask([[[100]]], 0, 1000)\n"
            "except IndexError as e:\n"
            "    print('IndexError', e)\n"
        )
        out = subprocess.run([sys.executable, "-O", "-c", code], capture_output=True, text=True, check=True).stdout
        lines = out.splitlines()
        assert lines[0] == "IndexError too many indices for array: array is 1-dimensional, but 2 were indexed"
        assert lines[1] == "[[301, 1000]]"
        assert lines[2] == "IndexError index 1 is out of bounds for axis 1 with size 1"
