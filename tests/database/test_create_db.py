#!/usr/bin/env python3
"""Checks database/create-db.sh, embedded: it creates the demo database,
refuses an existing file unless --replace is given, leaves the existing file
and no half-built one behind when an SQL error stops it, and adds the large
volume with --large N.

Usage: test_create_db.py [--source DATABASE_DIR]
"""

import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbtest  # noqa: E402
from dbtest import Failure  # noqa: E402


def expect(cond, message):
    if not cond:
        raise Failure(message)


def run(argv):
    source = dbtest.source_dir(argv)
    work = tempfile.mkdtemp(prefix="fieldsync-create-")
    try:
        db = os.path.join(work, "demo.fdb")

        status, out, err = dbtest.create_db(source, db)
        expect(status == 0, f"creating the demo database failed:\n{out}{err}")
        expect(dbtest.scalar(db, "select count(*) from CLIENTE") == "300", "the demo has 300 clients")
        expect(dbtest.scalar(db, "select count(*) from FILIAL") == "3", "the demo has three FILIAL rows")
        before = os.stat(db)

        status, out, err = dbtest.create_db(source, db)
        expect(status != 0 and "exists" in err, f"an existing file must be refused, got {status}: {err}")
        expect(os.stat(db).st_mtime_ns == before.st_mtime_ns, "a refused run must leave the file alone")

        # A broken data file: the run fails loudly, the old file stays, no
        # half-built file is left beside it.
        broken = os.path.join(work, "broken")
        shutil.copytree(source, broken)
        with open(os.path.join(broken, "demo-data.sql"), "a", encoding="utf-8") as f:
            f.write("INSERT INTO NAO_EXISTE (X) VALUES (1);\n")
        status, out, err = dbtest.create_db(broken, db, "--replace")
        expect(status != 0, "an SQL error must fail the script")
        expect("NAO_EXISTE" in err, f"the SQL error must be shown, got: {err}")
        expect(os.stat(db).st_mtime_ns == before.st_mtime_ns, "a failed --replace must keep the old file")
        expect(sorted(os.listdir(work)) == ["broken", "demo.fdb"], f"left behind: {os.listdir(work)}")

        status, out, err = dbtest.create_db(source, db, "--replace", "--large", "2000")
        expect(status == 0, f"--replace --large 2000 failed:\n{out}{err}")
        expect("loaded 2000 clients in" in out, f"the load time is reported, got: {out}")
        expect(dbtest.scalar(db, "select count(*) from CLIENTE") == "2300", "300 demo clients and 2000 more")
        expect(dbtest.scalar(db, "select count(*) from REPCLIENTE where IDREPRESENTANTE = 90") == "2000",
               "the large clients are served by representative 90")
        expect(dbtest.scalar(db, "select count(*) from RECEBER where IDREPRESENTANTE = 90") == "500",
               "every fourth large client has a receivable")
        # New clients get ids after the large ones.
        status, out, err = dbtest.isql(db, "INSERT INTO CLIENTE (IDCLIENTE, NOME) VALUES (0, 'Teste');\nCOMMIT;\n")
        expect(status == 0 and not err.strip(), f"exit status {status}: {err}")
        expect(dbtest.scalar(db, "select max(IDCLIENTE) from CLIENTE") == "1002001",
               "the generator follows the loaded ids")
        expect(dbtest.scalar(db, "select rdb$character_set_name from rdb$database").strip() == "WIN1252",
               "default character set")

        status, out, err = dbtest.create_db(source, os.path.join(work, "no-such-dir", "x.fdb"))
        expect(status != 0 and "does not exist" in err, f"a missing directory is an error, got: {err}")
        status, out, err = dbtest.create_db(source, db, "--large", "many")
        expect(status != 0, "--large needs a number")
        print("ok: create-db.sh creates, refuses, replaces, fails cleanly and loads the large volume")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    dbtest.main_wrapper(lambda: run(sys.argv))
