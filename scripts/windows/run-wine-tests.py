#!/usr/bin/env python3
"""Runs the Windows build's tests under wine64, headless, as any user
(root too), with a Wine prefix of its own under the build directory.

    run-wine-tests.py BUILD_DIR SOURCE_DIR

- every GoogleTest program in BUILD_DIR/wine-tests: judged by its summary,
  never by Wine's exit code alone (Wine reports a crashed program as a
  success): a program passes when it printed GoogleTest's closing count of
  tests run, no "[  FAILED  ]" line and exited 0;
- every fuzz replay in BUILD_DIR/fuzz over its seed corpus: passes when it
  printed its "N inputs replayed" line;
- fieldsync.exe --headless from BUILD_DIR/dist with no Firebird client
  installed: must end at once with exit code 1 and the message that says
  which client to install.

The database tests (db, service, the database cases of json, app) need a
Windows machine with Firebird and are not run here: they are listed as
skipped. Prints "N passed, N failed, N skipped" and exits 1 on a failure.
"""

import os
import re
import subprocess
import sys
import time
from pathlib import Path

DATABASE_TESTS = ["db_tests", "dbxjson_tests", "service_tests", "app_tests", "support_tests"]
# Cases left out under Wine, with the reason; each is counted as skipped.
# (None at present: a case goes here only with the reason it cannot run.)
LEFT_OUT: dict[str, str] = {}
PROGRAM_TIMEOUT = 900

build = Path(sys.argv[1]).resolve()
source = Path(sys.argv[2]).resolve()

env = dict(os.environ)
env.update({
    "WINEPREFIX": str(build / "wine"),
    "WINEDEBUG": "-all",
    # No Mono or Gecko installer dialogs: the tests are console programs.
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    "WINEARCH": "win64",
})
env.pop("DISPLAY", None)
env.pop("WAYLAND_DISPLAY", None)


# Debian's wine64 package keeps its programs in /usr/lib/wine (the wine
# package adds the commands on the path).
WINE_DIR = "/usr/lib/wine"
WINE = os.path.join(WINE_DIR, "wine64")
WINESERVER = os.path.join(WINE_DIR, "wineserver64")


def wine(args, **kwargs):
    return subprocess.run([WINE, *args], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          stdin=subprocess.DEVNULL, text=True, errors="replace", **kwargs)


counts = {"passed": 0, "failed": 0, "skipped": 0}  # programs and checks
cases = {"passed": 0, "skipped": 0}  # GoogleTest cases within them
failures = []


def report(name, ok, detail, output=""):
    counts["passed" if ok else "failed"] += 1
    print(f"{'PASS' if ok else 'FAIL'} {name}: {detail}", flush=True)
    if not ok:
        failures.append(name)
        print(output[-6000:], flush=True)


started = time.monotonic()
# The prefix is made once; a fresh one takes about half a minute.
subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
subprocess.run([WINESERVER, "-w"], env=env, check=False)

for program in sorted((build / "wine-tests").glob("*.exe")):
    try:
        arguments = [str(program), "--gtest_color=no"]
        if LEFT_OUT:
            arguments.append("--gtest_filter=-" + ":".join(LEFT_OUT))
        result = wine(arguments,
                      timeout=PROGRAM_TIMEOUT, cwd=program.parent)
    except subprocess.TimeoutExpired as e:
        report(program.stem, False, f"no answer in {PROGRAM_TIMEOUT} s", str(e.output or ""))
        continue
    out = result.stdout
    ran = re.search(r"^\[==========\] (\d+) tests? from \d+ test suites? ran", out, re.M)
    passed = re.search(r"^\[  PASSED  \] (\d+) test", out, re.M)
    skipped = re.search(r"^\[  SKIPPED \] (\d+) test", out, re.M)
    failed = re.search(r"^\[  FAILED  \]", out, re.M)
    n_passed = int(passed.group(1)) if passed else 0
    n_skipped = int(skipped.group(1)) if skipped else 0
    if not ran:
        report(program.stem, False, "ended without GoogleTest's summary (crashed?)", out)
    elif failed or result.returncode != 0:
        report(program.stem, False, f"failures (exit code {result.returncode})", out)
    else:
        report(program.stem, True, f"{n_passed} cases passed, {n_skipped} skipped")
    cases["passed"] += n_passed
    cases["skipped"] += n_skipped

for replay in sorted((build / "fuzz").glob("*_replay.exe")):
    name = replay.name[: -len("_replay.exe")]
    result = wine([str(replay), str(source / "fuzz" / "corpus" / name)], timeout=PROGRAM_TIMEOUT)
    ok = result.returncode == 0 and re.search(r"^\d+ inputs replayed", result.stdout, re.M) is not None
    report(f"fuzz_replay_{name}", ok, "corpus replayed" if ok else "did not finish", result.stdout)

# The program itself: with no Firebird client to be had it must stop at
# once and say what to install, not hang or crash.
exe = build / "dist" / "fieldsync.exe"
if exe.exists():
    try:
        result = wine([str(exe), "--headless"], timeout=120, cwd=exe.parent)
        ok = result.returncode == 1 and "fbclient.dll" in result.stdout
        report("fieldsync_headless_without_client", ok,
               "stops with the client's message" if ok else f"exit code {result.returncode}", result.stdout)
    except subprocess.TimeoutExpired as e:
        report("fieldsync_headless_without_client", False, "did not stop", str(e.output or ""))

for name, reason in LEFT_OUT.items():
    counts["skipped"] += 1
    print(f"SKIP {name}: {reason}", flush=True)

for name in DATABASE_TESTS:
    counts["skipped"] += 1
    print(f"SKIP {name}: needs a Windows machine with a Firebird server", flush=True)

subprocess.run([WINESERVER, "-k"], env=env, check=False)
print(f"Wine pass: {cases['passed']} test cases passed, {cases['skipped']} skipped, "
      f"in {time.monotonic() - started:.0f} s")
print(f"{counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
sys.exit(1 if failures else 0)
