"""Helpers shared by the database tests: creating a demo database with
create-db.sh, running isql-fb, reading database/statements.sql."""

import os
import re
import subprocess
import sys
import tempfile

ISQL = os.environ.get("ISQL", "isql-fb")


class Failure(Exception):
    pass


def source_dir(argv):
    """The database/ folder: --source DIR, else ../../database from here."""
    if len(argv) > 2 and argv[1] == "--source":
        return os.path.abspath(argv[2])
    return os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "database"))


def create_db(database_dir, target, *options, env=None):
    """Runs create-db.sh; returns (exit status, stdout, stderr)."""
    p = subprocess.run(["bash", os.path.join(database_dir, "create-db.sh"), *options, target],
                       capture_output=True, text=True, env=env)
    return p.returncode, p.stdout, p.stderr


def isql(db, script, *extra):
    """Runs an isql-fb script on db (UTF8 connection); returns (exit status,
    stdout, stderr). isql answers a non-zero status when a statement failed
    or it could not run at all."""
    with tempfile.NamedTemporaryFile("w", suffix=".sql", delete=False, encoding="utf-8") as f:
        f.write(script)
        path = f.name
    try:
        p = subprocess.run([ISQL, "-q", "-ch", "UTF8", "-user", "SYSDBA", *extra, db, "-i", path],
                           capture_output=True, text=True, encoding="utf-8", errors="replace")
        return p.returncode, p.stdout, p.stderr
    finally:
        os.unlink(path)


def query_list(db, sql):
    """Runs one select with SET LIST ON; returns its rows as dicts of text."""
    status, out, err = isql(db, f"SET LIST ON;\n{sql};\n")
    if status != 0 or err.strip():
        raise Failure(f"{sql}\nexit status {status}\n{err}")
    rows, row = [], {}
    for line in out.splitlines():
        if not line.strip():
            if row:
                rows.append(row)
                row = {}
            continue
        m = re.match(r"(\S+)\s+(.*)$", line)
        if m:
            row[m.group(1)] = m.group(2).rstrip()
        else:
            row[line.strip()] = ""
    if row:
        rows.append(row)
    return rows


def scalar(db, sql):
    rows = query_list(db, sql)
    if len(rows) != 1 or len(rows[0]) != 1:
        raise Failure(f"{sql}: expected one value, got {rows}")
    return next(iter(rows[0].values()))


class Entry:
    """One statement of statements.sql."""

    def __init__(self, name, line):
        self.name = name
        self.line = line        # line of its @name in statements.sql
        self.headers = {}
        self.params = []        # (name, type, literal)
        self.rows = None        # expected count, or None
        self.text = ""

    def prepared_text(self):
        """The text as the driver prepares it: :NAME parameters turned into ?."""
        return re.sub(r":([A-Za-z_][A-Za-z0-9_$]*)", "?", self.text)

    def executed_text(self):
        """The text with every parameter replaced by its sample literal."""
        values = {n.upper(): v for n, _, v in self.params}

        def sub(m):
            key = m.group(1).upper()
            if key not in values:
                raise Failure(f"{self.name}: no @param for :{m.group(1)}")
            return values[key]
        return re.sub(r":([A-Za-z_][A-Za-z0-9_$]*)", sub, self.text)


def read_statements(path):
    entries, cur, in_text = [], None, False
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for no, line in enumerate(lines, 1):
        if cur is None:
            m = re.match(r"-- @name (.+)$", line)
            if m:
                cur = Entry(m.group(1).strip(), no)
                in_text = False
            continue
        if line == "-- @end":
            cur.text = cur.text[:-1] if cur.text.endswith("\n") else cur.text
            entries.append(cur)
            cur = None
            continue
        m = re.match(r"-- @(\S+)\s*(.*)$", line) if not in_text else None
        if m:
            key, value = m.group(1), m.group(2)
            if key == "param":
                name, typ, literal = value.split(None, 2)
                cur.params.append((name, typ, literal))
            elif key == "rows":
                cur.rows = None if value in ("-", "?") else int(value)
            else:
                cur.headers[key] = value
            continue
        in_text = True
        cur.text += line + "\n"
    if cur is not None:
        raise Failure(f"statements.sql: entry {cur.name} has no -- @end")
    for e in entries:
        used = {n.upper() for n in re.findall(r":([A-Za-z_][A-Za-z0-9_$]*)", e.text)}
        given = {n.upper() for n, _, _ in e.params}
        if used != given:
            raise Failure(f"statements.sql: {e.name}: parameters {sorted(used)} but @param {sorted(given)}")
    names = [e.name for e in entries]
    dups = {n for n in names if names.count(n) > 1}
    if dups:
        raise Failure(f"statements.sql: names used twice: {sorted(dups)}")
    return entries


def main_wrapper(fn):
    try:
        fn()
    except Failure as e:
        print(f"FAIL: {e}", file=sys.stderr)
        sys.exit(1)
