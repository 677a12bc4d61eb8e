#!/usr/bin/env bash
# Makes sure a Firebird server listens on loopback (port 3050) and that the
# tests can log in to it, then prints the settings that the tests read, as
# shell assignments:
#   FIELDSYNC_FB_SERVER=<the loopback address it listens on: 127.0.0.1 or [::1]>
#   FIELDSYNC_FB_PASSWORD=<the SYSDBA password>
# Use: eval "$(bash scripts/firebird-server.sh)"
#
# Debian's server binds the address that "localhost" resolves to first: on a
# machine whose hosts file also maps localhost to ::1 that is [::1] alone. So
# the tests are given the address that actually listens, never the name.
# The SYSDBA password is FIELDSYNC_FB_PASSWORD when set, else the one in the
# Debian package's password file; when neither exists, "masterkey" is set in
# the security database. A server already listening is used when the tests
# can log in to it, and refused with a clear message when they cannot.
set -euo pipefail

port=3050
password_file=/etc/firebird/3.0/SYSDBA.password
server=/usr/sbin/firebird

# The loopback address a server listens on, or nothing.
listening_address() {
  if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
    echo 127.0.0.1
  elif (exec 3<>/dev/tcp/::1/$port) 2>/dev/null; then
    echo '[::1]'
  fi
}

password=${FIELDSYNC_FB_PASSWORD:-}
origin="FIELDSYNC_FB_PASSWORD"
if [ -z "$password" ] && [ -r "$password_file" ]; then
  origin=$password_file
  password=$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' "$password_file" | head -n 1)
fi
if [ -z "$password" ]; then
  password=masterkey
  origin="the default (masterkey)"
  # Embedded access to the security database needs no password (run as root).
  secdb=/var/lib/firebird/3.0/system/security3.fdb
  if [ -w "$secdb" ] && [ -z "$(listening_address)" ]; then
    printf "create or alter user SYSDBA password '%s' using plugin Srp;\ncommit;\n" "$password" |
      isql-fb -q -user SYSDBA "$secdb" >&2 || true
  fi
fi

address=$(listening_address)
if [ -z "$address" ]; then
  if [ ! -x "$server" ]; then
    echo "firebird-server.sh: $server not found (install firebird3.0-server)" >&2
    exit 1
  fi
  mkdir -p /run/firebird3.0 /tmp/firebird
  setsid "$server" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 100); do
    address=$(listening_address)
    [ -n "$address" ] && break
    sleep 0.2
  done
  if [ -z "$address" ]; then
    echo "firebird-server.sh: the server did not start listening on port $port of 127.0.0.1 or ::1" >&2
    exit 1
  fi
fi

# Logging in through the service manager needs no database.
if ! answer=$(fbsvcmgr "$address/$port:service_mgr" -user SYSDBA -password "$password" info_server_version 2>&1); then
  echo "firebird-server.sh: a Firebird server listens on $address port $port, but SYSDBA cannot log in to it" \
    "with the password from $origin" \
    "($(echo "$answer" | tr '\n' ' ')); stop that server or set FIELDSYNC_FB_PASSWORD to its SYSDBA password" >&2
  exit 1
fi

echo "FIELDSYNC_FB_SERVER=$address"
echo "FIELDSYNC_FB_PASSWORD=$password"
