// Order history and status: the latest orders ("first 3" and their order),
// sheet 99, orders without invoice, items whose product is gone, returns, and
// the status news with their acknowledgement.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"

namespace fieldsync::test {
namespace {

const std::vector<std::string> PedidoColumns = {
    "IDPEDIDOPALM", "DATAPEDIDO", "IDCLIENTE",  "IDFORMAPAGTO", "IDCONDICAOPAGTO", "IDTABELAPRECO",
    "TIPOPEDIDO",   "TOTALPEDIDO", "TOTALCUSTO", "PARCELA",      "OBSERVACAO",      "IDNOTA",
    "SERIE",        "NOME_ARQ_ELETRONICO", "PRAZO_ANDROID"};
const TRow Pedido500 = {"120", "05/03/2012", "100", "1", "1", "1", "F", "100.5000", "60.0000", "2",
                        "Entregar cedo", "9001", "1", "NFe9001.xml", "0"};
// No invoice: idnota and serie "0", file name empty. SITUACAOPEDIDO is CHAR(1):
// a NULL comes back as one blank.
const TRow Pedido501 = {"0", "05/03/2012", "100", "9", "0", "0", " ", "0", "0", "0", "", "0", "0", "", "45"};
const TRow Pedido502 = {"0", "10/01/2013", "100", "0", "0", "0", " ", "0", "0", "0", "", "9002", "1", "", "0"};

std::vector<std::string> WithKey(std::vector<std::string> columns) {
  columns.insert(columns.begin(), {"IDPEDIDO", "IDFOLHA"});
  return columns;
}
TRow WithKey(const char* idPedido, const char* idFolha, TRow row) {
  row.insert(row.begin(), {idPedido, idFolha});
  return row;
}

// Runs a read whose row order is part of the result.
void ExpectOrdered(std::unique_ptr<TDBXReader> reader, const std::vector<std::string>& columns,
                   const std::vector<TRow>& rows) {
  const TTable table = ReadTable(std::move(reader));
  EXPECT_EQ(table.Columns, columns);
  EXPECT_EQ(table.Rows, rows);
}

TEST(OrderHistory, OneOrderWithItsInvoice) {
  RunReadCases({
      {"GetPedidoSN", [](auto& s) { return s.GetPedidoSN(500, 99); }, PedidoColumns, {Pedido500}},
      {"GetPedidoSN without invoice", [](auto& s) { return s.GetPedidoSN(501, 99); }, PedidoColumns, {Pedido501}},
      {"GetPedidoSN other sheet", [](auto& s) { return s.GetPedidoSN(500, 1); }, PedidoColumns, {}},
  });
  RunReadCases({{"GetPedidoSN branch 2", [](auto& s) { return s.GetPedidoSN(500, 99); }, PedidoColumns, {}}}, 2);
}

TEST(OrderHistory, LatestThreeOrdersInTheirOrder) {
  auto service = Db().Service();
  // Newest date first (NULL dates last), the higher order number first within a day.
  ExpectOrdered(service->GetUltPedidosSN(100), WithKey(PedidoColumns),
                {WithKey("502", "1", Pedido502), WithKey("501", "99", Pedido501), WithKey("500", "99", Pedido500)});
  const std::vector<std::string> columns = {"IDPEDIDO", "IDFOLHA", "IDCLIENTE", "DATAPEDIDO", "NM_FORMA_PAGTO",
                                            "NM_CONDICAO_PAGTO"};
  ExpectOrdered(service->GetUltPedidosTodasFolhas(100), columns,
                {{"502", "1", "100", "10/1/2013", "", ""},
                 {"501", "99", "100", "5/3/2012", "", ""},
                 {"500", "99", "100", "5/3/2012", "Boleto", "30 dias"}});
  // Sheet 99 only, highest number first; dates without leading zeros.
  ExpectOrdered(service->GetUltimosPedido(100), {"IDPEDIDO", "IDCLIENTE", "DATAPEDIDO", "NM_FORMA_PAGTO", "NM_CONDICAO_PAGTO"},
                {{"504", "100", Null, "", ""}, {"503", "100", "31/12/2011", "", ""}, {"501", "100", "5/3/2012", "", ""}});
  EXPECT_TRUE(ReadTable(service->GetUltimosPedido(102)).Rows.empty());  // branch 2's client
  EXPECT_EQ(ReadTable(Db().Service(2)->GetUltimosPedido(102)).Rows.size(), 1u);
}

TEST(OrderHistory, ItemsOfAnOrder) {
  const std::vector<std::string> itens = {"IDPRODUTO",       "QTDEPEDIDO",  "PRECOVENDA", "FATORCONVERSAO", "TAXADESCONTO",
                                          "IDUNIDADEMEDIDA", "PRECOTABELA", "PRECOCUSTO", "NMPRODUTO"};
  const std::vector<std::string> ultimos = {"IDPRODUTO", "NM_PRODUTO", "UND_MED", "QTDEPEDIDO", "PRECOVENDA"};
  RunReadCases({
      // Product 99 no longer exists; item 3 has no unit (kept NULL).
      {"GetItensPedidoSN", [](auto& s) { return s.GetItensPedidoSN(500, 99); }, itens,
       {{"1", "2.0000", "10.9000", "1.0000", "0.0000", "1", "10.9000", "3.2500", "Arroz 5kg"},
        {"99", "1.0000", "5.0000", "0", "0", "2", "0", "0", ""},
        {"2", "3.0000", "7.5000", "0", "0", Null, "0", "0", "Feijão"}}},
      {"GetUltimosItensPedido", [](auto& s) { return s.GetUltimosItensPedido(500); }, ultimos,
       {{"1", "Arroz 5kg", "UN", "2.0000", "10.9000"}, {"99", "", "CX", "1.0000", "5.0000"}, {"2", "Feijão", "", "3.0000", "7.5000"}}},
      {"GetUltimosItensPedido sheet 1", [](auto& s) { return s.GetUltimosItensPedido(502); }, ultimos, {}},
      // The inner join drops the item whose product is gone.
      {"GetUltItensPedidoTodasFolhas", [](auto& s) { return s.GetUltItensPedidoTodasFolhas(500, 99); }, ultimos,
       {{"1", "Arroz 5kg", "UN", "2.0000", "10.9000"}, {"2", "Feijão", "", "3.0000", "7.5000"}}},
      {"GetUltItensPedidoTodasFolhas sheet 1", [](auto& s) { return s.GetUltItensPedidoTodasFolhas(502, 1); }, ultimos,
       {{"1", "Arroz 5kg", "CX", "4.0000", "120.0000"}}},
  });
}

TEST(OrderHistory, ReturnOfAnOrder) {
  const std::vector<std::string> columns = {"IDPEDIDO",      "IDFOLHA",    "DATAPEDIDO",  "IDCLIENTE",
                                            "IDFORMAPAGTO",  "IDCONDICAOPAGTO", "IDTABELAPRECO", "TIPOPEDIDO",
                                            "TOTALPEDIDO",   "TOTALCUSTO", "PARCELA"};
  RunReadCases({
      {"GetDevolucaoSN", [](auto& s) { return s.GetDevolucaoSN(500, 99); }, columns,
       {{"500", "99", "07/03/2012", "100", "1", "0", "0", "D", "10.9000", "0", "0"}}},
      {"GetDevolucaoSN none", [](auto& s) { return s.GetDevolucaoSN(501, 99); }, columns, {}},
  });
}

TEST(OrderHistory, StatusNewsUntilAcknowledged) {
  const std::vector<std::string> columns = {"IDPEDIDO", "STATUS"};
  RunReadCases({{"pending of 7", [](auto& s) { return s.GetSituacaoPedido(7); }, columns,
                 {{"500", "Faturado"}, {"501", "Em separação"}}}});
  EXPECT_TRUE(Db().Service()->SetSituacaoPedido(7, 500));
  EXPECT_TRUE(Db().Service()->SetSituacaoPedido(7, 500));  // again: nothing more to change
  EXPECT_TRUE(Db().Service()->SetSituacaoPedido(8, 501));  // not 8's: nothing
  RunReadCases({{"after acknowledging 500", [](auto& s) { return s.GetSituacaoPedido(7); }, columns,
                 {{"501", "Em separação"}}}});
  EXPECT_EQ(Db().Query("select MOBILE_STATUS from PEDIDO_STATUS where IDFILIAL = 1 and IDPEDIDO = 500").Rows,
            (std::vector<TRow>{{"*"}}));
  RunReadCases({{"branch 2", [](auto& s) { return s.GetSituacaoPedido(7); }, columns, {{"505", "Outra filial"}}}}, 2);
}

}  // namespace
}  // namespace fieldsync::test
