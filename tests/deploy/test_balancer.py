"""Two instances of the real service against one Firebird database behind
HAProxy with the shipped example configuration: sessions stay on the
instance that opened them, uploads land once, and when an instance stops new
sessions go to the other."""

import os
import re
import shutil
import subprocess
import threading
import time
import unittest

from deploy import (ECHO, EXAMPLES, METHOD_TEST_PAGE, METHOD_TEST_SPELLINGS, access_lines, harness, https, make_certificate, start_service,
                    wait_for_access_lines, wait_for_tcp)

# Debian's haproxy.cfg keeps global and defaults sections; these stand in for them.
GLOBAL = """global
    maxconn 1024
defaults
    log global
    timeout connect 5s
    timeout client 300s
    timeout server 300s
"""


def balancer_configuration(tls_port, pem, ports):
    """The shipped example with this test's certificate, ports and quicker checks."""
    with open(os.path.join(EXAMPLES, "haproxy-fieldsync.cfg")) as f:
        text = f.read()
    replacements = [
        (r"bind :443 ssl crt /etc/haproxy/certs/fieldsync\.pem", "bind 127.0.0.1:%d ssl crt %s" % (tls_port, pem)),
        (r"server fieldsync1 10\.0\.0\.11:8081 check", "server fieldsync1 127.0.0.1:%d check" % ports[0]),
        (r"server fieldsync2 10\.0\.0\.12:8081 check", "server fieldsync2 127.0.0.1:%d check" % ports[1]),
    ]
    for pattern, replacement in replacements:
        text, count = re.subn(pattern, replacement, text)
        if count != 1:
            raise AssertionError("the example no longer holds " + pattern)
    return GLOBAL + text


def setUpModule():
    global UNDER_TEST, DIRECTORY, DATABASE, SERVICES, TLS_PORT, CERT, HAPROXY
    UNDER_TEST = harness.ServiceUnderTest("fieldsync-balancer-")
    DIRECTORY, DATABASE = UNDER_TEST.directory, UNDER_TEST.database
    # The port comes from the branch row, read when an instance starts: the
    # second instance is started after the row has been given its port (on
    # separate machines both would use the same one).
    ports = [harness.free_port(), harness.free_port()]
    SERVICES = [start_service(DATABASE, port) for port in ports]
    CERT, _, pem = make_certificate(DIRECTORY)
    TLS_PORT = harness.free_port()
    path = os.path.join(DIRECTORY, "haproxy.cfg")
    with open(path, "w") as f:
        f.write(balancer_configuration(TLS_PORT, pem, ports))
    haproxy = shutil.which("haproxy") or "/usr/sbin/haproxy"
    check = subprocess.run([haproxy, "-c", "-f", path], capture_output=True, text=True)
    if check.returncode != 0:
        raise RuntimeError(check.stdout + check.stderr)
    HAPROXY = subprocess.Popen([haproxy, "-db", "-f", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_tcp(TLS_PORT, HAPROXY, "haproxy")


def tearDownModule():
    HAPROXY.terminate()
    HAPROXY.wait(timeout=30)
    failures = []
    for service in SERVICES:
        code, err = service.stop()
        service.cleanup()
        if code != 0:
            failures.append("fieldsync ended with %d: %s" % (code, err))
    UNDER_TEST.close()
    if failures:
        raise AssertionError("; ".join(failures))


def call(path, session=None):
    return https(TLS_PORT, path, CERT, headers={"Pragma": "dssession=" + session} if session else None)


def served_by(marker, timeout=30):
    """Which instances logged a request whose target holds `marker` (a line
    follows its answer by a moment, so this waits for the first one)."""
    deadline = time.time() + timeout
    while True:
        found = [i for i, service in enumerate(SERVICES)
                 if any(marker in line[3] for line in access_lines(service))]
        if found or time.time() > deadline:
            return found
        time.sleep(0.05)


class Balancer(unittest.TestCase):
    # In file order: stopping an instance comes last.
    def test_1_calls_with_sessions_stay_on_their_instance(self):
        handhelds, calls_each = 20, 10
        results = {}

        def handheld(n):
            first = call(ECHO + "h%d-0" % n)
            answers = [first]
            for k in range(1, calls_each):
                answers.append(call(ECHO + "h%d-%d" % (n, k), first.session()))
            results[n] = answers

        threads = [threading.Thread(target=handheld, args=(n,)) for n in range(handhelds)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(len(results), handhelds)
        for n, answers in results.items():
            session = answers[0].session()
            self.assertIsNotNone(session)
            for k, answer in enumerate(answers):
                self.assertEqual((answer.status, answer.session()), (200, session), (n, k, answer.body))
                self.assertEqual(answer.body, b'{"result":["h%d-%d"]}' % (n, k))
        # Each handheld's calls were all served by one instance, and both
        # instances had handhelds.
        owners = {}
        for n in range(handhelds):
            instances = served_by("/h%d-" % n)
            self.assertEqual(len(instances), 1, (n, instances))
            owners[n] = instances[0]
        self.assertEqual(set(owners.values()), {0, 1})

    def test_2_uploads_land_once_each(self):
        imeis = ["35%013d" % (int(time.time() * 1000) % 10**10 * 10 + i) for i in range(10)]
        for imei in imeis:
            session = call(ECHO + "open").session()
            answer = call("/datasnap/rest/TServerMethods1/SetCelulares/%s/7" % imei, session)
            self.assertEqual((answer.status, answer.body), (200, b'{"result":[true]}'))
        landed = {imei: served_by(imei) for imei in imeis}
        for imei in imeis:
            self.assertEqual(len(landed[imei]), 1, (imei, landed[imei]))
        self.assertEqual({instances[0] for instances in landed.values()}, {0, 1})
        rows = harness.run_sql(DATABASE, "select IMEI, count(*) from CELULARES where IMEI in (%s) group by IMEI;\n"
                               % ", ".join("'%s'" % imei for imei in imeis))
        for imei in imeis:
            self.assertRegex(rows, r"(?m)^%s\s+1\s*$" % imei)

    def test_2_the_method_test_page_is_refused(self):
        self.assertIn(METHOD_TEST_PAGE, harness.request(SERVICES[0].port, "GET", "/ServerFunctionInvoker").body)
        for path in METHOD_TEST_SPELLINGS:
            with self.subTest(path=path):
                answer = call(path)
                # Refused by HAProxy, or a path the service does not take for the page.
                self.assertNotEqual(answer.status, 200)
                self.assertNotIn(METHOD_TEST_PAGE, answer.body)
        self.assertEqual(call("/ServerFunctionInvoker").status, 403)
        self.assertEqual(call(ECHO + "%u0053").status, 200)  # REST paths keep their escapes

    def test_3_when_an_instance_stops_new_sessions_go_to_the_other(self):
        code, err = SERVICES[0].stop()
        self.assertEqual(code, 0, err)
        for n in range(20):
            answer = call(ECHO + "after%d" % n)
            self.assertEqual(answer.status, 200, answer.body)
            self.assertIsNotNone(answer.session())
            again = call(ECHO + "after%d-again" % n, answer.session())
            self.assertEqual((again.status, again.session()), (200, answer.session()))
        wait_for_access_lines(SERVICES[1], 40)
        self.assertEqual(len([line for line in access_lines(SERVICES[1]) if "/after" in line[3]]), 40)


if __name__ == "__main__":
    unittest.main()
