#!/usr/bin/env bash
# The C++ tests and the Python test suite against a build with the address
# and undefined-behaviour sanitizers (float-to-integer casts included) and
# Eigen's assertions on (a Debug build, at -O1 to keep the suite's time
# reasonable). A memory error, an undefined operation or a failed assertion
# in our C++ aborts the run with a report. The core is built once for both.
#
#   tools/sanitized_checks.sh [pytest arguments]   (default: the whole suite)
#
# The interpreter is not built with the sanitizers: their runtime is
# preloaded, and leak detection is off (the interpreter leaks at exit).
# Failed allocations return to the caller (MemoryError) instead of aborting.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/sanitized
python=${PYTHON:-python3}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
      -DVANTRELPID_SANITIZE=ON -DVANTRELPID_PYTHON=ON -DVANTRELPID_CPP_TESTS=ON \
      -DPython_EXECUTABLE="$(command -v "$python")" >/dev/null
cmake --build "$build"

# Allocations above 4 GB fail as they would under the hostile-input tests' address-space cap.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:max_allocation_size_mb=4096
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build" --output-on-failure

# The package as it is installed: the Python files and the built modules.
site="$build/site"
rm -rf "$site"
cmake --install "$build" --prefix "$site" >/dev/null
cp -r src/vantrelpid/. "$site/vantrelpid/"

export VANTRELPID_SANITIZED=1   # the hostile-input runner then sets no address-space cap
LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)" \
PYTHONPATH="$PWD/$site" "$python" -m pytest -q -p no:cacheprovider "${@:-tests/python}"
