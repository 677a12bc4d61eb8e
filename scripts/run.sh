#!/usr/bin/env bash
# Installs what is needed, builds, and runs the service on the embedded demo
# database from build/dist/. On first run it creates the demo database
# (build/dist/ESTOQUE.FDB), the branch file and the two definitions files
# beside the executable; later runs keep what is there, so changes made
# through the service survive a restart. Stop it with Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

dist="$(pwd)/build/dist"
database="$dist/ESTOQUE.FDB"
if [ ! -f "$database" ]; then
  bash database/create-db.sh "$database"
fi
[ -f "$dist/fil.txt" ] || printf '1\r\n' > "$dist/fil.txt"
echo "fieldsync: serving the demo database; try http://localhost:8081/ (Ctrl+C stops it)"
exec "$dist/fieldsync" --headless
