import importlib
import pathlib
import re

import pytest


def built_modules():
    text = (pathlib.Path(__file__).resolve().parents[2] / "bindings" / "CMakeLists.txt").read_text()
    lists = (("VANTRELPID_PACKAGE_MODULES", "vantrelpid"), ("VANTRELPID_TOOLS_MODULES", "vantrelpid.tools"))
    return [f"{package}.{name}" for listname, package in lists
            for name in re.sub(r"#.*", "", re.search(rf"set\({listname}\n(.*?)\)", text, re.S).group(1)).split()]


@pytest.mark.parametrize("name", built_modules() + ["vantrelpid._utilities"])
def test_every_built_module_imports_with_its_function(name):
    module, short = importlib.import_module(name), name.rsplit(".", 1)[1]
    names = {"vendorforms": ("VendorForms",), "frontdesk": ("identify", "pidTuning")}.get(short, (short,))
    assert short.startswith("_") or short == "callstash" or all(callable(getattr(module, n)) for n in names)
