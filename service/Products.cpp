// Products, units of measure, consignment stock, price tables and their
// items, and prices agreed per client. All but GetClienteProduto are scoped to
// the instance's branch.
#include "service/ServerMethodsUnit1.h"

#include "db/DBXReader.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

constexpr std::u16string_view GetProdutoSql =
    u"select cast(idproduto as varchar(10)) as idproduto, especificacao as nmproduto, embalagem, "
    u"cast(coalesce(qtdeatual,0) as varchar(25)) as qtdeatual, cast(coalesce(custonotaunit,0) as "
    u"varchar(25)) as custo, coalesce(nome_arq_imagem,'') as nome_arq_imagem  from PRODUTO where "
    u"IDFILIAL = {0} and SITUACAOPRODUTO = 'A' and EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetProduto() {
  return OpenReader(GetProdutoSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetProdutoSNSql =
    u"select cast(idproduto as varchar(10)) as idproduto, especificacao as nmproduto, embalagem, "
    u"cast(coalesce(qtdeatual,0) as varchar(25)) as qtdeatual, cast(coalesce(custonotaunit,0) as "
    u"varchar(25)) as custo, coalesce(nome_arq_imagem,'') as nome_arq_imagem from PRODUTO where "
    u"IDFILIAL = {0} and IDPRODUTO = {1}  and SITUACAOPRODUTO = 'A'";

std::unique_ptr<TDBXReader> TServerMethods1::GetProdutoSN(int32_t IDProduto) {
  return OpenReader(GetProdutoSNSql, NoTimeout, {Q(IDFilial), Q(IDProduto)});
}

constexpr std::u16string_view GetProdutoUndMedSql =
    u"select distinct cast(p.idproduto as varchar(10)) as idproduto, cast(u.idunidademedida as "
    u"varchar(10)) as idundmed, u.descricao as nmundmed, cast(u.fatorconversao as varchar(25)) as "
    u"fatorconversao, u.tipo_unidade as tipounidade from UNIDADEMEDIDA U\r join UNIDADEPRODUTO P on "
    u"P.IDUNIDADEMEDIDA = U.IDUNIDADEMEDIDA and P.IDFILIAL = U.IDFILIAL join PRODUTO PR on "
    u"PR.IDFILIAL = P.IDFILIAL and PR.IDPRODUTO = P.IDPRODUTO and PR.SITUACAOPRODUTO = 'A' where "
    u"U.IDFILIAL = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetProdutoUndMed() {
  return OpenReader(GetProdutoUndMedSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetProdutoUndMedSNSql =
    u"select distinct cast(p.idproduto as varchar(10)) as idproduto, cast(u.idunidademedida as "
    u"varchar(10)) as idundmed, u.descricao as nmundmed, cast(u.fatorconversao as varchar(25)) as "
    u"fatorconversao, u.tipo_unidade as tipounidade from UNIDADEMEDIDA U\r join UNIDADEPRODUTO P on "
    u"P.IDFILIAL = U.IDFILIAL and P.IDUNIDADEMEDIDA = U.IDUNIDADEMEDIDA join PRODUTO PR on "
    u"PR.IDFILIAL = P.IDFILIAL and PR.IDPRODUTO = P.IDPRODUTO and PR.SITUACAOPRODUTO = 'A' where "
    u"U.IDFILIAL = {0} and P.IDPRODUTO = {1} and P.IDUNIDADEMEDIDA = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetProdutoUndMedSN(int32_t IDProduto, int32_t IDUnidadeMedida) {
  return OpenReader(GetProdutoUndMedSNSql, NoTimeout, {Q(IDFilial), Q(IDProduto), Q(IDUnidadeMedida)});
}

constexpr std::u16string_view GetProdutoConsigSql =
    u"select cast(p.idproduto as varchar(10)) as idproduto, p.especificacao as nmproduto, "
    u"p.embalagem, cast(coalesce((I.qtde_entrada-I.qtde_saida),0) as varchar(25)) as qtdeatual, "
    u"cast(c.idconsignacao as varchar(10)) as idconsignacao,\r cast(coalesce(p.custonotaunit,0) as "
    u"varchar(25)) as custo, coalesce(p.nome_arq_imagem,'') as nome_arq_imagem from ITENS_CONSIGNACAO "
    u"I\r join CONSIGNACAO C on C.IDFILIAL = I.IDFILIAL and C.IDCONSIGNACAO = I.IDCONSIGNACAO and "
    u"C.SITUACAO = 'A' join PRODUTO P on P.IDFILIAL = I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO where "
    u"I.IDFILIAL = {0} and C.IDREPRESENTANTE = {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetProdutoConsig(int32_t IDRepresentante) {
  return OpenReader(GetProdutoConsigSql, Timeout120, {Q(IDFilial), Q(IDRepresentante)});
}

constexpr std::u16string_view GetProdutoConsigSNSql =
    u"select cast(p.idproduto as varchar(10)) as idproduto, p.especificacao as nmproduto, "
    u"p.embalagem, cast(coalesce((I.qtde_entrada-I.qtde_saida),0) as varchar(25)) as qtdeatual, "
    u"cast(c.idconsignacao as varchar(10)) as idconsignacao,\r cast(coalesce(p.custonotaunit,0) as "
    u"varchar(25)) as custo, coalesce(p.nome_arq_imagem,'') as nome_arq_imagem from ITENS_CONSIGNACAO "
    u"I\r join CONSIGNACAO C on C.IDFILIAL = I.IDFILIAL and C.IDCONSIGNACAO = I.IDCONSIGNACAO and "
    u"C.SITUACAO = 'A' join PRODUTO P on P.IDFILIAL = I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO where "
    u"I.IDFILIAL = {0} and C.IDCONSIGNACAO = {1} and I.IDPRODUTO = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetProdutoConsigSN(int32_t IDConsignacao, int32_t IDProduto) {
  return OpenReader(GetProdutoConsigSNSql, NoTimeout, {Q(IDFilial), Q(IDConsignacao), Q(IDProduto)});
}

constexpr std::u16string_view GetTabelaPrecoSql =
    u"select cast(idtabelapreco as varchar(10)) as idtabelapreco, descricao as nmtabelapreco from "
    u"TABELAPRECO where IDFILIAL = {0} and TABELAPALM = 'S' and EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPreco() {
  return OpenReader(GetTabelaPrecoSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetTabelaPrecoSNSql =
    u"select cast(idtabelapreco as varchar(10)) as idtabelapreco, descricao as nmtabelapreco from "
    u"TABELAPRECO where IDFILIAL = {0} and IDTABELAPRECO = {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPrecoSN(int32_t IDTabelaPreco) {
  return OpenReader(GetTabelaPrecoSNSql, NoTimeout, {Q(IDFilial), Q(IDTabelaPreco)});
}

constexpr std::u16string_view GetTabelaPrecoRepSql =
    u"select cast(T.idtabelapreco as varchar(10)) as idtabelapreco, T.descricao as nmtabelapreco from "
    u"TABELAPRECO T join REPRESENTANTE R on R.idrepresentante = {0} and r.idtabelapreco = "
    u"t.idtabelapreco where T.IDFILIAL = {1} and T.TABELAPALM = 'S'";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPrecoRep(int32_t IDRepresentante) {
  return OpenReader(GetTabelaPrecoRepSql, Timeout120, {Q(IDRepresentante), Q(IDFilial)});
}

constexpr std::u16string_view GetTabelaPrecoItemSql =
    u"select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) "
    u"as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as taxadesconto,\r "
    u"cast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO I join "
    u"TABELAPRECO T on T.IDFILIAL = I.IDFILIAL and T.IDTABELAPRECO = I.IDTABELAPRECO where I.IDFILIAL "
    u"= {0} and T.TABELAPALM = 'S' and T.EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPrecoItem() {
  return OpenReader(GetTabelaPrecoItemSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetTabelaPrecoItemSNSql =
    u"select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) "
    u"as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as taxadesconto,\r "
    u"cast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO I where "
    u"I.IDFILIAL = {0} and I.IDTABELAPRECO = {1} and I.IDPRODUTO = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPrecoItemSN(int32_t IDTabelaPreco, int32_t IDProduto) {
  return OpenReader(GetTabelaPrecoItemSNSql, NoTimeout, {Q(IDFilial), Q(IDTabelaPreco), Q(IDProduto)});
}

constexpr std::u16string_view GetTabelaPrecoItemRepSql =
    u"select cast(I.idtabelapreco as varchar(10)) as idtabelapreco, cast(I.idproduto as varchar(10)) "
    u"as idproduto, cast(coalesce(I.taxadesconto,0) as varchar(25)) as "
    u"taxadesconto,\rcast(coalesce(I.precounit,0) as varchar(25)) as precovenda from ITENSTABELAPRECO "
    u"I join TABELAPRECO T on T.IDFILIAL = I.IDFILIAL and T.IDTABELAPRECO = I.IDTABELAPRECO join "
    u"REPRESENTANTE R on R.IDREPRESENTANTE = {0} and R.idtabelapreco = I.idtabelapreco where "
    u"I.IDFILIAL = {1} and T.TABELAPALM = 'S'";

std::unique_ptr<TDBXReader> TServerMethods1::GetTabelaPrecoItemRep(int32_t IDRepresentante) {
  return OpenReader(GetTabelaPrecoItemRepSql, Timeout120, {Q(IDRepresentante), Q(IDFilial)});
}

constexpr std::u16string_view GetClienteProdutoSql =
    u"select cast(cp.idcliente as varchar(10)) as idcliente, cast(cp.idproduto as varchar(10)) as "
    u"idproduto, cast(cp.preco_venda as varchar(25)) as preco_venda, cast(cp.preco_atual as "
    u"varchar(25)) as preco_atual from CLIENTE_PRODUTO CP\r join REPCLIENTE R on R.IDCLIENTE = "
    u"CP.IDCLIENTE and R.IDREPRESENTANTE = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetClienteProduto(int32_t IDRepresentante) {
  return OpenReader(GetClienteProdutoSql, Timeout120, {Q(IDRepresentante)});
}

constexpr std::u16string_view GetClienteProdutoSNSql =
    u"select cast(cp.idcliente as varchar(10)) as idcliente, cast(cp.idproduto as varchar(10)) as "
    u"idproduto, cast(cp.preco_venda as varchar(25)) as preco_venda, cast(cp.preco_atual as "
    u"varchar(25)) as preco_atual from CLIENTE_PRODUTO CP\r  where CP.IDFILIAL = {0} and CP.IDCLIENTE "
    u"= {1} and CP.IDPRODUTO = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetClienteProdutoSN(int32_t IDCliente, int32_t IDProduto) {
  return OpenReader(GetClienteProdutoSNSql, NoTimeout, {Q(IDFilial), Q(IDCliente), Q(IDProduto)});
}

}  // namespace fieldsync
