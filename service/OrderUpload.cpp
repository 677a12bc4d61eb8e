// Order upload: the order header with the client's data, one call per item,
// the long observation (with or without a payment term), the hand-over to the
// database procedure, the handheld number on an ERP order, and the invoice of
// an order the handheld numbered.
//
// SetPedido and SetItensPedido write nothing when their row is there already,
// so the handheld may send the same order or item again.
#include "service/ServerMethodsUnit1.h"

#include "core/Text.h"
#include "db/DBXReader.h"
#include "service/internal/WriteMethod.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

// The fiscal operation code of an order whose branch names none.
constexpr std::u16string_view DefaultNatOperacao = u"5102";

constexpr std::u16string_view dstSelectPedidoSql =
    u"select IDFILIAL from PEDIDOPALM\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where IDFILIAL = :IDFILIAL\r\n"
    u"  and IDPEDIDOPALM = :IDPEDIDOPALM\r\n"
    u"  and IDREPRESENTANTE = :IDREPRESENTANTE";

constexpr std::u16string_view dstInsertPedidoSql =
    u"INSERT INTO PEDIDOPALM (IDFILIAL, IDREPRESENTANTE, IDPEDIDOPALM, DTEMISSAO, IDFORMAPAGTO, "
    u"SITPEDIDO, IDCONDICAOPAGTO, IDTABELAPRECO, IDCLIENTE, DATAPEDIDO, TOTAL_PEDIDO, TOTAL_DESCONTO, "
    u"PARCELA, NATOPERACAO, TOTAL_COM_DECONTO, IDCONSIGNACAO, NMRAZAO, NMFANTASIA, ENDERECO, CEP, "
    u"BAIRRO, IDCIDADE, TIPOCLIENTE, CNPJ, IE, CPF, RG, FONE, FAX, CELULAR, EMAIL, IDATIVIDADE, "
    u"IDCONVENIO, IDREGIAO, CLIENTE_CONTRIBUINTE, OBS_EXTENSO) \r\n"
    u"                               VALUES (:IDFILIAL, :IDREPRESENTANTE, :IDPEDIDOPALM, :DTEMISSAO, "
    u":IDFORMAPAGTO, :SITPEDIDO, :IDCONDICAOPAGTO, :IDTABELAPRECO, :IDCLIENTE, :DATAPEDIDO, "
    u":TOTAL_PEDIDO, :TOTAL_DESCONTO, :PARCELA, :NATOPERACAO, :TOTAL_COM_DESCONTO, :IDCONSIGNACAO, "
    u":NMRAZAO, :NMFANTASIA, :ENDERECO, :CEP, :BAIRRO, :IDCIDADE, :TIPOCLIENTE, :CNPJ, :IE, :CPF, "
    u":RG, :FONE, :FAX, :CELULAR, :EMAIL, :IDATIVIDADE, :IDCONVENIO, :IDREGIAO,  "
    u":CLIENTE_CONTRIBUINTE, :OBS_EXTENSO);";

constexpr std::u16string_view dstClienteTmpSql =
    u"select IDCLIENTE, IDCLIENTE_PALM from CLIENTE\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where IDCLIENTE_PALM = :IDCLIENTE_PALM\r\n"
    u"  and IDREPRESENTANTE_PALM = :IDREPRESENTANTE_PALM";

constexpr std::u16string_view dstPesFilialSql =
    u"select CNPJ, NATOPERACAO_MOBILE, DEF_CAIXA from FILIAL\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where IDFILIAL = :IDFILIAL";

// Whether the order is stored already (the handheld may send it again).
static bool PedidoReceived(TServerMethods1Components& c, int32_t idFilial, int32_t idRepresentante,
                           int32_t idPedidoPalm) {
  c.dstSelectPedido.Close();
  c.dstSelectPedido.ParamByName("IDFILIAL").AsInteger(idFilial);
  c.dstSelectPedido.ParamByName("IDPEDIDOPALM").AsInteger(idPedidoPalm);
  c.dstSelectPedido.ParamByName("IDREPRESENTANTE").AsInteger(idRepresentante);
  c.dstSelectPedido.Open();
  return !c.dstSelectPedido.IsEmpty();
}

bool TServerMethods1::SetPedido(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t IDFormaPagto,
                                int32_t IDCondicaoPagto, int32_t IDTabelaPreco, int32_t IDCliente, int32_t Parcela,
                                int32_t IDConsignacao, int32_t IDCidade, int32_t IDAtividade, int32_t IDConvenio,
                                int32_t IDRegiao, const std::u16string& DtEmissao, const std::u16string& SitPedido,
                                const std::u16string& NmRazao, const std::u16string& NmFantasia,
                                const std::u16string& Endereco, const std::u16string& Cep,
                                const std::u16string& Bairro, const std::u16string& TipoCliente,
                                const std::u16string& Cnpj, const std::u16string& IE, const std::u16string& Cpf,
                                const std::u16string& Rg, const std::u16string& Fone, const std::u16string& Celular,
                                const std::u16string& Email, const std::u16string& Cliente_Contribuinte,
                                TCurrency TotalPedido, std::u16string& Erro) {
  return RunWriteMethod(Erro, [&] {
    TServerMethods1Components& c = Components();
    if (PedidoReceived(c, IDFilial, IDRepresentante, IDPedidoPalm)) return true;  // received already

    TSQLDataSet& insert = c.dstInsertPedido;
    insert.Close();
    insert.ParamByName("IDFILIAL").AsInteger(IDFilial);
    insert.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    insert.ParamByName("IDPEDIDOPALM").AsInteger(IDPedidoPalm);
    insert.ParamByName("DTEMISSAO").AsDate(StrToDate(DtEmissao));
    insert.ParamByName("IDFORMAPAGTO").AsInteger(IDFormaPagto);
    insert.ParamByName("SITPEDIDO").AsString(SitPedido);
    insert.ParamByName("IDCONDICAOPAGTO").AsInteger(IDCondicaoPagto);
    insert.ParamByName("IDTABELAPRECO").AsInteger(IDTabelaPreco);
    insert.ParamByName("IDCONSIGNACAO").AsInteger(IDConsignacao);

    // A client that this representative's handheld created is named by its
    // temporary id; the order gets the client's real id.
    c.cdsClienteTmp.Close();
    c.dstClienteTmp.ParamByName("IDCLIENTE_PALM").AsInteger(IDCliente);
    c.dstClienteTmp.ParamByName("IDREPRESENTANTE_PALM").AsInteger(IDRepresentante);
    c.cdsClienteTmp.Open();
    insert.ParamByName("IDCLIENTE").AsInteger(c.cdsClienteTmp.IsEmpty() ? IDCliente : c.cdsClienteTmp.FirstIDCliente());

    insert.ParamByName("DATAPEDIDO").AsDate(StrToDate(DtEmissao));
    insert.ParamByName("TOTAL_PEDIDO").AsCurrency(TotalPedido);
    insert.ParamByName("TOTAL_DESCONTO").AsCurrency(TCurrency{});
    insert.ParamByName("PARCELA").AsInteger(Parcela);

    c.dstPesFilial.Close();
    c.dstPesFilial.ParamByName("IDFILIAL").AsInteger(IDFilial);
    c.dstPesFilial.Open();
    if (c.dstPesFilial.IsEmpty() || c.dstPesFilial.FieldByName("NATOPERACAO_MOBILE").IsNull())
      insert.ParamByName("NATOPERACAO").AsString(DefaultNatOperacao);
    else
      insert.ParamByName("NATOPERACAO").AsString(c.dstPesFilial.FieldByName("NATOPERACAO_MOBILE").AsString());

    insert.ParamByName("TOTAL_COM_DESCONTO").AsCurrency(TotalPedido);
    insert.ParamByName("NMRAZAO").AsString(NmRazao);
    insert.ParamByName("NMFANTASIA").AsString(NmFantasia);
    insert.ParamByName("ENDERECO").AsString(Endereco);
    insert.ParamByName("CEP").AsString(Cep);
    insert.ParamByName("BAIRRO").AsString(Bairro);
    insert.ParamByName("IDCIDADE").AsInteger(IDCidade);
    insert.ParamByName("TIPOCLIENTE").AsString(TipoCliente);
    insert.ParamByName("CNPJ").AsString(Cnpj);
    insert.ParamByName("IE").AsString(IE);
    insert.ParamByName("CPF").AsString(Cpf);
    insert.ParamByName("RG").AsString(Rg);
    insert.ParamByName("FONE").AsString(Fone);
    insert.ParamByName("FAX").AsString(u"");
    insert.ParamByName("CELULAR").AsString(Celular);
    insert.ParamByName("EMAIL").AsString(Email);
    insert.ParamByName("IDATIVIDADE").AsInteger(IDAtividade);
    insert.ParamByName("IDCONVENIO").AsInteger(IDConvenio);
    insert.ParamByName("IDREGIAO").AsInteger(IDRegiao);
    insert.ParamByName("CLIENTE_CONTRIBUINTE").AsString(Cliente_Contribuinte);
    insert.ParamByName("OBS_EXTENSO").Clear();  // stored as NULL
    insert.ExecSQL();
    return true;
  });
}

constexpr std::u16string_view dstSelectItensPedidoSql =
    u"select IDFILIAL from ITENSPEDIDOPALM\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where IDFILIAL = :IDFILIAL\r\n"
    u"  and IDPEDIDOPALM = :IDPEDIDOPALM\r\n"
    u"  and IDPRODUTO = :IDPRODUTO\r\n"
    u"  and IDREPRESENTANTE = :IDREPRESENTANTE";

constexpr std::u16string_view dstInsertItensPedidoSql =
    u"INSERT INTO ITENSPEDIDOPALM (IDFILIAL, IDREPRESENTANTE, IDPEDIDOPALM, UNIDADEMEDIDA, "
    u"QTDEPEDIDO, VALORUNITARIO, DESCONTO, VALORUNITARIOTABELA, IDPRODUTO, OBSERVACAO) VALUES "
    u"(:IDFILIAL, :IDREPRESENTANTE, :IDPEDIDOPALM, :UNIDADEMEDIDA, :QTDEPEDIDO, :VALORUNITARIO, "
    u":DESCONTO, :VALORUNITARIOTABELA, :IDPRODUTO, :OBSERVACAO);";

bool TServerMethods1::SetItensPedido(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t UnidadeMedida,
                                     int32_t IDProduto, TCurrency QtdePedido, TCurrency ValorUnitario,
                                     TCurrency Desconto, TCurrency ValorUnitarioTabela,
                                     const std::u16string& Observacao, std::u16string& Erro) {
  return RunWriteMethod(Erro, [&] {
    TServerMethods1Components& c = Components();
    c.dstSelectItensPedido.Close();
    c.dstSelectItensPedido.ParamByName("IDFILIAL").AsInteger(IDFilial);
    c.dstSelectItensPedido.ParamByName("IDPEDIDOPALM").AsInteger(IDPedidoPalm);
    c.dstSelectItensPedido.ParamByName("IDPRODUTO").AsInteger(IDProduto);
    c.dstSelectItensPedido.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    c.dstSelectItensPedido.Open();
    if (c.dstSelectItensPedido.IsEmpty()) {
      TSQLDataSet& insert = c.dstInsertItensPedido;
      insert.Close();
      insert.ParamByName("IDFILIAL").AsInteger(IDFilial);
      insert.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
      insert.ParamByName("IDPEDIDOPALM").AsInteger(IDPedidoPalm);
      insert.ParamByName("UNIDADEMEDIDA").AsInteger(UnidadeMedida);
      insert.ParamByName("QTDEPEDIDO").AsCurrency(QtdePedido);
      insert.ParamByName("VALORUNITARIO").AsCurrency(ValorUnitario);
      insert.ParamByName("DESCONTO").AsCurrency(Desconto);
      insert.ParamByName("VALORUNITARIOTABELA").AsCurrency(ValorUnitarioTabela);
      insert.ParamByName("IDPRODUTO").AsInteger(IDProduto);
      insert.ParamByName("OBSERVACAO").AsString(Observacao);
      insert.ExecSQL();
    }
    return true;
  });
}

constexpr std::u16string_view dstUpdatePedidoSql =
    u"update PEDIDOPALM P\r\n"
    u"  SET P.OBS_EXTENSO = :OBS_EXTENSO,\r\n"
    u"         P.PRAZO = :PRAZO\r\n"
    u"WHERE P.IDFILIAL = :IDFILIAL\r\n"
    u"  AND P.IDREPRESENTANTE = :IDREPRESENTANTE\r\n"
    u"  AND P.IDPEDIDOPALM = :IDPEDIDOPALM";

// Writes the observation (and the payment term when `prazo` is given) into an
// order that SetPedido stored; an order not received is left alone. Without a
// term the update writes PRAZO as NULL.
static bool UpdatePedido(TServerMethods1Components& c, int32_t idFilial, int32_t idRepresentante,
                         int32_t idPedidoPalm, const int32_t* prazo, const std::u16string& observacao,
                         std::u16string& erro) {
  return RunWriteMethod(erro, [&] {
    if (PedidoReceived(c, idFilial, idRepresentante, idPedidoPalm)) {
      TSQLDataSet& update = c.dstUpdatePedido;
      update.Close();
      update.ParamByName("OBS_EXTENSO").AsMemo(observacao);
      if (prazo)
        update.ParamByName("PRAZO").AsInteger(*prazo);
      else
        update.ParamByName("PRAZO").Clear();
      update.ParamByName("IDFILIAL").AsInteger(idFilial);
      update.ParamByName("IDPEDIDOPALM").AsInteger(idPedidoPalm);
      update.ParamByName("IDREPRESENTANTE").AsInteger(idRepresentante);
      update.ExecSQL();
    }
    return true;
  });
}

bool TServerMethods1::SetPedido2(int32_t IDRepresentante, int32_t IDPedidoPalm, const std::u16string& Observacao,
                                 std::u16string& Erro) {
  return UpdatePedido(Components(), IDFilial, IDRepresentante, IDPedidoPalm, nullptr, Observacao, Erro);
}

bool TServerMethods1::SetPedido2_Novo(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t Prazo,
                                      const std::u16string& Observacao, std::u16string& Erro) {
  return UpdatePedido(Components(), IDFilial, IDRepresentante, IDPedidoPalm, &Prazo, Observacao, Erro);
}

// Calls the database procedure that takes over the received orders of the
// branch and representative, with today as the import date.
bool TServerMethods1::RecebendoPalmAfa(int32_t IDRepresentante, std::u16string& Erro) {
  return RunWriteMethod(Erro, [&] {
    TSQLStoredProc& call = Components().dstRecebendoPalmAFA;
    call.Close();
    call.ParamByName("IDFILIAL").AsInteger(IDFilial);
    call.ParamByName("DATAIMPORT").AsDate(Today());
    call.ParamByName("IDPEDIDO").AsInteger(0);
    call.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    call.ExecProc();  // its output IDPEDIDO is not used
    return true;
  });
}

constexpr std::u16string_view dstUpdateIDPedidoPalmSql =
    u"UPDATE PEDIDO P\r\n"
    u"  SET P.IDPEDIDOPALM = :IDPEDIDOPALM\r\n"
    u"WHERE P.IDFILIAL = :IDFILIAL\r\n"
    u"  AND P.IDPEDIDO = :IDPEDIDO\r\n"
    u"  AND P.IDFOLHA = :IDFOLHA";

bool TServerMethods1::SetIDPedidoPalm(int32_t IDPedido, int32_t IDFolha, int32_t IDPedidoPalm) {
  try {
    TSQLDataSet& update = Components().dstUpdateIDPedidoPalm;
    update.Close();
    update.ParamByName("IDPEDIDOPALM").AsInteger(IDPedidoPalm);
    update.ParamByName("IDFILIAL").AsInteger(IDFilial);
    update.ParamByName("IDPEDIDO").AsInteger(IDPedido);
    update.ParamByName("IDFOLHA").AsInteger(IDFolha);
    update.ExecSQL();
    return true;
  } catch (...) {
    return false;
  }
}

constexpr std::u16string_view GetChavePedidoSql =
    u"select coalesce(N.nome_arq_eletronico, '') as nome_arq_eletronico, cast(n.idnota as "
    u"varchar(10)) as idnota,cast(n.serie as varchar(10)) as serie,cast(p.idpedidopalm as "
    u"varchar(10)) as idpedidopalm from NOTA N\r left join pedido p on p.idfilial = n.idfilial and "
    u"p.idpedido = n.idpedido and p.idfolha = n.idfolha and p.idpedidopalm <> 0 where n.idfilial = "
    u"{0} and not n.nome_arq_eletronico is null and p.idrepresentante = {1} and p.idpedidopalm = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetChavePedido(int32_t IDRepresentante, int32_t IDPedidoPalm) {
  return OpenReader(GetChavePedidoSql, Timeout120, {Q(IDFilial), Q(IDRepresentante), Q(IDPedidoPalm)});
}

}  // namespace fieldsync
