"""Compressed answers end to end: the real executable, real sockets, the demo
database on the loopback server; one service as shipped and one started with
FIELDSYNC_GZIP=0."""

import gzip
import unittest

import harness

LARGE = "/datasnap/rest/TServerMethods1/GetTodosClientes"  # about 90 KB on the demo data
SMALL = "/datasnap/rest/TServerMethods1/EchoString/abc"


def setUpModule():
    global SERVICES
    SERVICES = {}
    for name, env in (("default", {}), ("off", {"FIELDSYNC_GZIP": "0"})):
        SERVICES[name] = harness.start_service("fieldsync-gzip-%s-" % name, env=env)


def tearDownModule():
    failures = []
    for under_test in SERVICES.values():
        try:
            under_test.close()
        except AssertionError as e:
            failures.append(str(e))
    if failures:
        raise AssertionError("; ".join(failures))


def get(service, path, accept_encoding=None):
    port = SERVICES[service].port
    headers = {"Accept-Encoding": accept_encoding} if accept_encoding is not None else {}
    return harness.request(port, "GET", path, headers)


def without_session(answer):
    """The header lines without the session's Pragma (new for every call)."""
    return [line for line in answer.header_lines if not line.startswith("Pragma:")]


class Compression(unittest.TestCase):
    def test_a_large_answer_goes_compressed_to_a_client_that_asks(self):
        plain = get("default", LARGE)
        for accept in ("gzip", "gzip, deflate", "deflate, gzip;q=0.5", "*"):
            with self.subTest(accept=accept):
                packed = get("default", LARGE, accept)
                self.assertEqual(packed.status, 200)
                self.assertEqual(packed.header("Content-Encoding"), "gzip")
                self.assertEqual(packed.header("Vary"), "Accept-Encoding")
                self.assertEqual(int(packed.header("Content-Length")), len(packed.body))
                self.assertEqual(gzip.decompress(packed.body), plain.body)
                self.assertLess(len(packed.body), len(plain.body) // 3)

    def test_small_answers_and_clients_that_do_not_ask_get_todays_bytes(self):
        cases = [("default", LARGE, None), ("default", LARGE, "identity"), ("default", LARGE, "gzip;q=0"),
                 ("default", SMALL, "gzip"), ("off", LARGE, "gzip"), ("off", SMALL, "gzip")]
        reference = {path: get("off", path) for path in (LARGE, SMALL)}
        for service, path, accept in cases:
            with self.subTest(service=service, path=path, accept=accept):
                answer = get(service, path, accept)
                self.assertIsNone(answer.header("Content-Encoding"))
                self.assertIsNone(answer.header("Vary"))
                self.assertEqual(answer.body, reference[path].body)
                self.assertEqual(without_session(answer), without_session(reference[path]))
                self.assertGreater(len(reference[LARGE].body), 8192)


if __name__ == "__main__":
    unittest.main()
