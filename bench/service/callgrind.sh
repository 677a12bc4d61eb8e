#!/usr/bin/env bash
# Instructions per call, counted by callgrind (robust to a machine shared with
# other work, unlike timings): the real executable on the embedded demo
# database runs under valgrind; once it answers, collection is switched on,
# CALLS calls of each path are made one after the other (each a connection
# of its own), and collection is switched off again. Prints the instructions
# per call and the functions with the largest inclusive share.
# Usage: bash bench/service/callgrind.sh [calls per path, default 200]
# BUILD=0 uses the build as it is; PATHS replaces the two paths; WARM names
# the path of the warm-up calls (default: the measured path itself), e.g. a
# read method, so that the measured calls find attachments that keep statements.
set -euo pipefail
cd "$(dirname "$0")/../.."
source bench/lib.sh
calls=${1:-200}
build
database="$work/demo.fdb"
bash database/create-db.sh "$database" >/dev/null
port=$(free_port)
program_copy "$work/dist" "$database"
set_branch_port "$database" "$port"
for path in ${PATHS:-/datasnap/rest/TServerMethods1/EchoString/abc /datasnap/rest/TServerMethods1/GetAtividadeSN/1}; do
  name=$(basename "$(dirname "$path")")
  FIELDSYNC_ACCESS_LOG=0 valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$work/$name.out" \
    "$work/dist/fieldsync" --headless >"$work/$name.log" 2>&1 &
  pid=$!
  track_process "$pid"
  wait_for_http "$port" 1200
  # Warm: the first calls attach and prepare; the measured ones reuse.
  for _ in 1 2 3 4 5; do curl -sf -o /dev/null "http://127.0.0.1:$port${WARM:-$path}"; done
  callgrind_control -i on "$pid" >/dev/null
  for _ in $(seq "$calls"); do curl -sf -o /dev/null "http://127.0.0.1:$port$path"; done
  callgrind_control -i off "$pid" >/dev/null
  callgrind_control -d "$pid" >/dev/null
  # Under valgrind the engine's shutdown takes minutes; the counts are dumped.
  kill -KILL "$pid"
  stop_process "$pid"
  sleep 2
  out=$(ls -t "$work/$name.out"* | head -n 1)
  total=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
  say "== $path: $((total / calls)) instructions per call ($calls calls)"
  callgrind_annotate --inclusive=yes "$out" 2>/dev/null | grep -E '^ *[0-9,]+ +\(' | head -n 25 |
    cut -c1-150 | tee -a "$work/summary.txt" || true
done
mkdir -p build/bench/service
cp "$work/summary.txt" build/bench/service/callgrind-last-run.txt
