"""Type stubs of the extension modules, made by nanobind's stub generator.

    python3 .ci/stubs.py           write src/vantrelpid/**/<module>.pyi and py.typed
    python3 .ci/stubs.py --check   fail when the committed stubs differ from fresh ones

The modules are imported from the installed package (they import their
sibling modules when they load), so install the package first. The module
names come from the two lists in bindings/CMakeLists.txt, as the import test
reads them, plus the private vantrelpid._utilities.
"""

import argparse
import filecmp
import os
import pathlib
import re
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]
PACKAGE = ROOT / "src" / "vantrelpid"


def modules():
    text = (ROOT / "bindings" / "CMakeLists.txt").read_text()
    lists = (("VANTRELPID_PACKAGE_MODULES", "vantrelpid"), ("VANTRELPID_TOOLS_MODULES", "vantrelpid.tools"))
    names = [f"{package}.{name}" for listname, package in lists
             for name in re.sub(r"#.*", "", re.search(rf"set\({listname}\n(.*?)\)", text, re.S).group(1)).split()]
    return names + ["vantrelpid._utilities"]


def generate(out: pathlib.Path) -> list:
    """Write one stub per module under `out` (laid out as the package) and py.typed; returns the paths."""
    paths = []
    for name in modules():
        path = out.joinpath(*name.split(".")[1:]).with_suffix(".pyi")
        path.parent.mkdir(parents=True, exist_ok=True)
        # Run outside the source tree, so that `vantrelpid` is the installed package.
        subprocess.run([sys.executable, "-m", "nanobind.stubgen", "-q", "-m", name, "-o", str(path)],
                       check=True, cwd=tempfile.gettempdir(), env=dict(os.environ, PYTHONSAFEPATH="1"))
        paths.append(path.relative_to(out))
    (out / "py.typed").write_text("")
    return paths + [pathlib.Path("py.typed")]


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", action="store_true", help="compare fresh stubs with the committed ones")
    args = parser.parse_args()
    if not args.check:
        generate(PACKAGE)
        return 0
    with tempfile.TemporaryDirectory() as tmp:
        fresh = pathlib.Path(tmp)
        stale = [str(p) for p in generate(fresh)
                 if not (PACKAGE / p).exists() or not filecmp.cmp(fresh / p, PACKAGE / p, shallow=False)]
    if stale:
        print("Stale type stubs (run python3 .ci/stubs.py):", *stale, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
