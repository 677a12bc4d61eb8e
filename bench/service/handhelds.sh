#!/usr/bin/env bash
# HANDHELDS handhelds (default 50) starting their morning sync at once against
# the demo database (embedded), as the handhelds of a branch do: the service
# from build/dist with attachments reused, then with FIELDSYNC_DB_REUSE=0
# (an attachment per call), side by side. See handhelds.py for the calls.
#
# Usage: bash bench/service/handhelds.sh   (after a build; run.sh calls it)
set -euo pipefail
cd "$(dirname "$0")/../.."
handhelds=${HANDHELDS:-50}
representative=${REPRESENTATIVE:-1}
work=$(mktemp -d)
pid=""
stop_service() {
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 120); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
}
trap 'stop_service; rm -rf "$work"' EXIT

port=$(python3 -c 'import random,socket
for _ in range(1000):
  p=random.randrange(20000,32000); s=socket.socket()
  try: s.bind(("0.0.0.0",p)); print(p); break
  except OSError: pass')
database="$work/erp.fdb"
bash database/create-db.sh "$database" >/dev/null
isql-fb -q -bail -user SYSDBA "$database" <<<"update FILIAL set PORTA_MOBILE = $port where IDFILIAL = 1; commit;" >/dev/null
cp -r build/dist "$work/dist"
printf '1\r\n' > "$work/dist/fil.txt"
sed -i "s|^Database=.*|Database=$database|" "$work/dist/dbxconnections.ini"

first_order=800001
for reuse in 1 0; do
  FIELDSYNC_DB_REUSE=$reuse "$work/dist/fieldsync" --headless >"$work/service.log" 2>&1 &
  pid=$!
  for _ in $(seq 300); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  echo "-- FIELDSYNC_DB_REUSE=$reuse: $handhelds handhelds syncing at once against the demo database (load average $(cut -d' ' -f1-3 /proc/loadavg))"
  (cd bench/service && python3 handhelds.py "$port" "$handhelds" "$representative" "$first_order")
  first_order=$((first_order + 3 * handhelds))
  stop_service
done
