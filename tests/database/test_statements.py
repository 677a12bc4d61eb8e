#!/usr/bin/env python3
"""Checks that the schema accepts every statement the service runs.

Creates the demo database embedded with database/create-db.sh, then, for
every entry of database/statements.sql:
1. prepares it (isql-fb SET PLANONLY, :NAME parameters as ?), so that a
   missing table or column or a wrong type fails;
2. runs it with its sample values, reads first, in file order, and compares
   the rows returned or changed with its @rows;
and finally checks what the database itself adds to those statements: the
new client's id and representative link, the device's default block flag,
the stand-in procedure's record and its failure, the character set.

Usage: test_statements.py [--source DATABASE_DIR] [--keep]
Exit status 0 when everything holds; the failures are listed otherwise.
"""

import os
import re
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbtest  # noqa: E402
from dbtest import Failure  # noqa: E402


def script_lines(entries, body):
    """An isql script with one statement per entry; returns the script and,
    per entry, the range of script lines its statement occupies."""
    lines, spans = [], []
    for e in entries:
        lines.extend(body(e))
        text = body.text(e).rstrip()
        if text.endswith(";"):
            text = text[:-1]
        start = len(lines) + 1
        lines.extend(text.split("\n"))
        lines[-1] += ";"
        spans.append((start, len(lines)))
    return lines, spans


def entry_at(spans, entries, line):
    for (start, end), e in zip(spans, entries):
        if start <= line <= end:
            return e
    return None


def errors_by_entry(stderr, spans, entries):
    """Splits isql's error output into (entry, message) pairs."""
    found = []
    for block in re.split(r"(?=Statement failed)", stderr):
        if not block.strip():
            continue
        m = re.search(r"(?:At|After) line (\d+) in file", block)
        e = entry_at(spans, entries, int(m.group(1))) if m else None
        found.append((e.name if e else "?", block.strip()))
    return found


def unexplained_status(step, status, stderr):
    """A failing exit status of isql that no statement's error explains (isql
    could not attach, or died) as a failure of its own; none otherwise."""
    if status != 0 and "Statement failed" not in stderr:
        return [("isql", f"{step}: exit status {status}: {stderr.strip()}")]
    return []


class Prepare:
    @staticmethod
    def text(e):
        return e.prepared_text()

    def __call__(self, e):
        return []


class Execute:
    def __init__(self):
        self.index = 0

    @staticmethod
    def text(e):
        return e.executed_text()

    def __call__(self, e):
        self.index += 1
        return [f"SELECT '@@{self.index}' AS MARK FROM RDB$DATABASE;"]


def prepare_all(db, entries):
    lines, spans = script_lines(entries, Prepare())
    status, out, err = dbtest.isql(db, "SET PLANONLY ON;\n" + "\n".join(l for l in lines) + "\n", "-e")
    # The SET line shifts every line by one.
    spans = [(a + 1, b + 1) for a, b in spans]
    return errors_by_entry(err, spans, entries) + unexplained_status("prepare", status, err)


def execute_all(db, entries):
    ex = Execute()
    lines, spans = script_lines(entries, ex)
    head = ["SET COUNT ON;"]
    script = "\n".join(head + lines + ["COMMIT;"]) + "\n"
    spans = [(a + len(head), b + len(head)) for a, b in spans]
    status, out, err = dbtest.isql(db, script)
    failures = errors_by_entry(err, spans, entries) + unexplained_status("execute", status, err)
    failed = {name for name, _ in failures}
    segments = re.split(r"^@@(\d+)\s*$", out, flags=re.M)
    counts = {}
    for i in range(1, len(segments) - 1, 2):
        affected = re.findall(r"Records affected: (\d+)", segments[i + 1])
        counts[int(segments[i])] = int(affected[-1]) if len(affected) > 1 else None
    results = []
    for n, e in enumerate(entries, 1):
        got = counts.get(n)
        results.append((e, got))
        if e.rows is not None and e.name not in failed and got != e.rows:
            failures.append((e.name, f"@rows {e.rows}, got {got}"))
    return failures, results


def check(results, what, actual, expected):
    if actual != expected:
        results.append(f"{what}: expected {expected!r}, got {actual!r}")


def behaviour(db):
    """What the database adds to the statements, after they have run."""
    bad = []
    scalar = dbtest.scalar
    check(bad, "database character set",
          scalar(db, "select rdb$character_set_name from rdb$database").strip(), "WIN1252")
    check(bad, "accents and quotes read back", scalar(db, "select NOME from CLIENTE where IDCLIENTE = 4"),
          "Bar e Restaurante Sant'Ana Ltda")
    check(bad, "accented name read back", scalar(db, "select NOME from CLIENTE where IDCLIENTE = 8"),
          "José Geraldo D'Ávila Gonçalves")
    new_id = scalar(db, "select IDCLIENTE from CLIENTE where IDCLIENTE_PALM = 9002 and IDREPRESENTANTE_PALM = 1")
    check(bad, "id of the client inserted with IDCLIENTE 0 (after the demo's 300)", new_id, "301")
    check(bad, "the new client's representative link",
          scalar(db, f"select count(*) from REPCLIENTE where IDREPRESENTANTE = 1 and IDCLIENTE = {new_id}"), "1")
    check(bad, "BLOQUEAR of a newly registered device",
          scalar(db, "select BLOQUEAR from CELULARES where IMEI = '358240059999990'"), "N")
    rows = dbtest.query_list(db, "select IDCHAMADA, IDFILIAL, IDREPRESENTANTE, PEDIDOS, ITENS, "
                                 "DATAIMPORT - CURRENT_DATE as DIAS from RECEBENDO_PALM_AFA_LOG")
    check(bad, "RECEBENDO_PALM_AFA's record of the call", rows,
          [{"IDCHAMADA": "1", "IDFILIAL": "1", "IDREPRESENTANTE": "1", "PEDIDOS": "3", "ITENS": "7", "DIAS": "0"}])
    check(bad, "currency kept with four decimals",
          scalar(db, "select TOTAL_COM_DECONTO from PEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = 1 "
                     "and IDPEDIDOPALM = 120"), "1532.4000")
    check(bad, "long observation stored",
          scalar(db, "select char_length(OBS_EXTENSO) from PEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = 1 "
                     "and IDPEDIDOPALM = 118"), "85")
    check(bad, "PRAZO written as NULL when unbound",
          scalar(db, "select coalesce(PRAZO, -1) from PEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = 1 "
                     "and IDPEDIDOPALM = 119"), "-1")
    # The same client logged twice is accepted.
    status, out, err = dbtest.isql(db, "INSERT INTO CLIENTE_PALM (IDFILIAL, IDCLIENTE, ALTERADO) VALUES (1, 9002, 'I');\n"
                                       "INSERT INTO CLIENTE_PALM (IDFILIAL, IDCLIENTE, ALTERADO) VALUES (1, 9002, 'I');\n"
                                       "COMMIT;\n")
    check(bad, "CLIENTE_PALM accepts the same client twice", (status, err.strip()), (0, ""))
    check(bad, "CLIENTE_PALM rows of client 9002",
          scalar(db, "select count(*) from CLIENTE_PALM where IDCLIENTE = 9002"), "3")
    status, out, err = dbtest.isql(db, "EXECUTE PROCEDURE RECEBENDO_PALM_AFA (1, CURRENT_DATE, -1);\n")
    if status == 0 or "E_RECEBENDO_PALM_AFA" not in err or "Representante invalido" not in err:
        bad.append(f"RECEBENDO_PALM_AFA with a negative representative should fail, got {err!r}")
    return bad


def run(argv):
    source = dbtest.source_dir(argv)
    keep = "--keep" in argv
    entries = dbtest.read_statements(os.path.join(source, "statements.sql"))
    work = tempfile.mkdtemp(prefix="fieldsync-db-")
    db = os.path.join(work, "demo.fdb")
    try:
        status, out, err = dbtest.create_db(source, db)
        if status != 0:
            raise Failure(f"create-db.sh failed:\n{out}{err}")
        failures = [(n, f"prepare: {m}") for n, m in prepare_all(db, entries)]
        reads = [e for e in entries if "call" in e.headers]
        writes = [e for e in entries if "call" not in e.headers]
        exec_failures, results = execute_all(db, reads + writes)
        failures += exec_failures
        if "--print-rows" in argv:
            for e, got in results:
                print(f"{e.name:40} {got}")
        behaviour_failures = behaviour(db) if not failures else []
        for name, message in failures:
            print(f"FAIL {name}: {message}", file=sys.stderr)
        for message in behaviour_failures:
            print(f"FAIL {message}", file=sys.stderr)
        if failures or behaviour_failures:
            raise Failure(f"{len(failures) + len(behaviour_failures)} failure(s)")
        print(f"ok: {len(entries)} statements prepared and run, database behaviour checked")
    finally:
        if keep:
            print(f"database kept in {db}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    dbtest.main_wrapper(lambda: run(sys.argv))
