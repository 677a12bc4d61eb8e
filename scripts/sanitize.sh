#!/usr/bin/env bash
# Builds fieldsync under a sanitizer and runs test suites with it.
#
#   bash scripts/sanitize.sh address [suite...]   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   bash scripts/sanitize.sh thread  [suite...]   ThreadSanitizer, in build-tsan/
#
# A suite is a test folder: core db json activity service rest http clientgen auth app e2e
# browser deploy, or "all" for every test that runs code of ours (all but the
# database scripts' tests, which run only isql, and the Debian package test,
# which installs the release package). Without suites, address runs all and
# thread the concurrency-heavy ones (http rest db app e2e). Only the targets
# the chosen suites need are built (-j2 unless SANITIZE_JOBS says otherwise);
# extra ctest arguments can be given in CTEST_ARGS (for example
# CTEST_ARGS="-R Scheduler").
#
# Every test runs through scripts/sanitizers/run-test.sh, which fails it when
# any process it started (the test program, the service of an end-to-end
# test) wrote a sanitizer report. Reports that lie inside the Firebird client
# library, its embedded engine and other libraries not built here are
# suppressed by scripts/sanitizers/lsan.supp and tsan.supp, each entry with
# its reason; nothing of ours is. Under thread, the database tests' cases on
# embedded databases run without the lock-order detector, whose table the
# embedded engine overflows (run-test.sh says why); races are still checked.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: bash scripts/sanitize.sh address|thread [all | core db json activity service rest http auth app e2e browser deploy...]" >&2
  exit 2
}

[ $# -ge 1 ] || usage
sanitizer=$1
shift
case "$sanitizer" in
  address) build=build-asan defaults=(all) ;;
  thread) build=build-tsan defaults=(http rest db app e2e) ;;
  *) usage ;;
esac
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=("${defaults[@]}")

# Each suite's tests carry its test program's name (or the folder's name) as
# their CTest label; the report gate's own test runs with every choice.
targets=(sanitizer_probe)
labels=(sanitizer_gate)
all=0
for suite in "${suites[@]}"; do
  case "$suite" in
    all) all=1 ;;
    core | db | activity | service | rest | http | clientgen | auth) targets+=("${suite}_tests") labels+=("${suite}_tests") ;;
    json) targets+=(json_tests dbxjson_tests) labels+=(json_tests dbxjson_tests) ;;
    app) targets+=(app_tests app_window_tests) labels+=(app_tests app_window_tests) ;;
    e2e | browser | deploy) labels+=("$suite") ;;
    *) usage ;;
  esac
done
# The end-to-end tests run the executable from the build's dist directory.
targets+=(fieldsync)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Objects with line tables are shared between checkouts in other
  # directories too (a fresh clone in CI); the reports name source files
  # relative to the build directory all the same.
  export CCACHE_NOHASHDIR=1
fi
# -O1 with line tables: the sanitizers report as well as at -O2, the reports'
# stacks keep their source lines, and the build is much quicker.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DFIELDSYNC_SANITIZE="$sanitizer" -DFIELDSYNC_BENCH=OFF -DFIELDSYNC_FUZZ=OFF "${launcher[@]}" >/dev/null
if [ "$all" = 1 ]; then
  cmake --build "$build" -j "${SANITIZE_JOBS:-2}"
else
  cmake --build "$build" -j "${SANITIZE_JOBS:-2}" --target $(printf '%s\n' "${targets[@]}" | sort -u)
fi

fb_env=$(bash scripts/firebird-server.sh)
set -a
eval "$fb_env"
set +a

cd "$build"
selection=(-L "^($(IFS='|'; echo "${labels[*]}"))\$")
[ "$all" = 0 ] || selection=(-E '^(database_.*|deploy_package)$')
# shellcheck disable=SC2086
ctest --output-on-failure --timeout 900 -j "${SANITIZE_JOBS:-2}" "${selection[@]}" ${CTEST_ARGS:-}
