#!/usr/bin/env bash
# Speed and memory of the sales-force methods, all in one run against the real
# executable from build/dist on an embedded database of the large volume
# (database/create-db.sh --large, 100,000 clients by default):
#   1. GetTodosClientes over HTTP (whole answer: time, bytes, the server's CPU
#      and peak resident size) against the bare fetch of the same query by
#      build/bench/service/todosclientes_fetch (a service instance runs the
#      method, every value of the reader is read, nothing written);
#   2. GetAtividadeSN/1 against EchoString/abc with wrk, one request per
#      connection ("Connection: close"), at 32 and at 16 connections, with the
#      non-2xx answers and socket errors counted apart;
#   3. an upload burst: ORDERS orders of representative 90, each SetPedido and
#      ten SetItensPedido, from THREADS client threads; every answer must be
#      {"result":["",true]}, and the rows written are counted afterwards;
#   4. HANDHELDS handhelds (50) starting their morning sync at once against
#      the demo database, attachments reused and not (handhelds.sh; at the
#      end, once the large database's service has stopped);
#   5. GetTodosClientes asked with "Accept-Encoding: gzip" against the plain
#      answer: bytes on the wire and time;
#   6. with REUSE_COMPARE=1 (the default), the service again with
#      FIELDSYNC_DB_REUSE=0 (an attachment per call) for one wrk round of each
#      path, side by side with the figures above;
#   7. BURST (16) GetTodosClientes at once against as many bare fetches at
#      once in one process (todosclientes_fetch with FETCH_THREADS): the
#      burst's time, the service's peak resident size against the answer
#      budget, its resident size every half second for 10 s after;
#   8. GetTodosClientes and its bare fetch again over a UTF8 connection
#      (ServerCharSet=UTF8; the rest runs over WIN1252).
# wrk also measures the landing page, served by the service and by nginx
# (keep-alive off, the same bytes), the anchor of the per-call figures.
# The database is embedded: the service opens the file in its own process, so
# the bare fetch runs before the service starts and the rows are counted after
# it stops (an embedded database is open in one process at a time).
#
# Usage: bash bench/service/run.sh [seconds per wrk run, default 10]
# The summary is also left in build/bench/service/last-run.txt (with the perf
# data files when PROFILE=1).
# Environment: CLIENTS (100000), ORDERS (1000), THREADS (8), REPS (3 calls
# of GetTodosClientes per client kind and 3 bare fetches), ROUNDS (3 wrk
# rounds per connection count, the two paths alternating), PROFILE=1 to record perf profiles
# after the measured runs (GetAtividadeSN under wrk, one GetTodosClientes, a
# second upload burst of 200 orders) and print where the time goes; BUILD=0
# to use the build as it is.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
duration=${1:-10}
clients=${CLIENTS:-100000}
orders=${ORDERS:-1000}
threads=${THREADS:-8}
reps=${REPS:-3}
representative=90
first_order=500001

need_tools wrk nginx
burst=${BURST:-16}
build

pid=""
stop_service() {
  stop_process "$pid"
  pid=""
}
# start_service [log name] [environment...]: the service from $work/dist.
start_service() {
  local log=${1:-service}
  shift || true
  env "$@" "$work/dist/fieldsync" --headless >"$work/$log.log" 2>&1 &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" || { echo "the service did not start:" >&2; cat "$work/$log.log" >&2; exit 1; }
}

database="$work/erp.fdb"
sql() { isql "$database"; }

echo "creating the database with $clients clients (embedded) ..." >&2
bash database/create-db.sh --large "$clients" "$database" >/dev/null

port=$(free_port)
program_copy "$work/dist" "$database"
set_branch_port "$database" "$port"
before=$(sql <<<"set heading off; select count(*) from PEDIDOPALM where IDREPRESENTANTE = $representative;" | tr -d ' \n')
[ "$before" = 0 ] || { echo "representative $representative already has orders" >&2; exit 1; }

say "== fieldsync service benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, embedded database, $clients clients"
say "load average at start: $(load)"

# ---- 1a. the bare fetch (before the service holds the database) ----
say "-- GetTodosClientes: bare fetch of the same query ($reps repetitions)"
FIELDSYNC_DRIVERS_FILE="$work/dist/dbxdrivers.ini" FIELDSYNC_CONNECTIONS_FILE="$work/dist/dbxconnections.ini" \
  build/bench/service/todosclientes_fetch "$reps" | tr -s '\t ' ' ' | tee "$work/fetch.txt" | tee -a "$work/summary.txt"
say "-- GetTodosClientes: $burst bare fetches at once in one process"
FIELDSYNC_DRIVERS_FILE="$work/dist/dbxdrivers.ini" FIELDSYNC_CONNECTIONS_FILE="$work/dist/dbxconnections.ini" \
  FETCH_THREADS="$burst" build/bench/service/todosclientes_fetch | tr -s '\t ' ' ' | tee "$work/fetch-burst.txt" | tee -a "$work/summary.txt"
# The same single fetch over a UTF8 connection (the connection's character
# set decides how the server hands text over).
cp "$work/dist/dbxconnections.ini" "$work/utf8.ini"
sed -i "s|^ServerCharSet=.*|ServerCharSet=UTF8|" "$work/utf8.ini"
say "-- GetTodosClientes: bare fetch over a UTF8 connection ($reps repetitions)"
FIELDSYNC_DRIVERS_FILE="$work/dist/dbxdrivers.ini" FIELDSYNC_CONNECTIONS_FILE="$work/utf8.ini" \
  build/bench/service/todosclientes_fetch "$reps" | tr -s '\t ' ' ' | tee "$work/fetch-utf8.txt" | tee -a "$work/summary.txt"

# ---- start the service ----
start_service

# nginx serves the service's landing page, the same bytes, keep-alive off.
curl -sf "http://127.0.0.1:$port/" -o "$work/page.html"
nginx_page "$work/page.html"

# ---- 1b. the same over HTTP ----
# A plain client (acknowledgements left to the kernel, as curl or a handheld
# does), then a client that acknowledges every segment at once: the server
# sends through 32 KiB socket buffers, and on loopback each full buffer then
# waits for the client's delayed acknowledgement (about 40 ms).
for client in plain quickack; do
  say "-- GetTodosClientes over HTTP, $client client ($reps calls, one at a time; load average $(load))"
  python3 bench/service/client.py todos "$port" "$pid" "$reps" "$client" | tee -a "$work/http.txt" | tee -a "$work/summary.txt"
done

# ---- 2. requests per second ----
wrk_run() {  # connections path [port] -> "rate requests non2xx socket-errors ok-rate"
  wrk_close "$1" "http://127.0.0.1:${3:-$port}$2"
  python3 - "$work/wrk.txt" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
rate = float(re.search(r"Requests/sec:\s*([\d.]+)", text).group(1))
total = int(re.search(r"(\d+) requests in", text).group(1))
non2xx = re.search(r"Non-2xx or 3xx responses:\s*(\d+)", text)
non2xx = int(non2xx.group(1)) if non2xx else 0
errors = re.search(r"Socket errors: (.*)", text)
print("%.1f %d %d %s %.1f" % (rate, total, non2xx, errors.group(1).replace(" ", "") if errors else "none",
                              rate * (total - non2xx) / max(total, 1)))
PY
}
rounds=${ROUNDS:-3}
for connections in 32 16; do
  for round in $(seq "$rounds"); do
    say "-- wrk -t2 -c$connections -d${duration}s -H 'Connection: close', round $round of $rounds (load average $(load))"
    read -r rate total non2xx errors ok < <(wrk_run "$connections" / "$nginx_port")
    say "$(printf 'wrk c=%s nginx %-40s %7s req/s  requests=%s non2xx=%s socket_errors=%s  2xx=%s/s' \
      "$connections" / "$rate" "$total" "$non2xx" "$errors" "$ok")"
    for path in / /datasnap/rest/TServerMethods1/GetAtividadeSN/1 /datasnap/rest/TServerMethods1/EchoString/abc; do
      read -r rate total non2xx errors ok < <(wrk_run "$connections" "$path")
      say "$(printf 'wrk c=%s %-46s %7s req/s  requests=%s non2xx=%s socket_errors=%s  2xx=%s/s' \
        "$connections" "$path" "$rate" "$total" "$non2xx" "$errors" "$ok")"
    done
  done
done
say "GetAtividadeSN/1 answers: $(curl -s "http://127.0.0.1:$port/datasnap/rest/TServerMethods1/GetAtividadeSN/1" | head -c 300)"
# What the non-2xx answers are: 48 requests at once, more than the 32 modules.
say "-- 48 GetAtividadeSN/1 requests at once"
python3 bench/service/client.py burst "$port" /datasnap/rest/TServerMethods1/GetAtividadeSN/1 48 | tee -a "$work/summary.txt"

# ---- 3. upload burst ----
say "-- upload burst: $orders orders x (SetPedido + 10 SetItensPedido), $threads client threads (load average $(load))"
python3 bench/service/client.py upload "$port" "$representative" "$first_order" "$orders" "$threads" | tee -a "$work/summary.txt"
say "VmHWM of the service at the end: $(awk '/VmHWM/ {print $2, $3}' /proc/$pid/status)"
expected_orders=$orders
expected_items=$((orders * 10))

# ---- 7. a burst of client-list downloads ----
say "-- $burst GetTodosClientes at once (load average $(load))"
python3 bench/service/client.py todosburst "$port" "$pid" "$burst" | tee -a "$work/summary.txt" || say "BURST FAILED"

# ---- 5. gzip ----
todos_url="http://127.0.0.1:$port/datasnap/rest/TServerMethods1/GetTodosClientes"
for encoding in identity gzip identity gzip; do
  say "$(curl -s -o /dev/null -H "Accept-Encoding: $encoding" -w "gzip check: Accept-Encoding $encoding: %{size_download} bytes on the wire in %{time_total} s" "$todos_url")"
done
say "VmRSS of the service after the calls: $(awk '/VmRSS/ {print $2, $3}' /proc/$pid/status)"

# ---- optional profiles ----
if [ "${PROFILE:-0}" = 1 ]; then
  profile() {  # label command...
    local label=$1; shift
    perf record -q -g -p "$pid" -o "$work/$label.perf" 2>/dev/null &
    local perf_pid=$!
    sleep 1
    "$@" >/dev/null
    kill -INT "$perf_pid"; wait "$perf_pid" 2>/dev/null || true
    say "-- perf: $label, share of samples by library"
    perf report -i "$work/$label.perf" --no-children --sort dso --stdio 2>/dev/null |
      grep -E '^ +[0-9.]+%' | head -n 8 | tee -a "$work/summary.txt" || true
    say "-- perf: $label, top symbols"
    perf report -i "$work/$label.perf" --no-children --sort dso,symbol --stdio -g none 2>/dev/null |
      grep -E '^ +[0-9.]+%' | head -n 15 | cut -c1-110 | sed 's/ *$//' | tee -a "$work/summary.txt" || true
  }
  profile atividade wrk -t2 -c32 -d5s -H "Connection: close" "http://127.0.0.1:$port/datasnap/rest/TServerMethods1/GetAtividadeSN/1"
  profile todosclientes python3 bench/service/client.py todos "$port" "$pid" 1 quickack
  profile upload python3 bench/service/client.py upload "$port" "$representative" $((first_order + orders)) 200 "$threads"
  expected_orders=$((expected_orders + 200))
  expected_items=$((expected_items + 2000))
fi

# ---- 8. GetTodosClientes over a UTF8 connection ----
stop_service
cp "$work/dist/dbxconnections.ini" "$work/win1252.ini"
cp "$work/utf8.ini" "$work/dist/dbxconnections.ini"
start_service service-utf8
say "-- GetTodosClientes over HTTP, UTF8 connection, quickack client ($reps calls, one at a time; load average $(load))"
python3 bench/service/client.py todos "$port" "$pid" "$reps" quickack | sed 's/^http /http-utf8 /' | tee -a "$work/http.txt" | tee -a "$work/summary.txt"
stop_service
cp "$work/win1252.ini" "$work/dist/dbxconnections.ini"

# ---- 6. the same with an attachment per call ----
if [ "${REUSE_COMPARE:-1}" = 1 ]; then
  stop_service
  start_service service-noreuse FIELDSYNC_DB_REUSE=0
  for path in /datasnap/rest/TServerMethods1/GetAtividadeSN/1 /datasnap/rest/TServerMethods1/EchoString/abc; do
    read -r rate total non2xx errors ok < <(wrk_run 32 "$path")
    say "$(printf 'FIELDSYNC_DB_REUSE=0, wrk with 32 connections: %-46s %7s req/s  requests=%s non2xx=%s socket_errors=%s  2xx=%s/s' \
      "$path" "$rate" "$total" "$non2xx" "$errors" "$ok")"
  done
fi

# ---- stop the service, count the rows ----
# (the handhelds of section 4 run after the rows are counted)
stop_service
counts=$(sql <<<"set heading off;
select count(*) from PEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = $representative;
select count(*) from ITENSPEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = $representative;" | tr -s ' \n' ' ')
read -r header_rows item_rows <<<"$counts"
say "rows written: PEDIDOPALM $header_rows (expected at most $expected_orders), ITENSPEDIDOPALM $item_rows (expected at most $expected_items)"
# Refused handheld calls write nothing; the upload burst must be complete.
[ "$header_rows" -ge "$orders" ] && [ "$header_rows" -le "$expected_orders" ] && [ "$item_rows" -le "$expected_items" ] || { say "ROWS LOST"; exit 1; }

# ---- summary ----
python3 - "$work/fetch.txt" "$work/http.txt" "$work/summary.txt" <<'PY' | tee -a "$work/summary.txt"
import re, statistics, sys
def rows(path, prefix):
    return [dict(re.findall(r"(\w+)=(\S+)", line)) for line in open(path) if line.startswith(prefix)]
fetch = rows(sys.argv[1], "fetch ")
fetch_utf8 = rows(sys.argv[1].replace("fetch.txt", "fetch-utf8.txt"), "fetch ")
fetch_burst = rows(sys.argv[1].replace("fetch.txt", "fetch-burst.txt"), "burst ")
http = rows(sys.argv[2], "http ")
before = [l for l in open(sys.argv[2]) if l.startswith("service_vmhwm_before_kib=")][0].split("=")[1]
f = statistics.median(float(r["total_ms"]) for r in fetch)
print("== GetTodosClientes: bare fetch median %.0f ms (CPU %.0f ms); service VmHWM %.1f MiB before the first call, "
      "%.1f MiB after the last; answer %.1f MiB"
      % (f, statistics.median(float(r["cpu_ms"]) for r in fetch), int(before) / 1024,
         int(http[-1]["vmhwm_kib"]) / 1024, int(http[0]["answer_bytes"]) / 2**20))
for client in ("plain", "quickack"):
    calls = [r for r in http if r["client"] == client]
    h = statistics.median(float(r["total_ms"]) for r in calls)
    print("== GetTodosClientes over HTTP, %s client: median %.0f ms (first byte %.0f ms, server CPU %.0f ms) = %.2f x the bare fetch"
          % (client, h, statistics.median(float(r["first_byte_ms"]) for r in calls),
             statistics.median(float(r["server_cpu_ms"]) for r in calls), h / f))
utf8 = [r for r in rows(sys.argv[2], "http-utf8 ")]
if utf8 and fetch_utf8:
    fu = statistics.median(float(r["total_ms"]) for r in fetch_utf8)
    hu = statistics.median(float(r["total_ms"]) for r in utf8)
    print("== GetTodosClientes over UTF8: bare fetch median %.0f ms (CPU %.0f ms); HTTP quickack median %.0f ms "
          "(server CPU %.0f ms) = %.2f x the bare fetch; answer %.1f MiB"
          % (fu, statistics.median(float(r["cpu_ms"]) for r in fetch_utf8), hu,
             statistics.median(float(r["server_cpu_ms"]) for r in utf8), hu / fu, int(utf8[0]["body_bytes"]) / 2**20))
calls = [r for r in http if r["client"] == "quickack"]
growth = (int(calls[0]["vmhwm_kib"]) - int(before)) * 1024
print("== GetTodosClientes peak growth (WIN1252, first call): %.1f MiB for a %.1f MiB body = %.2f x"
      % (growth / 2**20, int(calls[0]["body_bytes"]) / 2**20, growth / int(calls[0]["body_bytes"])))
summary = open(sys.argv[3]).read()
b = dict(re.findall(r"(\w+)=(\S+)", next((l for l in summary.splitlines() if l.startswith("todosburst ")), "")))
if b and fetch_burst:
    print("== %s GetTodosClientes at once: %.1f s against %.1f s for as many bare fetches at once = %.2f x; "
          "service VmHWM %.0f MiB (budget 512 MiB, VmRSS before %.0f MiB)"
          % (b["count"], float(b["total_ms"]) / 1000, float(fetch_burst[0]["total_ms"]) / 1000,
             float(b["total_ms"]) / float(fetch_burst[0]["total_ms"]), int(b["vmhwm_after_kib"]) / 1024,
             int(b["vmrss_before_kib"]) / 1024))
nginx = {}
for c in ("32", "16"):
    n = [float(x) for x in re.findall(r"wrk c=%s nginx /\s+([\d.]+) req/s" % c, summary)]
    e = [float(x) for x in re.findall(r"wrk c=%s \S*EchoString\S*\s+([\d.]+) req/s" % c, summary)]
    if n and e:
        print("== wrk c=%s medians: nginx landing page %.0f req/s; EchoString/abc = %.3f x nginx"
              % (c, statistics.median(n), statistics.median(e) / statistics.median(n)))
for c in ("32", "16"):
    a = [float(x) for x in re.findall(r"wrk c=%s \S*GetAtividadeSN\S*\s+([\d.]+) req/s" % c, summary)]
    e = [float(x) for x in re.findall(r"wrk c=%s \S*EchoString\S*\s+([\d.]+) req/s" % c, summary)]
    a2 = [float(x) for x in re.findall(r"wrk c=%s \S*GetAtividadeSN.*2xx=([\d.]+)/s" % c, summary)]
    e2 = [float(x) for x in re.findall(r"wrk c=%s \S*EchoString.*2xx=([\d.]+)/s" % c, summary)]
    l = [float(x) for x in re.findall(r"wrk c=%s /\s+([\d.]+) req/s" % c, summary)]
    if l:
        print("== wrk c=%s medians: landing page %.0f req/s; EchoString/abc = %.3f x the landing page"
              % (c, statistics.median(l), statistics.median(e) / statistics.median(l)))
    print("== wrk c=%s medians: GetAtividadeSN/1 %.0f req/s (2xx %.0f/s), EchoString/abc %.0f req/s (2xx %.0f/s); "
          "ratio %.2f (2xx: %.2f)" % (c, statistics.median(a), statistics.median(a2), statistics.median(e),
                                      statistics.median(e2), statistics.median(a) / statistics.median(e),
                                      statistics.median(a2) / statistics.median(e2)))
PY
bash bench/service/handhelds.sh | tee -a "$work/summary.txt"
say "load average at the end: $(load)"
# Kept for later reading: the summary, and the profiles when recorded.
mkdir -p build/bench/service
cp "$work/summary.txt" build/bench/service/last-run.txt
cp "$work"/*.perf build/bench/service/ 2>/dev/null || true
