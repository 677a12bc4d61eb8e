#!/usr/bin/env bash
# Runs one test command of a sanitizer build (CTest starts every test through
# it there): each instrumented process the test starts, the test programs and
# the service run by the end-to-end tests alike, writes its address, leak and
# thread reports to files in a directory of this run, and the test fails when
# any report was written, whatever the processes' exit codes and whatever the
# test itself checks of their standard error. The reports are shown on
# standard error.
#
# Undefined-behaviour reports always go to the process's standard error (g++'s
# runtime ignores log_path beside the address runtime); the build makes each
# of them end the process with exit code 1, and the end-to-end harness files
# what the service wrote to standard error in the directory named by
# FIELDSYNC_SANITIZER_REPORTS when it holds a report.
#
#   run-test.sh command [argument...]
#
# The options below are the defaults; ASAN_OPTIONS, UBSAN_OPTIONS,
# LSAN_OPTIONS and TSAN_OPTIONS set in the environment are kept, and options
# given there win over these.
set -u
here=$(cd "$(dirname "$0")" && pwd)

# Later options win, so the caller's come after the defaults and the report
# files come last.
options() {
  export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:allow_addr2line=1:${caller_asan}:log_path=$reports/asan"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${caller_ubsan}"
  export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0:${retry_lsan}${caller_lsan}"
  export TSAN_OPTIONS="suppressions=$here/tsan.supp:allow_addr2line=1:print_suppressions=0:second_deadlock_stack=1:halt_on_error=0:${embedded_tsan}${caller_tsan}:log_path=$reports/tsan"
  export FIELDSYNC_SANITIZER_REPORTS="$reports"
}
caller_asan=${ASAN_OPTIONS:-}
caller_ubsan=${UBSAN_OPTIONS:-}
caller_lsan=${LSAN_OPTIONS:-}
caller_tsan=${TSAN_OPTIONS:-}
retry_lsan=

# Firebird's embedded engine takes read locks again that its thread already
# holds, more than 64 of them at once: past the fixed table of
# ThreadSanitizer's lock-order (deadlock) detector, whose internal check
# ("n_recursive_locks") then ends the process before any suppression
# applies. Tests that run their databases embedded, marked by CTest with
# FIELDSYNC_EMBEDDED_ENGINE=1, run without that detector; races are still
# detected in them, and the lock order of the same code of ours is checked
# by its tests through the server.
embedded_tsan=
[ "${FIELDSYNC_EMBEDDED_ENGINE:-}" != 1 ] || embedded_tsan="detect_deadlocks=0:"

# The leak checker stops every thread of the ending process to scan their
# stacks and thread-local storage; in a process that loaded libraries at run
# time (the embedded database engine's plugins) its own tracer can crash on
# that storage ("LeakSanitizer has encountered a fatal error"), which says
# nothing of the program. Such a run is repeated once with thread-local
# storage left out of the scan; a tracer failure then, or any real report,
# fails the test.
only_tracer_failures() {
  local report
  for report in "$@"; do
    grep -q "LeakSanitizer has encountered a fatal error" "$report" || return 1
    grep -qE "ERROR: (AddressSanitizer|LeakSanitizer: detected)|runtime error|WARNING: ThreadSanitizer" "$report" && return 1
  done
  return 0
}

shopt -s nullglob
for attempt in 1 2; do
  reports=$(mktemp -d "${TMPDIR:-/tmp}/fieldsync-sanitizer.XXXXXX")
  # A test may run a program under another user (the packaged service).
  chmod 1777 "$reports"
  options
  "$@"
  code=$?
  found=("$reports"/*)
  if [ "$attempt" = 1 ] && [ ${#found[@]} -gt 0 ] && only_tracer_failures "${found[@]}"; then
    echo "run-test.sh: the leak checker's tracer failed at the end of the run; running it once more without scanning thread-local storage: $*" >&2
    rm -rf "$reports"
    retry_lsan="use_tls=0:"
    continue
  fi
  break
done

if [ ${#found[@]} -gt 0 ]; then
  for report in "${found[@]}"; do
    echo "==== sanitizer report $(basename "$report") ====" >&2
    cat "$report" >&2
  done
  echo "run-test.sh: ${#found[@]} sanitizer report(s) written while running: $*" >&2
  [ "$code" -ne 0 ] || code=1
fi
rm -rf "$reports"
exit "$code"
