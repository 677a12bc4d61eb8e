#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (unit, integration and
# end-to-end), then runs them once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize.sh address, in build-asan/),
# where any sanitizer report fails the test that caused it.
# FIELDSYNC_SANITIZE_PASS=0 leaves the second pass out. Exit status is non-zero
# when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
# The database tests also run through a Firebird server on loopback.
fb_env=$(bash scripts/firebird-server.sh)
set -a; eval "$fb_env"; set +a
(cd build && ctest --output-on-failure --timeout 600 -j "$(nproc)")
if [ "${FIELDSYNC_SANITIZE_PASS:-1}" != 0 ]; then
  SANITIZE_JOBS=${SANITIZE_JOBS:-$(nproc)} bash scripts/sanitize.sh address all
fi
