#!/usr/bin/env bash
# Installs what is needed, builds, and runs the service on the embedded demo
# database from build/dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -x build/dist/fieldsync ]; then
  exec build/dist/fieldsync --headless
fi
echo "run.sh: build/dist/fieldsync is not built yet" >&2
exit 1
