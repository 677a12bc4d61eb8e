"""Helpers of the deployment tests: the end-to-end harness, certificates made
at test time, HTTPS calls and the service's log."""

import http.client
import os
import re
import ssl
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import harness  # noqa: E402
from needs import need  # noqa: E402,F401  (for the deployment tests)

SOURCE = harness.SOURCE
BUILD = os.environ.get("FIELDSYNC_BUILD", os.path.join(SOURCE, "build"))
EXAMPLES = os.path.join(SOURCE, "packaging", "examples")
ECHO = "/datasnap/rest/TServerMethods1/EchoString/"

# The method-test page, and spellings of its path that a proxy must refuse
# (the service opens the page to every caller that comes from loopback).
METHOD_TEST_PAGE = b"<title>fieldsync: method test"
METHOD_TEST_SPELLINGS = [
    "/ServerFunctionInvoker",
    "/serverfunctioninvoker",
    "/SERVERFUNCTIONINVOKER?x=1",
    "/%53erverFunctionInvoker",
    "/%73%65%72%76%65%72%66%75%6e%63%74%69%6f%6e%69%6e%76%6f%6b%65%72",
    "/%u0053erverFunctionInvoker",
    "/%U0053erverFunctionInvoker",
    "//ServerFunctionInvoker",
    "/./ServerFunctionInvoker",
    "/x/../ServerFunctionInvoker",
    "/ServerFunctionInvoker/",
]

# time, address, method, target, status, bytes, duration
ACCESS_LINE = re.compile(r"^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z) (\S+) (\S+) (\S+) (\d{3}) (\d+|-) (\d+\.\d{3})ms$")


def make_certificate(directory, name="localhost"):
    """A self-signed certificate for 127.0.0.1 and localhost; returns the
    paths of the certificate, the key and both in one file."""
    cert = os.path.join(directory, name + ".crt")
    key = os.path.join(directory, name + ".key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    both = os.path.join(directory, name + ".pem")
    with open(both, "w") as out:
        for path in (cert, key):
            with open(path) as f:
                out.write(f.read())
    return cert, key, both


class Answer:
    def __init__(self, status, headers, body):
        self.status = status
        self.headers = headers
        self.body = body

    def header(self, name):
        return self.headers.get(name)

    def session(self):
        m = re.match(r"dssession=([0-9]+\.[0-9]+\.[0-9]+),dssessionexpires=[0-9]+$", self.header("Pragma") or "")
        return m.group(1) if m else None


def https(port, path, cafile, method="GET", headers=None, body=None):
    """One HTTPS call to 127.0.0.1 that checks the certificate against `cafile`."""
    context = ssl.create_default_context(cafile=cafile)
    connection = http.client.HTTPSConnection("127.0.0.1", port, context=context, timeout=120)
    try:
        connection.putrequest(method, path, skip_accept_encoding=True)
        for name, value in (headers or {}).items():
            connection.putheader(name, value)
        if body is not None:
            connection.putheader("Content-Length", str(len(body)))
        connection.endheaders(body)
        response = connection.getresponse()
        return Answer(response.status, response.headers, response.read())
    finally:
        connection.close()


def access_lines(service):
    """The access-log lines the service has written, parsed."""
    return [m.groups() for m in map(ACCESS_LINE.match, service.log_lines()) if m]


def wait_for_access_lines(service, count, timeout=30):
    """Lines are written once an answer has gone out, so a client may see the
    answer a moment before its line; waits for `count` of them."""
    deadline = time.time() + timeout
    while True:
        lines = access_lines(service)
        if len(lines) >= count or time.time() > deadline:
            return lines
        time.sleep(0.05)


def start_service(database, port, env=None):
    """fieldsync on the branch-1 port `port` of `database`, which it reaches
    through the Firebird server on loopback, as installed instances do (and
    as several instances of one database must)."""
    harness.set_branch_port(database, port)
    service = harness.FieldsyncProcess(harness.fb_server() + ":" + database, branch_file="1\r\n", port=port, env=env)
    return service.start(wait_port=port)


def files_below(directory):
    """Every file below `directory` (by its path there) with its size and
    time, links as links: a snapshot."""
    found = {}
    for parent, _, names in os.walk(directory):
        for name in names:
            path = os.path.join(parent, name)
            info = os.lstat(path)
            found[os.path.relpath(path, directory)] = (info.st_size, info.st_mtime_ns)
    return found


def wait_for_tcp(port, process, what):
    try:
        harness.wait_for_port(port, timeout=30)
    except TimeoutError:
        raise RuntimeError("%s does not listen on %d: %s" % (what, port, process.poll()))
