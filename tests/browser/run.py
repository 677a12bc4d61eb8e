"""Runs browser tests: installs their npm packages (npm ci, into the build
directory, once per lock file), starts the real executable on a fresh demo
database on the loopback Firebird server, and runs node's test runner on the
given *.test.js files of this folder (all of them when none is given)
against it with Debian's Chromium.

    run.py [--login] [name.test.js ...]

--login starts the service with a users file holding one user, made with the
program's `user` command, and passes the user's name and password to the
tests in FIELDSYNC_USER and FIELDSYNC_PASSWORD.

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


# The user of the runs with --login: not ASCII, and a colon in the password.
LOGIN_USER = "operador"
LOGIN_PASSWORD = "ação: 7 dias"


def main():
    arguments = sys.argv[1:]
    login = "--login" in arguments
    names = [a for a in arguments if a != "--login"] or sorted(
        name for name in os.listdir(HERE) if name.endswith(".test.js"))
    tests = [os.path.join(HERE, name) for name in names]

    browser_dir = os.environ.get("FIELDSYNC_BROWSER_DIR", os.path.join(harness.SOURCE, "build", "browser"))
    install_packages(browser_dir)
    env = dict(os.environ)
    env["NODE_PATH"] = os.path.join(browser_dir, "node_modules")
    env.setdefault("FIELDSYNC_SCREENSHOT", os.path.join(browser_dir, "method-test-page.png"))
    env.setdefault("FIELDSYNC_ACTIVITY_SCREENSHOT", os.path.join(browser_dir, "sync-activity-page.png"))
    try:
        with harness.ServiceUnderTest("fieldsync-browser-") as under_test:
            service_env = None
            if login:
                users_file = os.path.join(under_test.directory, "users")
                harness.add_user(users_file, LOGIN_USER, LOGIN_PASSWORD)
                service_env = {"FIELDSYNC_USERS_FILE": users_file}
                env["FIELDSYNC_USER"] = LOGIN_USER
                env["FIELDSYNC_PASSWORD"] = LOGIN_PASSWORD
            under_test.start(env=service_env)
            env["FIELDSYNC_URL"] = "http://127.0.0.1:%d" % under_test.port
            result = subprocess.run(["node", "--test"] + tests, env=env)
    except AssertionError as e:  # the service did not end cleanly
        print(e, file=sys.stderr)
        return 1
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
