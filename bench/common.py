"""What the HTTP sides of the benchmarks share (Python 3 standard library
only): one request on a connection of its own to 127.0.0.1, a server's
figures from /proc, and threads started together."""

import os
import socket
import threading
import time

TICKS = os.sysconf("SC_CLK_TCK")


def request(port, path, method="GET", headers="", timeout=300, quickack=False):
    """One request on a new connection with "Connection: close" (`headers`:
    more header lines, each ending in CRLF); returns (status, head, body,
    seconds to the last byte, seconds to the first byte, bytes read). With
    quickack the client acknowledges every segment at once (TCP_QUICKACK set
    again before each read) instead of leaving the acknowledgement to the
    kernel's delayed-ACK timer."""
    start = time.perf_counter()
    first = None
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(("%s %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\n%s\r\n"
                   % (method, path, port, headers)).encode("ascii"))
        chunks = []
        while True:
            if quickack:
                s.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
            chunk = s.recv(1 << 20)
            if first is None:
                first = time.perf_counter() - start
            if not chunk:
                break
            chunks.append(chunk)
    seconds = time.perf_counter() - start
    raw = b"".join(chunks)
    head, _, body = raw.partition(b"\r\n\r\n")
    status = int(head.split(b" ", 2)[1]) if head.startswith(b"HTTP/") else 0
    return status, head, body, seconds, first, len(raw)


def with_children(pid):
    """The process and its child processes (nginx's workers)."""
    pids = [pid]
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            pids += [int(p) for p in f.read().split()]
    except OSError:
        pass
    return pids


def cpu_seconds(pid):
    """The CPU time (user + system) of every thread of the process so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def status_value(pid, key, missing=-1):
    """A number from /proc/PID/status: VmHWM and VmRSS in KiB, Threads."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return missing


def run_together(target, count):
    """Runs `target` in `count` threads started together; returns the
    seconds until the last one ended."""
    threads = [threading.Thread(target=target) for _ in range(count)]
    start = time.perf_counter()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return time.perf_counter() - start
