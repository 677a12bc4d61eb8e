// Representatives, branch settings, one-time codes, devices and the change
// log.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "service/internal/SqlText.h"

namespace fieldsync::test {
namespace {

TEST(Representatives, RepresentativeRows) {
  const std::vector<std::string> columns = {"IDREPRESENTANTE", "NM_REPRESENTANTE", "IDPEDIDOPALM", "COTAS"};
  RunReadCases({
      {"GetRepresentante", [](auto& s) { return s.GetRepresentante(7); }, columns, {{"7", "Ana", "120", "1500.5000"}}},
      {"GetRepresentante NULLs", [](auto& s) { return s.GetRepresentante(8); }, columns, {{"8", "Bruno", "0", "0.0000"}}},
      {"GetRepresentante deleted", [](auto& s) { return s.GetRepresentante(9); }, columns, {{"9", "Carla", "0", "0.0000"}}},
      {"GetTodosRepresentantes", [](auto& s) { return s.GetTodosRepresentantes(); },
       {"IDREPRESENTANTE", "NM_REPRESENTANTE", "IDPEDIDOPALM"}, {{"7", "Ana", "120"}, {"8", "Bruno", "0"}}},
  });
  // The last order number is stored as sent, even when lower.
  EXPECT_TRUE(Db().Service()->SetRepresentante(7, 5));
  EXPECT_TRUE(Db().Service()->SetRepresentante(999, 5));
  EXPECT_EQ(Db().Query("select IDPEDIDOPALM from REPRESENTANTE where IDREPRESENTANTE = 7").Rows,
            (std::vector<TRow>{{"5"}}));
}

const std::vector<std::string> FilialColumns = {
    "IDFILIAL", "RAZAO", "ENDERECO", "BAIRRO", "CEP", "CIDADE", "UF", "FONE", "N_ESCOLHER_CONDICAO",
    "N_ESCOLHER_FORMA", "N_ESCOLHER_TABELA", "N_ALTERA_CLIENTE", "N_INCLUI_CLIENTE", "VEND_TRABALHA_C_CONSIG",
    "FATURAR_ESTOQUE_NEGATIVO", "NAO_ALTERAR_PRECO_VENDA_MOBILE", "PERMITIR_ACRESCIMO_MOBILE",
    "PERMITIR_DESCONTO_MOBILE", "SENHA_ADMIN_MOBILE", "USAR_TABELA_REP_MOBILE", "LEVAR_TODOS_CLIENTES_MOB",
    "MOSTRAR_MARGEM", "USAR_NFE_SIMPLIFICADA"};

TEST(Representatives, BranchSettings) {
  // Flags are CHAR(1): a NULL flag comes back as one blank.
  const TRow filial1 = {"1", "Distribuidora São João", "Rua A, 1", "Centro", "01000-000", "São Paulo", "SP",
                        "1133334444", "S", "N", " ", " ", " ", "N", " ", " ", " ", " ", "adm", " ", " ", "S", "N"};
  std::vector<std::string> repColumns = FilialColumns;
  for (const char* c : {"RECEBER_ULT_PEDIDOS_ANDROID", "USAR_BOLETO_ANDROID", "VERIFICAR_CLIENTE_EM_ATRASO_MOB",
                        "MOSTRAR_OBS_CLI_MOBILE", "PORTA_FTP", "IMAGENS_NO_ANDROID", "CAMINHO_FTP_MOBILE",
                        "DIGITAR_PRAZO_ANDROID"})
    repColumns.push_back(c);
  TRow filial1Rep = filial1;
  filial1Rep[13] = "S";  // the representative's CONTROLA_PRODUTO_REPRESENTANTE
  for (const char* c : {"S", "S", "S", " ", "0", " ", "ftp://arquivos", " "}) filial1Rep.push_back(c);
  TRow filial1NoRep = filial1Rep;
  filial1NoRep[13] = " ";  // no such representative: blank
  RunReadCases({
      {"GetFilial", [](auto& s) { return s.GetFilial(); }, FilialColumns, {filial1}},
      {"GetFilialRep", [](auto& s) { return s.GetFilialRep(7); }, repColumns, {filial1Rep}},
      {"GetFilialRep unknown representative", [](auto& s) { return s.GetFilialRep(999); }, repColumns, {filial1NoRep}},
  });
  // Branch 3 has no configuration row: its two flags are blank.
  const TTable filial3 = ReadTable(Db().Service(3)->GetFilial());
  ASSERT_EQ(filial3.Rows.size(), 1u);
  EXPECT_EQ(TRow(filial3.Rows[0].end() - 2, filial3.Rows[0].end()), (TRow{" ", " "}));
  EXPECT_TRUE(ReadTable(Db().Service(99)->GetFilial()).Rows.empty());
}

TEST(Representatives, OneTimeCodesUntilUsed) {
  // STATUS is CHAR(1): the NULL of an unused code comes back as one blank.
  const std::vector<std::string> columns = {"IDCONTROLE", "IDREPRESENTANTE", "SENHA", "STATUS"};
  RunReadCases({
      {"GetSenhaPalm", [](auto& s) { return s.GetSenhaPalm(); }, columns, {{"1", "7", "ABC123", " "}, {"3", "8", "XYZ", " "}}},
      {"GetSenhaPalmRep", [](auto& s) { return s.GetSenhaPalmRep(7); }, columns, {{"1", "7", "ABC123", " "}}},
  });
  const TDaysAround days = DaysAround([] {
    EXPECT_TRUE(Db().Service()->SetSenhaPalm(7, u"ABC123"));
    EXPECT_TRUE(Db().Service()->SetSenhaPalm(7, u"USADA"));   // used before: its date is overwritten
    EXPECT_TRUE(Db().Service()->SetSenhaPalm(8, u"ABC123"));  // not 8's code: nothing
    EXPECT_FALSE(Db().Service()->SetSenhaPalm(7, std::u16string(21, u'9')));  // too long: false, no message
  });
  // Each code is dated when it was used: midnight may fall between the two.
  const auto rows = Db().Query("select IDCONTROLE, STATUS, DTDEUSO from SENHA_PALM where IDFILIAL = 1 order by IDCONTROLE").Rows;
  ASSERT_EQ(rows.size(), 3u);
  for (size_t i = 0; i < 2; ++i)
    ExpectOnEitherDay(rows[i], days, [&](const std::string& day) { return TRow{std::to_string(i + 1), "U", day}; });
  EXPECT_EQ(rows[2], (TRow{"3", Null, Null}));
  RunReadCases({{"GetSenhaPalmRep after use", [](auto& s) { return s.GetSenhaPalmRep(7); }, columns, {}}});
}

TEST(Representatives, DeviceBlockFlagByImeiAndRepresentantePattern) {
  const std::vector<std::string> columns = {"BLOQUEAR"};
  using S = TServerMethods1;
  RunReadCases({
      // Both branches' rows: the branch is not part of the filter.
      {"name part", [](S& s) { return s.GetCelulares(u"IMEI-1", u"Ana"); }, columns, {{"N"}, {"S"}}},
      // "_" and "%" keep their wildcard effect: "n_ S" matches "Ana Silva".
      {"wildcard", [](S& s) { return s.GetCelulares(u"IMEI-1", u"n_ S"); }, columns, {{"N"}}},
      {"empty text", [](S& s) { return s.GetCelulares(u"IMEI-1", u""); }, columns, {{"N"}, {"S"}}},
      {"NULL representative", [](S& s) { return s.GetCelulares(u"IMEI-2", u""); }, columns, {}},
      {"NULL flag (CHAR(1): one blank)", [](S& s) { return s.GetCelulares(u"IMEI-3", u"Bruno"); }, columns, {{" "}}},
      {"quote in the IMEI", [](S& s) { return s.GetCelulares(u"IMEI'1", u"Ana"); }, columns, {}},
      {"not registered", [](S& s) { return s.GetCelulares(u"IMEI-9", u"Ana"); }, columns, {}},
  });
}

TEST(Representatives, DeviceRegistration) {
  const std::string device =
      "select CNPJ, REPRESENTANTE, DT_PRIMEIRO_ACESSO, DT_ULTIMO_ACESSO, BLOQUEAR from CELULARES where IMEI = ";
  // The first and the last access of a new device are the day of its one call.
  const TDaysAround first = DaysAround([] { EXPECT_TRUE(Db().Service()->SetCelulares(u"IMEI-9", u"Ana")); });
  const TDaysAround last = DaysAround([] { EXPECT_TRUE(Db().Service()->SetCelulares(u"IMEI-9", u"Ana Maria")); });
  auto nine = Db().Query(device + "'IMEI-9'").Rows;
  ASSERT_EQ(nine.size(), 1u);
  ExpectOnEitherDay(nine[0][2], first, [](const std::string& day) { return TCell(day); });
  ExpectOnEitherDay(nine[0][3], last, [](const std::string& day) { return TCell(day); });
  nine[0][2] = nine[0][3] = "day";
  EXPECT_EQ(nine, (std::vector<TRow>{{"11.111.111/0001-11", "Ana Maria", "day", "day", "N"}}));
  // A known device keeps its first access and its block flag; branch 2's
  // row of the same IMEI is left alone.
  const TDaysAround known = DaysAround([] { EXPECT_TRUE(Db().Service()->SetCelulares(u"IMEI-1", u"Ana Paula")); });
  ExpectOnEitherDay(Sorted(Db().Query(device + "'IMEI-1'").Rows), known, [](const std::string& day) {
    return Sorted({{"11.111.111/0001-11", "Ana Paula", "2020-01-01", day, "N"},
                   {"22.222.222/0001-22", "Ana_Souza", "2020-01-01", "2020-02-01", "S"}});
  });
  // A branch without CNPJ registers under the empty text.
  const TDaysAround other = DaysAround([] { EXPECT_TRUE(Db().Service(3)->SetCelulares(u"IMEI-8", u"Bruno")); });
  ExpectOnEitherDay(Db().Query(device + "'IMEI-8'").Rows, other, [](const std::string& day) {
    return std::vector<TRow>{{"", "Bruno", day, day, "N"}};
  });
  // Too long an IMEI: false, nothing written.
  EXPECT_FALSE(Db().Service()->SetCelulares(std::u16string(41, u'7'), u"Ana"));
  EXPECT_EQ(Db().Query("select count(*) from CELULARES").Rows, (std::vector<TRow>{{"6"}}));
}

TEST(Representatives, ChangeLogInIdOrder) {
  const std::vector<std::string> columns = {"ID", "ID_2", "SITUACAO"};
  auto service = Db().Service();
  const TTable log = ReadTable(service->GetLogAndroid(7, u"PRODUTO"));
  EXPECT_EQ(log.Columns, columns);
  // SITUACAO is CHAR(1): NULL comes back as one blank.
  EXPECT_EQ(log.Rows, (std::vector<TRow>{{"1", "0", " "}, {"2", "5", "I"}, {"3", "0", "A"}}));
  EXPECT_TRUE(ReadTable(service->GetLogAndroid(7, u"PRODUTO' or ''='")).Rows.empty());
}

TEST(Representatives, DeletingChangeLogEntries) {
  const std::string remaining =
      "select IDFILIAL, ID, ID_2 from LOG_ALTERACAO_ANDROID where TIPO = 'CLIENTE' order by IDFILIAL, ID, ID_2";
  // With ID_2 5 only that entry of ID 40 goes.
  EXPECT_TRUE(Db().Service()->DeletaLogAndroid(7, 40, 5, u"CLIENTE"));
  EXPECT_EQ(Db().Query(remaining).Rows,
            (std::vector<TRow>{{"1", "40", Null}, {"1", "40", "6"}, {"1", "41", "5"}, {"2", "40", "5"}}));
  // With ID_2 0 the rest of ID 40 goes, whatever its ID_2.
  EXPECT_TRUE(Db().Service()->DeletaLogAndroid(7, 40, 0, u"CLIENTE"));
  EXPECT_TRUE(Db().Service()->DeletaLogAndroid(7, 40, 0, u"CLIENTE"));  // nothing left: still true
  EXPECT_EQ(Db().Query(remaining).Rows, (std::vector<TRow>{{"1", "41", "5"}, {"2", "40", "5"}}));
  // One instance, first with and then without ID_2.
  auto service = Db().Service();
  EXPECT_TRUE(service->DeletaLogAndroid(7, 41, 6, u"CLIENTE"));
  EXPECT_EQ(Db().Query(remaining).Rows, (std::vector<TRow>{{"1", "41", "5"}, {"2", "40", "5"}}));
  EXPECT_TRUE(service->DeletaLogAndroid(7, 41, 0, u"CLIENTE"));
  EXPECT_EQ(Db().Query(remaining).Rows, (std::vector<TRow>{{"2", "40", "5"}}));
}

TEST(Representatives, DeletingChangeLogErrorsLeaveTheMethod) {
  // A type longer than the column cannot be compared: the error fails the call.
  EXPECT_THROW(Db().Service()->DeletaLogAndroid(7, 40, 0, std::u16string(31, u'X')), TDBXError);
}

}  // namespace
}  // namespace fieldsync::test
