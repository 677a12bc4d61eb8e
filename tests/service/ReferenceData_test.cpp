// Reference data: the plain lists leave out rows marked deleted, their SN
// twins return them; none of them depends on the branch.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"

namespace fieldsync::test {
namespace {

std::vector<std::string> IdName(const char* id, const char* name) { return {id, name}; }

TEST(ReferenceData, ListsSkipDeletedRowsAndSNMethodsReturnThem) {
  const std::vector<TReadCase> cases = {
      {"GetAtividade", [](auto& s) { return s.GetAtividade(); }, IdName("IDATIVIDADE", "NMATIVIDADE"), {{"1", "Mercado"}}},
      {"GetAtividadeSN deleted", [](auto& s) { return s.GetAtividadeSN(2); }, IdName("IDATIVIDADE", "NMATIVIDADE"),
       {{"2", "Farmácia"}}},
      {"GetAtividadeSN unknown", [](auto& s) { return s.GetAtividadeSN(99); }, IdName("IDATIVIDADE", "NMATIVIDADE"), {}},
      {"GetCidade", [](auto& s) { return s.GetCidade(); }, IdName("IDCIDADE", "NMCIDADE"), {{"1", "São Paulo"}}},
      {"GetCidadeSN deleted", [](auto& s) { return s.GetCidadeSN(2); }, IdName("IDCIDADE", "NMCIDADE"), {{"2", "Campinas"}}},
      {"GetRegiao", [](auto& s) { return s.GetRegiao(); }, IdName("IDREGIAO", "NMREGIAO"), {{"1", "Norte"}}},
      {"GetRegiaoSN deleted", [](auto& s) { return s.GetRegiaoSN(2); }, IdName("IDREGIAO", "NMREGIAO"), {{"2", "Sul"}}},
      {"GetConvenio", [](auto& s) { return s.GetConvenio(); }, IdName("IDCONVENIO", "NMCONVENIO"), {{"1", "Convênio A"}}},
      {"GetConvenioSN deleted", [](auto& s) { return s.GetConvenioSN(2); }, IdName("IDCONVENIO", "NMCONVENIO"),
       {{"2", "Convênio B"}}},
      {"GetFormaPagto", [](auto& s) { return s.GetFormaPagto(); }, IdName("IDFORMAPAGTO", "NMFORMAPAGTO"), {{"1", "Boleto"}}},
      {"GetFormaPagtoSN deleted", [](auto& s) { return s.GetFormaPagtoSN(2); }, IdName("IDFORMAPAGTO", "NMFORMAPAGTO"),
       {{"2", "Dinheiro"}}},
      // NULL instalments and term become "0"; a NULL description stays NULL.
      {"GetCondPagto", [](auto& s) { return s.GetCondPagto(); }, {"IDCONDPAGTO", "NMCONDPAGTO", "PARCELA", "PRAZO"},
       {{"1", "30 dias", "1", "30"}, {"3", Null, "0", "0"}}},
      {"GetCondPagtoSN deleted", [](auto& s) { return s.GetCondPagtoSN(2); },
       {"IDCONDPAGTO", "NMCONDPAGTO", "PARCELA", "PRAZO"}, {{"2", "60 dias", "2", "60"}}},
  };
  RunReadCases(cases, 1);
}

TEST(ReferenceData, PerClientTermsAndFormsFollowTheRepresentativesClients) {
  const std::vector<std::string> terms = {"IDCLIENTE", "IDCONDPAGTO"};
  const std::vector<std::string> forms = {"IDCLIENTE", "IDFORMAPAGTO"};
  const std::vector<TReadCase> cases = {
      // Client 103 is deleted and still listed; the deleted term 2 too.
      {"GetCondPagtoCliente 7", [](auto& s) { return s.GetCondPagtoCliente(7); }, terms,
       {{"100", "1"}, {"100", "2"}, {"103", "1"}}},
      {"GetCondPagtoCliente 8", [](auto& s) { return s.GetCondPagtoCliente(8); }, terms, {{"104", "1"}}},
      {"GetCondPagtoCliente negative", [](auto& s) { return s.GetCondPagtoCliente(-3); }, terms, {}},
      // No representative check in the SN form.
      {"GetCondPagtoClienteSN", [](auto& s) { return s.GetCondPagtoClienteSN(104, 1); }, terms, {{"104", "1"}}},
      {"GetCondPagtoClienteSN missing", [](auto& s) { return s.GetCondPagtoClienteSN(100, 3); }, terms, {}},
      {"GetFormaPagtoCliente 7", [](auto& s) { return s.GetFormaPagtoCliente(7); }, forms, {{"101", "2"}}},
      {"GetFormaPagtoCliente 9", [](auto& s) { return s.GetFormaPagtoCliente(9); }, forms, {}},
      {"GetFormaPagtoClienteSN", [](auto& s) { return s.GetFormaPagtoClienteSN(104, 1); }, forms, {{"104", "1"}}},
  };
  RunReadCases(cases, 1);
}

TEST(ReferenceData, TaxNumbersOfEveryClientWithEmptyTextForNull) {
  const std::vector<std::string> columns = {"IDCLIENTE", "CPF", "CNPJ"};
  const std::vector<TReadCase> cases = {
      {"GetCPFCNPJ", [](auto& s) { return s.GetCPFCNPJ(); }, columns,
       {{"100", "", "12.345.678/0001-90"},
        {"101", "123.456.789-00", ""},
        {"102", "", "98.765.432/0001-10"},
        {"103", "", ""},
        {"104", "", ""}}},
      {"GetCPFCNPJSN", [](auto& s) { return s.GetCPFCNPJSN(101); }, columns, {{"101", "123.456.789-00", ""}}},
      {"GetCPFCNPJSN unknown", [](auto& s) { return s.GetCPFCNPJSN(0); }, columns, {}},
  };
  // The branch plays no part: branch 2 sees the same rows.
  RunReadCases(cases, 1);
  RunReadCases(cases, 2);
}

}  // namespace
}  // namespace fieldsync::test
