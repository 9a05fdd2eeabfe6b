#!/usr/bin/env bash
# Set up everything vantrelpid needs on a Debian machine, install it, and run
# the end-to-end example.
set -euo pipefail
cd "$(dirname "$0")/.."
SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
if [ ! -f /usr/include/eigen3/Eigen/Core ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq libeigen3-dev
fi
python3 -m pip install --quiet "nanobind>=3,<4" scikit-build-core ninja numpy scipy pytest
python3 -m pip install --quiet --no-build-isolation .
cd examples
python3 identify_loop.py
