"""Runs the browser tests: installs their npm packages (npm ci, into the build
directory, once per lock file), starts the real executable on a fresh demo
database on the loopback Firebird server, and runs node's test runner on the
*.test.js files of this folder against it with Debian's Chromium.

Environment: FIELDSYNC_DIST and FIELDSYNC_SOURCE as for the end-to-end tests;
FIELDSYNC_BROWSER_DIR, where node_modules and the screenshots go;
FIELDSYNC_CHROMIUM, the browser (default /usr/bin/chromium).
"""

import json
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import harness  # noqa: E402


def install_packages(directory):
    """npm ci into `directory` unless it already holds what the lock file names."""
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(HERE, "package-lock.json")) as f:
        lock = f.read()
    stamp = os.path.join(directory, "node_modules", ".fieldsync-lock")
    if os.path.exists(stamp):
        with open(stamp) as f:
            if f.read() == lock:
                return
    for name in ("package.json", "package-lock.json"):
        shutil.copy(os.path.join(HERE, name), directory)
    subprocess.run(["npm", "ci", "--no-audit", "--no-fund"], cwd=directory, check=True)
    with open(stamp, "w") as f:
        f.write(lock)


def main():
    browser_dir = os.environ.get("FIELDSYNC_BROWSER_DIR", os.path.join(harness.SOURCE, "build", "browser"))
    install_packages(browser_dir)
    tests = sorted(os.path.join(HERE, name) for name in os.listdir(HERE) if name.endswith(".test.js"))

    try:
        with harness.start_service("fieldsync-browser-") as under_test:
            env = dict(os.environ)
            env["NODE_PATH"] = os.path.join(browser_dir, "node_modules")
            env["FIELDSYNC_URL"] = "http://127.0.0.1:%d" % under_test.port
            env.setdefault("FIELDSYNC_SCREENSHOT", os.path.join(browser_dir, "method-test-page.png"))
            env.setdefault("FIELDSYNC_ACTIVITY_SCREENSHOT", os.path.join(browser_dir, "sync-activity-page.png"))
            result = subprocess.run(["node", "--test"] + tests, env=env)
    except AssertionError as e:  # the service did not end cleanly
        print(e, file=sys.stderr)
        return 1
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
