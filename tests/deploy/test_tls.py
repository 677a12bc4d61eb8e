"""TLS through nginx: the shipped example configuration in front of the real
service on loopback, with a certificate made for the test. Handhelds'
calls pass; the method-test page does not, in any spelling."""

import os
import re
import shutil
import subprocess
import unittest

from deploy import (ECHO, EXAMPLES, METHOD_TEST_PAGE, METHOD_TEST_SPELLINGS, harness, https, make_certificate,
                    wait_for_tcp)

NGINX_MAIN = """daemon off;
worker_processes 1;
pid {dir}/nginx.pid;
error_log {dir}/error.log;
events {{ worker_connections 256; }}
http {{
    access_log {dir}/access.log;
    client_body_temp_path {dir}/body;
    proxy_temp_path {dir}/proxy;
    fastcgi_temp_path {dir}/fastcgi;
    uwsgi_temp_path {dir}/uwsgi;
    scgi_temp_path {dir}/scgi;
    include {dir}/fieldsync.conf;
}}
"""


def site_configuration(service_port, tls_port, cert, key):
    """The shipped example with this test's ports and certificate, on loopback only."""
    with open(os.path.join(EXAMPLES, "nginx-fieldsync.conf")) as f:
        text = f.read()
    replacements = [
        (r"server 127\.0\.0\.1:8081;", "server 127.0.0.1:%d;" % service_port),
        (r"listen 443 ssl;", "listen 127.0.0.1:%d ssl;" % tls_port),
        (r"\n\s*listen \[::\]:443 ssl;", ""),
        (r"ssl_certificate\s+/etc/ssl/certs/fieldsync\.pem;", "ssl_certificate %s;" % cert),
        (r"ssl_certificate_key\s+/etc/ssl/private/fieldsync\.key;", "ssl_certificate_key %s;" % key),
    ]
    for pattern, replacement in replacements:
        text, count = re.subn(pattern, replacement, text)
        if count != 1:
            raise AssertionError("the example no longer holds " + pattern)
    return text


def setUpModule():
    global UNDER_TEST, DIRECTORY, SERVICE_PORT, TLS_PORT, CERT, NGINX
    # Through the Firebird server, as installed instances reach the database.
    # The directory is open to every user (the server's, and nginx's workers').
    UNDER_TEST = harness.start_service("fieldsync-tls-", through_server=True)
    unittest.addModuleCleanup(UNDER_TEST.close)  # after tearDownModule, or when nginx does not start
    DIRECTORY, SERVICE_PORT = UNDER_TEST.directory, UNDER_TEST.port
    CERT, key, _ = make_certificate(DIRECTORY)
    TLS_PORT = harness.free_port()
    for name in ("body", "proxy", "fastcgi", "uwsgi", "scgi"):
        os.mkdir(os.path.join(DIRECTORY, name))
        os.chmod(os.path.join(DIRECTORY, name), 0o777)
    with open(os.path.join(DIRECTORY, "fieldsync.conf"), "w") as f:
        f.write(site_configuration(SERVICE_PORT, TLS_PORT, CERT, key))
    with open(os.path.join(DIRECTORY, "nginx.conf"), "w") as f:
        f.write(NGINX_MAIN.format(dir=DIRECTORY))
    nginx = shutil.which("nginx") or "/usr/sbin/nginx"
    command = [nginx, "-e", os.path.join(DIRECTORY, "error.log"), "-p", DIRECTORY,
               "-c", os.path.join(DIRECTORY, "nginx.conf")]
    check = subprocess.run(command + ["-t"], capture_output=True, text=True)
    if check.returncode != 0:
        raise RuntimeError(check.stderr)
    NGINX = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_tcp(TLS_PORT, NGINX, "nginx")


def tearDownModule():
    NGINX.terminate()
    NGINX.wait(timeout=30)


def call(path, **headers):
    return https(TLS_PORT, path, CERT, headers=headers)


class ThroughTheProxy(unittest.TestCase):
    def test_echo_string_over_https(self):
        answer = call(ECHO + "%C3%A7%20x")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.body, b'{"result":["\\u00E7 x"]}')
        self.assertIsNotNone(answer.session())

    def test_the_session_header_makes_the_round_trip(self):
        first = call(ECHO + "a")
        session = first.session()
        again = call(ECHO + "b", Pragma="dssession=" + session)
        self.assertEqual((again.status, again.session()), (200, session))
        closed = call("/datasnap/rest/CLOSESESSION/", Pragma="dssession=" + session)
        self.assertEqual(closed.status, 200)
        expired = call(ECHO + "c", Pragma="dssession=" + session)
        self.assertEqual(expired.status, 403)
        self.assertIn(b"SessionExpired", expired.body)

    def test_a_table_arrives_as_the_service_sends_it(self):
        for method in ("GetAtividade", "GetTodosClientes", "GetProduto", "GetTabelaPrecoItem"):
            with self.subTest(method=method):
                path = "/datasnap/rest/TServerMethods1/" + method
                direct = harness.request(SERVICE_PORT, "GET", path)
                proxied = call(path)
                self.assertEqual(proxied.status, direct.status)
                self.assertEqual(proxied.body, direct.body)
                if direct.status == 200:
                    self.assertIn(b'"table":[', proxied.body)

    def test_pages_and_redirects_pass(self):
        home = call("/")
        self.assertEqual(home.status, 200)
        self.assertIn(b"<title>fieldsync web service", home.body)
        elsewhere = call("/nothing/here")
        self.assertEqual((elsewhere.status, elsewhere.header("Location")), (302, "/"))

    def test_the_method_test_page_is_refused_in_every_spelling(self):
        # Straight to the service from loopback the page opens: the proxy is
        # what keeps it from remote callers.
        self.assertIn(METHOD_TEST_PAGE, harness.request(SERVICE_PORT, "GET", "/ServerFunctionInvoker").body)
        for path in METHOD_TEST_SPELLINGS:
            with self.subTest(path=path):
                answer = call(path)
                self.assertIn(answer.status, (400, 403))
                self.assertNotIn(METHOD_TEST_PAGE, answer.body)


if __name__ == "__main__":
    unittest.main()
