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
idle=${1:-10000}

if ! command -v wrk >/dev/null || ! [ -x /usr/sbin/nginx ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
    --no-install-recommends wrk nginx-light
fi
bash scripts/build.sh >/dev/null
set -a; eval "$(bash scripts/firebird-server.sh)"; set +a
ulimit -n "$(ulimit -Hn)"

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

bash database/create-db.sh "$FIELDSYNC_FB_SERVER:$work/erp.fdb" >/dev/null
database="$work/erp.fdb"

fieldsync() {  # backlog idle-count
  local port
  port=$(free_port)
  rm -rf "$work/dist" && cp -r build/dist "$work/dist"
  printf '1\r\n' > "$work/dist/fil.txt"
  sed -i "s|^Database=.*|Database=$database|; s|^Password=.*|Password=${FIELDSYNC_FB_PASSWORD}|" "$work/dist/dbxconnections.ini"
  isql-fb -q -user SYSDBA -password "$FIELDSYNC_FB_PASSWORD" "$FIELDSYNC_FB_SERVER:$database" \
    <<<"update FILIAL set PORTA_MOBILE = $port where IDFILIAL = 1; commit;" >/dev/null
  FIELDSYNC_MAX_CONNECTIONS=12000 FIELDSYNC_LISTEN_BACKLOG=$1 "$work/dist/fieldsync" --headless >/dev/null &
  pid=$!
  for _ in $(seq 100); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  curl -sf -o "$work/page.html" "http://127.0.0.1:$port/"
  echo "== fieldsync, back-log $1, $2 idle"
  python3 bench/http/scale.py --pid "$pid" --port "$port" --idle "$2" \
    --path echo=/datasnap/rest/TServerMethods1/EchoString/abc --path page=/
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
}

nginx_run() {
  local port
  port=$(free_port)
  mkdir -p "$work/html" "$work/tmp"
  cp "$work/page.html" "$work/html/index.html"
  cat >"$work/nginx.conf" <<CONF
worker_processes auto;
worker_rlimit_nofile 19000;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
daemon off;
events { worker_connections 12000; }
http {
  access_log off;
  keepalive_timeout 0;
  server_tokens off;
  client_body_temp_path $work/tmp;
  server {
    listen 127.0.0.1:$port;
    location / { root $work/html; index index.html; }
  }
}
CONF
  /usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
  pid=$!
  for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
  echo "== nginx, $idle idle"
  python3 bench/http/scale.py --pid "$pid" --port "$port" --idle "$idle" --path page=/
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
}

fieldsync 1024 "$idle"
nginx_run
fieldsync 15 2000
