import importlib
import pathlib
import re

import pytest

import vantrelpid

ROOT = pathlib.Path(__file__).resolve().parents[2]


def built_modules():
    text = (ROOT / "bindings" / "CMakeLists.txt").read_text()
    names = []
    for listname, package in (("VANTRELPID_PACKAGE_MODULES", "vantrelpid"),
                              ("VANTRELPID_TOOLS_MODULES", "vantrelpid.tools")):
        body = re.search(rf"set\({listname}\n(.*?)\)", text, re.S).group(1)
        for line in body.splitlines():
            line = line.split("#")[0].strip()
            if line:
                names.append(f"{package}.{line}")
    return names


@pytest.mark.parametrize("name", built_modules() + ["vantrelpid._utilities"])
def test_every_built_module_imports_with_its_function(name):
    module = importlib.import_module(name)
    short = name.rsplit(".", 1)[1]
    if not short.startswith("_") and short != "callstash":
        assert callable(getattr(module, short))


def test_version():
    assert re.fullmatch(r"\d+\.\d+\.\d+", vantrelpid.__version__)
