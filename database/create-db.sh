#!/usr/bin/env bash
# Creates a fieldsync database: the schema, the demo data and, on request, a
# large volume of extra clients for benchmarks.
#
#   create-db.sh [--replace] [--large N] TARGET
#
# TARGET is either a file path, and the database is created embedded (isql-fb
# opens the file in process; no server is needed), or host:path (also
# host/port:path), and it is created through the Firebird server on that host.
# Through a server the user is ISC_USER (default SYSDBA) and the password
# ISC_PASSWORD, else the one in /etc/firebird/3.0/SYSDBA.password; the server
# writes the file, so its directory must be writable by the server's user.
#
# An existing database is never touched unless --replace is given:
# - embedded: without --replace an existing TARGET file is an error; with it,
#   the new database is built beside TARGET and moved over it only when every
#   step has succeeded (stop a service that has it open first);
# - server: without --replace the server refuses a file that exists; with it,
#   the existing database is dropped first (which fails while it is in use).
#
# --large N adds N clients of the representative 90 (generate-large.py) after
# the demo data and reports how long they took to load.
#
# Any SQL error stops the script with a non-zero exit status and the error;
# a half-built database is removed. Forced writes are off while loading and
# switched on again at the end.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ISQL="${ISQL:-isql-fb}"
GFIX="${GFIX:-gfix}"
PYTHON="${PYTHON:-python3}"
PASSWORD_FILE="${FIREBIRD_PASSWORD_FILE:-/etc/firebird/3.0/SYSDBA.password}"

usage() {
  echo "usage: create-db.sh [--replace] [--large N] TARGET   (TARGET: file path, or host:path)" >&2
  exit 2
}

fail() {
  echo "create-db.sh: $*" >&2
  exit 1
}

replace=0
large=0
target=""
while [ $# -gt 0 ]; do
  case "$1" in
    --replace) replace=1 ;;
    --large)
      [ $# -ge 2 ] || usage
      large="$2"
      shift
      ;;
    --large=*) large="${1#--large=}" ;;
    -h|--help) usage ;;
    -*) echo "create-db.sh: unknown option $1" >&2; usage ;;
    *)
      [ -z "$target" ] || usage
      target="$1"
      ;;
  esac
  shift
done
[ -n "$target" ] || usage
[[ "$large" =~ ^[0-9]+$ ]] || fail "--large needs a whole number, not '$large'"
command -v "$ISQL" >/dev/null || fail "$ISQL not found (install firebird3.0-utils)"

# host:path when a colon comes before the first slash.
remote=0
if [[ "$target" =~ ^[^/:]+: ]]; then
  remote=1
fi

# isql-fb and gfix take the user and password from the environment, which
# keeps the password off their command lines and out of the SQL.
export ISC_USER="${ISC_USER:-SYSDBA}"
if [ "$remote" = 1 ]; then
  # the password that scripts/firebird-server.sh announces, when no other is given
  ISC_PASSWORD="${ISC_PASSWORD:-${FIELDSYNC_FB_PASSWORD:-}}"
  if [ -z "${ISC_PASSWORD:-}" ] && [ -r "$PASSWORD_FILE" ]; then
    ISC_PASSWORD="$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$PASSWORD_FILE" | head -n 1)"
  fi
  [ -n "${ISC_PASSWORD:-}" ] || fail "no password for $ISC_USER: set ISC_PASSWORD or make $PASSWORD_FILE readable"
  export ISC_PASSWORD
fi

# Runs the SQL file $3 with isql-fb on the database $1 ($2 names it in
# messages); any error, or anything on standard error, fails. The file is
# given with -i: isql-fb reads a pipe on standard input many times slower.
run_sql() {
  local db="$1" what="$2" file="$3" errors
  errors="$(mktemp)"
  if ! "$ISQL" -q -bail -ch UTF8 "$db" -i "$file" 2>"$errors" >/dev/null || [ -s "$errors" ]; then
    echo "create-db.sh: $what failed:" >&2
    cat "$errors" >&2
    rm -f "$errors"
    return 1
  fi
  rm -f "$errors"
}

# Runs isql-fb without a database (CREATE DATABASE, CONNECT ... DROP).
run_bare_sql() {
  local what="$1" errors
  errors="$(mktemp)"
  if ! "$ISQL" -q -bail -ch UTF8 2>"$errors" >/dev/null || [ -s "$errors" ]; then
    echo "create-db.sh: $what failed:" >&2
    cat "$errors" >&2
    rm -f "$errors"
    return 1
  fi
  rm -f "$errors"
}

sql_quote() {
  printf "'%s'" "${1//\'/\'\'}"
}

forced_writes() {
  "$GFIX" -write "$2" "$1" || { echo "create-db.sh: gfix -write $2 $1 failed" >&2; return 1; }
}

# Builds the whole database at $1 (which must not exist yet). Sets created
# once the database exists, so that a failure removes only what this run made.
created=0
build() {
  local db="$1"
  echo "CREATE DATABASE $(sql_quote "$db") PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1252;" |
    run_bare_sql "creating $db" || return 1
  created=1
  forced_writes "$db" async || return 1
  run_sql "$db" "schema.sql" "$here/schema.sql" || return 1
  run_sql "$db" "demo-data.sql" "$here/demo-data.sql" || return 1
  if [ "$large" -gt 0 ]; then
    command -v "$PYTHON" >/dev/null || { echo "create-db.sh: $PYTHON not found (needed by --large)" >&2; return 1; }
    local start ms sql
    start=$(date +%s%N)
    sql="$(mktemp)"
    if ! "$PYTHON" "$here/generate-large.py" --clients "$large" >"$sql" ||
       ! run_sql "$db" "loading $large clients" "$sql"; then
      rm -f "$sql"
      return 1
    fi
    rm -f "$sql"
    ms=$((($(date +%s%N) - start) / 1000000))
    printf 'create-db.sh: loaded %s clients in %d.%d s\n' "$large" $((ms / 1000)) $((ms % 1000 / 100))
  fi
  run_sql "$db" "synchronising the generators" <(echo "EXECUTE PROCEDURE SINCRONIZAR_GERADORES; COMMIT;") || return 1
  forced_writes "$db" sync || return 1
}

drop_database() {
  echo "CONNECT $(sql_quote "$1"); DROP DATABASE;" | run_bare_sql "dropping $1"
}

if [ "$remote" = 1 ]; then
  if [ "$replace" = 1 ]; then
    # Drop it when it exists; any other failure to drop it is reported.
    errors="$(mktemp)"
    if echo "CONNECT $(sql_quote "$target"); DROP DATABASE;" | "$ISQL" -q -bail 2>"$errors" >/dev/null; then
      echo "create-db.sh: dropped the existing $target"
    elif ! grep -q "No such file or directory" "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      fail "could not drop the existing $target"
    fi
    rm -f "$errors"
  fi
  if ! build "$target"; then
    if [ "$created" = 1 ]; then
      drop_database "$target" >/dev/null 2>&1 || true
    fi
    exit 1
  fi
else
  case "$target" in
    /*) ;;
    *) target="$(pwd)/$target" ;;
  esac
  dir="$(dirname "$target")"
  [ -d "$dir" ] || fail "directory $dir does not exist"
  if [ -e "$target" ] && [ "$replace" != 1 ]; then
    fail "$target exists; remove it or give --replace"
  fi
  work="$dir/.$(basename "$target").creating.$$"
  rm -f "$work"
  trap 'rm -f "$work"' EXIT
  build "$work" || exit 1
  mv -f "$work" "$target"
  trap - EXIT
fi
echo "create-db.sh: created $target"
