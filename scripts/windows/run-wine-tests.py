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
  which client to install;
- fieldsync.exe --headless in a program folder of its own with Firebird's
  client (BUILD_DIR/deps/fbclient/fbclient.dll, built by
  scripts/windows/build-fbclient.sh) beside it, on the demo database of the
  Firebird server on loopback (scripts/firebird-server.sh): it must answer
  EchoString, the landing page and a static file over a real socket on a
  port of its own, and end cleanly on Ctrl+C. Without a server or the
  client it is skipped with the reason, and fails when CI is "true".

The database unit tests (db, service, the database cases of json, app)
need a Windows machine with Firebird and are not run here: they are listed
as skipped. Prints "N passed, N failed, N skipped" and exits 1 on a failure.
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
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



def unavailable(name, reason):
    """A check that cannot run here: skipped, but a failure under CI, where
    every component must be there."""
    if os.environ.get("CI") == "true":
        report(name, False, reason + " (CI is true: a missing component fails)")
    else:
        counts["skipped"] += 1
        print(f"SKIP {name}: {reason}", flush=True)


def firebird_server():
    """The settings that scripts/firebird-server.sh prints, or the reason
    why there is no server to use."""
    result = subprocess.run(["bash", str(source / "scripts" / "firebird-server.sh")], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True, check=False)
    settings = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
    if result.returncode != 0 or "FIELDSYNC_FB_SERVER" not in settings:
        return None, "no Firebird server on loopback: " + (result.stderr.strip() or f"exit code {result.returncode}")
    return settings, ""


def wait_until_listening(process, port, timeout=180):
    """True once the program accepts connections on its port; False when it
    ends first or does not within the timeout."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return True
        except OSError:
            time.sleep(0.2)
    return False


def check_headless_with_client():
    """The program started with Firebird's client beside it, on the demo
    database of the Linux server, reached over loopback TCP."""
    name = "fieldsync_headless_with_client"
    client = build / "deps" / "fbclient" / "fbclient.dll"
    if not exe.exists():
        return
    if not client.exists():
        unavailable(name, f"no {client} (scripts/windows/build-fbclient.sh builds it)")
        return
    settings, reason = firebird_server()
    if settings is None:
        unavailable(name, reason)
        return
    os.environ.update(settings)
    sys.path.insert(0, str(source / "tests" / "e2e"))
    import harness  # the end-to-end tests' database, port and request helpers

    directory = Path(tempfile.mkdtemp(prefix="fieldsync-wine-"))
    process = None
    log_path = directory / "program.log"
    try:
        database = harness.create_database(str(directory))
        port = harness.free_port()
        harness.set_branch_port(database, port)
        program = directory / "program"
        shutil.copytree(build / "dist", program)
        shutil.copy(client, program / "fbclient.dll")
        (program / "dbxdrivers.ini").write_text(harness.DRIVERS_INI)
        (program / "dbxconnections.ini").write_text(harness.CONNECTIONS_INI.format(
            database=harness.fb_server() + ":" + database, password=harness.sysdba_password()))
        (program / "fil.txt").write_bytes(b"1\r\n")
        with open(log_path, "wb") as log:
            process = subprocess.Popen([WINE, str(program / "fieldsync.exe"), "--headless"], cwd=program, env=env,
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        if not wait_until_listening(process, port):
            report(name, False, f"did not answer on port {port} (exit code {process.poll()})",
                   log_path.read_text(errors="replace"))
            return
        problems = []
        echo = harness.request(port, "GET", "/datasnap/rest/TServerMethods1/EchoString/S%C3%A3o%20Jo%C3%A3o%2Fx")
        if (echo.status, echo.header("Content-Type"), echo.body) != (
                200, "text/html; charset=ISO-8859-1", b'{"result":["S\\u00E3o Jo\\u00E3o\\/x"]}'):
            problems.append(f"EchoString answered {echo.raw[:400]!r}")
        # The port itself came from the branch's row; a read method reads more.
        table = harness.request(port, "GET", "/datasnap/rest/TServerMethods1/GetAtividade")
        if table.status != 200 or not table.body.startswith(b'{"result":[{"table":[['):
            problems.append(f"GetAtividade answered {table.raw[:400]!r}")
        landing = harness.request(port, "GET", "/")
        if (landing.status != 200 or b"<h1>fieldsync web service</h1>" not in landing.body
                or f"<dd>{port}</dd>".encode() not in landing.body or b"<#" in landing.body):
            problems.append(f"the landing page answered {landing.raw[:400]!r}")
        css = (program / "css" / "ServerFunctionInvoker.css").read_bytes()
        static = harness.request(port, "GET", "/css/ServerFunctionInvoker.css")
        if (static.status, static.header("Content-Type"), static.body) != (200, "text/css; charset=ISO-8859-1", css):
            problems.append(f"the style sheet answered {static.raw[:400]!r}")
        # Wine turns SIGINT into the console's Ctrl+C event.
        process.send_signal(signal.SIGINT)
        try:
            code = process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            code = None
        output = log_path.read_text(errors="replace")
        if code != 0 or "fieldsync stopped" not in output:
            problems.append(f"Ctrl+C: exit code {code}, no \"fieldsync stopped\" logged" if code == 0
                            else f"Ctrl+C: exit code {code}")
        report(name, not problems,
               "; ".join(problems) if problems else
               f"answered EchoString, a table, the landing page and a style sheet on port {port}, stopped on Ctrl+C",
               output)
    except (OSError, RuntimeError, subprocess.CalledProcessError) as e:
        report(name, False, f"{type(e).__name__}: {e}", log_path.read_text(errors="replace") if log_path.exists() else "")
    finally:
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()
        shutil.rmtree(directory, ignore_errors=True)


check_headless_with_client()

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
