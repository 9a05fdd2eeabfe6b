"""Vendor forms benchmark: VendorForms.calculate for all 33 display names with
the facade's values, beside the plain-Python forms of the tests in the same run.

    python bench/vendorforms.py [--only NAME] [--no-memory]

The values are the facade chain's (interacting [5/6, 10, 1.0000000000000004],
non-interacting [11/12, 11, 10/11], spans 100 and 50, unit "sec"), once as
Python floats and once as numpy float64. The request case also builds the
object and maps the name to its code, as the facade does per request. Ratios
are the reference's time / ours; each time is the best of 20 after a warm-up.
"""

import os
import sys

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))
from harness import Case, main  # noqa: E402
from vendorforms_reference import TABLE, ReferenceForms  # noqa: E402

from vantrelpid.vendorforms import VendorForms  # noqa: E402

NAMES = list(TABLE)
CHAIN = (5 / 6, 10.0, 1.0000000000000004, 11 / 12, 11.0, 10 / 11, 100.0, 50.0)


def setup(number):
    def make():
        return tuple(number(v) for v in CHAIN)
    return make


def calculate_all(cls):
    def run(values):
        forms = cls()
        for name in NAMES:
            forms.calculate(name, *values, False, "sec")
    return run


def requests(cls):
    def run(values):
        for name in NAMES:
            forms = cls()
            forms.get_controller_type(name)
            forms.calculate(name, *values, False, "sec")
    return run


CASES = [
    Case("calculate x33, Python floats", setup(float), calculate_all(VendorForms), calculate_all(ReferenceForms), 20),
    Case("calculate x33, numpy float64", setup(np.float64), calculate_all(VendorForms), calculate_all(ReferenceForms),
         20),
    Case("request x33 (object, code, calculate), floats", setup(float), requests(VendorForms),
         requests(ReferenceForms), 20),
]

if __name__ == "__main__":
    main(CASES, __file__)
