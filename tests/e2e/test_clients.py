"""The client packages end to end: each /proxy/<key>.zip is downloaded from
the real executable, unpacked, compiled with Debian's compiler for its
language together with a small check program (tests/clients/<language>), and
run against the live service on the demo database. The check program prints
"name=value" lines; they are compared with the service's own answers to the
same calls over plain HTTP."""

import functools
import io
import json
import os
import subprocess
import tempfile
import unittest
import urllib.parse
import zipfile

import harness

CHECKS = os.path.join(harness.SOURCE, "tests", "clients")
ECHO = "ação / 100% ok?"
REFUSED_DATE = "notadate"


def run(command, cwd, what):
    done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if done.returncode != 0:
        raise AssertionError("%s failed (%d): %s\n%s" % (what, done.returncode, " ".join(command),
                                                        done.stdout.decode("utf-8", "replace")[-4000:]))
    return done.stdout.decode("utf-8")


# Each builds the check program of its language with the unpacked package in
# `directory` and answers the command that runs it (arguments follow: host,
# port, order number, and a user name and password when given).
def java(directory):
    run(["javac", "-nowarn", "-encoding", "UTF-8", "-d", "classes", os.path.join(CHECKS, "java", "ClientCheck.java")]
        + sources(directory, ".java"), directory, "javac")
    return ["java", "-cp", "classes", "ClientCheck"]


def sources(directory, extension):
    return sorted(os.path.join(root, name) for root, _, names in os.walk(directory)
                  for name in names if name.endswith(extension))


def csharp(directory):
    run(["mcs", "-nologo", "-out:check.exe", "-r:System.dll", os.path.join(CHECKS, "csharp", "ClientCheck.cs")]
        + sources(directory, ".cs"), directory, "mcs")
    return ["mono", "check.exe"]


def freepascal(directory):
    os.makedirs(os.path.join(directory, "units"))
    run(["fpc", "-v0", "-FU" + os.path.join(directory, "units"), "-Fu" + directory, "-o" + os.path.join(directory, "check"), os.path.join(CHECKS, "freepascal", "ClientCheck.pas")],
        directory, "fpc")
    return [os.path.join(directory, "check")]


def objectivec(directory):
    flags = run(["gnustep-config", "--objc-flags"], directory, "gnustep-config").split()
    libraries = run(["gnustep-config", "--base-libs"], directory, "gnustep-config").split()
    run(["gcc", "-std=gnu99", "-w"] + flags + ["-I" + directory, "-o", "check",
         os.path.join(CHECKS, "objectivec", "ClientCheck.m")] + sources(directory, ".m") + libraries,
        directory, "gcc (Objective-C)")
    return [os.path.join(directory, "check")]


def run_check(command, directory, port, order, *login):
    """Runs a built check program against the service on `port`; its lines."""
    return run(command + ["127.0.0.1", str(port), str(order), *login], directory, command[0]).splitlines()


# key, the file the writer adds, build
CLIENTS = [
    ("java_android", "src/fieldsync/proxy/DSProxy.java", java),
    ("java_blackberry", "src/fieldsync/proxy/DSProxy.java", java),
    ("objectivec_ios42", "DSProxy.h", objectivec),
    ("csharp_silverlight", "Fieldsync.Proxy/DSProxy.cs", csharp),
    ("freepascal_ios42", "DSProxy.pas", freepascal),
    ("freepascal_ios50", "DSProxy.pas", freepascal),
]


def remove_earlier_zips(service):
    """The copy of the build directory may hold zips of an earlier run."""
    for name in os.listdir(os.path.join(service.directory, "proxy")):
        if name.endswith(".zip"):
            os.remove(os.path.join(service.directory, "proxy", name))


def setUpModule():
    global UNDER_TEST, DIRECTORY, DATABASE, PORT, SERVICE
    UNDER_TEST = harness.start_service("fieldsync-clients-", prepare=remove_earlier_zips)
    DIRECTORY, DATABASE, PORT, SERVICE = UNDER_TEST.directory, UNDER_TEST.database, UNDER_TEST.port, UNDER_TEST.service


def tearDownModule():
    UNDER_TEST.close()


def call(method, *arguments, port=None, headers=None):
    path = "/datasnap/rest/TServerMethods1/" + method + "".join(
        "/" + urllib.parse.quote(str(a), safe="") for a in arguments)
    answer = harness.request(port or PORT, "GET", path, headers=headers)
    return answer.status, json.loads(answer.body)


def order_arguments(order, date):
    return [1, order] + [1] * 10 + [date] + ["x"] * 15 + [2.5]


def expected_lines(order, port=None, headers=None):
    """What a client must print, from the answers of the service on `port`
    (this module's by default) to requests with `headers`."""
    ask = functools.partial(call, port=port, headers=headers)
    status, echo = ask("EchoString", ECHO)
    assert status == 200, echo
    status, activities = ask("GetAtividade")
    table = activities["result"][0]
    columns = table["table"]
    lines = ["echo=" + echo["result"][0], "session=true", "columns=%d" % len(columns)]
    lines += ["column=%s:%d" % (c[0], c[1]) for c in columns]
    ids, names = table[columns[0][0]], table[columns[1][0]]
    lines.append("rows=%d" % len(ids))
    lines += ["row=%s:%s" % (i, n) for i, n in zip(ids, names)]
    lines.append("same_session=true")
    lines.append("write=true:")
    # The refused order is never stored, so the service may be asked first.
    status, refused = ask("SetPedido", *order_arguments(order + 1, REFUSED_DATE))
    assert refused["result"][1] is False, refused
    lines.append("refused=false:" + refused["result"][0])
    status, failed = ask("EchoString", "a", "b")
    assert status == 500
    lines.append("error=500:" + failed["error"])
    return lines


def stored_orders(order, database=None):
    """Orders of that number in the database (the service opens it embedded,
    so this is asked once the service has stopped)."""
    out = harness.run_sql(database or DATABASE, "select count(*) from PEDIDOPALM where IDPEDIDOPALM = %d;\n" % order)
    return int(out.split()[-1])


class ClientPackages(unittest.TestCase):
    def test_each_package_compiles_and_calls_the_service(self):
        orders = {}
        for index, (key, generated, build) in enumerate(CLIENTS):
            with self.subTest(key=key):
                answer = harness.request(PORT, "GET", "/proxy/%s.zip" % key)
                self.assertEqual(answer.status, 200, answer.body[:300])
                self.assertEqual(answer.header("Content-Type"), "application/x-zip-compressed")
                archive = zipfile.ZipFile(io.BytesIO(answer.body))
                self.assertIn(generated, archive.namelist())
                # The whole source directory, support files and client.
                source = os.path.join(SERVICE.directory, "proxy", key)
                self.assertEqual(sorted(archive.namelist()),
                                 sorted(os.path.relpath(f, source) for f in sources(source, "")))
                directory = tempfile.mkdtemp(prefix="client-" + key + "-", dir=DIRECTORY)
                archive.extractall(directory)

                order = 7000 + 10 * index
                printed = run_check(build(directory), directory, PORT, order)
                self.assertEqual(printed, expected_lines(order))
                orders[key] = order
        UNDER_TEST.stop()  # fails the test when the service did not end cleanly
        for key, order in orders.items():
            with self.subTest(key=key):
                self.assertEqual(stored_orders(order), 1, "the order was stored")
                self.assertEqual(stored_orders(order + 1), 0, "the refused order was not")


if __name__ == "__main__":
    unittest.main()
