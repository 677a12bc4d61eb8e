#!/usr/bin/env bash
# What logins cost a fleet: HANDHELDS handhelds (default 50) starting their
# morning sync at once against the demo database (embedded, attachments
# reused; handhelds.py), every handheld a user of its own bound to the
# representative it syncs. In one run of the script, so that the machine's
# load drifts over both sides alike:
#
#   ROUNDS times (default 3), one after the other:
#     a. the service without a users file: one burst;
#     b. the service with the users file, just started: its first burst
#        (a password check per handheld), then a burst with every login
#        remembered;
#   then, with the users file, logins remembered, bursts that alternate
#   quiet and with one other address trying 1,000 wrong passwords meanwhile
#   (ROUNDS of each).
#
# The figures that matter: the median wall time of the remembered bursts
# against the median of the bursts without logins (credentials on every
# call), and the handhelds' p99 during a storm against the quiet bursts'.
#
# Usage: bash bench/service/logins.sh   (BUILD=0 uses the build as it is)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
build
handhelds=${HANDHELDS:-50}
representative=${REPRESENTATIVE:-1}
rounds=${ROUNDS:-3}

port=$(free_port)
database="$work/erp.fdb"
bash database/create-db.sh "$database" >/dev/null
set_branch_port "$database" "$port"
program_copy "$work/dist" "$database"

users="$work/users"
start=$(date +%s.%N)
for ((i = 0; i < handhelds; i++)); do
  printf 'pw-%d\n' "$i" | FIELDSYNC_USERS_FILE="$users" "$work/dist/fieldsync" user add "hh$i" --rep "$representative"
done
say "-- $handhelds users made with \"fieldsync user add\" in $(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }") s (a hash each, and the program's start)"

first_order=800001
# burst label: one burst of the fleet; its line goes to the summary.
burst() {
  local line
  line=$(cd bench/service && python3 handhelds.py "$port" "$handhelds" "$representative" "$first_order")
  first_order=$((first_order + 3 * handhelds))
  say "$1 (load $(load)): $line"
}

# serve [users-file]: the service, started; sets pid.
serve() {
  if [ -n "${1:-}" ]; then
    FIELDSYNC_USERS_FILE=$1 "$work/dist/fieldsync" --headless >>"$work/service.log" 2>&1 &
  else
    "$work/dist/fieldsync" --headless >>"$work/service.log" 2>&1 &
  fi
  pid=$!
  track_process "$pid"
  wait_for_http "$port"
}

for ((round = 1; round <= rounds; round++)); do
  serve
  HANDHELD_LOGIN= burst "round $round, no users file"
  stop_process "$pid"
  serve "$users"
  HANDHELD_LOGIN="hh{i}:pw-{i}" burst "round $round, users file, first sync"
  HANDHELD_LOGIN="hh{i}:pw-{i}" burst "round $round, users file, remembered"
  stop_process "$pid"
done

serve "$users"
export HANDHELD_LOGIN="hh{i}:pw-{i}"
burst "storm rounds: warm-up"
for ((round = 1; round <= rounds; round++)); do
  burst "round $round, remembered, quiet"
  STORM=1000 burst "round $round, remembered, 1,000 wrong passwords from 127.0.0.9 meanwhile"
done
say "$(curl -s "http://127.0.0.1:$port/metrics" | grep '^fieldsync_login_refusals_total' | tr '\n' ' ')"
stop_process "$pid"
say "-- summary"
python3 - "$work/summary.txt" <<'PY' | tee -a "$work/summary.txt"
import re, statistics, sys
lines = open(sys.argv[1]).read().splitlines()
def figures(pattern):
    found = [l for l in lines if re.search(pattern, l)]
    return ([float(re.search(r"seconds=([\d.]+)", l).group(1)) for l in found],
            [float(re.search(r"p99_ms=([\d.]+)", l).group(1)) for l in found],
            sum(int(re.search(r"not_ok=(\d+)", l).group(1)) for l in found))
for name, pattern in [("no users file", r"no users file \(load"), ("users file, first sync", r"first sync \(load"),
                      ("users file, remembered", r"users file, remembered \(load"),
                      ("remembered, quiet", r"remembered, quiet"), ("remembered, storm", r"meanwhile")]:
    seconds, p99, not_ok = figures(pattern)
    print("%-24s bursts=%d median_s=%.2f seconds=%s median_p99_ms=%.0f not_ok=%d"
          % (name, len(seconds), statistics.median(seconds), ",".join("%.2f" % s for s in seconds),
             statistics.median(p99), not_ok))
off = statistics.median(figures(r"no users file \(load")[0])
on = statistics.median(figures(r"users file, remembered \(load")[0])
quiet = statistics.median(figures(r"remembered, quiet")[1])
storm = statistics.median(figures(r"meanwhile")[1])
print("remembered logins / no logins, median wall time: %.2fx" % (on / off))
print("storm / quiet, median of the handhelds' p99: %.2fx" % (storm / quiet))
PY
