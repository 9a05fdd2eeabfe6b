"""Butterworth designs and the high-pass filters of the utility layer,
against scipy.signal.butter and lfilter."""

import math

import numpy as np
import pytest
from scipy import signal

from references import BUTTER_TAN_ULP, BUTTER_ULP
from vantrelpid import _utilities as u

DESIGNS = {"low": u.buttfilt, "high": u.buttfilthi}

# The cut-offs the modules use, then a spread of others.
CALLER_CUTOFFS = [(4, 0.002, "high"), (4, 0.003, "high"), (4, 0.001, "high"), (6, 0.1, "low")]
GRID_CUTOFFS = np.concatenate([[1e-5, 0.0005, 0.001, 0.002, 0.003, 0.01, 0.1, 0.25, 0.5, 0.75, 0.99],
                               np.random.default_rng(7).uniform(0, 1, 40)])


def ulp_distance(x, ref):
    x, ref = np.asarray(x), np.asarray(ref)
    diff = np.abs(x - ref)
    return np.where(diff == 0, 0.0, diff / np.spacing(np.maximum(np.abs(x), np.abs(ref))))


def same_tan(wc):
    x = np.pi * np.asarray(wc) / 2.0
    return float(np.tan(x)) == math.tan(float(x))


class TestButterworth:
    @pytest.mark.parametrize("btype", ["low", "high"])
    @pytest.mark.parametrize("order", range(1, 10))
    def test_coefficients_match_scipy(self, order, btype):
        for wc in GRID_CUTOFFS:
            b, a = DESIGNS[btype](order, wc)
            rb, ra = signal.butter(order, wc, btype)
            assert b.shape == a.shape == (order + 1,) and b.dtype == a.dtype == np.float64
            if same_tan(wc):
                assert ulp_distance(b, rb).max() <= BUTTER_ULP, wc
                assert ulp_distance(a, ra).max() <= BUTTER_ULP, wc
            else:
                np.testing.assert_allclose(b, rb, rtol=0, atol=BUTTER_TAN_ULP * np.abs(rb).max())
                np.testing.assert_allclose(a, ra, rtol=0, atol=BUTTER_TAN_ULP * np.abs(ra).max())

    @pytest.mark.parametrize("order, wc, btype", CALLER_CUTOFFS)
    def test_callers_cutoffs_are_bit_for_bit(self, order, wc, btype):
        b, a = DESIGNS[btype](order, wc)
        rb, ra = signal.butter(order, wc, btype)
        np.testing.assert_array_equal(b, rb)
        np.testing.assert_array_equal(a, ra)

    def test_slow_highpass_is_as_ill_conditioned_as_expected(self):
        # The denominator of the 4th-order high-pass at 0.002 nearly vanishes
        # at z = 1: the reason the design must follow scipy's operation order.
        _, a = u.buttfilthi(4, 0.002)
        assert 1e-9 < a.sum() < 2e-9

    def test_order_zero_is_a_unit_gain(self):
        for design in DESIGNS.values():
            b, a = design(0, 0.3)
            np.testing.assert_array_equal(b, [1.0])
            np.testing.assert_array_equal(a, [1.0])

    @pytest.mark.parametrize("wc", [0.0, 1.0, -0.2, 1.5, float("nan")])
    def test_cutoff_outside_nyquist_band(self, wc):
        for design in DESIGNS.values():
            with pytest.raises(ValueError, match=r"^Digital filter critical frequencies must be 0 < Wn < 1$"):
                design(4, wc)

    def test_bad_orders(self):
        with pytest.raises(ValueError, match="^Filter order must be a nonnegative integer$"):
            u.buttfilthi(-1, 0.1)
        with pytest.raises(TypeError):
            u.buttfilt(4.5, 0.1)


class TestHipass:
    @pytest.fixture
    def records(self):
        rng = np.random.default_rng(11)
        return rng.standard_normal((3000, 3)).cumsum(axis=0) + 50.0

    @pytest.mark.parametrize("call, wc", [
        (lambda x: u.hipass(x, 0.002), 0.002),
        (lambda x: u.hipass(x, 0.003), 0.003),
        (lambda x: u.hipass(x, wc=0.05), 0.05),
        (lambda x: u.hipass(x), 0.003),        # the default cut-off
        (lambda x: u.hipass001(x), 0.001),
    ])
    def test_fourth_order_butterworth_from_rest(self, records, call, wc):
        b, a = signal.butter(4, wc, "high")
        expected = signal.lfilter(b, a, records, axis=0)
        copy = records.copy()
        out = call(records)
        np.testing.assert_array_equal(out, expected)
        assert out.shape == records.shape and out.dtype == np.float64
        np.testing.assert_array_equal(records, copy)
        # One-dimensional records stay one-dimensional.
        np.testing.assert_array_equal(call(records[:, 1]), expected[:, 1])
        assert call(records[:, 1]).shape == (len(records),)
        np.testing.assert_array_equal(call(records[:, :1]), expected[:, :1])

    def test_any_memory_layout(self, records):
        expected = signal.lfilter(*signal.butter(4, 0.002, "high"), records, axis=0)
        np.testing.assert_array_equal(u.hipass(np.asfortranarray(records), 0.002), expected)
        np.testing.assert_array_equal(u.hipass(records[:, ::2], 0.002), expected[:, ::2])
        np.testing.assert_array_equal(u.hipass(records[::-1, 1], 0.002),
                                      signal.lfilter(*signal.butter(4, 0.002, "high"), records[::-1, 1]))

    def test_removes_a_constant_level(self, records):
        out = u.hipass(np.full(20000, 7.0), 0.05)
        assert abs(out[-1]) < 1e-9

    def test_integer_records_are_filtered_as_floats(self):
        x = np.arange(40).reshape(20, 2)
        np.testing.assert_array_equal(u.hipass(x, 0.1), signal.lfilter(*signal.butter(4, 0.1, "high"), x, axis=0))

    def test_empty_record(self):
        assert u.hipass(np.zeros((0, 2))).shape == (0, 2)

    def test_bad_arguments(self):
        with pytest.raises(ValueError, match="^x must be a one- or two-dimensional array, not 3-dimensional$"):
            u.hipass(np.zeros((4, 2, 2)))
        with pytest.raises(ValueError, match="critical frequencies"):
            u.hipass(np.zeros(10), 1.2)
