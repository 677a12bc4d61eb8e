#!/usr/bin/env python3
"""Runs clang's thread-safety analysis over the sources that declare locking
rules, with the build's own compile commands, compiling nothing.

A member marked GUARDED_BY, or a function marked REQUIRES, is private to its
class, so only the class's own sources can break its rule: the files checked
are those of the program's folders that include core/Mutex.h, directly or
through a header of their own folder. Each is compiled with -fsyntax-only
-Wthread-safety, on top of the build's flags; a broken rule, or any other
warning clang finds in them, fails the check.

    python3 tests/rules/thread_safety.py <build directory> <source root>

exits 0 when clean, 1 on a finding, 77 (skipped) without clang++ (1 under
CI=true, where clang++ must be installed).
"""

import json
import os
import re
import shlex
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import needs  # noqa: E402

FOLDERS = ("core", "db", "json", "activity", "service", "rest", "http", "app")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
MUTEX_HEADER = "core/Mutex.h"


def includes(root, relative):
    try:
        with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as source:
            return INCLUDE.findall(source.read())
    except OSError:
        return []


def declares_rules(root, relative):
    """Whether the file reaches core/Mutex.h through its own folder."""
    folder = relative.split("/")[0]
    seen, pending = set(), [relative]
    while pending:
        current = pending.pop()
        for included in includes(root, current):
            if included == MUTEX_HEADER:
                return True
            if included.split("/")[0] == folder and included not in seen:
                seen.add(included)
                pending.append(included)
    return False


def syntax_only(command, clang):
    """The build's compile command turned into a clang syntax check."""
    words = shlex.split(command)
    checked, skip = [clang], False
    for word in words[1:]:
        if skip:
            skip = False
        elif word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif word in ("-c", "-MD", "-MMD") or word.startswith("-fdiagnostics-color"):
            pass
        else:
            checked.append(word)
    return checked + ["-fsyntax-only", "-Wthread-safety", "-Werror=thread-safety",
                      "-Wno-sign-conversion", "-Wno-unknown-warning-option"]


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    build, root = argv[1], os.path.abspath(argv[2])
    clang = shutil.which("clang++")
    if not clang:
        if needs.on_ci():
            print("clang++ is not installed, which CI must have (CI=true)")
            return 1
        print("clang++ is not installed: skipped")
        return 77
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as commands:
        entries = json.load(commands)
    jobs = []
    for entry in entries:
        relative = os.path.relpath(entry["file"], root).replace(os.sep, "/")
        if relative.split("/")[0] in FOLDERS and declares_rules(root, relative):
            jobs.append((relative, entry["directory"], syntax_only(entry["command"], clang)))
    if not jobs:
        print("no source declares locking rules: the selection is broken")
        return 1

    def run(job):
        relative, directory, command = job
        result = subprocess.run(command, cwd=directory, capture_output=True, text=True, check=False)
        return relative, result.returncode, result.stderr

    failed = 0
    with ThreadPoolExecutor(max_workers=int(os.environ.get("THREAD_SAFETY_JOBS", "2"))) as pool:
        for relative, code, stderr in pool.map(run, sorted(jobs)):
            clean = code == 0 and "warning:" not in stderr
            print(("ok     " if clean else "FAILED ") + relative)
            if not clean:
                failed += 1
                print(stderr)
    print("%d file(s) checked, %d with findings" % (len(jobs), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
