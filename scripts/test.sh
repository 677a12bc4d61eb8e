#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (unit, integration and
# end-to-end), then runs them once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize.sh address, in build-asan/),
# where any sanitizer report fails the test that caused it.
# FIELDSYNC_SANITIZE_PASS=0 leaves the second pass out. Then the Windows pass
# (scripts/test-windows.sh: the cross-built program and its tests under
# wine64); FIELDSYNC_WINDOWS_PASS=0 leaves it out. Exit status is non-zero
# when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
steps_log build/test-setup.log
echo "fieldsync tests: the output of installing and building goes to build/test-setup.log"
step "Installing the Debian packages that building, running and testing need" \
  "first time about 10 minutes" bash scripts/install-deps.sh test
step "Building the program, the tests, the benchmarks and the fuzz replays" \
  "first time about 15 minutes on 2 cores" bash scripts/build.sh
# The database tests also run through a Firebird server on loopback.
fb_env=$(bash scripts/firebird-server.sh)
set -a; eval "$fb_env"; set +a
(cd build && ctest --output-on-failure --timeout 600 -j "$(nproc)")
if [ "${FIELDSYNC_SANITIZE_PASS:-1}" != 0 ]; then
  SANITIZE_JOBS=${SANITIZE_JOBS:-$(nproc)} bash scripts/sanitize.sh address all
fi
if [ "${FIELDSYNC_WINDOWS_PASS:-1}" != 0 ]; then
  bash scripts/test-windows.sh
fi
