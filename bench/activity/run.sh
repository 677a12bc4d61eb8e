#!/usr/bin/env bash
# EchoString throughput with the request record on against off, in one run:
# two copies of the real executable from build/dist on the same database
# (through the Firebird server on loopback), one with the record
# (FIELDSYNC_ACTIVITY_RECORDS unset: 10,000 records) and one without
# (FIELDSYNC_ACTIVITY_RECORDS=0), and wrk at 32 connections (one request per
# connection, as the handhelds call) against each in alternating rounds, so
# that load from elsewhere on the machine falls on both alike. The landing
# page is measured the same way, as a request cheap enough for the record's
# cost to show.
# Usage: bash bench/activity/run.sh [seconds per round, default 10] [rounds, default 3]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-10}
rounds=${2:-3}

need_tools wrk
build
firebird_server
chmod 777 "$work"
database="$FIELDSYNC_FB_SERVER:$work/erp.fdb"

# start <name> <records> <branch>: runs a copy that serves its own branch
# row; sets port and pid.
port="" pid=""
start() {
  local name=$1 records=$2 branch=$3
  port=$(free_port)
  program_copy "$work/$name" "$database" "$branch"
  set_branch_port "$database" "$port" "$branch"
  FIELDSYNC_ACTIVITY_RECORDS=$records "$work/$name/fieldsync" --headless >/dev/null 2>&1 &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" 100
}

# measure <pid> <url> -> "<req/s> <server CPU microseconds per request>":
# the server's own CPU time (user + system, from /proc) over the requests
# wrk completed, which other load on the machine disturbs far less than
# the rate.
measure() {
  local pid=$1 url=$2 before after requests
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  wrk_close 32 "$url"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  wrk_errors
  requests=$(wrk_requests)
  python3 -c "import os,sys; t=os.sysconf('SC_CLK_TCK'); print(sys.argv[1], \"%.1f\" % ((int(sys.argv[3]) - int(sys.argv[2])) * 1e6 / t / int(sys.argv[4])))" \
    "$(wrk_rate)" "$before" "$after" "$requests"
}

bash database/create-db.sh "$database" >/dev/null
branches=$(isql "$database" <<<"select IDFILIAL from FILIAL order by IDFILIAL;" | awk '$1 ~ /^[0-9]+$/ {print $1}' | head -2)
on_branch=$(echo "$branches" | sed -n 1p)
off_branch=$(echo "$branches" | sed -n 2p)
start on "" "$on_branch"
on_port=$port on_pid=$pid
start off 0 "$off_branch"
off_port=$port off_pid=$pid
echo_path=/datasnap/rest/TServerMethods1/EchoString/abc

# Per round: EchoString on and off, then the landing page on and off (a
# request of a few tens of microseconds, where the record's cost would show
# first). Which copy goes first changes every round: a measurement right
# after another one on the same database may find it still busy.
results=()
for round in $(seq "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then
    echo_on=$(measure "$on_pid" "http://127.0.0.1:$on_port$echo_path")
    echo_off=$(measure "$off_pid" "http://127.0.0.1:$off_port$echo_path")
    page_on=$(measure "$on_pid" "http://127.0.0.1:$on_port/")
    page_off=$(measure "$off_pid" "http://127.0.0.1:$off_port/")
  else
    echo_off=$(measure "$off_pid" "http://127.0.0.1:$off_port$echo_path")
    echo_on=$(measure "$on_pid" "http://127.0.0.1:$on_port$echo_path")
    page_off=$(measure "$off_pid" "http://127.0.0.1:$off_port/")
    page_on=$(measure "$on_pid" "http://127.0.0.1:$on_port/")
  fi
  echo "round $round (req/s, server CPU us per request): EchoString on $echo_on, off $echo_off;" \
       "landing page on $page_on, off $page_off"
  results+=("$echo_on $echo_off $page_on $page_off")
done
printf '%s\n' "${results[@]}" | python3 -c '
import statistics, sys
rows = [tuple(map(float, line.split())) for line in sys.stdin if line.strip()]
for name, on, off in [("EchoString", 0, 2), ("landing page", 4, 6)]:
    rate = [r[on] / r[off] for r in rows]
    cpu = [r[on + 1] - r[off + 1] for r in rows]
    print("%s: median on %.0f req/s, off %.0f req/s; on/off per round %s, median %.3f; "
          "server CPU per request on %.0f us, off %.0f us (medians), on minus off per round %s us" % (
        name, statistics.median(r[on] for r in rows), statistics.median(r[off] for r in rows),
        ", ".join("%.2f" % x for x in rate), statistics.median(rate),
        statistics.median(r[on + 1] for r in rows), statistics.median(r[off + 1] for r in rows),
        ", ".join("%+.1f" % x for x in cpu)))'
