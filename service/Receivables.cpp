// Receivables and bank slips: the representative's open receivables, a
// payment taken in the field, the bank-slip data of an order, and the file
// locations the ERP stored for an order.
#include "service/ServerMethodsUnit1.h"

#include "core/Text.h"
#include "db/DBXReader.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

constexpr std::u16string_view GetReceberSql =
    u"select cast(R.IDRECEBER as varchar(10)) as idreceber, cast(R.IDFOLHA as varchar(10)) as "
    u"idfolha, cast(R.IDORDEM as varchar(10)) as idordem, cast(R.IDPARCIAL as varchar(10)) as "
    u"idparcial,\r cast(R.IDREPRESENTANTE as varchar(10)) as idrepresentante, cast(R.IDCLIENTE as "
    u"varchar(10)) as idcliente,\r cast(coalesce(R.IDFORMAPAGTO,'0') as varchar(10)) as idformapagto, "
    u"coalesce(cast(lpad(extract(day from r.DATAEMISSAO),2,'0') || '/' || lpad(extract(month from "
    u"R.DATAEMISSAO),2,'0') || '/' || extract(year from R.DATAEMISSAO) as varchar(10)),'') as "
    u"dataemissao,\r coalesce(cast(lpad(extract(day from R.DATAVENCIMENTO),2,'0') || '/' || "
    u"lpad(extract(month from R.DATAVENCIMENTO),2,'0') || '/' || extract(year from R.DATAVENCIMENTO) "
    u"as varchar(10)),'') as datavencimento, cast(coalesce(R.VALORDOCUMENTO,'0') as varchar(25)) as "
    u"valordocumento from RECEBER R join COBRANCA C on C.IDFILIAL = R.IDFILIAL and C.IDCOBRANCA = "
    u"R.IDCOBRANCA and C.ENVIAR_ANDROID = 'S' where R.IDFILIAL = {0} and R.IDREPRESENTANTE = {1} and "
    u"R.DATAPAGAMENTO is null and R.VALORDOCUMENTO <> 0";

std::unique_ptr<TDBXReader> TServerMethods1::GetReceber(int32_t IDRepresentante) {
  return OpenReader(GetReceberSql, Timeout120, {Q(IDFilial), Q(IDRepresentante)});
}

constexpr std::u16string_view GetBoletoSql =
    u"select coalesce(R.gb_codigobanco,'') as gb_codigobanco, coalesce(C.local_pagamento,'') as "
    u"local_pagamento, coalesce(cast(lpad(extract(day from R.GB_DATA_VENCIMENTO),2,'0') || '/' || "
    u"lpad(extract(month from R.GB_DATA_VENCIMENTO),2,'0') || '/' || extract(year from "
    u"R.GB_DATA_VENCIMENTO) as varchar(10)),'') as gb_data_vencimento,\r "
    u"coalesce(C.gb_nomecliente,'') as gb_nomecedente, coalesce(c.gb_codigocedente,'') as "
    u"gb_codigocedente, coalesce(c.gb_digitocodigocedente,'') as gb_digitocodigocedente, "
    u"coalesce(c.gb_codigoagencia,'') as gb_codigoagencia, coalesce(c.gb_digitoagencia,'') as "
    u"gb_digitoagencia,\r coalesce(cast(lpad(extract(day from R.GB_DATABOLETO),2,'0') || '/' || "
    u"lpad(extract(month from R.GB_DATABOLETO),2,'0') || '/' || extract(year from R.GB_DATABOLETO) as "
    u"varchar(10)),'') as gb_databoleto, coalesce(r.documento,'') as documento, r.gb_nossonumero, "
    u"coalesce(r.gb_digitonossonumero,'') as gb_digitonossonumero, coalesce(c.gb_tipocarteira,'') as "
    u"gb_tipocarteira, cast(coalesce(r.valordocumento,'0') as varchar(25)) as valordocumento, "
    u"coalesce(c.gb_mensagem_boleto, '') as gb_mensagem_boleto, coalesce(C.descricao,'') as nm_banco, "
    u"coalesce(R.linha_digitavel,'') as linha_digitavel, cast(coalesce(C.gb_juros_mes,'0') as "
    u"varchar(25)) as gb_juros_mes, cast(coalesce(C.gb_multa,'0') as varchar(25)) as gb_multa\r from "
    u"RECEBER R join PEDIDO P on P.IDFILIAL = R.IDFILIAL and P.IDPEDIDOPALM = {0} and "
    u"P.IDREPRESENTANTE = {1} join CAIXA C on C.idfilial = R.idfilial and C.gb_codigobanco = "
    u"R.gb_codigobanco where R.idfilial = {2} and R.idreceber = P.idpedido and R.idfolha = p.idfolha "
    u"and not R.gb_nossonumero is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetBoleto(int32_t IDRepresentante, int32_t IDPedido) {
  return OpenReader(GetBoletoSql, Timeout120, {Q(IDPedido), Q(IDRepresentante), Q(IDFilial)});
}

constexpr std::u16string_view GetRecCaminhoFTPPedSql =
    u"select coalesce(P.LOCAL_FTP,'') as LOCAL_FTP, coalesce(P.NOME_ARQUIVO_FTP,'') as "
    u"NOME_ARQUIVO_FTP, coalesce(P.NOME_ARQUIVO_XML,'') as NOME_ARQUIVO_XML from PEDIDO P where "
    u"P.IDFILIAL = {0} and P.IDPEDIDOPALM = {1} and P.IDREPRESENTANTE = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetRecCaminhoFTPPed(int32_t IDRepresentante, int32_t IDPedidoPalm) {
  return OpenReader(GetRecCaminhoFTPPedSql, Timeout120, {Q(IDFilial), Q(IDPedidoPalm), Q(IDRepresentante)});
}

constexpr std::u16string_view dstUpdateReceberSql =
    u"update RECEBER R\r\n"
    u"  set R.DATAPAGAMENTO = :DATAPAGAMENTO,\r\n"
    u"      R.VALORJUROS = :VALORJUROS,\r\n"
    u"      R.VALORPAGAMENTO = :VALORPAGAMENTO,\r\n"
    u"      R.IDFORMAPAGTO = :IDFORMAPAGTO,\r\n"
    u"      R.F_PARCIAL = :F_PARCIAL,\r\n"
    u"      R.IDCAIXA = :IDCAIXA\r\n"
    u" where R.IDFILIAL = :IDFILIAL\r\n"
    u"   and R.IDRECEBER = :IDRECEBER\r\n"
    u"   and R.IDFOLHA = :IDFOLHA\r\n"
    u"   and R.IDORDEM = :IDORDEM\r\n"
    u"   and R.IDPARCIAL = :IDPARCIAL";

// Records a payment taken in the field. The cash account written is always the
// branch's default (DEF_CAIXA), whatever IDCaixa says; a paid receivable is
// overwritten.
bool TServerMethods1::SetReceber(const std::u16string& DataPagamento, const std::u16string& F_Parcial,
                                 TCurrency ValorJuros, TCurrency ValorPagamento, int32_t IDFormaPagto,
                                 int32_t IDCaixa, int32_t IDReceber, int32_t IDFolha, int32_t IDOrdem,
                                 int32_t IDParcial, std::u16string& Erro) {
  Erro.clear();
  try {
    TServerMethods1Components& c = Components();
    c.dstPesFilial.Close();
    c.dstPesFilial.ParamByName("IDFILIAL").AsInteger(IDFilial);
    c.dstPesFilial.Open();

    TSQLDataSet& update = c.dstUpdateReceber;
    update.Close();
    update.ParamByName("DATAPAGAMENTO").AsDate(StrToDate(DataPagamento));
    update.ParamByName("VALORJUROS").AsCurrency(ValorJuros);
    update.ParamByName("VALORPAGAMENTO").AsCurrency(ValorPagamento);
    update.ParamByName("IDFORMAPAGTO").AsInteger(IDFormaPagto);
    update.ParamByName("IDCAIXA").AsInteger(
        c.dstPesFilial.IsEmpty() ? 0 : c.dstPesFilial.FieldByName("DEF_CAIXA").AsInteger());
    update.ParamByName("F_PARCIAL").AsString(F_Parcial);
    update.ParamByName("IDFILIAL").AsInteger(IDFilial);
    update.ParamByName("IDRECEBER").AsInteger(IDReceber);
    update.ParamByName("IDFOLHA").AsInteger(IDFolha);
    update.ParamByName("IDORDEM").AsInteger(IDOrdem);
    update.ParamByName("IDPARCIAL").AsInteger(IDParcial);
    update.ExecSQL();
    return true;
  } catch (const std::exception& e) {
    Erro = Utf8ToUtf16(e.what());
    return false;
  }
}

}  // namespace fieldsync
