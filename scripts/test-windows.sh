#!/usr/bin/env bash
# The Windows pass: cross-builds the program and its tests
# (scripts/build-windows.sh) and runs them under wine64, headless, with a
# Wine prefix of its own in build-windows/wine/
# (scripts/windows/run-wine-tests.py). Exit status is non-zero when a build
# or a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
steps_log build-windows/test-setup.log
echo "fieldsync Windows tests: the output of installing and building goes to build-windows/test-setup.log"
step "Cross-building the Windows program and its tests" \
  "first time about 15 minutes on 2 cores" bash scripts/build-windows.sh
python3 scripts/windows/run-wine-tests.py build-windows .
