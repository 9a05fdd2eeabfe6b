import subprocess
import sys

import numpy as np
import pytest
import scipy.io

import vantrelpid
import vantrelpid.formswap
from conftest import untouched
from references import FORM_ROUND_TRIP
from vantrelpid.callstash import load_pickle_function
from vantrelpid.formswap import formswap


def random_noninteracting(n, seed):
    rng = np.random.default_rng(seed)
    Ti = rng.uniform(0.5, 100, n)
    return np.column_stack([rng.uniform(-5, 5, n), Ti, rng.uniform(0, 0.24, n) * Ti])


class TestConversion:
    @pytest.mark.parametrize("PID, Type, expected, kinds", [
        ([2, 10, 1], "nonint", [1 + np.sqrt(0.6), 5 * (1 + np.sqrt(0.6)), 5 * (1 - np.sqrt(0.6))], [np.float64] * 3),
        ([1, 4, 1], "nonint", [0.5, 2, 2], [np.float64] * 3),     # Td = Ti/4: a double root
        ([1, 4, 3], "nonint", [0.5, 2, 2], [np.float64] * 3),     # Td limited to Ti/4 first
        ((3, 7.5, 0), "nonint", [3, 7.5, 0], [np.float64] * 3),
        ([1, 2, 2], "int", [2.0, 4, 1.0], [float, int, float]),   # Python's arithmetic on the given numbers
        ([2.0, 10.0, 1.0], "int", [2.2, 11, 10 / 11], [float] * 3),
        (np.array([1, 2, 2]), "int", [2.0, 4, 1.0], [np.float64, np.int64, np.float64]),
        (list(np.array([2.0, 10.0, 1.0])), "int", [2.2, 11, 10 / 11], [np.float64] * 3),
        # numpy's promotion of a float32 with a Python float: float32 from numpy 2 on, float64 before
        ([np.float32(1), np.float32(4), np.float32(1)], "nonint", [0.5, 2, 2], [type(np.float32(1) * 0.25)] * 3),
    ])
    def test_examples_and_result_types(self, PID, Type, expected, kinds):
        with untouched(PID):
            PIDn = formswap(PID, Type)
        assert type(PIDn) is list and PIDn is not PID and [type(x) for x in PIDn] == kinds
        np.testing.assert_allclose(PIDn, expected, rtol=1e-15)   # a handful of operations on exact inputs

    def test_round_trips(self):
        for K, Ti, Td in random_noninteracting(50, 1):
            np.testing.assert_allclose(formswap(formswap([K, Ti, Td], "nonint"), "int"), [K, Ti, Td], rtol=FORM_ROUND_TRIP)
        for K, Ti, Td in random_noninteracting(50, 2):   # interacting parameters with Td' <= Ti'
            np.testing.assert_allclose(formswap(formswap([K, Ti, Td], "int"), "nonint"), [K, Ti, Td], rtol=FORM_ROUND_TRIP)

    def test_same_controller(self):
        s = np.array([0.01j, 0.3j, 1 + 2j, 5.0])
        for K, Ti, Td in random_noninteracting(20, 3):
            Kn, Tin, Tdn = formswap([K, Ti, Td], "nonint")
            np.testing.assert_allclose(K * (1 + 1 / (Ti * s) + Td * s), Kn * (1 + 1 / (Tin * s)) * (1 + Tdn * s),
                                       rtol=FORM_ROUND_TRIP)

    def test_python_floats_convert_as_python_computes(self):
        for K, Ti, Td in random_noninteracting(20, 4).tolist() + [[1.0, np.nan, 2.0], [1.0, np.inf, 1.0]]:
            assert str(formswap([K, Ti, Td], "int")) == str([K * (Ti + Td) / Ti, Ti + Td, Ti * Td / (Ti + Td)])


class TestFailures:
    @pytest.mark.parametrize("PID, Type, message", [
        ([1, 2], "unknown", "Number of PID parameters is not 3"),   # the length first
        ([1, 2, 3, 4], "int", "Number of PID parameters is not 3"),
        (np.ones(2), "nonint", "Number of PID parameters is not 3"),
        ([1, 2, 3], "Nonint", "Type unknown"),
        ([1, 2, 3], "INT", "Type unknown"),
        ([1, 2, 3], "", "Type unknown"),
    ])
    def test_messages(self, PID, Type, message):
        with pytest.raises(ValueError) as info:
            formswap(PID, Type)
        assert str(info.value) == message

    @pytest.mark.parametrize("PID, Type", [([1, 0, 1], "nonint"), ([1.0, 0.0, 0.0], "int"), ([1.0, -0.0, 1.0], "int"),
                                           ([1, 2, -2], "int"), ([1.0, 2.0, -2.0], "int")])
    def test_python_zero_divisor_raises(self, PID, Type):
        with pytest.raises(ZeroDivisionError):
            formswap(PID, Type)

    @pytest.mark.parametrize("PID, Type", [([1.0, 0.0, 1.0], "nonint"), ([1.0, 0.0, 0.0], "int")])
    def test_numpy_zero_divisor_gives_nan(self, PID, Type):
        with pytest.warns(RuntimeWarning):
            PIDn = formswap([np.float64(x) for x in PID], Type)
        assert np.isnan(PIDn).any()


class TestRecord:
    def test_inputs_recorded_before_the_checks(self, in_tmp_cwd, capsys):
        PID = np.array([1.0, 2.0])
        with pytest.raises(ValueError):
            formswap(PID, "int", export_file=1)
        record = load_pickle_function(str(in_tmp_cwd / "export" / "debug" / "p_formswap.pkl"))
        capsys.readouterr()
        assert list(record) == ["module", "version", "file_name", "function_name", "parameters"]
        assert list(record["parameters"]) == ["PID", "Type"]
        np.testing.assert_equal(record, dict(module="vantrelpid.formswap", version=vantrelpid.__version__,
                                             file_name=vantrelpid.formswap.__file__, function_name="formswap",
                                             parameters=dict(PID=PID, Type="int")))
        np.testing.assert_array_equal(scipy.io.loadmat(in_tmp_cwd / "export" / "debug" / "m_formswap.mat")["PID"], [PID])

    def test_nothing_written_without_the_flag(self, in_tmp_cwd):
        assert formswap([1, 2, 2], "int", export_file=[]) == [2.0, 4, 1.0]
        assert not (in_tmp_cwd / "export").exists()


@pytest.mark.parametrize("name", ["knobsmulti", "knobsfeed", "formswap"])
def test_import_loads_no_other_package_module(name):
    code = f"import sys, vantrelpid.{name}\nprint(sorted(m for m in sys.modules if m.startswith('vantrelpid')))"
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    assert out.strip() == str(["vantrelpid", f"vantrelpid.{name}"])
