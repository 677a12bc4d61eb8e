#!/usr/bin/env python3
"""HTTP side of bench/rest/window.sh (Python 3 standard library only).

    window.py calls PORT PID REPETITIONS PATH...
    window.py cached PORT PID PATH

Calls each PATH in turn, REPETITIONS rounds (the paths alternate, so load
from elsewhere falls on all alike), each call a connection of its own with
"Connection: close". Per call it prints the time from connecting to the last
byte of the answer, the answer's size and status, and the server's CPU time
(user + system, from /proc/PID/stat) spent meanwhile:

    call path=... ms=... cpu_ms=... bytes=... status=...

"cached" calls PATH once with "Accept: application/rest", so that its table
stays in the session's cache, reads it back whole and as a window of 50 rows
from /datasnap/cache, deletes it, and prints the service's resident size
(VmRSS) before, after caching and after the delete, with each step's time,
and the row count and bytes that the cache's listing gives for the table:

    cached step=... ms=... bytes=... status=... vmrss_kib=...
    cached rows=... held_bytes=...
"""

import json
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from common import cpu_seconds, request, status_value  # noqa: E402


def server_cpu_ms(pid):
    return cpu_seconds(pid) * 1000


def resident_kib(pid):
    return status_value(pid, "VmRSS", missing=0)


def call(port, path, method="GET", headers=""):
    status, head, body, seconds, _, _ = request(port, path, method, headers, quickack=True)
    session = re.search(rb"dssession=([0-9.]+)", head)
    call.session = session.group(1).decode() if session else None
    return seconds, len(body), status


def fetch_body(port, path):
    return request(port, path)[2]


def cached(port, pid, path):
    def step(name, target, method="GET", headers=""):
        seconds, size, status = call(port, target, method, headers)
        time.sleep(0.2)
        print("cached step=%s ms=%.1f bytes=%d status=%d vmrss_kib=%d"
              % (name, seconds * 1000, size, status, resident_kib(pid)), flush=True)

    print("cached step=before ms=0 bytes=0 status=0 vmrss_kib=%d" % resident_kib(pid), flush=True)
    step("cache", path, headers="Accept: application/rest\r\n")
    sid = "?sid=" + call.session
    listing = json.loads(fetch_body(port, "/datasnap/cache/0/0" + sid))
    table = listing["result"]["parameters"][0]
    print("cached rows=%d held_bytes=%d" % (table["rows"], table["bytes"]), flush=True)
    step("read_whole", "/datasnap/cache/0/0/0" + sid)
    step("read_window", "/datasnap/cache/0/0/0" + sid + "&t.r=0,50")
    step("delete", "/datasnap/cache/0" + sid, method="DELETE")


def calls(port, pid, repetitions, paths):
    for _ in range(repetitions):
        for path in paths:
            cpu = server_cpu_ms(pid)
            seconds, size, status = call(port, path)
            time.sleep(0.05)  # lets the server finish its share of the close
            print("call path=%s ms=%.2f cpu_ms=%.0f bytes=%d status=%d"
                  % (path, seconds * 1000, server_cpu_ms(pid) - cpu, size, status), flush=True)


if __name__ == "__main__":
    if sys.argv[1] == "cached":
        cached(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
    else:
        calls(int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5:])
