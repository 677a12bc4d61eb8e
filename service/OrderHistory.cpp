// Order history and status: a client's latest orders and their items, one
// order, its items or its return, and the status news of a representative's
// orders with their acknowledgement.
#include "service/ServerMethodsUnit1.h"

#include "db/DBXReader.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

constexpr std::u16string_view GetItensPedidoSNSql =
    u"select coalesce(cast(I.IDPRODUTO as varchar(10)),'0') as idproduto, coalesce(cast(I.QTDEPEDIDO "
    u"as varchar(25)),'0') as qtdepedido, coalesce(cast(I.PRECOVENDA as varchar(25)),'0') as "
    u"precovenda,\rcoalesce(cast(I.FATORCONVERSAO as varchar(10)),'0') as fatorconversao, "
    u"coalesce(cast(I.TAXADESCONTO as varchar(25)),'0') as taxadesconto, cast(I.IDUNIDADEMEDIDA as "
    u"varchar(10)) as idunidademedida,\rcoalesce(cast(I.PRECOTABELA as varchar(25)),'0') as "
    u"precotabela, coalesce(cast(I.CUSTONOTA as varchar(25)),'0') as precocusto, "
    u"coalesce(P.ESPECIFICACAO,'') as nmproduto from ITENSPEDIDO I left join PRODUTO P on P.IDFILIAL "
    u"= I.IDFILIAL and P.IDPRODUTO = I.IDPRODUTO\rwhere I.IDFILIAL = {0} and I.IDPEDIDO = {1} and "
    u"I.IDFOLHA = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetItensPedidoSN(int32_t IDPedido, int32_t IDFolha) {
  return OpenReader(GetItensPedidoSNSql, NoTimeout, {Q(IDFilial), Q(IDPedido), Q(IDFolha)});
}

constexpr std::u16string_view GetUltimosPedidoSql =
    u"select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idcliente as varchar(10)) as "
    u"IDCLIENTE, cast(extract(day from p.datapedido) || '/' || extract(month from p.datapedido) || "
    u"'/' || extract(year from p.datapedido) as varchar(10)) as DATAPEDIDO, coalesce(F.descricao, '') "
    u"as NM_FORMA_PAGTO, coalesce(C.descricao,'') as NM_CONDICAO_PAGTO from PEDIDO P\r left join "
    u"FORMAPAGTO F on F.idformapagto = P.idformapagto left join CONDICAOPAGTO C on C.idcondicaopagto "
    u"= P.idcondicaopagto where P.idfilial = {0} and P.idcliente = {1} and P.idfolha = 99 order by "
    u"P.idpedido desc";

std::unique_ptr<TDBXReader> TServerMethods1::GetUltimosPedido(int32_t IDCliente) {
  return OpenReader(GetUltimosPedidoSql, Timeout120, {Q(IDFilial), Q(IDCliente)});
}

constexpr std::u16string_view GetUltPedidosTodasFolhasSql =
    u"select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idfolha as varchar(10)) as "
    u"idfolha, cast(P.idcliente as varchar(10)) as IDCLIENTE, cast(extract(day from p.datapedido) || "
    u"'/' || extract(month from p.datapedido) || '/' || extract(year from p.datapedido) as "
    u"varchar(10)) as DATAPEDIDO, coalesce(F.descricao, '') as NM_FORMA_PAGTO, "
    u"coalesce(C.descricao,'') as NM_CONDICAO_PAGTO from PEDIDO P\r left join FORMAPAGTO F on "
    u"F.idformapagto = P.idformapagto left join CONDICAOPAGTO C on C.idcondicaopagto = "
    u"P.idcondicaopagto where P.idfilial = {0} and P.idcliente = {1} order by P.datapedido desc, "
    u"p.idpedido desc";

std::unique_ptr<TDBXReader> TServerMethods1::GetUltPedidosTodasFolhas(int32_t IDCliente) {
  return OpenReader(GetUltPedidosTodasFolhasSql, Timeout120, {Q(IDFilial), Q(IDCliente)});
}

constexpr std::u16string_view GetUltimosItensPedidoSql =
    u"select cast(I.idproduto as varchar(10)) as IDPRODUTO, coalesce(p.especificacao,'') as "
    u"NM_PRODUTO, coalesce(u.abreviatura,'') as UND_MED, cast(i.qtdepedido as varchar(25)) as "
    u"qtdepedido, cast(i.precovenda as varchar(25)) as precovenda from ITENSPEDIDO I\r left join "
    u"PRODUTO P on P.idfilial = I.idfilial and P.idproduto = I.idproduto left join UNIDADEMEDIDA U on "
    u"U.idfilial = I.idfilial and U.idunidademedida = I.idunidademedida where I.idfilial = {0} and "
    u"I.idpedido = {1} and I.idfolha = 99";

std::unique_ptr<TDBXReader> TServerMethods1::GetUltimosItensPedido(int32_t IDPedido) {
  return OpenReader(GetUltimosItensPedidoSql, Timeout120, {Q(IDFilial), Q(IDPedido)});
}

constexpr std::u16string_view GetUltItensPedidoTodasFolhasSql =
    u"select cast(I.idproduto as varchar(10)) as IDPRODUTO, coalesce(p.especificacao,'') as "
    u"NM_PRODUTO, coalesce(u.abreviatura,'') as UND_MED, cast(i.qtdepedido as varchar(25)) as "
    u"qtdepedido, cast(i.precovenda as varchar(25)) as precovenda from ITENSPEDIDO I\r join PRODUTO P "
    u"on P.idfilial = I.idfilial and P.idproduto = I.idproduto left join UNIDADEMEDIDA U on "
    u"U.idfilial = I.idfilial and U.idunidademedida = I.idunidademedida where I.idfilial = {0} and "
    u"I.idpedido = {1} and I.idfolha = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetUltItensPedidoTodasFolhas(int32_t IDPedido, int32_t IDFolha) {
  return OpenReader(GetUltItensPedidoTodasFolhasSql, Timeout120, {Q(IDFilial), Q(IDPedido), Q(IDFolha)});
}

constexpr std::u16string_view GetDevolucaoSNSql =
    u"select coalesce(cast(D.IDPEDIDO as varchar(10)),'0') as idpedido, coalesce(cast(D.IDFOLHA as "
    u"varchar(10)),'0') as idfolha, coalesce(cast(lpad(extract(day from d.DATAPEDIDO),2,'0') || '/' "
    u"|| lpad(extract(month from d.DATAPEDIDO),2,'0') || '/' || extract(year from d.DATAPEDIDO) as "
    u"varchar(10)),'') as datapedido,\rcoalesce(cast(D.IDCLIENTE as varchar(10)),'0') as idcliente, "
    u"coalesce(cast(D.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, "
    u"coalesce(cast(D.IDCONDICAOPAGTO as varchar(10)),'0') as "
    u"idcondicaopagto,\rcoalesce(cast(D.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, "
    u"coalesce(D.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(D.TOTALPEDIDO as varchar(25)),'0') "
    u"as totalpedido, coalesce(cast(D.TOTALCUSTO as varchar(25)),'0') as totalcusto, "
    u"coalesce(cast(D.PARCELA as varchar(10)),'0') as parcela from DEVOLUCAO D\rwhere D.IDFILIAL = "
    u"{0} and D.IDPEDIDO = {1} and D.IDFOLHA = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetDevolucaoSN(int32_t IDPedido, int32_t IDFolha) {
  return OpenReader(GetDevolucaoSNSql, NoTimeout, {Q(IDFilial), Q(IDPedido), Q(IDFolha)});
}

constexpr std::u16string_view GetSituacaoPedidoSql =
    u"select cast(idpedido as varchar(10)) as idpedido, status from PEDIDO_STATUS where idfilial = "
    u"{0} and idrepresentante = {1} and mobile_status is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetSituacaoPedido(int32_t IDRepresentante) {
  return OpenReader(GetSituacaoPedidoSql, Timeout120, {Q(IDFilial), Q(IDRepresentante)});
}

// The order columns that GetPedidoSN and GetUltPedidosSN share after their
// first fragment: the order joined with its invoice.
constexpr std::u16string_view PedidoColumnList =
    u"'0') as idpedidopalm, coalesce(cast(lpad(extract(day from P.DATAPEDIDO),2,'0') || '/' || "
    u"lpad(extract(month from P.DATAPEDIDO),2,'0') || '/' || extract(year from P.DATAPEDIDO) as "
    u"varchar(10)),'') as datapedido,\rcoalesce(cast(P.IDCLIENTE as varchar(10)),'0') as idcliente, "
    u"coalesce(cast(P.IDFORMAPAGTO as varchar(10)),'0') as idformapagto, "
    u"coalesce(cast(P.IDCONDICAOPAGTO as varchar(10)),'0') as "
    u"idcondicaopagto,\rcoalesce(cast(P.IDTABELAPRECO as varchar(10)),'0') as idtabelapreco, "
    u"coalesce(P.SITUACAOPEDIDO,'') as tipopedido, coalesce(cast(P.TOTALPEDIDO as varchar(25)),'0') "
    u"as totalpedido, coalesce(cast(P.TOTALCUSTO as varchar(25)),'0') as totalcusto, "
    u"coalesce(cast(P.PARCELA as varchar(10)),'0') as parcela, coalesce(substring(P.OBSERVACAO from 1 "
    u"for 2000),'') as OBSERVACAO, coalesce(cast(N.IDNOTA as varchar(10)),'0') as idnota, "
    u"coalesce(cast(N.SERIE as varchar(10)),'0') as serie, coalesce(N.NOME_ARQ_ELETRONICO,'') as "
    u"nome_arq_eletronico, coalesce(cast(P.PRAZO_ANDROID as varchar(10)),'0') as prazo_android from "
    u"PEDIDO P\rleft join NOTA n on N.IDFILIAL = P.IDFILIAL and N.IDPEDIDO = P.IDPEDIDO and N.IDFOLHA "
    u"= P.IDFOLHA\r";

constexpr std::u16string_view GetPedidoSNSelect = u"select coalesce(cast(P.IDPEDIDOPALM as varchar(10)),";
constexpr std::u16string_view GetPedidoSNWhere =
    u"where P.IDFILIAL = {0} and P.IDPEDIDO = {1} and P.IDFOLHA = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetPedidoSN(int32_t IDPedido, int32_t IDFolha) {
  return OpenReader(std::u16string(GetPedidoSNSelect) + std::u16string(PedidoColumnList) +
                        std::u16string(GetPedidoSNWhere),
                    NoTimeout, {Q(IDFilial), Q(IDPedido), Q(IDFolha)});
}

constexpr std::u16string_view GetUltPedidosSNSelect =
    u"select first 3 cast(P.idpedido as varchar(10)) as IDPEDIDO, cast(P.idfolha as varchar(10)) as "
    u"idfolha,coalesce(cast(P.IDPEDIDOPALM as varchar(10)),";
constexpr std::u16string_view GetUltPedidosSNWhere =
    u"where P.IDFILIAL = {0} and P.IDCLIENTE = {1} order by P.datapedido desc, p.idpedido desc";

std::unique_ptr<TDBXReader> TServerMethods1::GetUltPedidosSN(int32_t IDCliente) {
  return OpenReader(std::u16string(GetUltPedidosSNSelect) + std::u16string(PedidoColumnList) +
                        std::u16string(GetUltPedidosSNWhere),
                    NoTimeout, {Q(IDFilial), Q(IDCliente)});
}

// The acknowledgement mark of a status row that the handheld has seen.
constexpr std::u16string_view AcknowledgedStatus = u"*";

constexpr std::u16string_view dstUpdateSituacaoPedidoSql =
    u"update PEDIDO_STATUS P\r\n"
    u"  set P.mobile_status = :MOBILE_STATUS\r\n"
    u" where P.idfilial = :IDFILIAL\r\n"
    u"   and P.IDPEDIDO = :IDPEDIDO\r\n"
    u"   and P.idrepresentante = :IDREPRESENTANTE";

bool TServerMethods1::SetSituacaoPedido(int32_t IDRepresentante, int32_t IDPedido) {
  try {
    TSQLDataSet& update = Components().dstUpdateSituacaoPedido;
    update.Close();
    update.ParamByName("MOBILE_STATUS").AsString(AcknowledgedStatus);
    update.ParamByName("IDFILIAL").AsInteger(IDFilial);
    update.ParamByName("IDPEDIDO").AsInteger(IDPedido);
    update.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    update.ExecSQL();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace fieldsync
