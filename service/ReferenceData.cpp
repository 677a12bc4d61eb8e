// Reference data for the handheld: activities, cities, regions, agreements,
// payment terms and forms (also per client), and the clients' tax numbers.
// Each plain method lists the rows not marked deleted; its SN twin returns the
// rows for the given ids, deleted or not. None of them filters by branch.
#include "service/ServerMethodsUnit1.h"

#include "db/DBXReader.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

constexpr std::u16string_view GetAtividadeSql =
    u"select cast(idatividade as varchar(10)) as idatividade, nome as nmatividade from ATIVIDADE "
    u"where EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetAtividade() {
  return OpenReader(GetAtividadeSql, Timeout120);
}

constexpr std::u16string_view GetAtividadeSNSql =
    u"select cast(idatividade as varchar(10)) as idatividade, nome as nmatividade from ATIVIDADE "
    u"where IDATIVIDADE = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetAtividadeSN(int32_t IDAtividade) {
  return OpenReader(GetAtividadeSNSql, NoTimeout, {Q(IDAtividade)});
}

constexpr std::u16string_view GetCidadeSql =
    u"select cast(idcidade as varchar(10)) as idcidade, nome as nmcidade from CIDADE where EXCLUIDO "
    u"is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetCidade() {
  return OpenReader(GetCidadeSql, Timeout120);
}

constexpr std::u16string_view GetCidadeSNSql =
    u"select cast(idcidade as varchar(10)) as idcidade, nome as nmcidade from CIDADE where IDCIDADE = "
    u"{0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCidadeSN(int32_t IDCidade) {
  return OpenReader(GetCidadeSNSql, NoTimeout, {Q(IDCidade)});
}

constexpr std::u16string_view GetRegiaoSql =
    u"select cast(idregiao as varchar(10)) as idregiao, nome as nmregiao from REGIAO where EXCLUIDO "
    u"is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetRegiao() {
  return OpenReader(GetRegiaoSql, Timeout120);
}

constexpr std::u16string_view GetRegiaoSNSql =
    u"select cast(idregiao as varchar(10)) as idregiao, nome as nmregiao from REGIAO where IDREGIAO = "
    u"{0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetRegiaoSN(int32_t IDRegiao) {
  return OpenReader(GetRegiaoSNSql, NoTimeout, {Q(IDRegiao)});
}

constexpr std::u16string_view GetConvenioSql =
    u"select cast(idconvenio as varchar(10)) as idconvenio, descricao as nmconvenio from CONVENIO "
    u"where EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetConvenio() {
  return OpenReader(GetConvenioSql, Timeout120);
}

constexpr std::u16string_view GetConvenioSNSql =
    u"select cast(idconvenio as varchar(10)) as idconvenio, descricao as nmconvenio from CONVENIO "
    u"where IDCONVENIO = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetConvenioSN(int32_t IDConvenio) {
  return OpenReader(GetConvenioSNSql, NoTimeout, {Q(IDConvenio)});
}

constexpr std::u16string_view GetCondPagtoSql =
    u"select cast(idcondicaopagto as varchar(10)) as idcondpagto, descricao as nmcondpagto, "
    u"coalesce(cast(parcela as varchar(10)),'0') as parcela, coalesce(cast(prazo as varchar(10)),'0') "
    u"as prazo from CONDICAOPAGTO where EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetCondPagto() {
  return OpenReader(GetCondPagtoSql, Timeout120);
}

constexpr std::u16string_view GetCondPagtoSNSql =
    u"select cast(idcondicaopagto as varchar(10)) as idcondpagto, descricao as nmcondpagto, "
    u"coalesce(cast(parcela as varchar(10)),'0') as parcela, coalesce(cast(prazo as varchar(10)),'0') "
    u"as prazo from CONDICAOPAGTO where IDCONDICAOPAGTO = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCondPagtoSN(int32_t IDCondPagto) {
  return OpenReader(GetCondPagtoSNSql, NoTimeout, {Q(IDCondPagto)});
}

constexpr std::u16string_view GetCondPagtoClienteSql =
    u"select cast(C.idcliente as varchar(10)) as idcliente, cast(C.idcondicaopagto as varchar(10)) as "
    u"idcondpagto from CONDPGTCLIENTE C join REPCLIENTE R on R.IDCLIENTE = C.IDCLIENTE and "
    u"R.IDREPRESENTANTE = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCondPagtoCliente(int32_t IDRepresentante) {
  return OpenReader(GetCondPagtoClienteSql, Timeout120, {Q(IDRepresentante)});
}

constexpr std::u16string_view GetCondPagtoClienteSNSql =
    u"select cast(C.idcliente as varchar(10)) as idcliente, cast(C.idcondicaopagto as varchar(10)) as "
    u"idcondpagto from CONDPGTCLIENTE C where C.IDCLIENTE = {0} and C.IDCONDICAOPAGTO = {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCondPagtoClienteSN(int32_t IDCliente, int32_t IDCondPagto) {
  return OpenReader(GetCondPagtoClienteSNSql, NoTimeout, {Q(IDCliente), Q(IDCondPagto)});
}

constexpr std::u16string_view GetFormaPagtoSql =
    u"select cast(idformapagto as varchar(10)) as idformapagto, descricao as nmformapagto from "
    u"FORMAPAGTO where EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetFormaPagto() {
  return OpenReader(GetFormaPagtoSql, Timeout120);
}

constexpr std::u16string_view GetFormaPagtoSNSql =
    u"select cast(idformapagto as varchar(10)) as idformapagto, descricao as nmformapagto from "
    u"FORMAPAGTO where IDFORMAPAGTO = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetFormaPagtoSN(int32_t IDFormaPagto) {
  return OpenReader(GetFormaPagtoSNSql, NoTimeout, {Q(IDFormaPagto)});
}

constexpr std::u16string_view GetFormaPagtoClienteSql =
    u"select cast(P.idcliente as varchar(10)) as idcliente, cast(P.idformapagto as varchar(10)) as "
    u"idformapagto from PAGTOCLIENTE P join REPCLIENTE R on R.IDCLIENTE = P.IDCLIENTE and "
    u"R.IDREPRESENTANTE = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetFormaPagtoCliente(int32_t IDRepresentante) {
  return OpenReader(GetFormaPagtoClienteSql, Timeout120, {Q(IDRepresentante)});
}

constexpr std::u16string_view GetFormaPagtoClienteSNSql =
    u"select cast(P.idcliente as varchar(10)) as idcliente, cast(P.idformapagto as varchar(10)) as "
    u"idformapagto from PAGTOCLIENTE P where P.IDCLIENTE = {0} and P.IDFORMAPAGTO = {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetFormaPagtoClienteSN(int32_t IDCliente, int32_t IDFormaPagto) {
  return OpenReader(GetFormaPagtoClienteSNSql, NoTimeout, {Q(IDCliente), Q(IDFormaPagto)});
}

constexpr std::u16string_view GetCPFCNPJSql =
    u"select cast(C.idcliente as varchar(10)) as idcliente, coalesce(C.cpf,'') as cpf, "
    u"coalesce(C.cnpj,'') as cnpj from CLIENTE C";

std::unique_ptr<TDBXReader> TServerMethods1::GetCPFCNPJ() {
  return OpenReader(GetCPFCNPJSql, Timeout120);
}

constexpr std::u16string_view GetCPFCNPJSNSql =
    u"select cast(C.idcliente as varchar(10)) as idcliente, coalesce(C.cpf,'') as cpf, "
    u"coalesce(C.cnpj,'') as cnpj from CLIENTE C where c.idcliente = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCPFCNPJSN(int32_t IDCliente) {
  return OpenReader(GetCPFCNPJSNSql, NoTimeout, {Q(IDCliente)});
}

}  // namespace fieldsync
