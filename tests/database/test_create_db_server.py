#!/usr/bin/env python3
"""Checks database/create-db.sh through a running Firebird server: creates
the demo database as host:path, is refused a second time, replaces it with
--replace, and drops it at the end.

Skipped (exit status 77) when no server listens on the host and port, or
when no SYSDBA password is known (FIELDSYNC_FB_PASSWORD, ISC_PASSWORD, or a readable
/etc/firebird/3.0/SYSDBA.password); under CI=true, where the test run
starts a server, either fails the test instead (exit status 1). The host is FIELDSYNC_TEST_FB_HOST
(default FIELDSYNC_FB_SERVER, else localhost), the port FIELDSYNC_TEST_FB_PORT (default 3050). The
database is created in a fresh directory below the current one (mode 0777,
so that a server running as the firebird user can write it).

Usage: test_create_db_server.py [--source DATABASE_DIR]
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbtest  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import needs  # noqa: E402
from dbtest import Failure  # noqa: E402

SKIP = 77


def skip(reason):
    """Ends the test as skipped, or as failed under CI=true."""
    if needs.on_ci():
        print(f"{reason}, which CI must have (CI=true)")
        sys.exit(1)
    print(f"skipped: {reason}")
    sys.exit(SKIP)


def password():
    for name in ("FIELDSYNC_FB_PASSWORD", "ISC_PASSWORD"):
        if os.environ.get(name):
            return os.environ[name]
    path = os.environ.get("FIREBIRD_PASSWORD_FILE", "/etc/firebird/3.0/SYSDBA.password")
    try:
        with open(path, encoding="utf-8") as f:
            m = re.search(r'^ISC_PASSWORD="?([^"\n]*)"?$', f.read(), re.M)
            return m.group(1) if m else None
    except OSError:
        return None


def count_clients(target, pw):
    p = subprocess.run([dbtest.ISQL, "-q", "-user", "SYSDBA", "-password", pw, target],
                       input="SET LIST ON;\nselect count(*) as N from CLIENTE;\n",
                       capture_output=True, text=True)
    m = re.search(r"N\s+(\d+)", p.stdout)
    return int(m.group(1)) if m else p.stderr.strip()


def run(argv):
    source = dbtest.source_dir(argv)
    host = (os.environ.get("FIELDSYNC_TEST_FB_HOST") or os.environ.get("FIELDSYNC_FB_SERVER")
            or "localhost")
    port = int(os.environ.get("FIELDSYNC_TEST_FB_PORT", "3050"))
    try:
        socket.create_connection((host.strip("[]"), port), timeout=3).close()
    except OSError:
        skip(f"no Firebird server on {host}:{port}")
    pw = password()
    if not pw:
        skip("no SYSDBA password (ISC_PASSWORD or /etc/firebird/3.0/SYSDBA.password)")
    env = dict(os.environ, ISC_USER="SYSDBA", ISC_PASSWORD=pw)
    work = tempfile.mkdtemp(prefix="fieldsync-server-", dir=os.getcwd())
    os.chmod(work, 0o777)
    server_host = host if port == 3050 else f"{host}/{port}"
    target = f"{server_host}:{work}/demo.fdb"
    created = False
    try:
        status, out, err = dbtest.create_db(source, target, env=env)
        if status != 0:
            raise Failure(f"creating {target} failed:\n{out}{err}")
        created = True
        n = count_clients(target, pw)
        if n != 300:
            raise Failure(f"expected 300 clients through the server, got {n}")
        status, out, err = dbtest.create_db(source, target, env=env)
        if status == 0 or count_clients(target, pw) != 300:
            raise Failure(f"a second run without --replace must fail and keep the database: {out}{err}")
        status, out, err = dbtest.create_db(source, target, "--replace", env=env)
        if status != 0 or "dropped the existing" not in out or count_clients(target, pw) != 300:
            raise Failure(f"--replace failed:\n{out}{err}")
        print(f"ok: create-db.sh through the server at {server_host}")
    finally:
        if created:
            subprocess.run([dbtest.ISQL, "-q"], input=f"CONNECT '{target}' USER 'SYSDBA' PASSWORD '{pw}';\n"
                           "DROP DATABASE;\n", capture_output=True, text=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    dbtest.main_wrapper(lambda: run(sys.argv))
