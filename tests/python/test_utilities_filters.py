# Butterworth designs and the high-pass filters of the utility layer, against
# scipy.signal.butter and lfilter.

import math

import numpy as np
import pytest
from scipy import signal

from conftest import untouched
from references import BUTTER_TAN_ULP, BUTTER_ULP
from vantrelpid import _utilities as u

DESIGNS = {"low": u.buttfilt, "high": u.buttfilthi}
CUTOFFS = np.r_[1e-5, 0.0005, 0.001, 0.002, 0.003, 0.01, 0.1, 0.25, 0.5, 0.75, 0.99,
                np.random.default_rng(7).uniform(0, 1, 40)]


def ulp_distance(x, ref):
    diff = np.abs(x - ref)
    return np.where(diff == 0, 0.0, diff / np.spacing(np.maximum(np.abs(x), np.abs(ref)))).max()


class TestButterworth:
    @pytest.mark.parametrize("btype", ["low", "high"])
    @pytest.mark.parametrize("order", range(0, 10))
    def test_coefficients_match_scipy(self, order, btype):
        for wc in CUTOFFS:
            ours, theirs = DESIGNS[btype](order, wc), signal.butter(order, wc, btype)
            for x, ref in zip(ours, theirs):
                assert x.shape == (order + 1,) and x.dtype == np.float64
                x_pi = np.pi * wc / 2.0
                if float(np.tan(x_pi)) == math.tan(x_pi):   # numpy's and the C library's tan agree
                    assert ulp_distance(x, ref) <= BUTTER_ULP, wc
                else:
                    np.testing.assert_allclose(x, ref, rtol=0, atol=BUTTER_TAN_ULP * np.abs(ref).max())


class TestHipass:
    records = np.random.default_rng(11).standard_normal((3000, 3)).cumsum(axis=0) + 50.0

    @pytest.mark.parametrize("call, wc", [
        (lambda x: u.hipass(x, 0.002), 0.002),
        (lambda x: u.hipass(x, wc=0.05), 0.05),
        (lambda x: u.hipass(x), 0.003),          # the default cut-off
        (lambda x: u.hipass001(x), 0.001),
    ])
    def test_fourth_order_butterworth_from_rest_column_by_column(self, call, wc):
        # Equal to the bit: the callers' cut-offs have scipy's coefficients exactly.
        expected = signal.lfilter(*signal.butter(4, wc, "high"), self.records, axis=0)
        with untouched(self.records):
            out = call(self.records)
        assert out.shape == self.records.shape and out.dtype == np.float64
        np.testing.assert_array_equal(out, expected)
        np.testing.assert_array_equal(call(self.records[:, 1]), expected[:, 1])     # 1-D stays 1-D
        np.testing.assert_array_equal(call(np.asfortranarray(self.records)), expected)
        np.testing.assert_array_equal(call(self.records[:, ::2]), expected[:, ::2])
