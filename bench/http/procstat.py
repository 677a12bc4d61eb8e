"""Prints the CPU seconds and the context switches a server has used so far:
the process and its child processes (nginx's workers), every thread of
each. Usage: python3 procstat.py PID"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from common import cpu_seconds, with_children  # noqa: E402


def usage(pid):
    cpu = 0.0
    switches = 0
    for p in with_children(pid):
        cpu += cpu_seconds(p)
        for task in os.listdir(f"/proc/{p}/task"):
            try:
                with open(f"/proc/{p}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                            switches += int(line.split()[1])
            except OSError:
                pass
    return cpu, switches


cpu, switches = usage(int(sys.argv[1]))
print(f"{cpu:.3f} {switches}")
