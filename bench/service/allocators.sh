#!/usr/bin/env bash
# The per-call figures and the morning burst under each memory allocator, in
# one run against the real executable on an embedded database of the large
# volume (database/create-db.sh --large, 100,000 clients by default). For
# glibc's allocator, Debian's mimalloc and jemalloc (each through LD_PRELOAD
# of the system library), and glibc once more with FIELDSYNC_SHARE_READS=0:
#   1. wrk -t2 -c32, one request per connection: nginx serving the service's
#      landing page (the anchor), EchoString/abc and GetAtividadeSN/1;
#   2. one GetTodosClientes with gzip accepted on a fresh service: time and
#      the rise of the peak resident size;
#   3. BURST (16) GetTodosClientes at once with gzip accepted on a fresh
#      service: time, rise of the peak, resident size for 10 s after.
# Short rounds, the configurations one after the other in each round
# (ROUNDS, default 2), so that load from elsewhere falls on all alike.
# Usage: bash bench/service/allocators.sh [seconds per wrk run, default 3]
# BUILD=0 uses the build as it is; CLIENTS sets the volume; CONFIGS the
# configurations (default "glibc mimalloc jemalloc share-off").
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-3}
clients=${CLIENTS:-100000}
burst=${BURST:-16}
rounds=${ROUNDS:-2}
need_tools wrk nginx
build
lib=/usr/lib/$(gcc -print-multiarch)
for library in libmimalloc.so.2 libjemalloc.so.2; do
  [ -e "$lib/$library" ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -q libmimalloc-dev libjemalloc-dev >/dev/null
done
configs=(${CONFIGS:-glibc mimalloc jemalloc share-off})
environment() {  # config -> environment assignments for the service
  case $1 in
    glibc) echo "FIELDSYNC_ACCESS_LOG=0" ;;
    mimalloc) echo "FIELDSYNC_ACCESS_LOG=0 LD_PRELOAD=$lib/libmimalloc.so.2" ;;
    jemalloc) echo "FIELDSYNC_ACCESS_LOG=0 LD_PRELOAD=$lib/libjemalloc.so.2" ;;
    share-off) echo "FIELDSYNC_ACCESS_LOG=0 FIELDSYNC_SHARE_READS=0" ;;
  esac
}

database="$work/erp.fdb"
echo "creating the database with $clients clients (embedded) ..." >&2
bash database/create-db.sh --large "$clients" "$database" >/dev/null
port=$(free_port)
program_copy "$work/dist" "$database"
set_branch_port "$database" "$port"

pid=""
start_service() {  # config
  # shellcheck disable=SC2046  # the assignments are words
  env $(environment "$1") "$work/dist/fieldsync" --headless >"$work/service-$1.log" 2>&1 &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" || { echo "the service did not start:" >&2; cat "$work/service-$1.log" >&2; exit 1; }
}
stop_service() {
  stop_process "$pid"
  pid=""
}

say "== allocators, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, embedded database, $clients clients, load $(load)"
start_service glibc
curl -sf "http://127.0.0.1:$port/" -o "$work/page.html"
stop_service
nginx_page "$work/page.html"
todos_gzip() {  # -> "ms hwm-rise-kib"
  python3 - "$port" "$pid" <<'PY'
import sys
sys.path.insert(0, "bench")
sys.path.insert(0, "bench/service")
from client import get
from common import status_value
port, pid = int(sys.argv[1]), int(sys.argv[2])
before = status_value(pid, "VmHWM")
status, body, seconds, size, first = get(port, "/datasnap/rest/TServerMethods1/GetTodosClientes", timeout=900,
                                         headers="Accept-Encoding: gzip\r\n")
assert status == 200, status
print("%.0f %d %d" % (seconds * 1000, status_value(pid, "VmHWM") - before, size))
PY
}
for round in $(seq "$rounds"); do
  for config in "${configs[@]}"; do
    say "-- round $round, $config (load $(load))"
    start_service "$config"
    for path in / /datasnap/rest/TServerMethods1/EchoString/abc /datasnap/rest/TServerMethods1/GetAtividadeSN/1; do
      [ "$path" != / ] || { wrk_close 32 "http://127.0.0.1:$nginx_port/"; say "$config wrk nginx / $(wrk_rate) req/s"; }
      [ "$path" = / ] && continue
      wrk_close 32 "http://127.0.0.1:$port$path"
      say "$config wrk $path $(wrk_rate) req/s ($(wrk_requests) requests)"
      wrk_errors
    done
    stop_service
    start_service "$config"
    read -r ms rise bytes < <(todos_gzip)
    say "$config one GetTodosClientes gzip: $ms ms, $bytes bytes, peak resident +$((rise / 1024)) MiB"
    stop_service
    start_service "$config"
    python3 bench/service/client.py todosburst "$port" "$pid" "$burst" gzip | sed "s/^/$config /" | tee -a "$work/summary.txt"
    stop_service
  done
done
mkdir -p build/bench/service
cp "$work/summary.txt" build/bench/service/allocators-last-run.txt
