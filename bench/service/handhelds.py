#!/usr/bin/env python3
"""Handhelds starting their morning sync at once (Python 3 standard library).

    handhelds.py PORT HANDHELDS REPRESENTATIVE FIRST_ORDER

Each handheld is a thread that makes its 32 calls one after the other, each
on a connection of its own: a session (GetSenhaPalmRep), 13 downloads of
reference data, clients, products and prices, then 3 orders of 5 items
(SetPedido and 5 SetItensPedido each). Every handheld starts at the same
moment (a barrier). Prints the wall time of the whole burst, the calls
answered 200, every other status with its count, and the calls' latencies.
Orders FIRST_ORDER .. FIRST_ORDER + 3 * HANDHELDS - 1 of REPRESENTATIVE are
written.
"""

import sys
import threading
import time

from client import BASE, SUCCESS, get, order_paths

DOWNLOADS = ["GetCondPagto", "GetFormaPagto", "GetCidade", "GetAtividade", "GetConvenio", "GetRegiao",
             "GetCondPagtoCliente/{rep}", "GetFormaPagtoCliente/{rep}", "GetCliente/{rep}", "GetProduto",
             "GetTabelaPrecoRep/{rep}", "GetTabelaPrecoItemRep/{rep}", "GetProdutoUndMed"]


def sync_paths(representative, first_order):
    paths = [BASE + "GetSenhaPalmRep/%d" % representative]
    paths += [BASE + d.format(rep=representative) for d in DOWNLOADS]
    for number in range(first_order, first_order + 3):
        paths += order_paths(representative, number)[:6]  # the header and 5 items
    assert len(paths) == 32
    return paths


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    port, handhelds, representative, first = (int(a) for a in argv)
    start_line = threading.Barrier(handhelds + 1)
    lock = threading.Lock()
    statuses, failures, latencies = {}, {}, []
    ends = []

    def handheld(index):
        paths = sync_paths(representative, first + 3 * index)
        start_line.wait()
        for path in paths:
            try:
                status, body, seconds, _, _ = get(port, path, timeout=120)
            except OSError as e:
                status, body, seconds = 0, str(e).encode(), 0
            ok = status == 200 and (b'"table"' in body or body == SUCCESS or path.startswith(BASE + "GetSenha"))
            with lock:
                statuses[status] = statuses.get(status, 0) + 1
                latencies.append(seconds)
                if not ok:
                    key = "%d %s" % (status, body[:160].decode("utf-8", "replace"))
                    failures[key] = failures.get(key, 0) + 1
        with lock:
            ends.append(time.perf_counter())

    threads = [threading.Thread(target=handheld, args=(i,)) for i in range(handhelds)]
    for t in threads:
        t.start()
    start_line.wait()
    start = time.perf_counter()
    for t in threads:
        t.join()
    seconds = max(ends) - start if ends else 0
    latencies.sort()
    calls = sum(statuses.values())
    print("handhelds=%d calls=%d seconds=%.2f calls_per_s=%.0f median_ms=%.1f p99_ms=%.1f not_ok=%d %s"
          % (handhelds, calls, seconds, calls / max(seconds, 1e-9), latencies[len(latencies) // 2] * 1000,
             latencies[int(len(latencies) * 0.99)] * 1000, sum(failures.values()),
             " ".join("status_%d=%d" % s for s in sorted(statuses.items()))))
    for text, n in sorted(failures.items(), key=lambda f: -f[1])[:5]:
        print("  %d x %s" % (n, text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
