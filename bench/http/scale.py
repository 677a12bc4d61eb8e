"""Idle and slow clients against one HTTP server: run by bench/http/scale.sh
for fieldsync and nginx in turn.

    python3 scale.py --pid PID --port PORT --path LABEL=PATH... [--idle N] [--slow N]

1. Opens N idle connections (they send nothing) as fast as the server takes
   them; reports the rate, the slowest connect, and the server's threads and
   resident memory while they are held.
2. While they are held, 4 clients call PATH one connection per request for
   a few seconds; reports p50 and p99 latency.
3. Closes them; reports how long the server's thread count and memory take
   to come back to what they were before (at most 10 s are watched).
4. 50 slow clients each send one header byte every 200 ms while 4 clients
   call PATH; reports p50 and p99 latency of those calls.

Prints one "key value" line per figure. Every loop is bounded in count and
time and talks only to 127.0.0.1.
"""

import argparse
import os
import resource
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from common import request, run_together, status_value, with_children  # noqa: E402


def threads_and_rss(pid):
    """Threads and resident KiB of the server: for nginx the master and its
    workers together."""
    pids = with_children(pid)
    return (sum(status_value(p, "Threads", missing=0) for p in pids),
            sum(status_value(p, "VmRSS", missing=0) for p in pids))


def thread_names(pid):
    """The server's threads by name, e.g. "http-io:2 http-dispatch:4"."""
    names = {}
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/comm") as f:
                name = f.read().strip()
        except OSError:
            continue
        names[name] = names.get(name, 0) + 1
    return " ".join(f"{k}:{v}" for k, v in sorted(names.items()))


def call(port, path):
    """One request on a new connection; returns seconds taken, or None."""
    try:
        status, _, _, seconds, _, _ = request(port, path, timeout=10)
    except OSError:
        return None
    return seconds if status == 200 else None


def callers(port, path, seconds, count=4):
    """`count` clients calling for `seconds`; returns sorted latencies, failures."""
    latencies, failures, lock = [], [0], threading.Lock()
    end = time.monotonic() + seconds

    def run():
        while time.monotonic() < end:
            t = call(port, path)
            with lock:
                if t is None:
                    failures[0] += 1
                else:
                    latencies.append(t)

    run_together(run, count)
    return sorted(latencies), failures[0]


def percentile(values, p):
    if not values:
        return float("nan")
    return values[min(len(values) - 1, int(len(values) * p))]


def report(key, value):
    print(f"{key} {value}", flush=True)


def measure_calls(prefix, args):
    """Each labelled path called by 4 clients for a few seconds in turn."""
    for label, path in args.path:
        latencies, failures = callers(args.port, path, args.seconds)
        report(f"{prefix}_{label}_calls", len(latencies))
        report(f"{prefix}_{label}_call_failures", failures)
        report(f"{prefix}_{label}_p50_ms", round(percentile(latencies, 0.50) * 1000, 2))
        report(f"{prefix}_{label}_p99_ms", round(percentile(latencies, 0.99) * 1000, 2))


def idle_phase(args):
    # The calls alone first, as the reference for the calls among idle
    # clients; then a pause for the server's idle threads to end.
    measure_calls("quiet", args)
    time.sleep(6)
    base_threads, base_rss = threads_and_rss(args.pid)
    report("baseline_threads", base_threads)
    report("baseline_thread_names", thread_names(args.pid))
    report("baseline_rss_mib", round(base_rss / 1024, 1))
    sockets, slowest = [], 0.0
    start = time.perf_counter()
    for _ in range(args.idle):
        t = time.perf_counter()
        s = socket.create_connection(("127.0.0.1", args.port), timeout=30)
        slowest = max(slowest, time.perf_counter() - t)
        sockets.append(s)
    took = time.perf_counter() - start
    report("idle_open_per_s", round(args.idle / took))
    report("idle_slowest_connect_ms", round(slowest * 1000, 1))
    time.sleep(1)
    threads, rss = threads_and_rss(args.pid)
    report("idle_threads", threads)
    report("idle_thread_names", thread_names(args.pid))
    report("idle_rss_mib", round(rss / 1024, 1))
    measure_calls("idle", args)
    report("idle_busy_thread_names", thread_names(args.pid))
    # Still all open? A server that dropped them would have cheated.
    alive = 0
    for s in sockets:
        s.setblocking(False)
        try:
            alive += s.recv(1) != b""
        except BlockingIOError:
            alive += 1
        except OSError:
            pass
    report("idle_still_open", alive)
    for s in sockets:
        s.close()
    start = time.monotonic()
    back = None
    while time.monotonic() - start < 10:
        threads, rss = threads_and_rss(args.pid)
        if threads <= base_threads and back is None:
            back = time.monotonic() - start
        time.sleep(0.25)
    threads, rss = threads_and_rss(args.pid)
    report("after_threads_back_s", "never" if back is None else round(back, 2))
    report("after_10s_threads", threads)
    report("after_10s_thread_names", thread_names(args.pid))
    report("after_10s_rss_mib", round(rss / 1024, 1))


def slow_phase(args):
    stop = threading.Event()
    header = b"GET / HTTP/1.1\r\nHost: bench\r\nX-Slow: " + b"a" * 4000 + b"\r\n\r\n"

    def trickle():
        conns = []
        for _ in range(args.slow):
            s = socket.create_connection(("127.0.0.1", args.port), timeout=10)
            s.setblocking(False)
            conns.append([s, 0])
        while not stop.is_set():
            for c in conns:
                s, at = c
                if at < len(header):
                    try:
                        s.send(header[at:at + 1])
                        c[1] += 1
                    except OSError:
                        pass
            stop.wait(0.2)
        for s, _ in conns:
            s.close()

    t = threading.Thread(target=trickle)
    t.start()
    time.sleep(1)
    measure_calls("slow", args)
    stop.set()
    t.join()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--path", action="append", type=lambda s: tuple(s.split("=", 1)),
                        help="label=path, called by the 4 clients; may be given again")
    parser.add_argument("--idle", type=int, default=10000)
    parser.add_argument("--slow", type=int, default=50)
    parser.add_argument("--seconds", type=float, default=5)
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, max(soft, args.idle + 1000)), hard))
    idle_phase(args)
    slow_phase(args)


if __name__ == "__main__":
    main()
