#!/usr/bin/env bash
# Starts a Firebird server on loopback (port 3050) unless one is already
# listening, and prints the settings that the tests read, as shell
# assignments:
#   FIELDSYNC_FB_SERVER=localhost
#   FIELDSYNC_FB_PASSWORD=<the SYSDBA password>
# Use: eval "$(bash scripts/firebird-server.sh)"
# The SYSDBA password is read from the Debian package's password file; when
# that file has none, the password "masterkey" is set in the security database.
set -euo pipefail

port=3050
password_file=/etc/firebird/3.0/SYSDBA.password
server=/usr/sbin/firebird

listening() { (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; }

password=""
if [ -r "$password_file" ]; then
  password=$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$password_file" | head -n 1)
fi
if [ -z "$password" ]; then
  password=masterkey
  # Embedded access to the security database needs no password (run as root).
  secdb=/var/lib/firebird/3.0/system/security3.fdb
  if [ -w "$secdb" ] && ! listening; then
    printf "create or alter user SYSDBA password '%s' using plugin Srp;\ncommit;\n" "$password" |
      isql-fb -q -user SYSDBA "$secdb" >&2 || true
  fi
fi

if ! listening; then
  if [ ! -x "$server" ]; then
    echo "firebird-server.sh: $server not found (install firebird3.0-server)" >&2
    exit 1
  fi
  mkdir -p /run/firebird3.0 /tmp/firebird
  setsid "$server" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 100); do
    listening && break
    sleep 0.2
  done
  if ! listening; then
    echo "firebird-server.sh: the server did not start listening on port $port" >&2
    exit 1
  fi
fi

echo "FIELDSYNC_FB_SERVER=localhost"
echo "FIELDSYNC_FB_PASSWORD=$password"
