#!/usr/bin/env bash
# What a row window costs, all in one run on an embedded database of the large
# volume (database/create-db.sh --large, 100,000 clients by default):
#   1. in process (build/bench/service/todosclientes_fetch), before the
#      service holds the database: the bare fetch of GetTodosClientes' query,
#      every row, and the same stopped after 51 rows (what a window of 50 rows
#      reads: one row past it);
#   2. over HTTP against the real executable from build/dist: first the whole
#      table cached in a session (Accept: application/rest), read back whole
#      and as a window, then deleted, with the service's resident size at
#      each step; then, the paths
#      alternating, REPS rounds: GetTodosClientes whole, with ?t.r=0,50, with
#      ?t.o=50000&t.c=50 (a window that first skips 50,000 rows), and
#      EchoString/abc (a call that reads no table: the cost every call has).
# Prints the medians and the ratios; the summary is also left in
# build/bench/rest/window-last-run.txt.
#
# Usage: bash bench/rest/window.sh
# Environment: CLIENTS (100000), REPS (7), BUILD=0 to use the build as it is.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
clients=${CLIENTS:-100000}
reps=${REPS:-7}

build

database="$work/erp.fdb"
echo "creating the database with $clients clients (embedded) ..." >&2
bash database/create-db.sh --large "$clients" "$database" >/dev/null

port=$(free_port)
program_copy "$work/dist" "$database"
set_branch_port "$database" "$port"

say "== row window benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, embedded database, $clients clients"
say "load average at start: $(load)"

fetch() {  # label rows...
  local label=$1; shift
  FIELDSYNC_DRIVERS_FILE="$work/dist/dbxdrivers.ini" FIELDSYNC_CONNECTIONS_FILE="$work/dist/dbxconnections.ini" \
    build/bench/service/todosclientes_fetch "$reps" "$@" | sed "s/^fetch /fetch kind=$label /" | tee -a "$work/fetch.txt"
}
say "-- bare fetch in process, every row and 51 rows ($reps repetitions each)"
fetch all >/dev/null
fetch first51 51 >/dev/null

"$work/dist/fieldsync" --headless >"$work/service.log" 2>&1 &
pid=$!
track_process "$pid"
wait_for_http "$port" || { echo "the service did not start:" >&2; cat "$work/service.log" >&2; exit 1; }

base=/datasnap/rest/TServerMethods1
# First, while the service's heap is still small, what a cached table holds.
say "-- GetTodosClientes cached in a session (Accept: application/rest), read back, deleted"
python3 bench/rest/window.py cached "$port" "$pid" "$base/GetTodosClientes" | tee -a "$work/summary.txt"
say "-- over HTTP, $reps rounds, the paths alternating (load average $(load))"
python3 bench/rest/window.py calls "$port" "$pid" "$reps" \
  "$base/GetTodosClientes" "$base/GetTodosClientes?t.r=0,50" "$base/GetTodosClientes?t.o=50000&t.c=50" \
  "$base/EchoString/abc" >"$work/http.txt"
say "VmHWM of the service after the calls: $(awk '/VmHWM/ {print $2, $3}' /proc/$pid/status)"

python3 - "$work/fetch.txt" "$work/http.txt" <<'PY' | tee -a "$work/summary.txt"
import re, statistics, sys
def rows(path):
    return [dict(re.findall(r"(\w+)=(\S+)", line)) for line in open(path) if "=" in line and "vmhwm" not in line]
fetch, http = rows(sys.argv[1]), [r for r in rows(sys.argv[2]) if "path" in r]
def med(items, key):
    return statistics.median(float(r[key]) for r in items)
f = {kind: [r for r in fetch if r["kind"] == kind] for kind in ("all", "first51")}
for kind, label in (("all", "every row"), ("first51", "51 rows")):
    print("bare fetch, %-9s: median %8.1f ms (connect %.1f, query %.1f, fetch %.1f; CPU %.0f ms), rows %s"
          % (label, med(f[kind], "total_ms"), med(f[kind], "connect_ms"), med(f[kind], "query_ms"),
             med(f[kind], "fetch_ms"), med(f[kind], "cpu_ms"), f[kind][0]["rows"]))
paths = list(dict.fromkeys(r["path"] for r in http))
medians = {}
for path in paths:
    calls = [r for r in http if r["path"] == path]
    bad = [r for r in calls if r["status"] != "200"]
    medians[path] = med(calls, "ms")
    print("HTTP %-38s median %8.1f ms (min %.1f, max %.1f), server CPU median %.0f ms, answer %s bytes%s"
          % (path.split("TServerMethods1/")[-1], medians[path], min(float(r["ms"]) for r in calls),
             max(float(r["ms"]) for r in calls), med(calls, "cpu_ms"), calls[0]["bytes"],
             ", %d answers not 200" % len(bad) if bad else ""))
whole, window, skipped, echo = (medians[p] for p in paths)
print("== ratios: ?t.r=0,50 / whole call = %.4f;  ?t.r=0,50 / EchoString = %.2f;  "
      "?t.r=0,50 - EchoString = %.1f ms against the bare fetch of 51 rows %.1f ms (of which connect %.1f ms)"
      % (window / whole, window / echo, window - echo, med(f["first51"], "total_ms"), med(f["first51"], "connect_ms")))
print("== ?t.o=50000&t.c=50 / whole call = %.3f (the 50,000 skipped rows are fetched, not written)" % (skipped / whole))
PY
say "load average at the end: $(load)"
mkdir -p build/bench/rest
cp "$work/summary.txt" build/bench/rest/window-last-run.txt
