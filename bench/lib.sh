# shellcheck shell=bash
# What the benchmark scripts share; sourced by them after they have changed
# to the top of the source tree:
#
#   cd "$(dirname "$0")/../.." && source bench/lib.sh
#
# It makes the scratch directory $work, removed when the script ends
# together with every process started through track_process that is still
# running. The scripts set `duration` (seconds of one wrk run) before they
# call wrk_close.

# need_tools wrk [nginx]: installs the bench-only tools that are missing
# (Debian's wrk, nginx-light).
need_tools() {
  local tool missing=()
  for tool in "$@"; do
    case $tool in
      wrk) command -v wrk >/dev/null || missing+=(wrk) ;;
      nginx) [ -x /usr/sbin/nginx ] || missing+=(nginx-light) ;;
      *) echo "need_tools: no package known for $tool" >&2; return 1 ;;
    esac
  done
  [ ${#missing[@]} = 0 ] || DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
    --no-install-recommends "${missing[@]}"
}

# build: the Release build (scripts/build.sh); BUILD=0 uses the build as it is.
build() {
  [ "${BUILD:-1}" = 0 ] || bash scripts/build.sh >/dev/null
}

# firebird_server: a Firebird server on loopback; exports FIELDSYNC_FB_SERVER
# and FIELDSYNC_FB_PASSWORD.
firebird_server() {
  set -a
  eval "$(bash scripts/firebird-server.sh)"
  set +a
}

work=$(mktemp -d)
tracked_pids=()

# track_process pid: the process is stopped when the script ends.
track_process() {
  tracked_pids+=("$1")
}

# stop_process pid: a termination signal; after 60 s without an end, a kill.
stop_process() {
  local pid=$1 p kept=()
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 120); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "process $pid did not end within 60 s of the termination signal; killed" >&2
    kill -9 "$pid" 2>/dev/null || true
  fi
  wait "$pid" 2>/dev/null || true
  for p in "${tracked_pids[@]}"; do [ "$p" = "$pid" ] || kept+=("$p"); done
  tracked_pids=("${kept[@]}")
}

bench_cleanup() {
  local pid
  for pid in "${tracked_pids[@]}"; do stop_process "$pid"; done
  rm -rf "$work"
}
trap bench_cleanup EXIT
trap "exit 130" INT TERM

# free_port: a port free now that fits the branch row's 16-bit signed column.
free_port() {
  python3 -c 'import random, socket, sys
for _ in range(1000):
    p = random.randrange(20000, 32000)
    with socket.socket() as s:
        try:
            s.bind(("0.0.0.0", p))
        except OSError:
            continue
    print(p)
    sys.exit(0)
sys.exit("no free port found")'
}

# wait_for_http port [tries]: until the landing page answers on the port,
# trying every 0.1 s (300 times by default); fails when it never does.
wait_for_http() {
  local port=$1 tries=${2:-300}
  for _ in $(seq "$tries"); do
    curl -sf -o /dev/null "http://127.0.0.1:$port/" && return 0
    sleep 0.1
  done
  echo "nothing answers on http://127.0.0.1:$port/" >&2
  return 1
}

# isql database: isql-fb as SYSDBA on the database (host:path through the
# server, with FIELDSYNC_FB_PASSWORD; a bare path embedded), stopping at the
# first error.
isql() {
  # The login through the environment: a password on the command line would
  # show in the process list.
  ISC_USER=SYSDBA ISC_PASSWORD="${FIELDSYNC_FB_PASSWORD:-${ISC_PASSWORD:-}}" isql-fb -q -bail "$1"
}

# set_branch_port database port [branch]: the branch's service listens on the
# port (FILIAL.PORTA_MOBILE; branch 1 by default).
set_branch_port() {
  isql "$1" <<<"update FILIAL set PORTA_MOBILE = $2 where IDFILIAL = ${3:-1}; commit;" >/dev/null
}

# program_copy directory database [branch]: a copy of build/dist in the
# directory that serves the branch (1 by default) from the database (as
# set_branch_port takes it), over a WIN1252 connection.
program_copy() {
  local directory=$1 database=$2 branch=${3:-1}
  rm -rf "$directory" && cp -r build/dist "$directory"
  printf '%s\r\n' "$branch" > "$directory/fil.txt"
  sed -i "s|^Database=.*|Database=$database|; s|^ServerCharSet=.*|ServerCharSet=WIN1252|" "$directory/dbxconnections.ini"
  [ -z "${FIELDSYNC_FB_PASSWORD:-}" ] || sed -i "s|^Password=.*|Password=$FIELDSYNC_FB_PASSWORD|" "$directory/dbxconnections.ini"
}

# nginx_page page-file [worker-connections [open-files]]: nginx on a free
# port serving the page as "/" with keep-alive off, as the service sends its
# landing page; sets nginx_port and nginx_pid (tracked).
nginx_page() {
  local connections=${2:-1024} files=${3:-}
  chmod a+rx "$work"  # for the workers, keeping what else may write there
  mkdir -p "$work/html" "$work/nginx-tmp"
  cp "$1" "$work/html/index.html"
  chmod 644 "$work/html/index.html"
  nginx_port=$(free_port)
  cat >"$work/nginx.conf" <<CONF
worker_processes auto;
${files:+worker_rlimit_nofile $files;}
pid $work/nginx.pid;
error_log $work/nginx-error.log;
daemon off;
events { worker_connections $connections; }
http {
  access_log off;
  keepalive_timeout 0;
  server_tokens off;
  client_body_temp_path $work/nginx-tmp;
  server {
    listen 127.0.0.1:$nginx_port;
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
  track_process "$nginx_pid"
  wait_for_http "$nginx_port" 50
}

# wrk_close connections url: wrk for $duration seconds, one request per
# connection as the handhelds call, its report in $work/wrk.txt; then
# wrk_rate, wrk_requests and wrk_errors read that report.
wrk_close() {
  # shellcheck disable=SC2154  # duration is the sourcing script's
  wrk -t2 -c"$1" -d"${duration}s" -H "Connection: close" "$2" >"$work/wrk.txt"
}
wrk_rate() { awk '/Requests\/sec/ {print $2}' "$work/wrk.txt"; }
wrk_requests() { awk '/requests in/ {print $1}' "$work/wrk.txt"; }
# The socket errors and non-2xx answers of the run, indented, on standard error.
wrk_errors() { grep -E "Socket errors|Non-2xx" "$work/wrk.txt" | sed 's/^/    /' >&2 || true; }

# say text: printed and kept in $work/summary.txt.
say() { printf '%s\n' "$*" | tee -a "$work/summary.txt"; }
load() { cut -d' ' -f1-3 /proc/loadavg; }
