import math
import random
import subprocess
import sys

import numpy as np
import pytest

from conftest import untouched
from vantrelpid._utilities import vendor_calculate
from vantrelpid.vendorforms import VendorForms
from vendorforms_reference import TABLE, ReferenceForms

ARGS = ("p", "i", "d", "np", "ni", "nd", "oprange", "sprange", "piOnly", "unit")
BASE = dict(p=2.0, i=120, d=30, np=2.0, ni=120, nd=30, oprange=100.0, sprange=50.0, piOnly=False, unit="sec")
# The facade's chain: interacting [5/6, 10, 1.0000000000000004], non-interacting [11/12, 11, 10/11].
CHAIN = dict(p=5 / 6, i=10, d=1.0000000000000004, np=11 / 12, ni=11, nd=10 / 11, oprange=100, sprange=50,
             piOnly=False, unit="sec")
PUBLIC = lambda cls: [k for k in vars(cls) if not k.startswith("__")]   # noqa: E731
METHODS = PUBLIC(ReferenceForms)[1:-1]   # the 18 forms in the class's order, between the two lookups


def call(name, **changes):
    return VendorForms().calculate(name, **{**BASE, **changes})


def form(method, **changes):
    return getattr(VendorForms(), method)(**{**BASE, **changes})


class StrSubclass(str):
    pass


class TestTable:
    def test_the_33_names_in_order_with_their_codes(self):
        forms = VendorForms()
        assert list(forms.adapters) == list(TABLE) and len(TABLE) == 33
        assert [forms.get_controller_type(name) for name in TABLE] == [code for _, code in TABLE.values()]

    def test_each_name_calls_its_bound_method(self):
        forms = VendorForms()
        for name, (method, _) in TABLE.items():
            adapter = forms.adapters[name]
            assert adapter.__self__ is forms and adapter.__name__ == method
            assert adapter(*CHAIN.values()) == getattr(forms, method)(*CHAIN.values())

    def test_class_shape_methods_keywords_and_argument_errors(self):
        assert VendorForms.__bases__ == (object,)
        assert PUBLIC(VendorForms) == ["get_controller_type", *METHODS, "calculate"] == PUBLIC(ReferenceForms)
        forms = VendorForms()
        assert forms.calculate(dcstype="Matlab Ideal(Discrete)", **CHAIN) == \
            forms.calculate("Matlab Ideal(Discrete)", *CHAIN.values())
        for bad in [lambda: forms.Siemens_S7_200(*list(CHAIN.values())[:9]),
                    lambda: forms.Siemens_S7_200(**CHAIN, extra=1),
                    lambda: forms.Siemens_S7_200(1, **CHAIN),
                    lambda: forms.calculate("Foxboro int", *CHAIN.values(), 0),
                    lambda: forms.get_controller_type(),
                    lambda: VendorForms(1)]:
            with pytest.raises(TypeError):
                bad()

    def test_tables_are_separate_and_editable(self):
        a, b = VendorForms(), VendorForms()
        assert a.adapters is not b.adapters
        del a.adapters["Foxboro int"]
        a.adapters["Mine"] = lambda *args: {"pname": "G", "pv": 1, "iname": "T", "iv": 2, "dname": "D", "dv": 3}
        assert a.calculate("Foxboro int", **CHAIN) is None and b.calculate("Foxboro int", **CHAIN) is not None
        with pytest.raises(ValueError, match="^Controller type 'Foxboro int' not supported.$"):
            a.get_controller_type("Foxboro int")
        assert a.calculate("Mine", **CHAIN)["pidstr"] == "G = 1 \nT = 2 \nD = 3"
        assert a.calculate("Mine", **CHAIN)["latex"] == ""
        assert a.get_controller_type("Mine") is None  # in the table, in no group
        assert b.get_controller_type("Foxboro int") == "Fox Int"

    @pytest.mark.parametrize("name", ["Foo", "abb bailey classical", "ABB Bailey classical ", " ABB Bailey classical",
                                      "ABB  Bailey classical", "Supcon D on PV", "Matlab Ideal (Discrete)", ""])
    def test_unknown_name_raises_value_error_with_the_name(self, name):
        with pytest.raises(ValueError) as error:
            VendorForms().get_controller_type(name)
        assert str(error.value) == "Controller type '" + name + "' not supported."
        assert VendorForms().calculate(name, **CHAIN) is None

    @pytest.mark.parametrize("value", [None, 3, 2.5, b"Foxboro int", StrSubclass("Foxboro int"), ["Foxboro int"]])
    def test_get_controller_type_wants_exactly_a_str(self, value):
        with pytest.raises(TypeError):
            VendorForms().get_controller_type(value)

    def test_calculate_returns_none_for_non_keys_and_raises_for_unhashables(self):
        forms = VendorForms()
        for value in [None, 3, 2.5, ("Foxboro int",), b"Foxboro int"]:
            assert forms.calculate(value, **CHAIN) is None
        assert forms.calculate(StrSubclass("Foxboro int"), **CHAIN) == forms.calculate("Foxboro int", **CHAIN)
        with pytest.raises(TypeError, match="unhashable"):
            forms.calculate(["Foxboro int"], **CHAIN)

    def test_import_loads_nothing_else_and_objects_are_collected(self):
        script = ("import gc, sys, vantrelpid; before = set(sys.modules); import vantrelpid.vendorforms as m\n"
                  "new = set(sys.modules) - before  # the standard library's own lazy imports aside\n"
                  "print(sorted(n for n in new if n.split('.')[0] not in sys.stdlib_module_names),\n"
                  "      [k for k in vars(m) if not k.startswith('__')])\n"
                  "objs = [m.VendorForms() for _ in range(100)]; del objs; gc.collect()\n"
                  "print(sum(type(o) is m.VendorForms for o in gc.get_objects()))")
        out = subprocess.run([sys.executable, "-c", script], check=True, capture_output=True, text=True)
        assert out.stdout.splitlines() == ["['vantrelpid.vendorforms'] ['VendorForms']", "0"]
        assert out.stderr == ""  # no leak report at exit


class TestForms:
    @pytest.mark.parametrize("method, changes, expected", [
        ("Bailey_classical", {}, {"pv": "2.000/K", "iv": "0.500  m [reset/min]", "dv": "0.500  m [min]"}),
        ("Bailey_classical", {"piOnly": True}, {"dv": "0  m [min]"}),
        ("Bailey_classical", {"unit": "min", "i": 2}, {"iv": "0.500  min [reset/min]"}),
        ("Bailey_non_int", {}, {"pv": "2.000/K", "iv": "1.000  m /K[reset/min]", "dv": "1.000  m /K[min]"}),
        ("Bailey_non_int", {"piOnly": True}, {"dv": "0  m /K[min]"}),
        ("Honeywell_int_A", {}, {"pv": "1.000", "iv": "0.500  m", "dv": "0.500  m"}),
        ("Honeywell_int_A", {"piOnly": True}, {"dv": "0  m"}),
        ("Honeywell_nonint_A", {}, {"pv": "1.000", "iv": "2.000  m", "dv": "0.500  m"}),
        ("DeltaV_Series_PID_on_E", {}, {"iv": "120.000 sec"}),
        ("DeltaV_Series_PID_on_E", {"piOnly": True}, {"dv": "0 sec"}),
        ("Yokogawa_Centum_PID", {}, {"pv": "100.000"}),
        ("Supcon_Standard", {"ni": 120.0, "nd": 30.0, "unit": None},
         {"pv": "1.000", "iv": "600.000 0.1Sec", "dv": "600.000 0.1Sec"}),
        ("Supcon_Standard", {"piOnly": True}, {"dv": "0 0.1Sec"}),
        ("Supcon_Standard", {"np": -2.0}, {"pv": "-1.000", "iv": "600.000 0.1Sec", "dv": "600.000 0.1Sec"}),
        ("Supcon_FW247", {}, {"iv": "1200.000 sec", "dv": "300.000 sec"}),
        ("Matlab_Parallel", {"np": 2.0, "ni": 4.0, "nd": 0.5}, {"pv": "2.000", "iv": "0.500 sec", "dv": "1.000 sec"}),
        ("Matlab_Ideal", {"np": 2.0, "ni": 4.0, "nd": 0.5}, {"iv": "0.250 sec", "dv": "0.500 sec"}),
    ])
    def test_worked_examples(self, method, changes, expected):
        result = form(method, **changes)
        assert {k: result[k] for k in expected} == expected

    @pytest.mark.parametrize("unit, converted", [("sec", True), ("s", True), ("Sec", True), ("SECONDS", True),
                                                 ("min", False), ("", False), ("msec", False), (" sec", False)])
    def test_minute_rule(self, unit, converted):
        iv = form("Honeywell_nonint_A", unit=unit)["iv"]
        assert iv == ("2.000  m" if converted else "120.000  " + unit)

    def test_unit_is_shown_as_its_text_except_under_the_minute_rule(self):
        assert form("Siemens_S7_200", unit=5)["iv"] == "120.000 5"
        assert form("Siemens_S7_200", unit=("sec",), piOnly=True)["dv"] == "0 sec"  # "0 %s" % unit, as Python does
        with pytest.raises(AttributeError):
            form("Bailey_classical", unit=5)

    @pytest.mark.parametrize("method", METHODS)
    def test_each_method_reads_only_its_set_and_ranges(self, method):
        interacting = method in {"Bailey_classical", "DeltaV_Series_PID_on_E", "Honeywell_int_A", "Interacting_A",
                                 "Foxboro_int"}
        ranged = method in {"Honeywell_int_A", "Honeywell_nonint_A", "Yokogawa_Centum_PID", "Foxboro_int",
                            "Foxboro_non_int", "Supcon_ECS700"}
        unread = dict.fromkeys(["np", "ni", "nd"] if interacting else ["p", "i", "d"])
        if not ranged:
            unread.update(oprange=None, sprange=None)
        assert form(method, **unread) == ReferenceForms().adapters[
            next(n for n, (m, _) in TABLE.items() if m == method)](**{**BASE, **unread})


class TestCalculate:
    @pytest.mark.parametrize("name, pv, iv, dv", [
        ("ABB Bailey classical", "0.833/K", "6.000  m [reset/min]", "0.017  m [min]"),
        ("ABB Bailey non-int", "0.917/K", "5.000  m /K[reset/min]", "0.014  m /K[min]"),
        ("Honeywell int B", "0.417", "6.000  m", "0.017  m"),
        ("Honeywell non-int C", "0.458", "0.183  m", "0.015  m"),
        ("Yokogawa Centum I-PD", "218.182", "11.000 sec", "0.909 sec"),
        ("Foxboro int", "240.000", "10.000 sec", "1.000 sec"),
        ("Supcon D On PV", "0.458", "120.000 0.1Sec", "8.333 0.1Sec"),
        ("Supcon FW247", "0.917", "110.000 sec", "9.091 sec"),
        ("Matlab Parallel(Discrete)", "0.917", "0.083 sec", "0.833 sec"),
        ("Matlab Ideal(Discrete)", "0.917", "0.091 sec", "0.909 sec"),
    ])
    @pytest.mark.parametrize("number", [float, np.float64])
    def test_facade_chain(self, name, pv, iv, dv, number):
        values = {k: number(v) if k not in ("piOnly", "unit") else v for k, v in CHAIN.items()}
        result = VendorForms().calculate(name, **values)
        assert (result["pv"], result["iv"], result["dv"]) == (pv, iv, dv)

    @pytest.mark.parametrize("piOnly, zero", [(0, False), (None, False), ("", False), (False, False), ([], False),
                                              (1, True), (True, True), ("no", True), ([0], True)])
    def test_pi_only_truth_puts_the_non_interacting_values_in_place(self, piOnly, zero):
        result = VendorForms().calculate("Interacting A", **{**BASE, "p": 7.0, "d": 3, "piOnly": piOnly})
        assert (result["pv"], result["dv"]) == (("2.000", "0 sec") if zero else ("7.000", "3.000 sec"))


class TestSemantics:
    @pytest.mark.parametrize("name, changes", [
        ("ABB Bailey classical", {"i": 0}), ("ABB Bailey non-int", {"ni": 0.0}), ("Honeywell int A", {"i": 0}),
        ("Honeywell int A", {"oprange": 0}), ("Honeywell non-int A", {"oprange": 0.0}),
        ("Yokogawa Centum PID", {"np": 0}), ("Yokogawa Centum PID", {"sprange": 0.0}), ("Foxboro int", {"p": 0.0}),
        ("Foxboro non-int", {"oprange": 0}), ("Supcon ECS-700", {"np": -0.0}), ("Supcon Standard", {"np": 0}),
        ("Matlab Parallel(Discrete)", {"ni": 0}), ("Matlab Ideal(Discrete)", {"ni": False}),
    ])
    def test_zero_divisors_raise_for_python_numbers_and_follow_numpy_for_numpy_scalars(self, name, changes):
        with pytest.raises(ZeroDivisionError):
            call(name, **changes)
        (key, value), = changes.items()
        numpy_changes = {key: np.float64(value)}
        with np.errstate(all="ignore"):
            result = call(name, **numpy_changes)
            assert result == ReferenceForms().calculate(name, **{**BASE, **numpy_changes})
        assert any(text.startswith(("inf", "-inf", "nan", "0.000")) for text in (result["pv"], result["iv"]))

    @pytest.mark.parametrize("changes, pv", [
        ({"oprange": np.float64(0)}, "0.000"),  # 100 / inf
        ({"np": -math.nan}, "nan"), ({"np": np.float64(-np.nan)}, "nan"), ({"sprange": np.float64(np.inf)}, "0.000"),
        ({"np": np.float64(0)}, "inf"), ({"np": np.float64(-0.0)}, "-inf"),
    ])
    def test_numpy_rules_in_the_band(self, changes, pv):
        with np.errstate(all="ignore"):
            assert call("Yokogawa Centum PID", **changes)["pv"] == pv

    @pytest.mark.parametrize("np_value, pv", [(-1e-9, "-0.000"), (-0.0, "-0.000"), (2.0005, "2.001"), (True, "1.000"),
                                              (2, "2.000"), (-math.nan, "nan"), (-math.inf, "-inf"),
                                              (np.float32(0.1), "0.100"), (0.0625, "0.062"),
                                              (-1.7976931348623157e308, format(-1.7976931348623157e308, ".3f"))])
    def test_formatting(self, np_value, pv):
        assert call("Siemens S7-200", np=np_value)["pv"] == pv
        if not isinstance(np_value, np.float32):  # the double path formats the same double alike
            assert vendor_calculate("Siemens S7-200", **{**BASE, "np": float(np_value)})["pv"] == pv

    def test_ints_stay_exact(self):
        # 10 * (2**53 + 1) is exact as an int and formats from its nearest double: a double product gives ...920.
        assert call("Supcon FW247", ni=2**53 + 1)["iv"] == "90071992547409936.000 sec"
        assert call("Supcon FW247", ni=np.int64(2**53 + 1))["iv"] == "90071992547409936.000 sec"

    def test_against_the_reference_and_the_double_path_on_random_arguments(self):
        # Every name in turn, with mixed ints, floats and numpy scalars through the binding; the same values as
        # numpy float64 through the binding and the double path. All must give the reference's dictionary, key
        # order, formulas and pidstr included.
        rng = random.Random(16)
        forms, reference = VendorForms(), ReferenceForms()
        items = lambda result: list(result.items())  # noqa: E731
        with untouched(), np.errstate(all="ignore"):
            for case in range(400):
                name = list(TABLE)[case % len(TABLE)]
                kinds = [int, float, np.float64, np.int64] + [np.float32] * (case % 4 == 0)
                values = {}
                for key in ARGS[:8]:
                    kind = rng.choice(kinds)
                    magnitude = rng.choice([0, 0.5, 1, 60, 1000]) if rng.random() < 0.1 else 10 ** rng.uniform(-3, 3)
                    value = rng.choice([1, -1]) * magnitude
                    values[key] = kind(round(value) if kind in (int, np.int64) else value)
                values["piOnly"] = rng.choice([0, 1, True, False, None, "x"])
                values["unit"] = rng.choice(["sec", "min", "s", "Sec", "h"])
                try:
                    expected = reference.calculate(name, **values)
                except ZeroDivisionError:
                    with pytest.raises(ZeroDivisionError):
                        forms.calculate(name, **values)
                else:
                    assert items(forms.calculate(name, **values)) == items(expected)
                as64 = {**values, **{k: np.float64(values[k]) for k in ARGS[:8]}}
                expected = reference.calculate(name, **as64)
                assert items(forms.calculate(name, **as64)) == items(expected)
                double = {**{k: float(as64[k]) for k in ARGS[:8]}, "piOnly": bool(values["piOnly"]),
                          "unit": values["unit"]}
                assert items(vendor_calculate(name, **double)) == items(expected)
        assert vendor_calculate("Foo", *BASE.values()) is None
