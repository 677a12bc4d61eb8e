// Order upload: headers and items written once however often they are sent,
// the client's temporary id mapped to its real id, the fiscal operation code,
// the observation and payment term, the database procedure, and the invoice
// of a handheld order.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"
#include "core/Text.h"
#include "service/internal/SqlText.h"

namespace fieldsync::test {
namespace {

TCurrency Amount(int64_t scaled) { return TCurrency::FromScaled(scaled); }

// An order header as the handheld sends it.
struct TPedidoArgs {
  int32_t IDRepresentante = 7;
  int32_t IDPedidoPalm = 900;
  int32_t IDCliente = 100;
  std::u16string DtEmissao = u"9/12/2026";
  std::u16string NmRazao = u"Mercado D'Ávila";
};

bool SendPedido(TServerMethods1& service, const TPedidoArgs& a, std::u16string& erro) {
  return service.SetPedido(a.IDRepresentante, a.IDPedidoPalm, 1, 2, 1, a.IDCliente, 3, 4, 1, 1, 1, 1, a.DtEmissao,
                           u"P", a.NmRazao, u"Fantasia", u"Rua B, 2", u"02000-000", u"Vila Nova", u"J",
                           u"12.345.678/0001-90", u"123456", u"", u"", u"1122223333", u"11999990000",
                           u"m@exemplo.com", u"S", Amount(1234567), erro);
}

std::string PedidoRow(int32_t idFilial, int32_t idRepresentante, int32_t idPedidoPalm, const std::string& columns) {
  const TTable table = Db().Query("select " + columns + " from PEDIDOPALM where IDFILIAL = " + std::to_string(idFilial) +
                                  " and IDREPRESENTANTE = " + std::to_string(idRepresentante) +
                                  " and IDPEDIDOPALM = " + std::to_string(idPedidoPalm));
  std::string text;
  for (const TRow& row : table.Rows)
    for (const TCell& cell : row) text += (cell ? *cell : "NULL") + "|";
  return text;
}

TEST(OrderUpload, OrderHeaderIsWrittenOnceWithEveryValue) {
  std::u16string erro = u"stale";
  ASSERT_TRUE(SendPedido(*Db().Service(), {}, erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(PedidoRow(1, 7, 900,
                      "DTEMISSAO, DATAPEDIDO, IDFORMAPAGTO, SITPEDIDO, IDCONDICAOPAGTO, IDTABELAPRECO, IDCLIENTE, "
                      "TOTAL_PEDIDO, TOTAL_DESCONTO, PARCELA, NATOPERACAO, TOTAL_COM_DECONTO, IDCONSIGNACAO, NMRAZAO, "
                      "NMFANTASIA, ENDERECO, CEP, BAIRRO, IDCIDADE, TIPOCLIENTE, CNPJ, IE, CPF, RG, FONE, FAX, "
                      "CELULAR, EMAIL, IDATIVIDADE, IDCONVENIO, IDREGIAO, CLIENTE_CONTRIBUINTE, OBS_EXTENSO, PRAZO"),
            "2026-12-09|2026-12-09|1|P|2|1|100|123.4567|0.0000|3|5102|123.4567|4|Mercado D'Ávila|Fantasia|"
            "Rua B, 2|02000-000|Vila Nova|1|J|12.345.678/0001-90|123456|||1122223333||11999990000|m@exemplo.com|"
            "1|1|1|S|NULL|NULL|");

  // Sent again, with other values: still the first row, and success.
  TPedidoArgs again;
  again.NmRazao = u"Outro nome";
  again.DtEmissao = u"not a date";  // not even converted: the order is there
  ASSERT_TRUE(SendPedido(*Db().Service(), again, erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(PedidoRow(1, 7, 900, "NMRAZAO"), "Mercado D'Ávila|");
  EXPECT_EQ(Db().Query("select count(*) from PEDIDOPALM").Rows, (std::vector<TRow>{{"1"}}));
}

TEST(OrderUpload, FiscalOperationCodeComesFromTheBranch) {
  // Branch 1 and 3 have none, branch 2 has "5405", branch 99 has no row.
  const struct {
    int32_t idFilial;
    const char* natOperacao;
  } cases[] = {{1, "5102|"}, {2, "5405|"}, {3, "5102|"}, {99, "5102|"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.idFilial);
    std::u16string erro;
    ASSERT_TRUE(SendPedido(*Db().Service(c.idFilial), {.IDPedidoPalm = 901}, erro)) << Utf16ToUtf8(erro);
    EXPECT_EQ(PedidoRow(c.idFilial, 7, 901, "NATOPERACAO"), c.natOperacao);
  }
}

TEST(OrderUpload, TemporaryClientIdIsMappedToTheRealId) {
  // Client 101 was created by representative 7's handheld as 5001.
  const struct {
    const char* name;
    int32_t idRepresentante, idCliente;
    const char* stored;
  } cases[] = {
      {"mapped", 7, 5001, "101|"},
      {"another representative's temporary id", 8, 5001, "5001|"},
      {"real id", 7, 100, "100|"},
  };
  int32_t number = 910;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string erro;
    ASSERT_TRUE(SendPedido(*Db().Service(), {.IDRepresentante = c.idRepresentante, .IDPedidoPalm = ++number,
                                             .IDCliente = c.idCliente},
                           erro));
    EXPECT_EQ(PedidoRow(1, c.idRepresentante, number, "IDCLIENTE"), c.stored);
  }
  // A client sent by SetCliente is found under its new temporary id.
  std::u16string erro;
  ASSERT_TRUE(Db().Service()->SetCliente(7, 6002, 1, 1, 1, 1, u"Novo", u"", u"", u"", u"", u"F", u"",
                                         u"", u"999.888.777-66", u"", u"", u"", u"", u"", u"I", u"N", erro));
  const TCell realId = Db().Query("select IDCLIENTE from CLIENTE where CPF = '999.888.777-66'").Rows.at(0).at(0);
  ASSERT_TRUE(SendPedido(*Db().Service(), {.IDPedidoPalm = 920, .IDCliente = 6002}, erro));
  EXPECT_EQ(PedidoRow(1, 7, 920, "IDCLIENTE"), *realId + "|");
}

TEST(OrderUpload, FailedHeaderWritesNothingAndReportsTheError) {
  std::u16string erro;
  EXPECT_FALSE(SendPedido(*Db().Service(), {.IDPedidoPalm = 930, .DtEmissao = u"31/02/2026"}, erro));
  EXPECT_EQ(erro, u"''31/02/2026'' is not a valid date");
  EXPECT_FALSE(SendPedido(*Db().Service(), {.IDPedidoPalm = 930, .NmRazao = std::u16string(61, u'x')}, erro));
  EXPECT_NE(erro.find(u"string truncation"), std::u16string::npos) << Utf16ToUtf8(erro);
  EXPECT_EQ(PedidoRow(1, 7, 930, "IDPEDIDOPALM"), "");
  EXPECT_TRUE(SendPedido(*Db().Service(), {.IDPedidoPalm = 930}, erro));
  EXPECT_EQ(erro, u"");
}

TEST(OrderUpload, ItemIsWrittenOncePerProduct) {
  const std::string items =
      "select IDPEDIDOPALM, IDPRODUTO, UNIDADEMEDIDA, QTDEPEDIDO, VALORUNITARIO, DESCONTO, VALORUNITARIOTABELA, "
      "OBSERVACAO from ITENSPEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = 7 order by IDPEDIDOPALM, IDPRODUTO";
  std::u16string erro = u"stale";
  // No header is needed for an item.
  EXPECT_TRUE(Db().Service()->SetItensPedido(7, 940, 2, 1, Amount(25000), Amount(109000), Amount(5000),
                                             Amount(109000), u"sem açúcar", erro));
  EXPECT_EQ(erro, u"");
  // The same product again: dropped, still success.
  EXPECT_TRUE(Db().Service()->SetItensPedido(7, 940, 1, 1, Amount(10000), Amount(1), Amount(0), Amount(1), u"", erro));
  EXPECT_EQ(erro, u"");
  EXPECT_TRUE(Db().Service()->SetItensPedido(7, 940, 1, 2, Amount(-10000), Amount(1), Amount(0), Amount(1), u"", erro));
  EXPECT_EQ(Db().Query(items).Rows, (std::vector<TRow>{{"940", "1", "2", "2.5000", "10.9000", "0.5000", "10.9000", "sem açúcar"},
                                                       {"940", "2", "1", "-1.0000", "0.0001", "0.0000", "0.0001", ""}}));
  EXPECT_FALSE(Db().Service()->SetItensPedido(7, 941, 1, 1, Amount(1), Amount(1), Amount(0), Amount(1),
                                              std::u16string(256, u'o'), erro));
  EXPECT_NE(erro.find(u"string truncation"), std::u16string::npos) << Utf16ToUtf8(erro);
}

TEST(OrderUpload, ObservationAndTermGoIntoAReceivedOrderOnly) {
  std::u16string erro;
  ASSERT_TRUE(SendPedido(*Db().Service(), {.IDPedidoPalm = 950}, erro));
  const std::string columns = "cast(OBS_EXTENSO as varchar(200)), PRAZO";
  EXPECT_TRUE(Db().Service()->SetPedido2_Novo(7, 950, 28, u"Entregar após às 14h; portão 'B'", erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(PedidoRow(1, 7, 950, columns), "Entregar após às 14h; portão 'B'|28|");
  // Without a term the update writes PRAZO as NULL.
  EXPECT_TRUE(Db().Service()->SetPedido2(7, 950, u"Nova observação", erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(PedidoRow(1, 7, 950, columns), "Nova observação|NULL|");
  // An order never received: nothing written, success.
  EXPECT_TRUE(Db().Service()->SetPedido2(7, 951, u"x", erro));
  EXPECT_TRUE(Db().Service()->SetPedido2_Novo(8, 950, 1, u"x", erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(PedidoRow(1, 7, 951, columns), "");
  EXPECT_EQ(PedidoRow(1, 7, 950, columns), "Nova observação|NULL|");
}

TEST(OrderUpload, ProcedureIsCalledForTheBranchAndRepresentative) {
  std::u16string erro = u"stale";
  ASSERT_TRUE(SendPedido(*Db().Service(), {.IDPedidoPalm = 960}, erro));
  // The stand-in procedure records the call with the orders it found.
  const TCell received =
      Db().Query("select count(*) from PEDIDOPALM where IDFILIAL = 1 and IDREPRESENTANTE = 7").Rows.at(0).at(0);
  bool called = false;
  const TDaysAround days = DaysAround([&] { called = Db().Service()->RecebendoPalmAfa(7, erro); });
  EXPECT_TRUE(called);
  EXPECT_EQ(erro, u"");
  ExpectOnEitherDay(Db().Query("select IDFILIAL, DATAIMPORT, IDREPRESENTANTE, PEDIDOS from RECEBENDO_PALM_AFA_LOG").Rows,
                    days, [&](const std::string& day) { return std::vector<TRow>{{"1", day, "7", received}}; });
  // The stand-in procedure refuses a negative representative.
  EXPECT_FALSE(Db().Service()->RecebendoPalmAfa(-1, erro));
  EXPECT_NE(erro.find(u"Representante invalido"), std::u16string::npos) << Utf16ToUtf8(erro);
}

TEST(OrderUpload, HandheldNumberOnAnOrderOfTheBranch) {
  EXPECT_TRUE(Db().Service()->SetIDPedidoPalm(502, 1, 777));
  EXPECT_TRUE(Db().Service(2)->SetIDPedidoPalm(502, 1, 888));  // no order 502 in branch 2
  EXPECT_TRUE(Db().Service()->SetIDPedidoPalm(502, 99, 999));   // no sheet 99 of order 502
  EXPECT_EQ(Db().Query("select IDPEDIDOPALM from PEDIDO where IDPEDIDO = 502").Rows, (std::vector<TRow>{{"777"}}));
}

TEST(OrderUpload, InvoiceOfAHandheldOrder) {
  const std::vector<std::string> columns = {"NOME_ARQ_ELETRONICO", "IDNOTA", "SERIE", "IDPEDIDOPALM"};
  RunReadCases({
      {"invoiced", [](auto& s) { return s.GetChavePedido(7, 120); }, columns, {{"NFe9001.xml", "9001", "1", "120"}}},
      {"other representative", [](auto& s) { return s.GetChavePedido(8, 120); }, columns, {}},
      // Order 502 has an invoice without electronic file and handheld number 0.
      {"no electronic file", [](auto& s) { return s.GetChavePedido(7, 0); }, columns, {}},
  });
  RunReadCases({{"branch 2", [](auto& s) { return s.GetChavePedido(7, 120); }, columns,
                 {{"NFe9003.xml", "9003", "2", "120"}}}},
               2);
}

}  // namespace
}  // namespace fieldsync::test
