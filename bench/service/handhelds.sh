#!/usr/bin/env bash
# HANDHELDS handhelds (default 50) starting their morning sync at once against
# the demo database (embedded), as the handhelds of a branch do: the service
# from build/dist with attachments reused, then with FIELDSYNC_DB_REUSE=0
# (an attachment per call), side by side. See handhelds.py for the calls.
#
# Usage: bash bench/service/handhelds.sh   (after a build; run.sh calls it)
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
handhelds=${HANDHELDS:-50}
representative=${REPRESENTATIVE:-1}

port=$(free_port)
database="$work/erp.fdb"
bash database/create-db.sh "$database" >/dev/null
set_branch_port "$database" "$port"
program_copy "$work/dist" "$database"

first_order=800001
for reuse in 1 0; do
  FIELDSYNC_DB_REUSE=$reuse "$work/dist/fieldsync" --headless >"$work/service.log" 2>&1 &
  pid=$!
  track_process "$pid"
  wait_for_http "$port"
  echo "-- FIELDSYNC_DB_REUSE=$reuse: $handhelds handhelds syncing at once against the demo database (load average $(load))"
  (cd bench/service && python3 handhelds.py "$port" "$handhelds" "$representative" "$first_order")
  first_order=$((first_order + 3 * handhelds))
  stop_process "$pid"
done
