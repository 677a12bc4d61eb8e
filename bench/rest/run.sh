#!/usr/bin/env bash
# REST call throughput against the landing page, in the same run: wrk at 32
# connections (one request per connection, as the handhelds call) against the
# real executable from build/dist, once on the embedded demo database and once
# on the same database through the Firebird server on loopback. EchoString
# touches no table, but every call creates a service instance, which opens
# (and at the end closes) its own database connection: the difference to the
# landing page is what that costs.
# Usage: bash bench/rest/run.sh [seconds per run, default 10]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-10}

need_tools wrk
build
firebird_server
chmod 777 "$work"

rate() {  # url -> requests per second (and the error lines on stderr)
  wrk_close 32 "$1"
  wrk_errors
  wrk_rate
}

run_on() {  # label database-text
  local label=$1 database=$2 port pid
  port=$(free_port)
  program_copy "$work/dist" "$database"
  set_branch_port "$database" "$port"
  "$work/dist/fieldsync" --headless >"$work/fieldsync.log" &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" 100
  local page echo
  page=$(rate "http://127.0.0.1:$port/")
  echo=$(rate "http://127.0.0.1:$port/datasnap/rest/TServerMethods1/EchoString/abc")
  stop_process "$pid"
  python3 - "$label" "$page" "$echo" <<'PY'
import sys
label, page, echo = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
cost = (1 / echo - 1 / page) * 1000 * 32  # milliseconds of one call's extra work at 32 in flight
print(f"{label}: landing page {page:.0f} req/s, EchoString {echo:.0f} req/s "
      f"(ratio {echo / page:.2f}); extra time per call at 32 in flight: {cost:.2f} ms")
PY
}

bash database/create-db.sh "$FIELDSYNC_FB_SERVER:$work/erp.fdb" >/dev/null
run_on "Firebird server on loopback" "$FIELDSYNC_FB_SERVER:$work/erp.fdb"
run_on "embedded database" "$work/erp.fdb"
