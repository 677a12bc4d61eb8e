# Steps a newcomer can follow: each says what it does and how long it
# usually takes, its output goes to one log file, and a step that fails shows
# that log whole. Sourced by the quick-start scripts.
#
#   steps_log FILE          where every step's output goes (made anew)
#   step "TEXT" "ESTIMATE" COMMAND...
#                           runs COMMAND with its output in the log; prints
#                           "TEXT (ESTIMATE)..." and then "done in Ns", or the
#                           log and exits with the command's status

STEPS_LOG=/dev/null

steps_log() {
  STEPS_LOG=$1
  mkdir -p "$(dirname "$STEPS_LOG")"
  : >"$STEPS_LOG"
}

step() {
  local text=$1 estimate=$2 started=$SECONDS status=0
  shift 2
  if [ -n "$estimate" ]; then
    printf '%s (%s)... ' "$text" "$estimate"
  else
    printf '%s... ' "$text"
  fi
  printf '\n==== %s\n' "$text" >>"$STEPS_LOG"
  "$@" >>"$STEPS_LOG" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    printf 'failed (exit status %d). The whole log, %s:\n\n' "$status" "$STEPS_LOG"
    cat "$STEPS_LOG"
    printf '\n%s failed: see above, or %s\n' "$text" "$STEPS_LOG" >&2
    exit "$status"
  fi
  printf 'done in %ds\n' $((SECONDS - started))
}
