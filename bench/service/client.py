#!/usr/bin/env python3
"""HTTP side of bench/service/run.sh (Python 3 standard library only).

    client.py todos PORT PID REPETITIONS [plain|quickack]
        GET GetTodosClientes REPETITIONS times, one at a time; for each call
        the time from connecting to the first and to the last byte of the
        answer (the server closes after it), its size,
        its status, the server's CPU time during the call and its peak
        resident size (VmHWM) after it; VmHWM and VmRSS before the first call.
        "quickack" reads as a client that acknowledges every segment at once.

    client.py upload PORT REPRESENTATIVE FIRST ORDERS THREADS
        An upload burst: orders FIRST .. FIRST+ORDERS-1 of the representative,
        each one SetPedido and ten SetItensPedido sent in that order, from
        THREADS client threads (each takes the next order from a shared
        counter). Every answer must be {"result":["",true]}.

    client.py burst PORT PATH COUNT
        COUNT requests for PATH sent at once from COUNT threads; prints how
        many answers had each status, and each distinct body of a failure.

    client.py todosburst PORT PID COUNT [ENCODING]
        COUNT GetTodosClientes at once (COUNT threads); prints the time until
        the last answer was complete, the bytes, the server's VmHWM before and
        after and its CPU time, then its VmRSS every half second for 10 s
        after the burst and when it first fell under 100 MiB. ENCODING is
        the Accept-Encoding value sent (identity by default; gzip as the
        handhelds' HTTP clients ask).

Every request is a connection of its own with "Connection: close", as the
handhelds call; all traffic goes to 127.0.0.1. Results are printed as
"key=value" lines for run.sh to pick up.
"""

import os
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from common import cpu_seconds, request, run_together, status_value  # noqa: E402

BASE = "/datasnap/rest/TServerMethods1/"
SUCCESS = b'{"result":["",true]}'


def get(port, path, timeout=300, quickack=False, headers=""):
    """One GET on a new connection (common.request); returns (status, body,
    seconds, bytes, seconds to the first byte)."""
    status, _, body, seconds, first, size = request(port, path, headers=headers, timeout=timeout, quickack=quickack)
    return status, body, seconds, size, first


def todos(port, pid, repetitions, client):
    print("service_vmhwm_before_kib=%d" % status_value(pid, "VmHWM"))
    print("service_vmrss_before_kib=%d" % status_value(pid, "VmRSS"))
    for rep in range(1, repetitions + 1):
        cpu = cpu_seconds(pid)
        status, body, seconds, size, first = get(port, BASE + "GetTodosClientes", quickack=client == "quickack")
        cpu = cpu_seconds(pid) - cpu
        print("http client=%s rep=%d status=%d first_byte_ms=%.1f total_ms=%.1f server_cpu_ms=%.0f answer_bytes=%d "
              "body_bytes=%d vmhwm_kib=%d vmrss_kib=%d"
              % (client, rep, status, first * 1000, seconds * 1000, cpu * 1000, size, len(body),
                 status_value(pid, "VmHWM"), status_value(pid, "VmRSS")))
        if status != 200 or not body.startswith(b'{"result":[{"table":'):
            print("GetTodosClientes failed: %d %r" % (status, body[:300]), file=sys.stderr)
            return 1
        sys.stdout.flush()
    return 0


def order_paths(representative, number):
    """The eleven request paths of one order: the header, then ten items."""
    client = 1000001 + number % 100000  # a client of the large volume
    q = lambda text: urllib.parse.quote(text, safe="")
    day = 1 + number % 28
    header = [representative, number, 1, 1, 1, client, 1, 0, 1, 1, 1, 1,
              "%02d/12/2026" % day, "P", "Mercearia São José D'Ávila %d" % number, "São José",
              "Rua Conceição, %d" % (number % 900 + 1), "30140-071", "Funcionários", "J",
              "12.345.678/0001-90", "0623456789", "-", "-", "3132221100", "31999990000",
              "compras%d@exemplo.com.br" % number, "S", "%d.%02d" % (100 + number % 900, number % 100)]
    assert len(header) == 29
    paths = [BASE + "SetPedido/" + "/".join(q(str(v)) for v in header)]
    for item in range(10):
        product = 1 + (number + item) % 40  # ten different products of branch 1
        values = [representative, number, 1, product, "%d.0000" % (1 + item), "%d.50" % (3 + product),
                  "0.00", "%d.50" % (3 + product), "item %d do pedido %d" % (item + 1, number)]
        paths.append(BASE + "SetItensPedido/" + "/".join(q(str(v)) for v in values))
    return paths


def upload(port, representative, first, orders, threads):
    lock = threading.Lock()
    state = {"next": first, "requests": 0, "failures": [], "latencies": []}
    end = first + orders

    def worker():
        while True:
            with lock:
                number = state["next"]
                if number >= end or state["failures"]:
                    return
                state["next"] += 1
            for path in order_paths(representative, number):
                try:
                    status, body, seconds, _, _ = get(port, path, timeout=60)
                except OSError as e:
                    status, body, seconds = 0, str(e).encode(), 0
                with lock:
                    state["requests"] += 1
                    state["latencies"].append(seconds)
                    if status != 200 or body != SUCCESS:
                        state["failures"].append("%d %s -> %d %r" % (number, path[:80], status, body[:200]))
                        return

    seconds = run_together(worker, threads)
    latencies = sorted(state["latencies"]) or [0]
    print("upload orders=%d requests=%d seconds=%.2f orders_per_s=%.1f requests_per_s=%.0f "
          "median_ms=%.1f p99_ms=%.1f failures=%d"
          % (orders, state["requests"], seconds, orders / seconds, state["requests"] / seconds,
             latencies[len(latencies) // 2] * 1000, latencies[int(len(latencies) * 0.99)] * 1000,
             len(state["failures"])))
    for failure in state["failures"][:5]:
        print("  failed: " + failure, file=sys.stderr)
    return 1 if state["failures"] else 0


def burst(port, path, count):
    lock = threading.Lock()
    statuses, failures = {}, {}

    def one():
        try:
            status, body, _, _, _ = get(port, path, timeout=60)
        except OSError as e:
            status, body = 0, str(e).encode()
        with lock:
            statuses[status] = statuses.get(status, 0) + 1
            if status != 200:
                failures[body] = failures.get(body, 0) + 1

    run_together(one, count)
    print("burst requests=%d " % count + " ".join("status_%d=%d" % item for item in sorted(statuses.items())))
    for body, n in failures.items():
        print("  %d x %s" % (n, body[:200].decode("utf-8", "replace")))
    return 0


def todosburst(port, pid, count, encoding="identity"):
    hwm_before = status_value(pid, "VmHWM")
    rss_before = status_value(pid, "VmRSS")
    cpu_before = cpu_seconds(pid)
    lock = threading.Lock()
    results = []

    def one():
        try:
            status, body, _, _, _ = get(port, BASE + "GetTodosClientes", timeout=900,
                                        headers="Accept-Encoding: %s\r\n" % encoding)
        except OSError:
            status, body = 0, b""
        with lock:
            results.append((status, len(body)))

    seconds = run_together(one, count)
    done = time.perf_counter()
    ok = sum(1 for status, _ in results if status == 200)
    print("todosburst count=%d ok=%d total_ms=%.0f server_cpu_ms=%.0f body_bytes=%d vmrss_before_kib=%d "
          "vmhwm_before_kib=%d vmhwm_after_kib=%d"
          % (count, ok, seconds * 1000, (cpu_seconds(pid) - cpu_before) * 1000,
             max(size for _, size in results), rss_before, hwm_before, status_value(pid, "VmHWM")))
    samples, under = [], None
    while time.perf_counter() - done < 10:
        rss = status_value(pid, "VmRSS")
        samples.append(rss)
        if under is None and rss < 100 * 1024:
            under = time.perf_counter() - done
        time.sleep(0.5)
    print("todosburst_after vmrss_kib=%s under_100mib_after_s=%s"
          % (",".join(str(r) for r in samples), "%.1f" % under if under is not None else "never"))
    return 0 if ok == count else 1


def main(argv):
    if len(argv) >= 4 and argv[0] == "todos":
        return todos(int(argv[1]), int(argv[2]), int(argv[3]), argv[4] if len(argv) > 4 else "plain")
    if len(argv) >= 6 and argv[0] == "upload":
        return upload(int(argv[1]), int(argv[2]), int(argv[3]), int(argv[4]), int(argv[5]))
    if len(argv) >= 4 and argv[0] == "todosburst":
        return todosburst(int(argv[1]), int(argv[2]), int(argv[3]), argv[4] if len(argv) > 4 else "identity")
    if len(argv) >= 4 and argv[0] == "burst":
        return burst(int(argv[1]), argv[2], int(argv[3]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
