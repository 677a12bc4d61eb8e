#!/usr/bin/env python3
"""Checks the data generators: the committed demo-data.sql is what
generate-demo.py writes today, generate-large.py writes the same text for
the same arguments, and the document numbers they use are valid.

Usage: test_generators.py [--source DATABASE_DIR]
"""

import os
import re
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dbtest  # noqa: E402
from dbtest import Failure  # noqa: E402


def digits(text):
    return [int(c) for c in text if c.isdigit()]


def cpf_valid(text):
    d = digits(text)
    for n in (9, 10):
        s = sum(v * w for v, w in zip(d[:n], range(n + 1, 1, -1))) % 11
        if d[n] != (0 if s < 2 else 11 - s):
            return False
    return len(d) == 11


def cnpj_valid(text):
    d = digits(text)
    w = [6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2]
    for n in (12, 13):
        s = sum(v * x for v, x in zip(d[:n], w[13 - n:])) % 11
        if d[n] != (0 if s < 2 else 11 - s):
            return False
    return len(d) == 14


def run(argv):
    source = dbtest.source_dir(argv)
    py = sys.executable
    fresh = subprocess.run([py, os.path.join(source, "generate-demo.py")], capture_output=True, check=True).stdout
    with open(os.path.join(source, "demo-data.sql"), "rb") as f:
        committed = f.read()
    if fresh != committed:
        raise Failure("demo-data.sql is not what generate-demo.py writes: run "
                      "database/generate-demo.py > database/demo-data.sql")
    large = [subprocess.run([py, os.path.join(source, "generate-large.py"), "--clients", "700"],
                            capture_output=True, check=True).stdout for _ in range(2)]
    if large[0] != large[1]:
        raise Failure("generate-large.py is not deterministic")
    if any(len(block) > 65000 for block in large[0].split(b"END^")):
        raise Failure("an EXECUTE BLOCK of generate-large.py exceeds Firebird 3's 64 KB statement limit")
    text = (committed + large[0]).decode("utf-8")
    cpfs = re.findall(r"'(\d{3}\.\d{3}\.\d{3}-\d{2})'", text)
    cnpjs = re.findall(r"'(\d{2}\.\d{3}\.\d{3}/\d{4}-\d{2})'", text)
    bad = [c for c in cpfs if not cpf_valid(c)] + [c for c in cnpjs if not cnpj_valid(c)]
    if not cpfs or not cnpjs or bad:
        raise Failure(f"invalid document numbers: {bad[:5]} ({len(cpfs)} CPF, {len(cnpjs)} CNPJ)")
    print(f"ok: demo-data.sql current, large volume deterministic, {len(cpfs)} CPF and {len(cnpjs)} CNPJ valid")


if __name__ == "__main__":
    dbtest.main_wrapper(lambda: run(sys.argv))
