"""Every published method answers over REST from the real executable: each
is found, takes its arguments in order and answers its envelope. Runs on a
database of its own, since the write methods change it."""

import json
import re
import unittest

import harness

TABLE, BOOLEAN, TEXT = "table", "boolean", "text"
# Reported writes answer their Erro text before the result.
REPORTED = {"SetCliente", "SetPedido", "SetPedido2", "SetPedido2_Novo", "SetItensPedido", "SetReceber",
            "RecebendoPalmAfa"}

# (method, result kind, path arguments)
METHODS = [
    ("EchoString", TEXT, "ab"),
    ("ReverseString", TEXT, "ab"),
    ("GetCondPagto", TABLE, ""),
    ("GetFormaPagto", TABLE, ""),
    ("GetCidade", TABLE, ""),
    ("GetAtividade", TABLE, ""),
    ("GetConvenio", TABLE, ""),
    ("GetRegiao", TABLE, ""),
    ("GetCondPagtoCliente", TABLE, "1"),
    ("GetFormaPagtoCliente", TABLE, "1"),
    ("GetCPFCNPJ", TABLE, ""),
    ("GetCondPagtoSN", TABLE, "1"),
    ("GetFormaPagtoSN", TABLE, "1"),
    ("GetCidadeSN", TABLE, "1"),
    ("GetAtividadeSN", TABLE, "1"),
    ("GetConvenioSN", TABLE, "1"),
    ("GetRegiaoSN", TABLE, "1"),
    ("GetCondPagtoClienteSN", TABLE, "1/1"),
    ("GetFormaPagtoClienteSN", TABLE, "1/1"),
    ("GetCPFCNPJSN", TABLE, "1"),
    ("GetClienteProduto", TABLE, "1"),
    ("GetProduto", TABLE, ""),
    ("GetTabelaPreco", TABLE, ""),
    ("GetTabelaPrecoItem", TABLE, ""),
    ("GetTabelaPrecoRep", TABLE, "1"),
    ("GetTabelaPrecoItemRep", TABLE, "1"),
    ("GetProdutoUndMed", TABLE, ""),
    ("GetProdutoConsig", TABLE, "1"),
    ("GetProdutoSN", TABLE, "1"),
    ("GetProdutoConsigSN", TABLE, "1/1"),
    ("GetProdutoUndMedSN", TABLE, "1/1"),
    ("GetClienteProdutoSN", TABLE, "1/1"),
    ("GetTabelaPrecoSN", TABLE, "1"),
    ("GetTabelaPrecoItemSN", TABLE, "1/1"),
    ("GetCliente", TABLE, "1"),
    ("GetTodosClientes", TABLE, ""),
    ("GetAtrasoCliente", TABLE, "1"),
    ("GetClienteSN", TABLE, "1"),
    ("GetAtrasoClienteSN", TABLE, "1"),
    ("SetCliente", BOOLEAN, "1/1/1/1/1/1/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x"),
    ("SetIDClienteTmpNull", BOOLEAN, "1/1"),
    ("GetChavePedido", TABLE, "1/1"),
    ("SetIDPedidoPalm", BOOLEAN, "1/1/1"),
    ("SetPedido", BOOLEAN, "1/1/1/1/1/1/1/1/1/1/1/1/10%2F12%2F2026/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5"),
    ("SetPedido2", BOOLEAN, "1/1/x"),
    ("SetPedido2_Novo", BOOLEAN, "1/1/1/x"),
    ("SetItensPedido", BOOLEAN, "1/1/1/1/2.5/2.5/2.5/2.5/x"),
    ("RecebendoPalmAfa", BOOLEAN, "1"),
    ("GetSituacaoPedido", TABLE, "1"),
    ("GetUltimosPedido", TABLE, "1"),
    ("GetUltimosItensPedido", TABLE, "1"),
    ("GetUltPedidosTodasFolhas", TABLE, "1"),
    ("GetUltItensPedidoTodasFolhas", TABLE, "1/1"),
    ("GetPedidoSN", TABLE, "1/1"),
    ("GetItensPedidoSN", TABLE, "1/1"),
    ("GetUltPedidosSN", TABLE, "1"),
    ("GetDevolucaoSN", TABLE, "1/1"),
    ("SetSituacaoPedido", BOOLEAN, "1/1"),
    ("GetRecCaminhoFTPPed", TABLE, "1/1"),
    ("GetReceber", TABLE, "1"),
    ("GetBoleto", TABLE, "1/1"),
    ("SetReceber", BOOLEAN, "10%2F12%2F2026/x/2.5/2.5/1/1/1/1/1/1"),
    ("GetRepresentante", TABLE, "1"),
    ("GetFilial", TABLE, ""),
    ("GetFilialRep", TABLE, "1"),
    ("GetCelulares", TABLE, "x/x"),
    ("GetSenhaPalmRep", TABLE, "1"),
    ("GetSenhaPalm", TABLE, ""),
    ("GetTodosRepresentantes", TABLE, ""),
    ("GetLogAndroid", TABLE, "1/x"),
    ("DeletaLogAndroid", BOOLEAN, "1/1/1/x"),
    ("SetRepresentante", BOOLEAN, "1/1"),
    ("SetCelulares", BOOLEAN, "x/x"),
    ("SetSenhaPalm", BOOLEAN, "1/x"),
]


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
