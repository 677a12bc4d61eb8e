// Representatives, branch settings, one-time codes, the device register and
// the change log of a representative's handheld.
#include "service/ServerMethodsUnit1.h"

#include "db/DBXReader.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

constexpr std::u16string_view GetRepresentanteSql =
    u"select cast(idrepresentante as varchar(10)) as idrepresentante, nome as nm_representante, "
    u"coalesce(cast(idpedidopalm as varchar(10)),'0') as idpedidopalm, cast(coalesce(cotas,0) as "
    u"varchar(25)) as cotas from REPRESENTANTE where idrepresentante = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetRepresentante(int32_t IDRepresentante) {
  return OpenReader(GetRepresentanteSql, Timeout120, {Q(IDRepresentante)});
}

constexpr std::u16string_view GetTodosRepresentantesSql =
    u"select cast(idrepresentante as varchar(10)) as idrepresentante, nome as nm_representante, "
    u"coalesce(cast(idpedidopalm as varchar(10)),'0') as idpedidopalm from REPRESENTANTE where "
    u"EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetTodosRepresentantes() {
  return OpenReader(GetTodosRepresentantesSql, Timeout120);
}

constexpr std::u16string_view GetFilialSql =
    u"select cast(F.IDFILIAL as varchar(10)) as idfilial, coalesce(F.RAZAO, '') as razao, "
    u"coalesce(F.ENDERECO, '') as endereco, coalesce(F.BAIRRO, '') as bairro, coalesce(F.CEP, '') as "
    u"cep,\r coalesce(F.CIDADE, '') as cidade, coalesce(F.UF, '') as uf, coalesce(F.FONE, '') as "
    u"fone,  coalesce(F.N_ESCOLHER_CONDICAO, '') as n_escolher_condicao,\r "
    u"coalesce(F.N_ESCOLHER_FORMA,'') as n_escolher_forma, coalesce(F.N_ESCOLHER_TABELA,'') as "
    u"n_escolher_tabela, coalesce(F.N_ALTERA_CLIENTE,'') as n_altera_cliente, "
    u"coalesce(F.N_INCLUI_CLIENTE,'') as n_inclui_cliente, coalesce(F.VEND_TRABALHA_C_CONSIG,'') as "
    u"vend_trabalha_c_consig, coalesce(F.FATURAR_ESTOQUE_NEGATIVO,'') as faturar_estoque_negativo, "
    u"coalesce(F.NAO_ALTERAR_PRECO_VENDA_MOBILE,'') as nao_alterar_preco_venda_mobile, "
    u"coalesce(F.PERMITIR_ACRESCIMO_MOBILE,'') as permitir_acrescimo_mobile, "
    u"coalesce(F.PERMITIR_DESCONTO_MOBILE,'') as permitir_desconto_mobile, "
    u"coalesce(F.SENHA_ADMIN_MOBILE,'') as senha_admin_mobile, coalesce(F.USAR_TABELA_REP_MOBILE,'') "
    u"as usar_tabela_rep_mobile, coalesce(F.LEVAR_TODOS_CLIENTES_MOB,'') as "
    u"levar_todos_clientes_mob,\r coalesce(C.MOSTRA_MARGEM,'') as mostrar_margem, "
    u"coalesce(C.USAR_NFE_SIMPLIFICADA,'') as usar_nfe_simplificada from FILIAL F left join "
    u"CONFIGURACAO C ON C.IDFILIAL = F.IDFILIAL where F.IDFILIAL = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetFilial() {
  return OpenReader(GetFilialSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetSenhaPalmSql =
    u"select cast(S.idcontrole as varchar(10)) as idcontrole, cast(s.idrepresentante as varchar(10)) "
    u"as idrepresentante, s.senha, coalesce(s.status,'') as status from SENHA_PALM S where s.idfilial "
    u"= {0} and s.status is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetSenhaPalm() {
  return OpenReader(GetSenhaPalmSql, Timeout120, {Q(IDFilial)});
}

constexpr std::u16string_view GetSenhaPalmRepSql =
    u"select cast(S.idcontrole as varchar(10)) as idcontrole, cast(s.idrepresentante as varchar(10)) "
    u"as idrepresentante, s.senha, coalesce(s.status,'') as status from SENHA_PALM S where s.idfilial "
    u"= {0} and s.idrepresentante = {1} and s.status is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetSenhaPalmRep(int32_t IDRepresentante) {
  return OpenReader(GetSenhaPalmRepSql, Timeout120, {Q(IDFilial), Q(IDRepresentante)});
}

constexpr std::u16string_view GetCelularesSql =
    u"select coalesce(C.bloquear,'') as bloquear from CELULARES C where C.IMEI = {0} and "
    u"C.REPRESENTANTE like {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetCelulares(const std::u16string& IMEI, const std::u16string& Representante) {
  return OpenReader(GetCelularesSql, Timeout120, {S(IMEI), S(u"%" + Representante + u"%")});
}

constexpr std::u16string_view GetLogAndroidSql =
    u"select cast(L.ID as varchar(10)) as id, coalesce(cast(L.ID_2 as varchar(10)),'0') as id_2, "
    u"coalesce(L.SITUACAO,'') as SITUACAO from LOG_ALTERACAO_ANDROID L WHERE L.IDFILIAL = {0} AND "
    u"L.IDREPRESENTANTE = {1} AND L.TIPO = {2} order by L.ID";

std::unique_ptr<TDBXReader> TServerMethods1::GetLogAndroid(int32_t IDRepresentante, const std::u16string& Tipo) {
  return OpenReader(GetLogAndroidSql, NoTimeout, {Q(IDFilial), Q(IDRepresentante), S(Tipo)});
}

// GetFilial's columns with the representative's CONTROLA_PRODUTO_REPRESENTANTE
// in vend_trabalha_c_consig and eight more configuration columns.
constexpr std::u16string_view GetFilialRepSql =
    u"select cast(F.IDFILIAL as varchar(10)) as idfilial, coalesce(F.RAZAO, '') as razao, "
    u"coalesce(F.ENDERECO, '') as endereco, coalesce(F.BAIRRO, '') as bairro, coalesce(F.CEP, '') as "
    u"cep,\r coalesce(F.CIDADE, '') as cidade, coalesce(F.UF, '') as uf, coalesce(F.FONE, '') as "
    u"fone,  coalesce(F.N_ESCOLHER_CONDICAO, '') as n_escolher_condicao,\r "
    u"coalesce(F.N_ESCOLHER_FORMA,'') as n_escolher_forma, coalesce(F.N_ESCOLHER_TABELA,'') as "
    u"n_escolher_tabela, coalesce(F.N_ALTERA_CLIENTE,'') as n_altera_cliente, "
    u"coalesce(F.N_INCLUI_CLIENTE,'') as n_inclui_cliente, "
    u"coalesce(R.CONTROLA_PRODUTO_REPRESENTANTE,'') as vend_trabalha_c_consig, "
    u"coalesce(F.FATURAR_ESTOQUE_NEGATIVO,'') as faturar_estoque_negativo, "
    u"coalesce(F.NAO_ALTERAR_PRECO_VENDA_MOBILE,'') as nao_alterar_preco_venda_mobile, "
    u"coalesce(F.PERMITIR_ACRESCIMO_MOBILE,'') as permitir_acrescimo_mobile, "
    u"coalesce(F.PERMITIR_DESCONTO_MOBILE,'') as permitir_desconto_mobile, "
    u"coalesce(F.SENHA_ADMIN_MOBILE,'') as senha_admin_mobile, coalesce(F.USAR_TABELA_REP_MOBILE,'') "
    u"as usar_tabela_rep_mobile, coalesce(F.LEVAR_TODOS_CLIENTES_MOB,'') as "
    u"levar_todos_clientes_mob,\r coalesce(C.MOSTRA_MARGEM,'') as mostrar_margem, "
    u"coalesce(C.USAR_NFE_SIMPLIFICADA,'') as usar_nfe_simplificada, "
    u"coalesce(C.RECEBER_ULT_PEDIDOS_ANDROID,'') as receber_ult_pedidos_android, "
    u"coalesce(C.USAR_BOLETO_ANDROID,'') as usar_boleto_android, "
    u"coalesce(C.VERIFICAR_CLI_ATRASO_MOB,'') as verificar_cliente_em_atraso_mob, "
    u"coalesce(C.MOSTRAR_OBS_CLI_MOBILE,'') as mostrar_obs_cli_mobile, coalesce(cast(C.PORTA_FTP as "
    u"varchar(10)), '0') as porta_ftp, coalesce(C.IMAGENS_NO_ANDROID,'') as imagens_no_android, "
    u"coalesce(C.CAMINHO_FTP_MOBILE,'') as caminho_ftp_mobile, coalesce(C.DIGITAR_PRAZO_ANDROID,'') "
    u"as digitar_prazo_android from FILIAL F left join CONFIGURACAO C ON C.IDFILIAL = F.IDFILIAL left "
    u"join REPRESENTANTE R on R.IDREPRESENTANTE = {0} where F.IDFILIAL = {1}";

std::unique_ptr<TDBXReader> TServerMethods1::GetFilialRep(int32_t IDRepresentante) {
  return OpenReader(GetFilialRepSql, Timeout120, {Q(IDRepresentante), Q(IDFilial)});
}

constexpr std::u16string_view dstUpdateRepresentanteSql =
    u"update REPRESENTANTE R\r\n"
    u"  set R.idpedidopalm = :IDPEDIDOPALM\r\n"
    u" where R.idrepresentante = :IDREPRESENTANTE";

// Stores the last order number that the representative's handheld reached,
// as sent (also when lower than the stored one).
bool TServerMethods1::SetRepresentante(int32_t IDRepresentante, int32_t IDPedidoPalm) {
  try {
    TSQLDataSet& update = Components().dstUpdateRepresentante;
    update.Close();
    update.ParamByName("IDPEDIDOPALM").AsInteger(IDPedidoPalm);
    update.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    update.ExecSQL();
    return true;
  } catch (...) {
    return false;
  }
}

// The mark of a one-time code that has been used.
constexpr std::u16string_view UsedCodeStatus = u"U";

constexpr std::u16string_view dstSetSenhaPalmSql =
    u"update SENHA_PALM S\r\n"
    u"  set S.status = :status,\r\n"
    u"      S.dtdeuso = :dtdeuso\r\n"
    u"where S.idfilial = :idfilial\r\n"
    u"  and S.idrepresentante = :idrepresentante\r\n"
    u"  and S.senha = :senha";

bool TServerMethods1::SetSenhaPalm(int32_t IDRepresentante, const std::u16string& Senha) {
  try {
    TSQLDataSet& update = Components().dstSetSenhaPalm;
    update.Close();
    update.ParamByName("status").AsString(UsedCodeStatus);
    update.ParamByName("dtdeuso").AsDate(Today());
    update.ParamByName("idfilial").AsInteger(IDFilial);
    update.ParamByName("idrepresentante").AsInteger(IDRepresentante);
    update.ParamByName("senha").AsString(Senha);
    update.ExecSQL();
    return true;
  } catch (...) {
    return false;
  }
}

constexpr std::u16string_view dstSelectCelularesSql =
    u"select * from CELULARES\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where CNPJ = :CNPJ\r\n"
    u"  and IMEI = :IMEI";

constexpr std::u16string_view dstInsertCelularesSql =
    u"INSERT INTO CELULARES (CNPJ, IMEI, REPRESENTANTE, DT_PRIMEIRO_ACESSO, DT_ULTIMO_ACESSO)\r\n"
    u"                            VALUES (:CNPJ, :IMEI, :REPRESENTANTE, :DT_PRIMEIRO_ACESSO, "
    u":DT_ULTIMO_ACESSO);";

constexpr std::u16string_view dstUpdateCelularesSql =
    u"UPDATE CELULARES C\r\n"
    u"SET C.DT_ULTIMO_ACESSO = :DT_ULTIMO_ACESSO,\r\n"
    u"       C.REPRESENTANTE = :REPRESENTANTE\r\n"
    u"WHERE C.CNPJ = :CNPJ\r\n"
    u"  AND C.IMEI = :IMEI";

// Registers a device under the branch's CNPJ: the first call inserts it, later
// ones update the date of the latest access and the representative. The block
// flag is never touched.
bool TServerMethods1::SetCelulares(const std::u16string& IMEI, const std::u16string& Representante) {
  try {
    TServerMethods1Components& c = Components();
    c.dstPesFilial.Close();
    c.dstPesFilial.ParamByName("IDFILIAL").AsInteger(IDFilial);
    c.dstPesFilial.Open();
    // A branch without a row or without a CNPJ registers under the empty text.
    const std::u16string cnpj = c.dstPesFilial.IsEmpty() ? std::u16string() : c.dstPesFilial.FieldByName("CNPJ").AsString();

    c.dstSelectCelulares.Close();
    c.dstSelectCelulares.ParamByName("CNPJ").AsString(cnpj);
    c.dstSelectCelulares.ParamByName("IMEI").AsString(IMEI);
    c.dstSelectCelulares.Open();
    if (!c.dstSelectCelulares.IsEmpty()) {
      TSQLDataSet& update = c.dstUpdateCelulares;
      update.Close();
      update.ParamByName("DT_ULTIMO_ACESSO").AsDate(Today());
      update.ParamByName("REPRESENTANTE").AsString(Representante);
      update.ParamByName("CNPJ").AsString(cnpj);
      update.ParamByName("IMEI").AsString(IMEI);
      update.ExecSQL();
    } else {
      TSQLDataSet& insert = c.dstInsertCelulares;
      insert.Close();
      insert.ParamByName("CNPJ").AsString(cnpj);
      insert.ParamByName("IMEI").AsString(IMEI);
      insert.ParamByName("REPRESENTANTE").AsString(Representante);
      insert.ParamByName("DT_PRIMEIRO_ACESSO").AsDate(Today());
      insert.ParamByName("DT_ULTIMO_ACESSO").AsDate(Today());
      insert.ExecSQL();
    }
    return true;
  } catch (...) {
    return false;
  }
}

constexpr std::u16string_view dstDeletaLogAndroidSql =
    u"delete from LOG_ALTERACAO_ANDROID L\r\n"
    u"\r\n"
    u"where L.IDFILIAL = :IDFILIAL\r\n"
    u"  and L.IDREPRESENTANTE = :IDREPRESENTANTE\r\n"
    u"  and L.TIPO = :TIPO\r\n"
    u"  and L.ID = :ID";

constexpr std::u16string_view DeletaLogAndroidId2Condition = u" AND L.ID_2 = :ID_2";

// Deletes change-log entries: with ID_2 0 every entry of that type,
// representative and ID; otherwise only the one with that ID_2. Errors are
// not caught: they fail the call.
bool TServerMethods1::DeletaLogAndroid(int32_t IDRepresentante, int32_t ID, int32_t ID_2, const std::u16string& Tipo) {
  TSQLDataSet& remove = Components().dstDeletaLogAndroid;
  if (ID_2 != 0) {
    remove.SetCommandText(std::u16string(dstDeletaLogAndroidSql) + std::u16string(DeletaLogAndroidId2Condition));
    remove.ParamByName("ID_2").SetDataType(TFieldType::ftInteger);
  } else if (remove.CommandText() != dstDeletaLogAndroidSql) {
    // An earlier call on this instance changed the statement: back to the
    // statement without the second id.
    remove.SetCommandText(dstDeletaLogAndroidSql);
  }
  remove.Close();
  remove.ParamByName("IDFILIAL").AsInteger(IDFilial);
  remove.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
  remove.ParamByName("TIPO").AsString(Tipo);
  remove.ParamByName("ID").AsInteger(ID);
  if (ID_2 != 0) remove.ParamByName("ID_2").AsInteger(ID_2);
  remove.ExecSQL();
  return true;
}

}  // namespace fieldsync
