"""End-to-end harness: runs the real executable from build/dist against a
Firebird server on loopback and talks HTTP to it over real sockets.

Each FieldsyncProcess gets a program directory of its own (a copy of
build/dist with its own fil.txt and definitions files), since the program
reads everything beside its executable.
"""

import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time

SOURCE = os.environ.get("FIELDSYNC_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
DIST = os.environ.get("FIELDSYNC_DIST", os.path.join(SOURCE, "build", "dist"))
PASSWORD_FILE = "/etc/firebird/3.0/SYSDBA.password"
# The first line of a sanitizer's report on standard error.
SANITIZER_REPORT = re.compile(r"runtime error: |==[0-9]+==(ERROR|WARNING): [A-Za-z]*Sanitizer")


def sysdba_password():
    for name in ("FIELDSYNC_FB_PASSWORD", "ISC_PASSWORD"):
        if os.environ.get(name):
            return os.environ[name]
    with open(PASSWORD_FILE) as f:
        for line in f:
            m = re.match(r'\s*ISC_PASSWORD\s*=\s*"?([^"\n]*)"?', line)
            if m:
                return m.group(1)
    raise RuntimeError("no SYSDBA password in " + PASSWORD_FILE)


def fb_server():
    """The loopback address of the Firebird server that scripts/firebird-server.sh announced."""
    return os.environ.get("FIELDSYNC_FB_SERVER") or "localhost"


# Locks of the ports handed out, held while the process lives (see free_port).
_PORT_LOCKS = []


def free_port():
    """A port that is free now, fits the branch row's 16-bit signed column,
    and that no other test process of this machine is given while this one
    lives: the service binds it itself, so the probing socket is closed, and
    a lock on <temp>/fieldsync-ports/<port>.lock keeps the port this
    process's. The C++ tests' FreePort (tests/support/Loopback.h) takes the
    same locks."""
    import fcntl
    import random
    locks = os.path.join(tempfile.gettempdir(), "fieldsync-ports")
    try:
        os.mkdir(locks)
        os.chmod(locks, 0o1777)
    except FileExistsError:
        pass
    while True:
        port = random.randrange(20000, 32000)
        lock = open(os.path.join(locks, "%d.lock" % port), "a")
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:  # another test process has it
            lock.close()
            continue
        with socket.socket() as s:
            try:
                s.bind(("0.0.0.0", port))
            except OSError:
                lock.close()
                continue
        _PORT_LOCKS.append(lock)
        return port


def create_database(directory, name="erp.fdb", large=None):
    """Creates the demo database on the loopback server; returns its path."""
    path = os.path.join(directory, name)
    os.chmod(directory, 0o777)
    command = ["bash", os.path.join(SOURCE, "database", "create-db.sh")]
    if large:
        command += ["--large", str(large)]
    command.append(fb_server() + ":" + path)
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return path


def run_sql(database, sql):
    """Runs SQL through isql-fb on the loopback server; returns its output."""
    result = subprocess.run(
        ["isql-fb", "-q", "-bail", "-user", "SYSDBA", "-password", sysdba_password(), fb_server() + ":" + database],
        input=sql, capture_output=True, text=True, encoding="cp1252")
    if result.returncode != 0:
        raise RuntimeError(result.stdout + result.stderr)
    return result.stdout


DRIVERS_INI = """[Installed Drivers]
FIREBIRD=1

[FIREBIRD]
GetDriverFunc=getSQLDriverINTERBASE
LibraryName=dbxfb.dll
VendorLib=fbclient.dll
BlobSize=-1
CommitRetain=False
Database=database.fdb
Password=masterkey
Role=RoleName
SQLDialect=3
IsolationLevel=ReadCommitted
User_Name=sysdba
WaitOnLocks=True
TrimChar=False
"""

CONNECTIONS_INI = """[DMESTOQUE]
DriverName=FIREBIRD
Database={database}
User_Name=sysdba
Password={password}
RoleName=RoleName
ServerCharSet=WIN1252
SQLDialect=3
IsolationLevel=ReadCommitted
WaitOnLocks=True
CommitRetain=False
TrimChar=False
"""


def set_branch_port(database, port, branch=1):
    """Makes the service of `branch` listen on `port` (FILIAL.PORTA_MOBILE)."""
    run_sql(database, "update FILIAL set PORTA_MOBILE = %d where IDFILIAL = %d;\ncommit;\n" % (port, branch))


def read_all(sock):
    """Every byte the peer sends until it closes the connection."""
    chunks = []
    while True:
        chunk = sock.recv(65536)
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)


class FieldsyncProcess:
    """One running fieldsync (--headless unless other arguments are given) in
    a program directory of its own."""

    def __init__(self, database, branch_file="1\r\n", port=None, env=None):
        self.directory = tempfile.mkdtemp(prefix="fieldsync-e2e-")
        shutil.copytree(DIST, self.directory, dirs_exist_ok=True)
        with open(os.path.join(self.directory, "dbxdrivers.ini"), "w") as f:
            f.write(DRIVERS_INI)
        with open(os.path.join(self.directory, "dbxconnections.ini"), "w") as f:
            f.write(CONNECTIONS_INI.format(database=database, password=sysdba_password()))
        if branch_file is not None:
            with open(os.path.join(self.directory, "fil.txt"), "wb") as f:
                f.write(branch_file.encode("cp1252"))
        self.env = dict(os.environ)
        self.env.update(env or {})
        self.port = port
        self.process = None
        self.stderr_read = False

    def start(self, wait_port=None, args=("--headless",)):
        # Standard output (the service's log) goes to a file: a pipe that
        # nobody reads would fill up and hold the requests that log to it.
        self.log_path = os.path.join(self.directory, "stdout.log")
        with open(self.log_path, "wb") as log:
            self.process = subprocess.Popen([os.path.join(self.directory, "fieldsync"), *args],
                                            cwd="/", env=self.env, stdout=log, stderr=subprocess.PIPE)
        if wait_port:
            wait_for_port(wait_port, self.process)
        return self

    def read_error_line(self, timeout=30):
        """The next line the program writes to standard error (it keeps running)."""
        import select
        line = b""
        deadline = time.time() + timeout
        while not line.endswith(b"\n") and time.time() < deadline:
            ready, _, _ = select.select([self.process.stderr], [], [], 0.1)
            if ready:
                byte = os.read(self.process.stderr.fileno(), 1)
                if not byte:
                    break
                line += byte
        return line.decode("utf-8", "replace")

    def log_lines(self):
        """What the program has written to standard output so far, by line."""
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace").splitlines()

    def stop(self):
        """Ends the program as a termination signal does; returns (code, stderr)."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        return self.wait()

    def wait(self, timeout=60):
        out, err = self.process.communicate(timeout=timeout)
        self.stderr_read = True
        err = err.decode("utf-8", "replace")
        self.file_sanitizer_report(err)
        return self.process.returncode, err

    def file_sanitizer_report(self, err):
        """In a sanitizer build's test run (scripts/sanitizers/run-test.sh), a
        sanitizer report among what the program wrote to standard error is
        filed with the run, which then fails the test whatever the test checks."""
        reports = os.environ.get("FIELDSYNC_SANITIZER_REPORTS")
        if reports and SANITIZER_REPORT.search(err):
            with open(os.path.join(reports, "stderr.%d" % self.process.pid), "w") as f:
                f.write(err)

    def cleanup(self):
        if self.process and not self.stderr_read:
            if self.process.poll() is None:
                self.process.kill()
            try:
                self.wait(timeout=30)
            except (ValueError, OSError, subprocess.TimeoutExpired):
                pass  # standard error was already read to its end elsewhere
        shutil.rmtree(self.directory, ignore_errors=True)


class ServiceUnderTest:
    """What a test module or class calls: a temporary directory, the demo
    database in it (with `large` extra clients), a free port given to branch
    1 and, once started, fieldsync serving that branch from a program
    directory of its own. `through_server` makes the service reach the
    database through the Firebird server on loopback instead of opening it
    embedded, so that a test may read the database while the service runs.
    close() ends it all and fails when the service did not end cleanly."""

    def __init__(self, prefix, large=None, through_server=False):
        self.directory = tempfile.mkdtemp(prefix=prefix)
        self.service = None
        self.stopped = None
        try:
            self.database = create_database(self.directory, large=large)
            self.port = free_port()
            set_branch_port(self.database, self.port)
        except BaseException:
            shutil.rmtree(self.directory, ignore_errors=True)
            raise
        self.connection = fb_server() + ":" + self.database if through_server else self.database

    def start(self, env=None, prepare=None, args=("--headless",)):
        """Starts fieldsync for branch 1 and waits for its port; `prepare`
        is called with the FieldsyncProcess before the program starts, to
        change its program directory."""
        self.service = FieldsyncProcess(self.connection, branch_file="1\r\n", port=self.port, env=env)
        if prepare:
            prepare(self.service)
        self.service.start(wait_port=self.port, args=args)
        return self

    def stop(self):
        """Ends the service once (later calls answer the same); returns
        (exit code, standard error) and raises with its standard error when
        the exit code is not 0."""
        if self.stopped is None:
            self.stopped = self.service.stop()
        code, err = self.stopped
        if code != 0:
            raise AssertionError("fieldsync ended with %d: %s" % (code, err))
        return self.stopped

    def close(self):
        """Stops the service when one was started, then removes its program
        directory and the temporary directory, the database with it."""
        try:
            if self.service is not None and self.service.process is not None:
                self.stop()
        finally:
            if self.service is not None:
                self.service.cleanup()
            shutil.rmtree(self.directory, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()


def start_service(prefix, large=None, through_server=False, env=None, prepare=None):
    """A ServiceUnderTest, started; nothing is left behind when it does not start."""
    under_test = ServiceUnderTest(prefix, large=large, through_server=through_server)
    try:
        return under_test.start(env=env, prepare=prepare)
    except BaseException:
        try:
            under_test.close()
        except AssertionError:
            pass  # the failed start's own error says more
        raise


def wait_for_port(port, process=None, host="127.0.0.1", timeout=30):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if process is not None and process.poll() is not None:
            raise RuntimeError("fieldsync ended early: " + process.stderr.read().decode("utf-8", "replace"))
        try:
            with socket.create_connection((host, port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise TimeoutError("nothing listens on port %d" % port)


class Answer:
    def __init__(self, raw):
        self.raw = raw
        head, _, self.body = raw.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0]
        self.status = int(lines[0].split(" ")[1])
        self.reason = lines[0].split(" ", 2)[2] if lines[0].count(" ") >= 2 else ""
        self.header_lines = lines[1:]
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(": ")
            self.headers.setdefault(name.lower(), value)

    def header(self, name):
        return self.headers.get(name.lower())

    def session(self):
        m = re.match(r"dssession=([0-9]+\.[0-9]+\.[0-9]+),dssessionexpires=([0-9]+)$", self.header("Pragma") or "")
        return m.group(1) if m else None


def request(port, method, path, headers=None, body=b"", host="127.0.0.1", version="HTTP/1.1"):
    """Sends one raw request and reads the whole answer (the server closes)."""
    lines = ["%s %s %s" % (method, path, version), "Host: %s:%d" % (host, port)]
    for name, value in (headers or {}).items():
        lines.append("%s: %s" % (name, value))
    if body:
        lines.append("Content-Length: %d" % len(body))
    data = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    with socket.socket(family, socket.SOCK_STREAM) as s:
        s.settimeout(120)
        s.connect((host, port))
        s.sendall(data)
        return Answer(read_all(s))


def user_command(users_file, *arguments, password=None):
    """Runs `fieldsync user ...` of build/dist on `users_file`, with
    `password` as the first line of its standard input; the finished process."""
    env = dict(os.environ, FIELDSYNC_USERS_FILE=users_file)
    for name in ("DISPLAY", "WAYLAND_DISPLAY"):  # a program without the command would open its window
        env.pop(name, None)
    stdin = b"" if password is None else (password + "\n").encode("utf-8")
    return subprocess.run([os.path.join(DIST, "fieldsync"), "user", *arguments], input=stdin, env=env,
                          capture_output=True, timeout=60)


def add_user(users_file, name, password, *options):
    """Adds a user to `users_file` with the program's own command."""
    done = user_command(users_file, "add", name, *options, password=password)
    if done.returncode != 0:
        raise RuntimeError("fieldsync user add %s failed (%d): %s" % (
            name, done.returncode, done.stderr.decode("utf-8", "replace")))


def basic_authorization(name, password):
    """The Authorization header of a login: Basic and the UTF-8 pair in Base64."""
    import base64
    return "Basic " + base64.b64encode((name + ":" + password).encode("utf-8")).decode("ascii")
