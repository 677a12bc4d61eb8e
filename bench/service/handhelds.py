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

With HANDHELD_LOGIN set to a name and password pattern ("hh{i}:pw{i}"), the
handheld i sends that user's credentials (HTTP Basic) on every call. With
STORM=N, from the moment the handhelds start, one caller at 127.0.0.9 (four
threads) tries N logins with a wrong password; its statuses and time are
printed as well.
"""

import base64
import os
import socket
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


def basic_header(login):
    return "Authorization: Basic %s\r\n" % base64.b64encode(login.encode()).decode()


def storm(port, attempts, statuses, lock):
    """Wrong passwords from 127.0.0.9, as fast as four callers can send them."""
    request = ("GET %sEchoString/x HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\n%s\r\n"
               % (BASE, port, basic_header("hh0:not the password"))).encode()
    left = [attempts]

    def caller():
        while True:
            with lock:
                if left[0] == 0:
                    return
                left[0] -= 1
            with socket.socket() as s:
                s.bind(("127.0.0.9", 0))
                s.connect(("127.0.0.1", port))
                s.sendall(request)
                answer = b""
                while True:
                    chunk = s.recv(65536)
                    if not chunk:
                        break
                    answer += chunk
            status = int(answer.split(b" ", 2)[1]) if answer.startswith(b"HTTP/") else 0
            with lock:
                statuses[status] = statuses.get(status, 0) + 1

    callers = [threading.Thread(target=caller) for _ in range(4)]
    for c in callers:
        c.start()
    for c in callers:
        c.join()


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    port, handhelds, representative, first = (int(a) for a in argv)
    start_line = threading.Barrier(handhelds + 1)
    lock = threading.Lock()
    statuses, failures, latencies = {}, {}, []
    ends = []

    login = os.environ.get("HANDHELD_LOGIN")
    storm_attempts = int(os.environ.get("STORM", "0"))
    storm_statuses = {}
    storm_seconds = []

    def handheld(index):
        paths = sync_paths(representative, first + 3 * index)
        headers = basic_header(login.format(i=index)) if login else ""
        start_line.wait()
        for path in paths:
            try:
                status, body, seconds, _, _ = get(port, path, timeout=120, headers=headers)
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

    def stormer():
        start_line.wait()
        began = time.perf_counter()
        storm(port, storm_attempts, storm_statuses, threading.Lock())
        storm_seconds.append(time.perf_counter() - began)

    threads = [threading.Thread(target=handheld, args=(i,)) for i in range(handhelds)]
    if storm_attempts:
        start_line = threading.Barrier(handhelds + 2)
        threads.append(threading.Thread(target=stormer))
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
    if storm_attempts:
        print("  storm: %d wrong-password attempts from 127.0.0.9 in %.2f s: %s"
              % (storm_attempts, storm_seconds[0], " ".join("status_%d=%d" % s for s in sorted(storm_statuses.items()))))
    for text, n in sorted(failures.items(), key=lambda f: -f[1])[:5]:
        print("  %d x %s" % (n, text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
