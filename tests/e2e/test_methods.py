"""Every published method answers over REST from the real executable: each
is found, takes its arguments in order and answers its envelope. Runs on a
database of its own, since the write methods change it."""

import json
import os
import re
import unittest
import urllib.parse

import harness

TABLE, BOOLEAN, TEXT = "table", "boolean", "text"
# Reported writes answer their Erro text before the result.
REPORTED = {"SetCliente", "SetPedido", "SetPedido2", "SetPedido2_Novo", "SetItensPedido", "SetReceber",
            "RecebendoPalmAfa"}

# The read methods: each with the arguments of its first call in
# database/statements.sql (in parameter order, as that test of the service
# checks), the positions of its text arguments (the quoted ones) among them.
def read_calls():
    calls = {}
    with open(os.path.join(harness.SOURCE, "database", "statements.sql"), encoding="utf-8") as f:
        for line in f:
            match = re.match(r"-- @call (\w+)\((.*)\)", line)
            if not match or match.group(1) in calls:
                continue
            values = re.findall(r"\w+=('(?:[^']|'')*'|-?\d+)", match.group(2))
            texts = {i for i, value in enumerate(values) if value.startswith("'")}
            arguments = [value[1:-1].replace("''", "'") if i in texts else value for i, value in enumerate(values)]
            calls[match.group(1)] = (arguments, texts)
    return calls


READ_CALLS = read_calls()

# (method, result kind, path arguments): the methods that are no reads, then
# the reads.
METHODS = [
    ("EchoString", TEXT, "ab"),
    ("ReverseString", TEXT, "ab"),
    ("SetCliente", BOOLEAN, "1/1/1/1/1/1/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x"),
    ("SetIDClienteTmpNull", BOOLEAN, "1/1"),
    ("SetIDPedidoPalm", BOOLEAN, "1/1/1"),
    ("SetPedido", BOOLEAN, "1/1/1/1/1/1/1/1/1/1/1/1/10%2F12%2F2026/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5"),
    ("SetPedido2", BOOLEAN, "1/1/x"),
    ("SetPedido2_Novo", BOOLEAN, "1/1/1/x"),
    ("SetItensPedido", BOOLEAN, "1/1/1/1/2.5/2.5/2.5/2.5/x"),
    ("RecebendoPalmAfa", BOOLEAN, "1"),
    ("SetSituacaoPedido", BOOLEAN, "1/1"),
    ("SetReceber", BOOLEAN, "10%2F12%2F2026/x/2.5/2.5/1/1/1/1/1/1"),
    ("DeletaLogAndroid", BOOLEAN, "1/1/1/x"),
    ("SetRepresentante", BOOLEAN, "1/1"),
    ("SetCelulares", BOOLEAN, "x/x"),
    ("SetSenhaPalm", BOOLEAN, "1/x"),
]
METHODS += [(name, TABLE, "/".join(urllib.parse.quote(a.encode("utf-8"), safe="") for a in arguments))
            for name, (arguments, _) in READ_CALLS.items()]


def setUpModule():
    global UNDER_TEST, PORT
    UNDER_TEST = harness.start_service("fieldsync-methods-")
    PORT = UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


class EveryMethod(unittest.TestCase):
    def test_the_method_table_is_complete(self):
        # The program's own list of its methods is the one its browser client carries.
        answer = harness.request(PORT, "GET", "/js/serverfunctions.js")
        self.assertEqual(answer.status, 200)
        listed = re.search(r'"TServerMethods1": (\[[^\]]*\])', answer.body.decode("utf-8"))
        self.assertIsNotNone(listed, "no method list in serverfunctions.js")
        # Each published method once in the table, and nothing else.
        self.assertEqual(sorted(name for name, _, _ in METHODS), sorted(json.loads(listed.group(1))))

    def test_each_method_answers_its_envelope(self):
        for name, kind, arguments in METHODS:
            with self.subTest(method=name):
                path = "/datasnap/rest/TServerMethods1/" + name + ("/" + arguments if arguments else "")
                answer = harness.request(PORT, "GET", path)
                self.assertEqual(answer.status, 200, answer.body[:300])
                result = json.loads(answer.body)["result"]
                if kind == TABLE:
                    self.assertEqual(len(result), 1)
                    self.assertIn("table", result[0])
                elif kind == TEXT:
                    self.assertEqual(result, ["ab" if name == "EchoString" else "ba"])
                elif name in REPORTED:
                    self.assertEqual(result, ["", True])
                else:
                    self.assertEqual(result, [True])

    def test_one_argument_too_many_is_refused_by_every_method(self):
        for name, kind, arguments in METHODS:
            with self.subTest(method=name):
                count = len(arguments.split("/")) if arguments else 0
                path = "/datasnap/rest/TServerMethods1/" + name + "/" + "/".join(["1"] * (count + 1))
                answer = harness.request(PORT, "GET", path)
                self.assertEqual(answer.status, 500)
                error = json.loads(answer.body)["error"]
                self.assertIn("TServerMethods1." + name, error)


if __name__ == "__main__":
    unittest.main()
