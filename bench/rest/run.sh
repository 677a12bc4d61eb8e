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
root=$(pwd)
duration=${1:-10}

command -v wrk >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends wrk
bash scripts/build.sh >/dev/null
set -a; eval "$(bash scripts/firebird-server.sh)"; set +a

work=$(mktemp -d)
chmod 777 "$work"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import random,socket
while True:
  p=random.randrange(20000,32000); s=socket.socket()
  try: s.bind(("0.0.0.0",p)); print(p); break
  except OSError: pass'; }

rate() {  # url -> requests per second (and the error lines on stderr)
  wrk -t2 -c32 -d"${duration}s" -H "Connection: close" "$1" >"$work/wrk.txt"
  grep -E "Socket errors|Non-2xx" "$work/wrk.txt" | sed 's/^/    /' >&2 || true
  awk '/Requests\/sec/ {print $2}' "$work/wrk.txt"
}

run_on() {  # label database-text
  local label=$1 database=$2 port
  port=$(free_port)
  rm -rf "$work/dist" && cp -r build/dist "$work/dist"
  printf '1\r\n' > "$work/dist/fil.txt"
  sed -i "s|^Database=.*|Database=$database|; s|^Password=.*|Password=${FIELDSYNC_FB_PASSWORD}|" "$work/dist/dbxconnections.ini"
  isql-fb -q -user SYSDBA -password "$FIELDSYNC_FB_PASSWORD" "$database" \
    <<<"update FILIAL set PORTA_MOBILE = $port where IDFILIAL = 1; commit;" >/dev/null
  "$work/dist/fieldsync" --headless &
  pid=$!
  for _ in $(seq 100); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  local page echo
  page=$(rate "http://127.0.0.1:$port/")
  echo=$(rate "http://127.0.0.1:$port/datasnap/rest/TServerMethods1/EchoString/abc")
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
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
