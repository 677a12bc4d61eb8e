#!/usr/bin/env bash
# What logins cost a fleet: HANDHELDS handhelds (default 50) starting their
# morning sync at once against the demo database (embedded, attachments
# reused; handhelds.py), in one run of the script:
#
#   1. without a users file (no logins);
#   2. with a users file, every handheld a user of its own (bound to the
#      representative it syncs), its first sync: one password check each;
#   3. the same fleet again within five minutes: every login remembered;
#   4. the same again while one other address tries 1,000 wrong passwords;
#   5. the remembered fleet once more, quiet, the anchor of step 4.
#
# The ratios that matter are 3 against 1 (what credentials on every call
# cost) and 4 against 5 (what a storm of wrong passwords costs the others).
#
# Usage: bash bench/service/logins.sh   (BUILD=0 uses the build as it is)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
build
handhelds=${HANDHELDS:-50}
representative=${REPRESENTATIVE:-1}

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
echo "-- $handhelds users made with \"fieldsync user add\" in $(awk "BEGIN { printf \"%.1f\", $(date +%s.%N) - $start }") s"

first_order=800001
burst() {
  echo "-- $1 (load average $(load))"
  (cd bench/service && python3 handhelds.py "$port" "$handhelds" "$representative" "$first_order")
  first_order=$((first_order + 3 * handhelds))
}

"$work/dist/fieldsync" --headless >"$work/service.log" 2>&1 &
pid=$!
track_process "$pid"
wait_for_http "$port"
burst "1. no users file"
stop_process "$pid"

FIELDSYNC_USERS_FILE="$users" "$work/dist/fieldsync" --headless >"$work/service-logins.log" 2>&1 &
pid=$!
track_process "$pid"
wait_for_http "$port"
export HANDHELD_LOGIN="hh{i}:pw-{i}"
burst "2. users file, first sync of the day (a password check per handheld)"
burst "3. users file, logins remembered"
STORM=1000 burst "4. users file, logins remembered, 1,000 wrong passwords from 127.0.0.9 meanwhile"
burst "5. users file, logins remembered, quiet again"
grep -o 'fieldsync_login_refusals_total{reason="[a-z_]*"} [0-9]*' \
  <(curl -s "http://127.0.0.1:$port/metrics") | sed 's/^/   /'
stop_process "$pid"
