#!/usr/bin/env bash
# Idle and slow clients (bench/http/scale.py) against the real executable from
# build/dist and against nginx (keep-alive off) in the same run: 10,000 idle
# connections held while 4 clients call EchoString and the landing page
# (nginx: the same page as a file), then 50 clients trickling header bytes
# while the 4 call again; the same calls without other clients first, as the
# reference. fieldsync
# runs with FIELDSYNC_MAX_CONNECTIONS=12000 on an embedded database, first
# with a listen back-log of 1024, then with the default of 15 (2,000 idle
# clients there, since every connect that overflows it waits about 1 s).
# Usage: bash bench/http/scale.sh [idle connections, default 10000]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
idle=${1:-10000}

need_tools wrk nginx
build
firebird_server
ulimit -n "$(ulimit -Hn)"

chmod 777 "$work"
bash database/create-db.sh "$FIELDSYNC_FB_SERVER:$work/erp.fdb" >/dev/null
database="$work/erp.fdb"

fieldsync() {  # backlog idle-count
  local port
  port=$(free_port)
  program_copy "$work/dist" "$database"
  set_branch_port "$FIELDSYNC_FB_SERVER:$database" "$port"
  FIELDSYNC_MAX_CONNECTIONS=12000 FIELDSYNC_LISTEN_BACKLOG=$1 "$work/dist/fieldsync" --headless >/dev/null &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" 100
  curl -sf -o "$work/page.html" "http://127.0.0.1:$port/"
  echo "== fieldsync, back-log $1, $2 idle"
  python3 bench/http/scale.py --pid "$pid" --port "$port" --idle "$2" \
    --path echo=/datasnap/rest/TServerMethods1/EchoString/abc --path page=/
  stop_process "$pid"
}

nginx_run() {
  nginx_page "$work/page.html" 12000 19000
  echo "== nginx, $idle idle"
  python3 bench/http/scale.py --pid "$nginx_pid" --port "$nginx_port" --idle "$idle" --path page=/
  stop_process "$nginx_pid"
}

fieldsync 1024 "$idle"
nginx_run
fieldsync 15 2000
