#!/usr/bin/env bash
# Connection-per-request throughput of the landing page: wrk at 32
# connections against the fieldsync listener and against nginx (keep-alive
# off) serving the same bytes, in the same run. Prints both rates and their
# ratio. Usage: bash bench/http/run.sh [seconds per run, default 10]
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-10}

need_tools wrk nginx
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target http_landing_server http_templates >/dev/null

fs_port=$(free_port)
build/bench/http/http_landing_server --port "$fs_port" --dir build/dist >"$work/server.log" 2>&1 &
server_pid=$!
track_process "$server_pid"
wait_for_http "$fs_port" 50

# nginx serves the page exactly as fieldsync sends it to a remote caller.
curl -sf "http://127.0.0.1:$fs_port/" -o "$work/page.html"
nginx_page "$work/page.html"
ng_port=$nginx_port

fs_size=$(curl -s "http://127.0.0.1:$fs_port/" | wc -c)
ng_size=$(curl -s "http://127.0.0.1:$ng_port/" | wc -c)
echo "page bytes: fieldsync $fs_size, nginx $ng_size"

rate() {  # url server-pid -> requests per second; CPU and switches per request on stderr
  local before after
  before=$(python3 bench/http/procstat.py "$2")
  wrk_close 32 "$1"
  after=$(python3 bench/http/procstat.py "$2")
  wrk_errors
  local requests
  requests=$(wrk_requests)
  python3 -c "
b=[float(x) for x in '$before'.split()]; a=[float(x) for x in '$after'.split()]; n=$requests
print(f'    {n} requests, CPU {(a[0]-b[0])/n*1e6:.1f} us/request, {(a[1]-b[1])/n:.2f} context switches/request')" >&2
  wrk_rate
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
