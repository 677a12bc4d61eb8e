#!/usr/bin/env bash
# Connection-per-request throughput of the landing page: wrk at 32
# connections against the fieldsync listener and against nginx (keep-alive
# off) serving the same bytes, in the same run. Prints both rates and their
# ratio. Usage: bash bench/http/run.sh [seconds per run, default 10]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
duration=${1:-10}

# Bench-only tools.
if ! command -v wrk >/dev/null || ! [ -x /usr/sbin/nginx ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
    --no-install-recommends wrk nginx-light
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target http_landing_server http_templates >/dev/null

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
work=$(mktemp -d)
server_pid=""
nginx_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fs_port=$(free_port)
build/bench/http/http_landing_server --port "$fs_port" --dir build/dist >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$fs_port/" && break; sleep 0.1; done

# nginx serves the page exactly as fieldsync sends it to a remote caller.
chmod 755 "$work"
mkdir -p "$work/html"
curl -sf "http://127.0.0.1:$fs_port/" -o "$work/html/index.html"
chmod 644 "$work/html/index.html"
ng_port=$(free_port)
cat >"$work/nginx.conf" <<CONF
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
daemon off;
events { worker_connections 1024; }
http {
  access_log off;
  keepalive_timeout 0;
  server_tokens off;
  client_body_temp_path $work/tmp;
  server {
    listen 127.0.0.1:$ng_port;
    location / {
      root $work/html;
      index index.html;
      default_type "text/html; charset=ISO-8859-1";
      types { }
    }
  }
}
CONF
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$ng_port/" && break; sleep 0.1; done

fs_size=$(curl -s "http://127.0.0.1:$fs_port/" | wc -c)
ng_size=$(curl -s "http://127.0.0.1:$ng_port/" | wc -c)
echo "page bytes: fieldsync $fs_size, nginx $ng_size"

rate() {  # url server-pid -> requests per second; CPU and switches per request on stderr
  local before after
  before=$(python3 bench/http/procstat.py "$2")
  wrk -t2 -c32 -d"${duration}s" -H "Connection: close" "$1" >"$work/wrk.txt"
  after=$(python3 bench/http/procstat.py "$2")
  grep -E "Socket errors|Non-2xx" "$work/wrk.txt" | sed 's/^/    /' >&2 || true
  local requests
  requests=$(awk '/requests in/ {print $1}' "$work/wrk.txt")
  python3 -c "
b=[float(x) for x in '$before'.split()]; a=[float(x) for x in '$after'.split()]; n=$requests
print(f'    {n} requests, CPU {(a[0]-b[0])/n*1e6:.1f} us/request, {(a[1]-b[1])/n:.2f} context switches/request')" >&2
  awk '/Requests\/sec/ {print $2}' "$work/wrk.txt"
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Alternate short runs so that load from elsewhere on the machine falls on
# both servers alike; compare the medians.
rounds=${ROUNDS:-3}
fs_rates=()
ng_rates=()
for round in $(seq "$rounds"); do
  r=$(rate "http://127.0.0.1:$fs_port/" "$server_pid"); fs_rates+=("$r"); echo "round $round fieldsync $r req/s" >&2
  r=$(rate "http://127.0.0.1:$ng_port/" "$nginx_pid"); ng_rates+=("$r"); echo "round $round nginx     $r req/s" >&2
done
fs_rate=$(median "${fs_rates[@]}")
ng_rate=$(median "${ng_rates[@]}")
echo "median of $rounds: fieldsync ${fs_rate} req/s, nginx ${ng_rate} req/s, ratio $(python3 -c "print(round($fs_rate/$ng_rate, 2))")"
