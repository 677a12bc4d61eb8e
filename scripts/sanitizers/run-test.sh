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
reports=$(mktemp -d "${TMPDIR:-/tmp}/fieldsync-sanitizer.XXXXXX")
# A test may run a program under another user (the packaged service).
chmod 1777 "$reports"

# Later options win, so the caller's come after the defaults and the report
# files come last.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:allow_addr2line=1:${ASAN_OPTIONS:-}:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0:${LSAN_OPTIONS:-}"
export TSAN_OPTIONS="suppressions=$here/tsan.supp:allow_addr2line=1:print_suppressions=0:second_deadlock_stack=1:halt_on_error=0:${TSAN_OPTIONS:-}:log_path=$reports/tsan"
export FIELDSYNC_SANITIZER_REPORTS="$reports"

"$@"
code=$?

shopt -s nullglob
found=("$reports"/*)
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
