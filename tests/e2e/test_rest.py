"""REST calls end to end: the real executable from build/dist, real sockets,
the demo database on a Firebird server on loopback."""

import re
import threading
import unittest

import harness

ECHO = "/datasnap/rest/TServerMethods1/EchoString/"
PRAGMA = r"Pragma: dssession=\d{1,6}\.\d{1,6}\.\d{1,6},dssessionexpires=\d+\r\n"


def setUpModule():
    global UNDER_TEST, PORT
    UNDER_TEST = harness.start_service("fieldsync-rest-")
    PORT = UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


def get(path, **headers):
    return harness.request(PORT, "GET", path, headers)


class ExampleAnswers(unittest.TestCase):
    def assertAnswer(self, answer, status_line, body):
        """The whole answer: status line, headers in order, body bytes."""
        expected = (re.escape(status_line + "\r\nConnection: close\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"
                              "Content-Length: %d\r\n" % len(body)) + PRAGMA + r"\r\n" + re.escape(body))
        self.assertRegex(answer.raw.decode("latin-1"), "^" + expected + "$")

    def test_calls_answer_their_envelope(self):
        cases = [
            ("GET", ECHO + "abc", "HTTP/1.1 200 OK", '{"result":["abc"]}'),
            ("GET", ECHO + "12.50", "HTTP/1.1 200 OK", '{"result":["12.50"]}'),
            ("GET", ECHO + "abc/", "HTTP/1.1 200 OK", '{"result":["abc"]}'),
            ("GET", ECHO + "True", "HTTP/1.1 200 OK", '{"result":["-1"]}'),
            ("GET", ECHO + "%2B5", "HTTP/1.1 200 OK", '{"result":["+5"]}'),
            ("GET", ECHO + "S%C3%A3o%20Jo%C3%A3o%2Fx", "HTTP/1.1 200 OK", '{"result":["S\\u00E3o Jo\\u00E3o\\/x"]}'),
            ("GET", "/datasnap/rest/TServerMethods1/ReverseString/abc", "HTTP/1.1 200 OK", '{"result":["cba"]}'),
            ("GET", "/DATASNAP/REST/tservermethods1/echostring/x", "HTTP/1.1 200 OK", '{"result":["x"]}'),
            ("PUT", "/datasnap/rest/TServerMethods1/%22EchoString%22/x", "HTTP/1.1 201 Created", '{"result":["x"]}'),
            ("GET", "/datasnap/rest/TServerMethods1/NoSuchMethod", "HTTP/1.1 500 Internal Server Error",
             '{"error":"TServerMethods1.NoSuchMethod method not found in the server method list"}'),
            ("POST", ECHO + "x", "HTTP/1.1 500 Internal Server Error",
             '{"error":"TServerMethods1.updateEchoString method not found in the server method list"}'),
            ("GET", "/datasnap/rest/TServerMethods1/GetClienteSN/abc", "HTTP/1.1 500 Internal Server Error",
             '{"error":"\'\'abc\'\' is not a valid integer value"}'),
            ("GET", "/datasnap/rest/TServerMethods1/GetClienteSN/1/2", "HTTP/1.1 500 Internal Server Error",
             '{"error":"Server method TServerMethods1.GetClienteSN consumed only 1 input parameters out of 2. '
             'Decrease the call input parameters for a successful execution."}'),
            ("GET", "/datasnap/rest/TServerMethods1", "HTTP/1.1 500 Internal Server Error",
             '{"error":"Invalid request format. \\/className\\/methodName and eventual parameters expected."}'),
            ("GET", "/datasnap/rest/TServerMethods1/SetReceber/1/2/12,5", "HTTP/1.1 500 Internal Server Error",
             '{"error":"\'12,5\' is not a valid floating point value"}'),
        ]
        for method, path, status_line, body in cases:
            with self.subTest(method=method, path=path):
                self.assertAnswer(harness.request(PORT, method, path), status_line, body)

    def test_a_reported_write_answers_its_error_text_then_its_result(self):
        answer = get("/datasnap/rest/TServerMethods1/RecebendoPalmAfa/7")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.body, b'{"result":["",true]}')

    def test_a_read_method_answers_a_table(self):
        answer = get("/datasnap/rest/TServerMethods1/GetAtividade")
        self.assertEqual(answer.status, 200)
        self.assertTrue(answer.body.startswith(b'{"result":[{"table":[['), answer.body[:200])
        self.assertEqual(answer.body, get("/datasnap/rest/TServerMethods1/GetAtividade/").body)
        self.assertTrue(all(b < 0x80 for b in answer.body))


class BodyArguments(unittest.TestCase):
    def test_a_json_body_adds_arguments(self):
        path = "/datasnap/rest/TServerMethods1/%22EchoString%22"
        answer = harness.request(PORT, "PUT", path, {"Content-Type": "application/json"},
                                 body='{"_parameters":["S\u00e3o"]}'.encode())
        self.assertEqual((answer.status, answer.body), (201, b'{"result":["S\\u00E3o"]}'))
        answer = harness.request(PORT, "PUT", path + "?sid=", {"Content-Type": "application/json"}, body=b'"x"')
        self.assertEqual((answer.status, answer.body), (201, b'{"result":["x"]}'))
        answer = harness.request(PORT, "PUT", path + "/a", {"Content-Type": "application/json"}, body=b'{"b":1')
        self.assertEqual((answer.status, answer.body), (500, b'{"error":"Message content is not a valid JSON value."}'))

    def test_a_query_without_a_body_is_no_argument(self):
        answer = harness.request(PORT, "PUT", "/datasnap/rest/TServerMethods1/%22EchoString%22/x?debug=1")
        self.assertEqual((answer.status, answer.body), (201, b'{"result":["x"]}'))


class FailureAnswers(unittest.TestCase):
    def test_other_contexts(self):
        answer = get("/datasnapx/rest/TServerMethods1/EchoString/x")
        self.assertEqual(answer.status_line,
                         "HTTP/1.1 404 Expected datasnap context in request /datasnapx/rest/TServerMethods1/EchoString/x")
        self.assertEqual(answer.body, b"")

        answer = get("/datasnap/other/x")
        self.assertEqual(answer.status, 501)
        self.assertEqual(answer.body, b"Specified protocol in request /other/x is not supported. "
                                      b"Current supported protocols are: rest, json, tunnel")

    def test_head_is_not_a_rest_verb(self):
        answer = harness.request(PORT, "HEAD", ECHO + "x")
        self.assertEqual(answer.status_line, "HTTP/1.1 501 Command HEAD in request is not supported. "
                                             "Accepted commands are: GET, POST, PUT and DELETE")

    def test_unknown_session(self):
        answer = get(ECHO + "x", Pragma="dssession=1.2.3")
        self.assertEqual(answer.status_line, "HTTP/1.1 403 Session has expired")
        self.assertEqual(answer.body, b'{"SessionExpired":"The specified session has expired due to inactivity '
                                      b'or was an invalid Session ID"}')
        self.assertIsNone(answer.header("Pragma"))


class Sessions(unittest.TestCase):
    def test_new_sessions_reuse_and_close(self):
        first, second = get(ECHO + "a"), get(ECHO + "b")
        self.assertIsNotNone(first.session())
        self.assertNotEqual(first.session(), second.session())

        again = get(ECHO + "c", Pragma="dssession=" + first.session())
        self.assertEqual(again.session(), first.session())
        self.assertRegex(again.header("Pragma"), r"dssessionexpires=(1200000|119\d{4})$")
        self.assertEqual(get(ECHO + "d?sid=" + second.session()).session(), second.session())

        closed = get("/datasnap/rest/CLOSESESSION/", Pragma="dssession=" + first.session())
        self.assertEqual(closed.status_line, 'HTTP/1.1 200 {"result":[true]}')
        self.assertEqual(closed.body, b"")
        self.assertEqual(get(ECHO + "e", Pragma="dssession=" + first.session()).status, 403)

    def test_concurrent_calls_each_get_an_answer(self):
        answers = [None] * 20

        def call(i):
            answers[i] = get(ECHO + "n%d" % i)

        threads = [threading.Thread(target=call, args=(i,)) for i in range(len(answers))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for i, answer in enumerate(answers):
            self.assertEqual(answer.body, ('{"result":["n%d"]}' % i).encode())


if __name__ == "__main__":
    unittest.main()
