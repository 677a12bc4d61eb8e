// Receivables and bank slips: which receivables reach the handheld, a payment
// taken in the field (always on the branch's default cash account), the slips
// of an order and the files of an order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "ServiceDatabase.h"
#include "core/Text.h"
#include "service/internal/SqlText.h"

namespace fieldsync::test {
namespace {

// Today plus `days`, as dd/mm/yyyy.
std::string DayText(int days) {
  using namespace std::chrono;
  const TDBXDate today = Today();
  const year_month_day day{sys_days{year{today.Year} / today.Month / today.Day} + std::chrono::days{days}};
  char text[16];
  std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(day.day()), static_cast<unsigned>(day.month()),
                static_cast<int>(day.year()));
  return text;
}

const std::vector<std::string> ReceberColumns = {"IDRECEBER",   "IDFOLHA",   "IDORDEM",     "IDPARCIAL",
                                                 "IDREPRESENTANTE", "IDCLIENTE", "IDFORMAPAGTO", "DATAEMISSAO",
                                                 "DATAVENCIMENTO",  "VALORDOCUMENTO"};

TEST(Receivables, OpenReceivablesOfTheRepresentative) {
  // Left out: a collection type not for the handheld (600), an amount of 0
  // (601), a paid one (602), another representative's (603), branch 2's (700).
  RunReadCases({
      {"GetReceber 7", [](auto& s) { return s.GetReceber(7); }, ReceberColumns,
       {{"500", "99", "1", "0", "7", "100", "0", "05/03/2012", DayText(-40), "50.2500"},
        {"500", "99", "2", "0", "7", "100", "0", "05/03/2012", DayText(-5), "50.2500"},
        {"500", "99", "3", "0", "7", "100", "1", "", DayText(10), "0.5000"}}},
      {"GetReceber 8", [](auto& s) { return s.GetReceber(8); }, ReceberColumns,
       {{"603", "1", "1", "0", "8", "101", "0", "", DayText(0), "20.0000"}}},
  });
}

TEST(Receivables, PaymentIsWrittenOnTheBranchsDefaultCashAccount) {
  const std::string paid =
      "select DATAPAGAMENTO, VALORJUROS, VALORPAGAMENTO, IDFORMAPAGTO, F_PARCIAL, IDCAIXA from RECEBER where "
      "IDFILIAL = %d and IDRECEBER = %d and IDORDEM = 1";
  auto row = [&](int filial, int receber) {
    char sql[256];
    std::snprintf(sql, sizeof sql, paid.c_str(), filial, receber);
    return Db().Query(sql).Rows;
  };
  std::u16string erro = u"stale";
  // IDCaixa 7 is ignored: branch 1's DEF_CAIXA is 2.
  EXPECT_TRUE(Db().Service()->SetReceber(u"15/12/2026", u"S", TCurrency::FromScaled(15000), TCurrency::FromScaled(517500),
                                         1, 7, 500, 99, 1, 0, erro));
  EXPECT_EQ(erro, u"");
  EXPECT_EQ(row(1, 500), (std::vector<TRow>{{"2026-12-15", "1.5000", "51.7500", "1", "S", "2"}}));
  // Paid now, so no longer listed.
  EXPECT_EQ(ReadTable(Db().Service()->GetReceber(7)).Rows.size(), 2u);
  // Branch 2 has no DEF_CAIXA: 0.
  EXPECT_TRUE(Db().Service(2)->SetReceber(u"1/2/2027", u"N", TCurrency{}, TCurrency::FromScaled(300000), 1, 7, 700, 1,
                                          1, 0, erro));
  EXPECT_EQ(row(2, 700), (std::vector<TRow>{{"2027-02-01", "0.0000", "30.0000", "1", "N", "0"}}));
  // Keys that match nothing: success, nothing changed.
  EXPECT_TRUE(Db().Service()->SetReceber(u"15/12/2026", u"S", TCurrency{}, TCurrency{}, 1, 7, 500, 99, 9, 0, erro));
  EXPECT_EQ(erro, u"");
}

TEST(Receivables, PaymentWithAnInvalidDateWritesNothing) {
  std::u16string erro;
  EXPECT_FALSE(Db().Service()->SetReceber(u"2026-12-15", u"S", TCurrency{}, TCurrency{}, 1, 7, 500, 99, 2, 0, erro));
  EXPECT_EQ(erro, u"''2026-12-15'' is not a valid date");
  EXPECT_FALSE(Db().Service()->SetReceber(u"15/12/2026", u"SS", TCurrency{}, TCurrency{}, 1, 7, 500, 99, 2, 0, erro));
  EXPECT_NE(erro.find(u"string truncation"), std::u16string::npos) << Utf16ToUtf8(erro);
  EXPECT_EQ(Db().Query("select DATAPAGAMENTO from RECEBER where IDFILIAL = 1 and IDRECEBER = 500 and IDORDEM = 2").Rows,
            (std::vector<TRow>{{Null}}));
}

TEST(Receivables, BankSlipsOfAHandheldOrder) {
  const std::vector<std::string> columns = {
      "GB_CODIGOBANCO",   "LOCAL_PAGAMENTO",  "GB_DATA_VENCIMENTO", "GB_NOMECEDENTE",  "GB_CODIGOCEDENTE",
      "GB_DIGITOCODIGOCEDENTE", "GB_CODIGOAGENCIA", "GB_DIGITOAGENCIA", "GB_DATABOLETO", "DOCUMENTO",
      "GB_NOSSONUMERO",   "GB_DIGITONOSSONUMERO", "GB_TIPOCARTEIRA", "VALORDOCUMENTO",  "GB_MENSAGEM_BOLETO",
      "NM_BANCO",         "LINHA_DIGITAVEL",  "GB_JUROS_MES",       "GB_MULTA"};
  RunReadCases({
      // Instalment 3 has no slip number.
      {"GetBoleto", [](auto& s) { return s.GetBoleto(7, 120); }, columns,
       {{"001", "Pagável em qualquer banco", "05/04/2012", "Distribuidora São João", "12345", "6", "1234", "5",
         "05/03/2012", "500/1", "123", "4", "17", "50.2500", "", "Banco do Brasil", "00190.00009", "1.5000", "0"},
        {"001", "Pagável em qualquer banco", "", "Distribuidora São João", "12345", "6", "1234", "5", "", "500/2",
         "124", "", "17", "50.2500", "", "Banco do Brasil", "", "1.5000", "0"}}},
      {"GetBoleto other representative", [](auto& s) { return s.GetBoleto(8, 120); }, columns, {}},
      {"GetBoleto unknown order", [](auto& s) { return s.GetBoleto(7, 121); }, columns, {}},
  });
}

TEST(Receivables, FileLocationsOfAnOrder) {
  const std::vector<std::string> columns = {"LOCAL_FTP", "NOME_ARQUIVO_FTP", "NOME_ARQUIVO_XML"};
  RunReadCases({
      {"stored", [](auto& s) { return s.GetRecCaminhoFTPPed(7, 120); }, columns, {{"ftp://srv/pedidos", "p500.pdf", ""}}},
      {"none", [](auto& s) { return s.GetRecCaminhoFTPPed(8, 120); }, columns, {}},
  });
}

}  // namespace
}  // namespace fieldsync::test
