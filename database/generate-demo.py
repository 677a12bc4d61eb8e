#!/usr/bin/env python3
"""Writes demo-data.sql: the demo company's data for the fieldsync schema.

Usage: generate-demo.py > demo-data.sql

The story (branches, representatives, which clients are deleted or overdue,
which orders and receivables exist) is told in README.md; the hand-made rows
of demo_master.py and demo_movements.py carry it, and generated clients and
orders fill the lists around them. The output is deterministic: run it again
and the file does not change (a test checks that the committed demo-data.sql
is up to date). Dates of recent orders and of receivables are written
relative to CURRENT_DATE, so that "overdue" keeps its meaning whenever the
database is created. Python 3 standard library only.
"""

import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__

import datagen
import demo_master as master
import demo_movements as movements


def main():
    w = datagen.SqlWriter()
    w.emit("/* fieldsync demo data: written by generate-demo.py, do not edit by hand.")
    w.emit("   Run after schema.sql on a connection with character set UTF8 (this file")
    w.emit("   is UTF-8); create-db.sh does that. The story is in README.md. */")
    master.branches(w)
    master.reference(w)
    master.price_tables(w)
    master.representatives(w)
    master.products(w)
    client_list = master.all_clients()
    master.clients(w, client_list)
    master.consignments(w)
    orders = movements.orders(w, client_list)
    movements.receivables(w, orders)
    movements.received(w)
    movements.housekeeping(w)
    w.emit()
    w.emit("COMMIT;")
    w.emit("EXECUTE PROCEDURE SINCRONIZAR_GERADORES;")
    w.emit("COMMIT;")
    sys.stdout.write(w.text())


if __name__ == "__main__":
    main()
