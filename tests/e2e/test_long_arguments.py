"""Long texts from a handheld get through whole: every argument travels in
the GET path, so an order note or a client's address is bounded only by the
request line's 16384 characters. Each text is stored and read back from the
database with its accents (Windows-1252 in the database, UTF-8 escapes on
the wire)."""

import json
import unittest
import urllib.parse

import harness

PHRASE = "Entregar após às 14h, ligar antes; "
REST = "/datasnap/rest/TServerMethods1/"
ORDER_ARGUMENTS = "1/{palm}/1/1/1/1/1/1/1/1/1/1/10%2F12%2F2026/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5"


def quoted(text):
    return urllib.parse.quote(text.encode("utf-8"), safe="")


def note_of_encoded_size(size):
    """The phrase repeated until its escaped form is `size` bytes long (the
    last bytes made up with plain letters)."""
    text, encoded = "", 0
    while True:
        for ch in PHRASE:
            piece = len(quoted(ch))
            if encoded + piece > size:
                return text + "x" * (size - encoded)
            text, encoded = text + ch, encoded + piece


def setUpModule():
    global UNDER_TEST, DATABASE, PORT
    # Through the server, so that the test can read the database while the service runs.
    UNDER_TEST = harness.start_service("fieldsync-long-", through_server=True)
    DATABASE, PORT = UNDER_TEST.database, UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


def get(path):
    return harness.request(PORT, "GET", REST + path)


def stored_value(select, blob=False):
    """The one value, named V, that `select` reads, as the database holds it.
    isql's list mode writes "V", blanks and the value; for a text blob the
    value is the blob's id, its content follows on the next lines, and the
    row ends with blank lines."""
    output = harness.run_sql(DATABASE, "set list on;\nset blob all;\n" + select + "\n")
    lines = output.split("\n")
    first = next(i for i, line in enumerate(lines) if line.startswith("V "))
    if not blob:
        return lines[first][1:].lstrip(" ")
    return "\n".join(lines[first + 1:]).rstrip("\n")


class LongArguments(unittest.TestCase):
    def test_an_order_note_as_long_as_the_line_allows_is_stored_whole(self):
        cases = [("just under the old argument limit", 8191, 73001),
                 ("just over the old argument limit", 8193, 73002),
                 ("past the old path limit", 15000, 73003),
                 ("the handheld's 7,000 characters", len(quoted(PHRASE * 200)), 73004)]
        for name, size, palm in cases:
            with self.subTest(name):
                self.assertEqual(get("SetPedido/" + ORDER_ARGUMENTS.format(palm=palm)).status, 200)
                note = note_of_encoded_size(size)
                self.assertEqual(len(quoted(note)), size)
                answer = get("SetPedido2/1/%d/%s" % (palm, quoted(note)))
                self.assertEqual(answer.status, 200, answer.body[:200])
                self.assertEqual(json.loads(answer.body), {"result": ["", True]})
                stored = stored_value("select OBS_EXTENSO as V from PEDIDOPALM where IDFILIAL = 1 "
                                      "and IDREPRESENTANTE = 1 and IDPEDIDOPALM = %d;" % palm, blob=True)
                self.assertEqual(len(stored), len(note))
                self.assertEqual(stored, note)

    def test_a_client_with_the_longest_texts_its_columns_hold(self):
        # Razao, Fantasia, Endereco, Cep, Bairro, TipoCliente, Cnpj, Ie, Cpf, Rg,
        # Fone, Fax, Celular, Email as long as CLIENTE_PALM's columns, in accents.
        columns = [("NMRAZAO", 60), ("NMFANTASIA", 60), ("ENDERECO", 80), ("CEP", 10),
                   ("BAIRRO", 40), ("TIPOCLIENTE", 1), ("CNPJ", 18), ("IE", 20), ("CPF", 14),
                   ("RG", 20), ("FONE", 20), ("FAX", 20), ("CELULAR", 20), ("EMAIL", 100)]
        values = {name: ("çãéô" * 30)[:width] for name, width in columns}
        values["TIPOCLIENTE"] = "F"
        arguments = "/".join(quoted(values[name]) for name, _ in columns)
        # "X": neither a new nor a changed client, so only the log row is written.
        answer = get("SetCliente/1/880001/1/1/1/1/%s/X/N" % arguments)
        self.assertEqual(json.loads(answer.body), {"result": ["", True]}, answer.body[:300])
        for name, _ in columns:
            with self.subTest(name):
                stored = stored_value("select %s as V from CLIENTE_PALM where IDCLIENTE = 880001;" % name)
                self.assertEqual(stored, values[name])

    def test_a_request_line_past_its_limit_is_refused_and_stores_nothing(self):
        self.assertEqual(get("SetPedido/" + ORDER_ARGUMENTS.format(palm=73009)).status, 200)
        base = "%sSetPedido2/1/73009/" % REST
        room = 16384 - len("GET " + base + " HTTP/1.1")
        for name, size, status in [("at the line limit", room, 200), ("one byte past it", room + 1, 414)]:
            with self.subTest(name):
                note = "n" * size
                answer = harness.request(PORT, "GET", base + note)
                self.assertEqual(answer.status, status, answer.body[:200])
                stored = stored_value("select coalesce(char_length(OBS_EXTENSO), 0) as V from PEDIDOPALM "
                                      "where IDFILIAL = 1 and IDREPRESENTANTE = 1 and IDPEDIDOPALM = 73009;")
                self.assertEqual(int(stored), room)


if __name__ == "__main__":
    unittest.main()
