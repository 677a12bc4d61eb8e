#!/usr/bin/env python3
"""HTTP side of bench/rest/window.sh (Python 3 standard library only).

    window.py PORT PID REPETITIONS PATH...

Calls each PATH in turn, REPETITIONS rounds (the paths alternate, so load
from elsewhere falls on all alike), each call a connection of its own with
"Connection: close". Per call it prints the time from connecting to the last
byte of the answer, the answer's size and status, and the server's CPU time
(user + system, from /proc/PID/stat) spent meanwhile:

    call path=... ms=... cpu_ms=... bytes=... status=...
"""

import os
import socket
import sys
import time

TICKS = os.sysconf("SC_CLK_TCK")


def server_cpu_ms(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / TICKS  # utime, stime


def call(port, path):
    start = time.perf_counter()
    with socket.create_connection(("127.0.0.1", port), timeout=300) as s:
        s.sendall(("GET %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nConnection: close\r\n\r\n" % (path, port)).encode())
        chunks = []
        while True:
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
            chunk = s.recv(1 << 20)
            if not chunk:
                break
            chunks.append(chunk)
    seconds = time.perf_counter() - start
    raw = b"".join(chunks)
    head, _, body = raw.partition(b"\r\n\r\n")
    status = int(head.split(b" ", 2)[1]) if head.startswith(b"HTTP/") else 0
    return seconds, len(body), status


def main():
    port, pid, repetitions = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    paths = sys.argv[4:]
    for _ in range(repetitions):
        for path in paths:
            cpu = server_cpu_ms(pid)
            seconds, size, status = call(port, path)
            time.sleep(0.05)  # lets the server finish its share of the close
            print("call path=%s ms=%.2f cpu_ms=%.0f bytes=%d status=%d"
                  % (path, seconds * 1000, server_cpu_ms(pid) - cpu, size, status), flush=True)


if __name__ == "__main__":
    main()
