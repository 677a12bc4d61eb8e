"""Result filters, cached results and the cache and json contexts end to end:
the real executable from build/dist, real sockets, the demo database with
extra clients on a Firebird server on loopback."""

import json
import threading
import unittest

import harness

REST = "/datasnap/rest/TServerMethods1/"
EXTRA_CLIENTS = 2000
REFUSED = ("Query parameter %s (%s) is not accepted as a valid converter. The converter type might not be "
           "registered yet hence the request is rejected")
CONFLICTING = "Query parameters are conflicting. This is usually due to references on the same output parameter"
SESSION_EXPIRED = (b'{"SessionExpired":"The specified session has expired due to inactivity or was an invalid '
                   b'Session ID"}')


def setUpModule():
    global UNDER_TEST, PORT
    UNDER_TEST = harness.start_service("fieldsync-filters-", large=EXTRA_CLIENTS)
    PORT = UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


def get(path, **headers):
    return harness.request(PORT, "GET", path, headers)


def table_of(answer):
    """The table object of a call's single result."""
    return json.loads(answer.body)["result"][0]


def rows_of(table):
    """The table's rows as tuples, column by column as the table holds them."""
    names = [d[0] for d in table["table"]]
    return list(zip(*(table[name] for name in names))) if names else []


class Filters(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.clients = rows_of(table_of(get(REST + "GetTodosClientes")))

    def test_unknown_parameters_are_ignored(self):
        plain = get(REST + "GetAtividade")
        self.assertEqual(get(REST + "GetAtividade?_=1").body, plain.body)
        self.assertEqual(get(REST + "GetAtividade?q.o=1&t.x=2&debug").body, plain.body)

    def test_row_windows_of_a_large_table(self):
        self.assertGreater(len(self.clients), EXTRA_CLIENTS)
        cases = [
            ("t.r=0,50", 0, 50),
            ("t.o=50&t.c=50", 50, 50),
            ("T.R=2000,1000", 2000, 1000),
            ("c=7&t.o=3&c=4", 3, 4),  # a bare field reaches only filters named before it
            ("t.o=%d" % (len(self.clients) - 1), len(self.clients) - 1, 1),
        ]
        for query, offset, count in cases:
            with self.subTest(query=query):
                answer = get(REST + "GetTodosClientes?" + query)
                self.assertEqual(answer.status, 200)
                table = table_of(answer)
                self.assertEqual(len(table["table"]), 25)
                self.assertEqual(rows_of(table), self.clients[offset:offset + count])

    def test_a_window_past_the_end_is_an_empty_table(self):
        answer = get(REST + "GetTodosClientes?t.o=1000000")
        self.assertEqual(answer.body, b'{"result":[{"table":[]}]}')

    def test_substrings_of_texts(self):
        cases = [
            ("EchoString/abcdef?ss.c=3", b'{"result":["abc"]}'),
            ("EchoString/abcdef?ss.r=2,2", b'{"result":["cd"]}'),
            ("EchoString/S%C3%A3o%20Paulo?ss.o=1&ss.c=5", b'{"result":["\\u00E3o Pa"]}'),
            ("EchoString/abc?ss.o=9", b'{"result":[""]}'),
        ]
        for path, body in cases:
            with self.subTest(path=path):
                answer = get(REST + path)
                self.assertEqual((answer.status, answer.body), (200, body))

    def test_a_filter_on_an_output_it_cannot_convert(self):
        answer = get(REST + "GetAtividade?ss.c=3")
        self.assertEqual(answer.status, 500)
        self.assertEqual(answer.body, b'"The output parameter (0) cannot be converted by the selected converter (ss)"')

    def test_refused_and_conflicting_filters_answer_409(self):
        cases = [
            ("t.r=5", REFUSED % ("t.r", "5")),
            ("t.r=,5", REFUSED % ("t.r", ",5")),
            ("t.c=1&r=9", REFUSED % ("r", "9")),
            ("t.c=1&ss.c=1", CONFLICTING),
            ("t0-3.c=1&ss2.o=1", CONFLICTING),
        ]
        for query, reason in cases:
            with self.subTest(query=query):
                answer = get(REST + "GetAtividade?" + query)
                self.assertEqual(answer.status_line, "HTTP/1.1 409 " + reason)
                self.assertEqual(answer.body, b"")
                self.assertIsNone(answer.header("Pragma"))

    def test_malformed_names_and_values_answer_500(self):
        for query in ("t72.c=1", "t1-.c=1", "t.c=x", "json=maybe"):
            with self.subTest(query=query):
                answer = get(REST + "GetAtividade?" + query)
                self.assertEqual((answer.status, answer.body), (500, b""))


class CachedResults(unittest.TestCase):
    def cache(self, method, path, session, **headers):
        headers["Pragma"] = "dssession=" + session
        return harness.request(PORT, method, "/datasnap/cache" + path, headers)

    def cached_call(self, path, session=None):
        headers = {"Accept": "application/rest"}
        if session:
            headers["Pragma"] = "dssession=" + session
        return harness.request(PORT, "GET", REST + path, headers)

    def test_a_cached_table_is_read_back_with_the_same_session(self):
        answer = self.cached_call("GetAtividade")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.body, b'{"result":["0\\/0\\/0"],"cacheId":0,"cmdIndex":0}')
        self.assertEqual(answer.header("Content-Type"), "application/rest")
        session = answer.session()
        self.assertIsNotNone(session)

        plain = table_of(get(REST + "GetAtividade"))
        value = self.cache("GET", "/0/0/0", session)
        self.assertEqual(value.status, 200)
        self.assertEqual(json.loads(value.body), {"result": plain})
        self.assertIsNone(value.header("Pragma"))
        self.assertEqual(value.header("Connection"), "close")
        # Read again, by the query's session id, and cropped by a filter.
        again = harness.request(PORT, "GET", "/datasnap/cache/0/0/0?sid=%s&t.r=1,1" % session)
        self.assertEqual(rows_of(json.loads(again.body)["result"]), rows_of(plain)[1:2])

        # A cached table holds its JSON without the framing (12 bytes and 4 per
        # column) and 4 bytes per value.
        columns, rows = len(plain["table"]), len(rows_of(plain))
        table_bytes = len(value.body) - len(b'{"result":}')
        held = table_bytes - 12 - 4 * columns + 4 * columns * rows
        listing = json.loads(self.cache("GET", "", session).body)
        self.assertEqual(listing, {"result": {"0": {"commands": [{"parameters": [
            {"name": "ReturnParameter", "type": 23, "rows": rows, "bytes": held}]}]}}})

        self.assertEqual(self.cached_call("GetCidade", session).body,
                         b'{"result":["1\\/0\\/0"],"cacheId":1,"cmdIndex":0}')
        self.assertEqual(self.cache("DELETE", "/0", session).status, 200)
        self.assertEqual(self.cache("GET", "/0/0/0", session).body,
                         b'{"error":"There is no cached item with ID: 0"}')
        self.assertEqual(list(json.loads(self.cache("GET", "", session).body)["result"]), ["1"])
        self.assertEqual(self.cache("DELETE", "", session).status, 200)
        self.assertEqual(self.cache("GET", "", session).body, b'{"result":{}}')

    def test_the_cache_contexts_refusals(self):
        session = self.cached_call("GetAtividade").session()
        cases = [
            ("GET", "/0/x", "HTTP/1.1 400 Invalid request format. (/0/x)", b""),
            ("DELETE", "/0/0", "HTTP/1.1 400 Invalid request format. (/0/0)", b""),
            ("GET", "/0/0/5", "HTTP/1.1 200 OK", b'{"error":"There is no parameter for command 0, parameter index 5."}'),
            ("GET", "/3", "HTTP/1.1 200 OK", b'{"result":null}'),
            ("POST", "/0", "HTTP/1.1 501 Not Implemented",
             b"Command POST in request is not supported. Accepted commands are: GET, POST, PUT and DELETE"),
        ]
        for method, path, status_line, body in cases:
            with self.subTest(method=method, path=path):
                answer = self.cache(method, path, session)
                self.assertEqual(answer.status_line, status_line)
                self.assertEqual(answer.body, body)
        expired = self.cache("GET", "/0/0/0", "1.2.3")
        self.assertEqual(expired.status_line, "HTTP/1.1 403 Session has expired")
        self.assertEqual(expired.body, SESSION_EXPIRED)

    def test_a_session_ended_while_its_cached_table_is_read(self):
        session = self.cached_call("GetTodosClientes").session()
        whole = self.cache("GET", "/0/0/0", session)
        self.assertEqual(whole.status, 200)
        answers = []

        def read():
            for _ in range(6):
                answers.append(self.cache("GET", "/0/0/0", session))

        readers = [threading.Thread(target=read) for _ in range(3)]
        for t in readers:
            t.start()
        closed = get("/datasnap/rest/CloseSession/", Pragma="dssession=" + session)
        for t in readers:
            t.join()
        self.assertEqual(closed.status_line, 'HTTP/1.1 200 {"result":[true]}')
        for answer in answers:
            self.assertIn((answer.status, answer.body), [(200, whole.body), (403, SESSION_EXPIRED)])
        self.assertEqual(self.cache("GET", "/0/0/0", session).status, 403)
        self.assertEqual(get(REST + "EchoString/alive").body, b'{"result":["alive"]}')


class JSONContext(unittest.TestCase):
    def post(self, body, method="POST", **headers):
        return harness.request(PORT, method, "/datasnap/json", headers, body=body)

    def test_the_commands_are_run_in_order(self):
        answer = self.post(b'[{"execute":{"TServerMethods1.EchoString":["abc"]}}]')
        self.assertEqual((answer.status, answer.body), (200, b'[{"result":["abc"]}]'))
        self.assertIsNone(answer.header("Pragma"))

        answer = self.post(b'[{"execute":{"TServerMethods1.ReverseString":["abc"]}},'
                           b'{"execute":{"TServerMethods1.NoSuchMethod":[]}},'
                           b'{"execute":{"TServerMethods1.GetClienteSN":["x"]}}]')
        self.assertEqual(answer.status, 500)
        self.assertEqual(json.loads(answer.body), [
            {"result": ["cba"]},
            {"error": "TServerMethods1.NoSuchMethod method not found in the server method list"},
            {"error": "''x'' is not a valid integer value"}])

    def test_failures_of_the_whole_request(self):
        cases = [
            ("POST", b"", "Request type POST has an empty content. A JSON command object is expected"),
            ("POST", b"[{", "Message content is not a valid JSON value."),
            ("POST", b'{"execute":{}}', "JSON protocol expects a JSON array instead a TJSONObject type. Submit a "
                                        "POST request with a JSON command to receive proper response"),
            ("GET", b"", "JSON protocol expects a POST request instead of GET. Submit a POST request with a JSON "
                         "command to receive proper response"),
            ("PUT", b"[]", "JSON protocol expects a POST request instead of PUT. Submit a POST request with a JSON "
                           "command to receive proper response"),
            ("DELETE", b"", "JSON protocol expects a POST request instead of DELETE. Submit a POST request with a "
                            "JSON command to receive proper response"),
        ]
        for method, body, reason in cases:
            with self.subTest(method=method, body=body):
                answer = self.post(body, method)
                self.assertEqual(answer.status_line, "HTTP/1.1 500 " + reason)
                self.assertEqual(answer.body, b"")

    def test_an_unknown_session(self):
        answer = self.post(b'[{"execute":{"TServerMethods1.EchoString":["abc"]}}]', Pragma="dssession=1.2.3")
        self.assertEqual(answer.status_line, "HTTP/1.1 403 Session has expired")
        self.assertEqual(answer.body, SESSION_EXPIRED)


if __name__ == "__main__":
    unittest.main()
