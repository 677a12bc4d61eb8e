"""Hostile arguments never change a statement: every text and integer
argument of every read method is sent quotes, doubled quotes, comment
markers, statement separators, NUL, non-BMP characters, long texts and
numbers out of range. Each call answers a table or a clear error, a text
that would widen a query if it reached the SQL unquoted finds no rows, and
the database is the same afterwards, row for row."""

import hashlib
import json
import socket
import unittest
import urllib.parse

import harness

from test_methods import READ_CALLS

TEXT_PAYLOADS = [
    "'",
    "''",
    "x' or '1'='1",
    "x' or 1=1 --",
    "x'/*",
    "*/ or 1=1 /*",
    "x'; delete from CLIENTE; --",
    "x' union select rdb$relation_name from rdb$relations --",
    "x\\' or 1=1 --",
    "%' or '%'='",
    "\x00' or '1'='1",
    "\U0001F600' or 'a'='a",
    "a'" * 3000,
]

# What an integer argument answers: INVALID is 500 with the error
# "''<payload>'' is not a valid integer value"; TABLE a table (the text is a
# whole number); ABSENT a table when the payload is the last segment (an
# empty last segment is no argument, read as null), INVALID elsewhere (the
# empty text is no whole number).
INVALID, TABLE, ABSENT = "invalid", "table", "absent"
INTEGER_PAYLOADS = [
    ("1'", INVALID), ("1 or 1=1", INVALID), ("1; delete from CLIENTE", INVALID), ("1--", INVALID),
    ("1/*", INVALID), ("0x10", INVALID), ("1e3", INVALID), ("'1'", INVALID),
    ("2147483648", INVALID), ("-2147483649", INVALID), ("99999999999999999999", INVALID),
    (" 1", TABLE),  # leading blanks are skipped, as in every integer text
    ("", ABSENT),
    ("\x00", INVALID),  # named whole in the error, the NUL escaped
]


# Reading the whole database: every user table, row for row.
TABLES_SQL = ("set list on;\nselect trim(rdb$relation_name) as N from rdb$relations "
              "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null order by 1;\n")


def snapshot():
    tables = [line.split()[1] for line in harness.run_sql(DATABASE, TABLES_SQL).splitlines()
              if line.startswith("N ")]
    digest = {}
    for table in tables:
        rows = harness.run_sql(DATABASE, 'set list on;\nselect * from "%s" order by 1;\n' % table)
        digest[table] = hashlib.sha256(rows.encode("utf-8", "replace")).hexdigest()
    return digest


def call(method, arguments):
    path = "/datasnap/rest/TServerMethods1/%s/%s" % (
        method, "/".join(urllib.parse.quote(a.encode("utf-8"), safe="") for a in arguments))
    try:
        answer = harness.request(PORT, "GET", path)
    except (ConnectionError, IndexError, socket.timeout):  # closed without a status line
        return None
    return answer


def setUpModule():
    global UNDER_TEST, DATABASE, PORT
    # Through the server, so that the test can read the database while the service runs.
    UNDER_TEST = harness.start_service("fieldsync-injection-", through_server=True)
    DATABASE, PORT = UNDER_TEST.database, UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


class HostileArguments(unittest.TestCase):
    def assert_table_or_clear_error(self, answer, where):
        self.assertIsNotNone(answer, "no answer to " + where[:200])
        if answer.status == 200:
            result = json.loads(answer.body)["result"]
            self.assertEqual(len(result), 1, where[:200])
            self.assertIn("table", result[0], where[:200])
            return result[0]["table"]
        if answer.status == 500:
            # The error envelope, or the bare message when the table failed while it was written.
            error = json.loads(answer.body)
            message = error["error"] if isinstance(error, dict) else error
            self.assertIsInstance(message, str, where[:200])
            self.assertTrue(message.strip(), where[:200])
            return None
        self.assertIn(answer.status, (400, 404, 414), where[:200])
        return None

    def assert_integer_answer(self, answer, payload, expected, where):
        self.assertIsNotNone(answer, "no answer to " + where)
        if expected == TABLE:
            self.assertEqual(answer.status, 200, where + ": " + repr(answer.body[:300]))
            result = json.loads(answer.body)["result"]
            self.assertEqual(len(result), 1, where)
            self.assertIn("table", result[0], where)
        else:
            self.assertEqual((answer.status, json.loads(answer.body)),
                             (500, {"error": "''%s'' is not a valid integer value" % payload}), where)

    def test_no_argument_of_a_read_method_changes_its_statement(self):
        before = snapshot()
        for name, (sample, texts) in READ_CALLS.items():
            # Around the payload, arguments that name nothing stored: "x" for a text, 1 for an integer.
            arguments = ["x" if position in texts else "1" for position in range(len(sample))]
            for position in range(len(arguments)):
                if position in texts:
                    for payload in TEXT_PAYLOADS:
                        sent = list(arguments)
                        sent[position] = payload
                        where = "%s argument %d = %r" % (name, position, payload)
                        with self.subTest(method=name, position=position, payload=payload[:40]):
                            rows = self.assert_table_or_clear_error(call(name, sent), where)
                            if rows is not None:
                                # No stored IMEI, representative or log type is any of these texts.
                                self.assertEqual(rows, [], where[:200])
                    continue
                for payload, expected in INTEGER_PAYLOADS:
                    if expected == ABSENT:
                        expected = TABLE if position == len(arguments) - 1 else INVALID
                    sent = list(arguments)
                    sent[position] = payload
                    where = "%s argument %d = %r" % (name, position, payload)
                    with self.subTest(method=name, position=position, payload=payload):
                        self.assert_integer_answer(call(name, sent), payload, expected, where)
        self.assertEqual(snapshot(), before)
        alive = harness.request(PORT, "GET", "/datasnap/rest/TServerMethods1/EchoString/ok")
        self.assertEqual(json.loads(alive.body), {"result": ["ok"]})

    def test_a_64_kib_text_is_refused_and_the_service_goes_on(self):
        answer = call("GetCelulares", ["a'" * 32768, "x"])
        # A request line longer than the server reads is refused, never run.
        self.assertIsNotNone(answer, "closed without an answer")
        self.assertEqual(answer.status, 414)
        self.assertEqual(answer.body, b"Max line length exceeded.")
        alive = harness.request(PORT, "GET", "/datasnap/rest/TServerMethods1/EchoString/ok")
        self.assertEqual(json.loads(alive.body), {"result": ["ok"]})

    def test_a_quote_in_a_text_is_matched_as_a_quote(self):
        # The stored IMEI holds a quote: the same text finds it, the quote doubled does not.
        harness.run_sql(DATABASE, "insert into CELULARES (CNPJ, IMEI, REPRESENTANTE, BLOQUEAR) "
                                  "values ('1', 'ab''cd', 'REP', 'N');\ncommit;\n")
        try:
            found = call("GetCelulares", ["ab'cd", "REP"])
            self.assertEqual(found.status, 200, found.body[:300])
            table = json.loads(found.body)["result"][0]["table"]
            self.assertEqual(len(table), 1)
            doubled = call("GetCelulares", ["ab''cd", "REP"])
            self.assertEqual(json.loads(doubled.body)["result"][0]["table"], [])
        finally:
            harness.run_sql(DATABASE, "delete from CELULARES where IMEI = 'ab''cd';\ncommit;\n")


if __name__ == "__main__":
    unittest.main()
