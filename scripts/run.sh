#!/usr/bin/env bash
# Installs what running needs, builds the program, and runs the service on
# the embedded demo database from build/dist/. On first run it creates the
# demo database (build/dist/ESTOQUE.FDB) and the branch file beside the
# executable; later runs keep what is there, so changes made through the
# service survive a restart, and reuse the packages and the build. Each step
# says what it does; the whole output of the steps goes to build/run.log,
# shown whole when a step fails. Stop the service with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh

dist="$(pwd)/build/dist"
database="$dist/ESTOQUE.FDB"
steps_log build/run.log
echo "fieldsync: the whole output of these steps goes to build/run.log"

step "Installing the Debian packages that building and running need" \
  "first time about a minute, later a second" bash scripts/install-deps.sh run
step "Building the program" "first time about 2 minutes on 2 cores, later seconds" \
  bash scripts/build.sh --program
if [ ! -f "$database" ]; then
  step "Creating the demo database $database" "about 10 seconds" bash database/create-db.sh "$database"
fi
[ -f "$dist/fil.txt" ] || printf '1\r\n' >"$dist/fil.txt"

# The service runs in the background until it answers, so that the last
# line can say where it answers; its messages go to the terminal as usual
# and to the log, where its port is read.
echo "Starting the service (a few seconds)..."
"$dist/fieldsync" --headless > >(tee -a build/run.log) 2>&1 &
service=$!
trap 'kill -TERM "$service" 2>/dev/null || true' INT TERM

port=""
for _ in $(seq 1 300); do
  if ! kill -0 "$service" 2>/dev/null; then
    status=0
    wait "$service" || status=$?
    echo "fieldsync ended before it answered (exit status $status); its messages are above and in build/run.log" >&2
    exit "$status"
  fi
  port=$(sed -n 's/.*listening on port \([0-9]*\) for branch.*/\1/p' build/run.log | tail -n 1)
  if [ -n "$port" ] && curl -s -o /dev/null --max-time 2 "http://localhost:$port/datasnap/rest/TServerMethods1/EchoString/ok"; then
    break
  fi
  sleep 0.2
done
if [ -n "$port" ]; then
  echo "fieldsync is serving the demo database: point a browser at http://localhost:$port/ (Ctrl+C stops it)"
else
  echo "fieldsync has not answered within a minute; its messages are above and in build/run.log (Ctrl+C stops it)"
fi
status=0
wait "$service" || status=$?
# Ctrl+C reaches the script too: wait for the service's own end.
while kill -0 "$service" 2>/dev/null; do
  wait "$service" || status=$?
done
exit "$status"
