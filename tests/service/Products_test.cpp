// Products and price lists: branch scoping, active and deleted products,
// NULL quantities and prices, the representative's own table.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"

namespace fieldsync::test {
namespace {

const std::vector<std::string> ProdutoColumns = {"IDPRODUTO", "NMPRODUTO", "EMBALAGEM",
                                                 "QTDEATUAL", "CUSTO", "NOME_ARQ_IMAGEM"};
const std::vector<std::string> UndMedColumns = {"IDPRODUTO", "IDUNDMED", "NMUNDMED", "FATORCONVERSAO", "TIPOUNIDADE"};
const std::vector<std::string> ConsigColumns = {"IDPRODUTO", "NMPRODUTO", "EMBALAGEM", "QTDEATUAL",
                                                "IDCONSIGNACAO", "CUSTO", "NOME_ARQ_IMAGEM"};
const std::vector<std::string> TabelaColumns = {"IDTABELAPRECO", "NMTABELAPRECO"};
const std::vector<std::string> ItemColumns = {"IDTABELAPRECO", "IDPRODUTO", "TAXADESCONTO", "PRECOVENDA"};
const std::vector<std::string> ClienteProdutoColumns = {"IDCLIENTE", "IDPRODUTO", "PRECO_VENDA", "PRECO_ATUAL"};

TEST(Products, ActiveProductsOfTheBranch) {
  const TRow arroz = {"1", "Arroz 5kg", "FD", "10.5000", "3.2500", "arroz.jpg"};
  RunReadCases({
      // Product 2 has NULL stock, cost and image; 3 is deleted; 4 inactive.
      {"GetProduto", [](auto& s) { return s.GetProduto(); }, ProdutoColumns,
       {arroz, {"2", "Feijão", "SC", "0.0000", "0.0000", ""}}},
      {"GetProdutoSN", [](auto& s) { return s.GetProdutoSN(1); }, ProdutoColumns, {arroz}},
      {"GetProdutoSN deleted", [](auto& s) { return s.GetProdutoSN(3); }, ProdutoColumns,
       {{"3", "Óleo", Null, "0.0000", "0.0000", ""}}},
      {"GetProdutoSN inactive", [](auto& s) { return s.GetProdutoSN(4); }, ProdutoColumns, {}},
  });
  RunReadCases({{"GetProduto branch 2", [](auto& s) { return s.GetProduto(); }, ProdutoColumns,
                 {{"1", "Arroz filial 2", Null, "0.0000", "0.0000", ""}}}},
               2);
}

TEST(Products, UnitsOfActiveProductsListedOnce) {
  RunReadCases({
      // Product 1 holds unit 1 under two bar codes; deleted product 3 is
      // listed, inactive product 4 is not.
      {"GetProdutoUndMed", [](auto& s) { return s.GetProdutoUndMed(); }, UndMedColumns,
       {{"1", "1", "Unidade", "1.0000", "P"}, {"1", "2", "Caixa", "12.0000", "S"}, {"3", "1", "Unidade", "1.0000", "P"}}},
      {"GetProdutoUndMedSN", [](auto& s) { return s.GetProdutoUndMedSN(1, 1); }, UndMedColumns,
       {{"1", "1", "Unidade", "1.0000", "P"}}},
      {"GetProdutoUndMedSN inactive", [](auto& s) { return s.GetProdutoUndMedSN(4, 1); }, UndMedColumns, {}},
  });
}

TEST(Products, OpenConsignmentsOfTheRepresentative) {
  RunReadCases({
      // Consignment 2 of representative 7 is closed; a NULL entry gives 0.
      {"GetProdutoConsig 7", [](auto& s) { return s.GetProdutoConsig(7); }, ConsigColumns,
       {{"1", "Arroz 5kg", "FD", "7.0000", "1", "3.2500", "arroz.jpg"},
        {"2", "Feijão", "SC", "0.0000", "1", "0.0000", ""}}},
      // The SN form does not look at who holds the consignment.
      {"GetProdutoConsigSN", [](auto& s) { return s.GetProdutoConsigSN(3, 1); }, ConsigColumns,
       {{"1", "Arroz 5kg", "FD", "3.0000", "3", "3.2500", "arroz.jpg"}}},
      {"GetProdutoConsigSN closed", [](auto& s) { return s.GetProdutoConsigSN(2, 1); }, ConsigColumns, {}},
  });
}

TEST(Products, PriceTablesForTheHandheld) {
  RunReadCases({
      // Table 2 is not for the handheld, table 3 is deleted.
      {"GetTabelaPreco", [](auto& s) { return s.GetTabelaPreco(); }, TabelaColumns, {{"1", "Tabela Palm"}}},
      {"GetTabelaPrecoSN deleted", [](auto& s) { return s.GetTabelaPrecoSN(3); }, TabelaColumns, {{"3", "Antiga"}}},
      {"GetTabelaPrecoSN internal", [](auto& s) { return s.GetTabelaPrecoSN(2); }, TabelaColumns, {{"2", "Interna"}}},
      {"GetTabelaPrecoSN other branch", [](auto& s) { return s.GetTabelaPrecoSN(5); }, TabelaColumns, {}},
      {"GetTabelaPrecoRep", [](auto& s) { return s.GetTabelaPrecoRep(7); }, TabelaColumns, {{"1", "Tabela Palm"}}},
      // 8 has no table; 9's table belongs to branch 2.
      {"GetTabelaPrecoRep no table", [](auto& s) { return s.GetTabelaPrecoRep(8); }, TabelaColumns, {}},
      {"GetTabelaPrecoRep other branch", [](auto& s) { return s.GetTabelaPrecoRep(9); }, TabelaColumns, {}},
      {"GetTabelaPrecoItem", [](auto& s) { return s.GetTabelaPrecoItem(); }, ItemColumns,
       {{"1", "1", "0.0500", "10.9000"}, {"1", "2", "0.0000", "0.0000"}}},
      {"GetTabelaPrecoItemSN deleted table", [](auto& s) { return s.GetTabelaPrecoItemSN(3, 1); }, ItemColumns,
       {{"3", "1", "0.0000", "8.0000"}}},
      {"GetTabelaPrecoItemRep", [](auto& s) { return s.GetTabelaPrecoItemRep(7); }, ItemColumns,
       {{"1", "1", "0.0500", "10.9000"}, {"1", "2", "0.0000", "0.0000"}}},
      {"GetTabelaPrecoItemRep other branch", [](auto& s) { return s.GetTabelaPrecoItemRep(9); }, ItemColumns, {}},
  });
  RunReadCases({{"GetTabelaPrecoRep branch 2", [](auto& s) { return s.GetTabelaPrecoRep(9); }, TabelaColumns,
                 {{"5", "Tabela F2"}}},
                {"GetTabelaPrecoItemRep branch 2", [](auto& s) { return s.GetTabelaPrecoItemRep(9); }, ItemColumns,
                 {{"5", "1", "0.0000", "7.0000"}}}},
               2);
}

TEST(Products, ClientPricesAcrossBranchesAndPerBranch) {
  RunReadCases({
      // Every branch, and a NULL price kept as NULL.
      {"GetClienteProduto", [](auto& s) { return s.GetClienteProduto(7); }, ClienteProdutoColumns,
       {{"100", "1", "9.5000", "9.9000"}, {"100", "2", Null, "5.0000"}, {"102", "1", "7.0000", "7.0000"}}},
      {"GetClienteProdutoSN", [](auto& s) { return s.GetClienteProdutoSN(100, 2); }, ClienteProdutoColumns,
       {{"100", "2", Null, "5.0000"}}},
      {"GetClienteProdutoSN other branch", [](auto& s) { return s.GetClienteProdutoSN(102, 1); },
       ClienteProdutoColumns, {}},
  });
}

}  // namespace
}  // namespace fieldsync::test
