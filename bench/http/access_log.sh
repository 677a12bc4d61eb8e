#!/usr/bin/env bash
# What the access log costs: the landing page (the cheapest request, so the
# log's share is the largest) served by the real executable with
# FIELDSYNC_ACCESS_LOG=1 (standard output to a file, as a journal reads a
# pipe) against the same with FIELDSYNC_ACCESS_LOG=0, alternating short
# rounds so that load from elsewhere falls on both alike. wrk at 32
# connections, one request per connection.
# Usage: bash bench/http/access_log.sh [seconds per round, default 5] [rounds, default 3]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-5}
rounds=${2:-3}

need_tools wrk
build

port=$(free_port)
program_copy "$work/dist" "$work/dist/ESTOQUE.FDB"
bash database/create-db.sh "$work/dist/ESTOQUE.FDB" >/dev/null
set_branch_port "$work/dist/ESTOQUE.FDB" "$port"

rate() {  # switch -> requests per second of the landing page
  FIELDSYNC_ACCESS_LOG=$1 "$work/dist/fieldsync" --headless >"$work/log.txt" 2>&1 &
  local pid=$!
  track_process "$pid"
  wait_for_http "$port" 100
  wrk_close 32 "http://127.0.0.1:$port/"
  stop_process "$pid"
  wrk_rate
}

echo "round  log off req/s  log on req/s  on/off"
for round in $(seq "$rounds"); do
  off=$(rate 0)
  on=$(rate 1)
  lines=$(grep -c ' GET / 200 ' "$work/log.txt" || true)
  python3 -c "import sys; r,off,on,n=sys.argv[1:]; print(f'{r:>5}  {float(off):>13.0f}  {float(on):>12.0f}  {float(on)/float(off):>6.2f}   ({n} lines logged)')" \
    "$round" "$off" "$on" "$lines"
done
