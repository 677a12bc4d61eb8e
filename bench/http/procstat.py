"""Prints the CPU seconds and the context switches a server has used so far:
the process and its child processes (nginx's workers), every thread of
each. Usage: python3 procstat.py PID"""

import os
import sys


def usage(pid):
    pids = [pid]
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            pids += [int(p) for p in f.read().split()]
    except OSError:
        pass
    ticks = os.sysconf("SC_CLK_TCK")
    cpu = 0.0
    switches = 0
    for p in pids:
        with open(f"/proc/{p}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        cpu += (int(fields[11]) + int(fields[12])) / ticks  # utime, stime of all threads
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
