"""d_data: differences of integrating records against numpy.diff."""

import numpy as np
import pytest

from vantrelpid._utilities import d_data


def reference(Y):
    d = np.diff(Y, axis=0)
    return np.concatenate([d[:1], d], axis=0)


class TestDData:
    @pytest.mark.parametrize("shape, flag", [((50,), 1), ((50, 1), 1.0), ((50, 3), True), ((2, 2), np.int64(1))])
    def test_integrating_records_are_differenced(self, shape, flag):
        Y = np.cumsum(np.random.default_rng(1).standard_normal(shape), axis=0)
        d = d_data(Y, flag)
        assert d.shape == Y.shape and d.dtype == np.float64
        np.testing.assert_array_equal(d, reference(Y))
        np.testing.assert_array_equal(d[0], d[1])

    @pytest.mark.parametrize("flag", [0, 2, 1.5, False])
    def test_other_records_come_back_as_copies(self, flag):
        Y = np.arange(12.0).reshape(6, 2)
        d = d_data(Y, flag)
        np.testing.assert_array_equal(d, Y)
        d[0, 0] = -1.0
        assert Y[0, 0] == 0.0

    @pytest.mark.parametrize("Y, expected", [(np.array([5.0]), np.array([0.0])),
                                             (np.array([[5.0, 7.0]]), np.array([[0.0, 0.0]])),
                                             (np.zeros((0, 2)), np.zeros((0, 2)))])
    def test_records_too_short_for_a_difference(self, Y, expected):
        np.testing.assert_array_equal(d_data(Y, 1), expected)
        assert d_data(Y, 1).shape == Y.shape

    @pytest.mark.parametrize("Y, error", [(np.array([1j, 2j]), TypeError), (np.zeros((2, 2, 2)), ValueError)])
    def test_bad_records(self, Y, error):
        with pytest.raises(error):
            d_data(Y, 1)
