// Clients: the client rows and overdue counts, and the client records the
// handheld sends back (new clients under a temporary id, changed clients).
#include <gtest/gtest.h>

#include <algorithm>

#include "ServiceDatabase.h"
#include "core/Text.h"
#include "service/internal/SqlText.h"

namespace fieldsync::test {
namespace {

// CONTRIBUINTE, CLIENTE_CONTRIBUINTE and SITUACAOCREDITO are CHAR(1): a NULL
// coalesced with the empty text comes back as one blank (CHAR values are not
// trimmed).
const std::vector<std::string> ClienteColumns = {
    "IDCLIENTE",   "IDCLIENTE_PALM", "NMRAZAO",      "NMFANTASIA",           "ENDERECO",        "CEP",
    "BAIRRO",      "IDCIDADE",       "TIPOCLIENTE",  "CNPJ",                 "IE",              "CPF",
    "RG",          "FONE",           "CELULAR",      "EMAIL",                "FAX",             "IDCONVENIO",
    "IDREGIAO",    "IDATIVIDADE",    "IDTABELAPRECO", "CONTRIBUINTE",        "CLIENTE_CONTRIBUINTE",
    "SITUACAOCREDITO", "OBSERVACAO"};
const TRow Cliente100 = {"100", "0", "Mercado D'Ávila", "", "Rua B, 2", "02000-000", "Vila Nova", "1", "J",
                         "12.345.678/0001-90", "123456", "", "", "1122223333", "", "", "", "1", "1", "1", "0",
                         "S", "S", "L", "Cliente desde 2010"};
const TRow Cliente101 = {"101", "5001", "José da Silva", "Zé", "Rua C, 3", "", "", "1", "F", "",
                         "", "123.456.789-00", "1234567", "", "", "ze@exemplo.com", "", "1", "1", "1", "1",
                         " ", " ", " ", ""};
const TRow Cliente102 = {"102", "0", "Outra Filial Ltda", "", Null, "", "", Null, "J", "98.765.432/0001-10",
                         "", "", "", "", "", "", "", Null, Null, Null, "0", " ", " ", " ", ""};
const TRow Cliente103 = {"103", "0", "Cliente Excluído", "", Null, "", "", Null, "J", "", "", "", "", "", "",
                         "", "", Null, Null, Null, "0", " ", " ", " ", ""};
const TRow Cliente104 = {"104", "0", "Bar do Bruno", "", Null, "", "", Null, "J", "", "", "", "", "", "", "",
                         "", Null, Null, Null, "0", " ", " ", " ", ""};

TEST(Clients, ClientRowsWithNullsAsEmptyTextOrZero) {
  RunReadCases({
      // Served by 7: 100, 101, 102 (another branch; no branch filter), 103 deleted.
      {"GetCliente", [](auto& s) { return s.GetCliente(7); }, ClienteColumns, {Cliente100, Cliente101, Cliente102}},
      {"GetCliente unknown", [](auto& s) { return s.GetCliente(99); }, ClienteColumns, {}},
      {"GetClienteSN deleted", [](auto& s) { return s.GetClienteSN(103); }, ClienteColumns, {Cliente103}},
      {"GetTodosClientes", [](auto& s) { return s.GetTodosClientes(); }, ClienteColumns,
       {Cliente100, Cliente101, Cliente102, Cliente104}},
  });
}

TEST(Clients, OverdueCountFollowsTheThresholdAndTheBranch) {
  // Client 100's unpaid receivables in branch 1 are 40, 5, 1 and 1 days past
  // due (and one due in 10 days); branch 2 holds one 90 days past due.
  // Client 101's one receivable is due today.
  const struct {
    int32_t idFilial, dias, idCliente;
    const char* contador;
  } cases[] = {
      {1, 0, 100, "4"}, {1, 1, 100, "4"}, {1, 5, 100, "2"}, {1, 30, 100, "1"}, {1, 41, 100, "0"},
      {1, 0, 101, "1"}, {1, 1, 101, "0"}, {1, 0, 999, "0"}, {2, 0, 100, "1"},  {1, -20, 100, "5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "branch " << c.idFilial << " threshold " << c.dias << " client " << c.idCliente);
    const TTable table = ReadTable(Db().Service(c.idFilial, c.dias)->GetAtrasoCliente(c.idCliente));
    EXPECT_EQ(table.Columns, std::vector<std::string>{"CONTADOR"});
    EXPECT_EQ(table.Rows, (std::vector<TRow>{{c.contador}}));
  }
  const std::vector<std::string> columns = {"IDCLIENTE", "CONTADOR"};
  RunReadCases({{"GetAtrasoClienteSN all clients", [](auto& s) { return s.GetAtrasoClienteSN(0); }, columns,
                 {{"100", "2"}, {"101", "0"}, {"102", "0"}, {"103", "0"}, {"104", "0"}}},
                {"GetAtrasoClienteSN of 7", [](auto& s) { return s.GetAtrasoClienteSN(7); }, columns,
                 {{"100", "2"}, {"101", "0"}, {"102", "0"}, {"103", "0"}}},
                {"GetAtrasoClienteSN of 8", [](auto& s) { return s.GetAtrasoClienteSN(8); }, columns, {{"104", "0"}}}},
               1, 5);
}

// A client record as the handheld sends it.
struct TClienteArgs {
  int32_t IDRepresentante = 7;
  int32_t IDCliente = 6001;
  std::u16string Razao = u"Padaria Pão d'Açúcar";
  std::u16string TipoCliente = u"J";
  std::u16string Cnpj = u"33.333.333/0001-33";
  std::u16string Cpf = u"";
  std::u16string Alterado = u"I";
};

bool SendCliente(const TClienteArgs& a, std::u16string& erro) {
  return Db().Service()->SetCliente(a.IDRepresentante, a.IDCliente, 1, 1, 1, 1, a.Razao, u"Pão", u"Rua D, 4",
                                    u"03000-000", u"Bela Vista", a.TipoCliente, a.Cnpj, u"IE9", a.Cpf, u"RG9",
                                    u"1144445555", u"", u"11999990000", u"padaria@exemplo.com", a.Alterado, u"N",
                                    erro);
}

int ClientePalmRows() { return std::stoi(*Db().Query("select count(*) from CLIENTE_PALM").Rows.at(0).at(0)); }
int ClienteRows() { return std::stoi(*Db().Query("select count(*) from CLIENTE").Rows.at(0).at(0)); }

TEST(Clients, NewClientIsLoggedAndInsertedUnderItsTemporaryId) {
  std::u16string erro = u"stale";
  bool sent = false;
  const TDaysAround days = DaysAround([&] { sent = SendCliente({}, erro); });
  ASSERT_TRUE(sent);
  EXPECT_EQ(erro, u"");
  ExpectOnEitherDay(Db().Query("select IDFILIAL, IDCLIENTE, NMRAZAO, NUMERO, TIPOCLIENTE, CNPJ, ALTERADO, "
                               "IDTABELAPRECO, CONTRIBUINTE, CLIENTE_CONTRIBUINTE, IDREPRESENTANTE, DATA_IMPORT, "
                               "HORA_IMPORT is not null from CLIENTE_PALM")
                        .Rows,
                    days, [](const std::string& day) {
                      return std::vector<TRow>{{"1", "6001", "Padaria Pão d'Açúcar", "", "J", "33.333.333/0001-33",
                                                "I", "0", "S", "N", "7", day, "True"}};
                    });
  // The database gives the id; the handheld's id is kept for the mapping.
  const TTable inserted =
      Db().Query("select IDCLIENTE, IDFILIAL, NOME, FAX, DTCADASTRO, IDREPRESENTANTE, IDCLIENTE_PALM, "
                 "IDREPRESENTANTE_PALM, CLIENTE_CONTRIBUINTE from CLIENTE where CNPJ = '33.333.333/0001-33'");
  ASSERT_EQ(inserted.Rows.size(), 1u);
  EXPECT_NE(inserted.Rows[0][0], "0");
  ExpectOnEitherDay(TRow(inserted.Rows[0].begin() + 1, inserted.Rows[0].end()), days, [](const std::string& day) {
    return TRow{"1", "Padaria Pão d'Açúcar", "", day, "7", "6001", "7", "N"};
  });
  // The mapping reaches the handheld through GetCliente.
  const TTable clientes = ReadTable(Db().Service()->GetCliente(7));
  EXPECT_EQ(std::count_if(clientes.Rows.begin(), clientes.Rows.end(),
                          [&](const TRow& r) { return r[0] == inserted.Rows[0][0] && r[1] == "6001"; }),
            1);

  // Sent again: logged again, not inserted again.
  ASSERT_TRUE(SendCliente({}, erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(ClientePalmRows(), 2);
  EXPECT_EQ(Db().Query("select count(*) from CLIENTE where CNPJ = '33.333.333/0001-33'").Rows,
            (std::vector<TRow>{{"1"}}));
}

TEST(Clients, KnownTaxNumberOrOtherChangeIsOnlyLogged) {
  const struct {
    const char* name;
    TClienteArgs args;
    int newClients;
  } cases[] = {
      {"known CNPJ", {.TipoCliente = u"J", .Cnpj = u"12.345.678/0001-90"}, 0},
      {"known CPF", {.TipoCliente = u"F", .Cnpj = u"", .Cpf = u"123.456.789-00"}, 0},
      // Client 104 holds an empty CNPJ; an empty number matches no one.
      {"empty CNPJ", {.IDCliente = 6101, .TipoCliente = u"J", .Cnpj = u""}, 1},
      {"empty CPF", {.IDCliente = 6102, .TipoCliente = u"F", .Cnpj = u"", .Cpf = u""}, 1},
      {"unknown id changed", {.IDCliente = 4242, .Alterado = u"S"}, 0},
      {"neither new nor changed", {.Alterado = u"N"}, 0},
      {"empty change mark", {.Alterado = u""}, 0},
      // The checks compare exactly: a lower-case type skips them.
      {"lower-case type", {.TipoCliente = u"j", .Cnpj = u"12.345.678/0001-90"}, 1},
      {"lower-case new mark", {.Alterado = u"i"}, 0},
  };
  int logged = ClientePalmRows();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int clients = ClienteRows();
    std::u16string erro;
    EXPECT_TRUE(SendCliente(c.args, erro));
    EXPECT_EQ(erro, u"");
    EXPECT_EQ(ClientePalmRows(), ++logged);
    EXPECT_EQ(ClienteRows(), clients + c.newClients);
  }
}

TEST(Clients, ChangedClientIsUpdatedInPlace) {
  std::u16string erro;
  ASSERT_TRUE(SendCliente({.IDCliente = 100, .Razao = u"Mercado D'Ávila & Filhos", .Cnpj = u"", .Alterado = u"S"},
                          erro));
  EXPECT_EQ(erro, u"");
  // Every listed column changes; an empty argument writes empty text, not
  // NULL; branch and representative stay.
  EXPECT_EQ(Db().Query("select IDFILIAL, NOME, FANTASIA, CNPJ, INSESTADUAL, CPF, FAX, EMAIL, CLIENTE_CONTRIBUINTE, "
                       "IDREPRESENTANTE from CLIENTE where IDCLIENTE = 100")
                .Rows,
            (std::vector<TRow>{{"1", "Mercado D'Ávila & Filhos", "Pão", "", "IE9", "", "", "padaria@exemplo.com", "N",
                                Null}}));
}

TEST(Clients, FailingStepKeepsTheLogRowAndReportsTheError) {
  const TClienteArgs novo = {.Cnpj = u"44.444.444/0001-44"};
  const std::string count = "select count(*) from CLIENTE where CNPJ = '44.444.444/0001-44'";
  const int logged = ClientePalmRows();
  // The next generated client id collides with client 100.
  Db().Execute("alter sequence GEN_CLIENTE restart with 99");
  std::u16string erro;
  EXPECT_FALSE(SendCliente(novo, erro));
  EXPECT_NE(erro.find(u"PK_CLIENTE"), std::u16string::npos) << Utf16ToUtf8(erro);
  EXPECT_EQ(ClientePalmRows(), logged + 1);  // the first step stays
  EXPECT_EQ(Db().Query(count).Rows, (std::vector<TRow>{{"0"}}));

  // A text too long for the log fails the first step: nothing is written.
  TClienteArgs tooLong = novo;
  tooLong.Razao = std::u16string(61, u'x');
  EXPECT_FALSE(SendCliente(tooLong, erro));
  EXPECT_NE(erro.find(u"string truncation"), std::u16string::npos) << Utf16ToUtf8(erro);
  EXPECT_EQ(ClientePalmRows(), logged + 1);

  // The same call succeeding clears Erro.
  Db().Execute("alter sequence GEN_CLIENTE restart with 1000");
  EXPECT_TRUE(SendCliente(novo, erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(Db().Query(count).Rows, (std::vector<TRow>{{"1"}}));
}

TEST(Clients, ClearingTheTemporaryIdEndsTheMapping) {
  auto service = Db().Service();
  EXPECT_TRUE(service->SetIDClienteTmpNull(5001, 8));  // another representative's id: nothing
  EXPECT_EQ(Db().Query("select IDCLIENTE_PALM, IDREPRESENTANTE_PALM from CLIENTE where IDCLIENTE = 101").Rows,
            (std::vector<TRow>{{"5001", "7"}}));
  EXPECT_TRUE(Db().Service()->SetIDClienteTmpNull(5001, 7));
  EXPECT_EQ(Db().Query("select IDCLIENTE_PALM, IDREPRESENTANTE_PALM from CLIENTE where IDCLIENTE = 101").Rows,
            (std::vector<TRow>{{Null, Null}}));
  EXPECT_TRUE(Db().Service()->SetIDClienteTmpNull(5001, 7));
}

}  // namespace
}  // namespace fieldsync::test
