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
duration=${1:-10}
rounds=${2:-3}

command -v wrk >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wrk
bash scripts/build.sh >/dev/null
set -a; eval "$(bash scripts/firebird-server.sh)"; set +a

work=$(mktemp -d)
chmod 777 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import random,socket
while True:
  p=random.randrange(20000,32000); s=socket.socket()
  try: s.bind(("0.0.0.0",p)); print(p); break
  except OSError: pass'; }

# start <name> <records> -> the port on stdout; each copy serves its own branch row
start() {
  local name=$1 records=$2 branch=$3 port
  port=$(free_port)
  cp -r build/dist "$work/$name"
  printf '%s\r\n' "$branch" > "$work/$name/fil.txt"
  sed -i "s|^Database=.*|Database=localhost:$work/erp.fdb|; s|^Password=.*|Password=${FIELDSYNC_FB_PASSWORD}|" \
    "$work/$name/dbxconnections.ini"
  isql-fb -q -user SYSDBA -password "$FIELDSYNC_FB_PASSWORD" "localhost:$work/erp.fdb" \
    <<<"update FILIAL set PORTA_MOBILE = $port where IDFILIAL = $branch; commit;" >/dev/null
  FIELDSYNC_ACTIVITY_RECORDS=$records "$work/$name/fieldsync" --headless >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  echo "$port"
}

rate() {  # url -> requests per second
  wrk -t2 -c32 -d"${duration}s" -H "Connection: close" "$1" >"$work/wrk.txt"
  grep -E "Socket errors|Non-2xx" "$work/wrk.txt" | sed 's/^/    /' >&2 || true
  awk '/Requests\/sec/ {print $2}' "$work/wrk.txt"
}

bash database/create-db.sh "localhost:$work/erp.fdb" >/dev/null
branches=$(isql-fb -q -user SYSDBA -password "$FIELDSYNC_FB_PASSWORD" "localhost:$work/erp.fdb" \
  <<<"select IDFILIAL from FILIAL order by IDFILIAL;" | awk '$1 ~ /^[0-9]+$/ {print $1}' | head -2)
on_branch=$(echo "$branches" | sed -n 1p)
off_branch=$(echo "$branches" | sed -n 2p)
on_port=$(start on "" "$on_branch")
off_port=$(start off 0 "$off_branch")
echo_path=/datasnap/rest/TServerMethods1/EchoString/abc

# Per round: EchoString on, off; then the landing page on, off (a request of
# a few tens of microseconds, where the record's cost would show first).
results=()
for round in $(seq "$rounds"); do
  echo_on=$(rate "http://127.0.0.1:$on_port$echo_path")
  echo_off=$(rate "http://127.0.0.1:$off_port$echo_path")
  page_on=$(rate "http://127.0.0.1:$on_port/")
  page_off=$(rate "http://127.0.0.1:$off_port/")
  echo "round $round: EchoString on $echo_on, off $echo_off req/s; landing page on $page_on, off $page_off req/s"
  results+=("$echo_on $echo_off $page_on $page_off")
done
printf '%s\n' "${results[@]}" | python3 -c '
import statistics, sys
rows = [tuple(map(float, line.split())) for line in sys.stdin if line.strip()]
for name, a, b in [("EchoString", 0, 1), ("landing page", 2, 3)]:
    ratios = [r[a] / r[b] for r in rows]
    print("%s: median on %.0f req/s, off %.0f req/s; on/off per round %s; median %.3f" % (
        name, statistics.median(r[a] for r in rows), statistics.median(r[b] for r in rows),
        ", ".join("%.3f" % x for x in ratios), statistics.median(ratios)))'
