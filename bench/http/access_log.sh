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
duration=${1:-5}
rounds=${2:-3}

command -v wrk >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wrk
bash scripts/build.sh >/dev/null

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import random,socket
while True:
  p=random.randrange(20000,32000); s=socket.socket()
  try: s.bind(("0.0.0.0",p)); print(p); break
  except OSError: pass')
cp -r build/dist "$work/dist"
bash database/create-db.sh "$work/dist/ESTOQUE.FDB" >/dev/null
printf '1\r\n' > "$work/dist/fil.txt"
isql-fb -q "$work/dist/ESTOQUE.FDB" -user SYSDBA \
  <<<"update FILIAL set PORTA_MOBILE = $port where IDFILIAL = 1; commit;" >/dev/null

rate() {  # switch -> requests per second of the landing page
  FIELDSYNC_ACCESS_LOG=$1 "$work/dist/fieldsync" --headless >"$work/log.txt" 2>&1 &
  pid=$!
  for _ in $(seq 100); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  wrk -t2 -c32 -d"${duration}s" -H "Connection: close" "http://127.0.0.1:$port/" >"$work/wrk.txt"
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  awk '/Requests\/sec/ {print $2}' "$work/wrk.txt"
}

echo "round  log off req/s  log on req/s  on/off"
for round in $(seq "$rounds"); do
  off=$(rate 0)
  on=$(rate 1)
  lines=$(grep -c ' GET / 200 ' "$work/log.txt" || true)
  python3 -c "import sys; r,off,on,n=sys.argv[1:]; print(f'{r:>5}  {float(off):>13.0f}  {float(on):>12.0f}  {float(on)/float(off):>6.2f}   ({n} lines logged)')" \
    "$round" "$off" "$on" "$lines"
done
