#!/usr/bin/env bash
# Builds fieldsync under a sanitizer and runs test suites with it.
#
#   bash scripts/sanitize.sh address [suite...]   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   bash scripts/sanitize.sh thread  [suite...]   ThreadSanitizer, in build-tsan/
#
# A suite is a test folder: core db json service rest http app e2e.
# Without suites it runs rest, app and e2e. Only the targets the chosen suites
# need are built (-j2 unless SANITIZE_JOBS says otherwise); extra ctest
# arguments can be given in CTEST_ARGS (for example CTEST_ARGS="-R Scheduler").
#
# Every report fails the test that caused it: the sanitizers end the process
# with a non-zero code, and the end-to-end tests expect exit code 0 and an
# empty standard error from the service. Reports that lie inside the
# Firebird client library and its embedded engine are suppressed by
# scripts/sanitizers/tsan.supp, each with its reason; nothing of ours is.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: bash scripts/sanitize.sh address|thread [core db json service rest http app e2e]..." >&2
  exit 2
}

[ $# -ge 1 ] || usage
sanitizer=$1
shift
case "$sanitizer" in
  address) build=build-asan ;;
  thread) build=build-tsan ;;
  *) usage ;;
esac
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(rest app e2e)

# Each suite's tests carry its test program's name as their CTest label.
targets=()
labels=()
for suite in "${suites[@]}"; do
  case "$suite" in
    core | db | service | rest | http | app) targets+=("${suite}_tests") labels+=("${suite}_tests") ;;
    json) targets+=(json_tests dbxjson_tests) labels+=(json_tests dbxjson_tests) ;;
    e2e) labels+=(e2e) ;;
    *) usage ;;
  esac
done
# The end-to-end tests run the executable from the build's dist directory.
targets+=(fieldsync)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
flags=()
# ThreadSanitizer reports as well at -O1, and the build is quicker.
[ "$sanitizer" = thread ] && flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g")
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" -DFIELDSYNC_SANITIZE="$sanitizer" \
  -DFIELDSYNC_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${SANITIZE_JOBS:-2}" --target $(printf '%s\n' "${targets[@]}" | sort -u)

fb_env=$(bash scripts/firebird-server.sh)
set -a
eval "$fb_env"
set +a

supp="$PWD/scripts/sanitizers"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$supp/tsan.supp:print_suppressions=0:second_deadlock_stack=1:halt_on_error=0"

cd "$build"
pattern="^($(IFS='|'; echo "${labels[*]}"))\$"
# shellcheck disable=SC2086
ctest --output-on-failure --timeout 900 -j "${SANITIZE_JOBS:-2}" -L "$pattern" ${CTEST_ARGS:-}
