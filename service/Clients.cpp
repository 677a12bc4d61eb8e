// Clients: the rows the handheld keeps of the clients its representative
// serves, overdue counts, and the records the handheld sends back (new clients
// under a temporary id of the handheld, and changed clients).
#include "service/ServerMethodsUnit1.h"

#include "core/Text.h"
#include "db/DBXReader.h"
#include "service/internal/WriteMethod.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

// The client columns that GetCliente and GetClienteSN begin with.
constexpr std::u16string_view ClienteSelectList =
    u"select cast(C.idcliente as varchar(10)) as idcliente, coalesce(cast(c.idcliente_palm as "
    u"varchar(10)), '0') as idcliente_palm, C.nome as nmrazao, coalesce(C.fantasia,'') as nmfantasia, "
    u"C.endereco, coalesce(C.cep,'') as cep, coalesce(C.bairro,'') as bairro, cast(C.idcidade as "
    u"varchar(10)) as idcidade, C.tipocliente, coalesce(C.cnpj,'') as cnpj,\r "
    u"coalesce(C.insestadual,'') as ie, coalesce(C.cpf,'') as cpf, coalesce(C.rg,'') as rg, "
    u"coalesce(C.fone,'') as fone, coalesce(C.celular,'') as celular, coalesce(C.email,'') as "
    u"email,\r coalesce(C.fax,'') as fax, cast(C.idconvenio as varchar(10)) as idconvenio, "
    u"cast(C.idregiao as varchar(10)) as idregiao, cast(C.idatividade as varchar(10)) as idatividade, "
    u"coalesce(cast(C.idtabelapreco as varchar(10)),'0') as idtabelapreco, "
    u"coalesce(C.contribuinte,'') as contribuinte, coalesce(C.cliente_contribuinte,'') as "
    u"cliente_contribuinte, coalesce(C.situacaocredito,'') as situacaocredito, "
    u"coalesce(substring(C.OBSERVACAO from 1 for 1000),'') as OBSERVACAO\r";

// The same columns as GetTodosClientes reads them (two without the alias C).
constexpr std::u16string_view TodosClientesSelectList =
    u"select cast(C.idcliente as varchar(10)) as idcliente, coalesce(cast(c.idcliente_palm as "
    u"varchar(10)), '0') as idcliente_palm, C.nome as nmrazao, coalesce(C.fantasia,'') as nmfantasia, "
    u"C.endereco, coalesce(C.cep,'') as cep, coalesce(C.bairro,'') as bairro, cast(C.idcidade as "
    u"varchar(10)) as idcidade, C.tipocliente, coalesce(C.cnpj,'') as cnpj,\r "
    u"coalesce(C.insestadual,'') as ie, coalesce(C.cpf,'') as cpf, coalesce(C.rg,'') as rg, "
    u"coalesce(C.fone,'') as fone, coalesce(C.celular,'') as celular, coalesce(C.email,'') as "
    u"email,\r coalesce(C.fax,'') as fax, cast(C.idconvenio as varchar(10)) as idconvenio, "
    u"cast(C.idregiao as varchar(10)) as idregiao, cast(C.idatividade as varchar(10)) as idatividade, "
    u"coalesce(cast(C.idtabelapreco as varchar(10)),'0') as idtabelapreco, coalesce(contribuinte,'') "
    u"as contribuinte, coalesce(cliente_contribuinte,'') as cliente_contribuinte, "
    u"coalesce(C.situacaocredito,'') as situacaocredito, coalesce(substring(C.OBSERVACAO from 1 for "
    u"1000),'') as OBSERVACAO\r";

constexpr std::u16string_view GetClienteFrom =
    u" from CLIENTE C  join REPCLIENTE R on R.IDCLIENTE = C.IDCLIENTE and R.IDREPRESENTANTE = {0} where "
    u"EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetCliente(int32_t IDRepresentante) {
  return OpenReader(std::u16string(ClienteSelectList) + std::u16string(GetClienteFrom), Timeout120,
                    {Q(IDRepresentante)});
}

constexpr std::u16string_view GetClienteSNFrom = u" from CLIENTE C where C.IDCLIENTE = {0}";

std::unique_ptr<TDBXReader> TServerMethods1::GetClienteSN(int32_t IDCliente) {
  return OpenReader(std::u16string(ClienteSelectList) + std::u16string(GetClienteSNFrom), NoTimeout,
                    {Q(IDCliente)});
}

constexpr std::u16string_view GetTodosClientesFrom = u" from CLIENTE C where EXCLUIDO is null";

std::unique_ptr<TDBXReader> TServerMethods1::GetTodosClientes() {
  return OpenReader(std::u16string(TodosClientesSelectList) + std::u16string(GetTodosClientesFrom), Timeout120);
}

constexpr std::u16string_view GetAtrasoClienteSql =
    u"select cast(count(*) as varchar(10)) as contador from RECEBER R where R.IDFILIAL = {0} and "
    u"R.IDCLIENTE = {1} and R.DATAPAGAMENTO is null and current_date-R.DATAVENCIMENTO >= {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetAtrasoCliente(int32_t IDCliente) {
  return OpenReader(GetAtrasoClienteSql, Timeout120, {Q(IDFilial), Q(IDCliente), Q(DiasEmAtraso)});
}

// Every client's overdue count (IDRepresentante 0), and the same limited to the
// clients a representative serves.
constexpr std::u16string_view GetAtrasoClienteSNAllSql =
    u"select cast(C.IDCLIENTE as varchar(10)) as idcliente, cast((select count(*) from RECEBER R "
    u"where R.IDFILIAL = {0} and R.IDCLIENTE = C.IDCLIENTE and R.DATAPAGAMENTO is null and "
    u"current_date-R.DATAVENCIMENTO >= {1}) as varchar(10)) as CONTADOR from CLIENTE C";
constexpr std::u16string_view GetAtrasoClienteSNRepSql =
    u"select cast(C.IDCLIENTE as varchar(10)) as idcliente, cast((select count(*) from RECEBER R "
    u"where R.IDFILIAL = {0} and R.IDCLIENTE = C.IDCLIENTE and R.DATAPAGAMENTO is null and "
    u"current_date-R.DATAVENCIMENTO >= {1}) as varchar(10)) as CONTADOR from CLIENTE C join "
    u"REPCLIENTE RC on RC.IDCLIENTE = C.IDCLIENTE and RC.IDREPRESENTANTE = {2}";

std::unique_ptr<TDBXReader> TServerMethods1::GetAtrasoClienteSN(int32_t IDRepresentante) {
  if (IDRepresentante == 0) return OpenReader(GetAtrasoClienteSNAllSql, NoTimeout, {Q(IDFilial), Q(DiasEmAtraso)});
  return OpenReader(GetAtrasoClienteSNRepSql, NoTimeout, {Q(IDFilial), Q(DiasEmAtraso), Q(IDRepresentante)});
}

constexpr std::u16string_view dstInsertClientePalmSql =
    u"INSERT INTO CLIENTE_PALM (IDFILIAL, IDCLIENTE, NMRAZAO, NMFANTASIA, ENDERECO, NUMERO, CEP, "
    u"BAIRRO, IDCIDADE, TIPOCLIENTE, CNPJ, IE, CPF, RG, FONE, FAX, CELULAR, EMAIL, ALTERADO, "
    u"IDATIVIDADE, IDCONVENIO, IDREGIAO, IDTABELAPRECO, CONTRIBUINTE, CLIENTE_CONTRIBUINTE, "
    u"IDREPRESENTANTE, DATA_IMPORT, HORA_IMPORT)\r\n"
    u"                  VALUES (:IDFILIAL, :IDCLIENTE, :NMRAZAO, :NMFANTASIA, :ENDERECO, :NUMERO, "
    u":CEP, :BAIRRO, :IDCIDADE, :TIPOCLIENTE, :CNPJ, :IE, :CPF, :RG, :FONE, :FAX, :CELULAR, :EMAIL, "
    u":ALTERADO, :IDATIVIDADE, :IDCONVENIO, :IDREGIAO, :IDTABELAPRECO, :CONTRIBUINTE, "
    u":CLIENTE_CONTRIBUINTE, :IDREPRESENTANTE, :DATA_IMPORT, :HORA_IMPORT);";

constexpr std::u16string_view dstVerificaCNPJSql =
    u"select IDFILIAL, IDCLIENTE from CLIENTE\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where CNPJ = :CNPJ";

constexpr std::u16string_view dstVerificaCPFSql =
    u"select IDFILIAL, IDCLIENTE from CLIENTE\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where CPF = :CPF";

constexpr std::u16string_view dstInsertClienteSql =
    u"INSERT INTO CLIENTE (IDFILIAL, IDCLIENTE, IDCONVENIO, IDCIDADE, IDREGIAO, IDATIVIDADE, NOME, "
    u"FANTASIA, ENDERECO, BAIRRO, CEP, CNPJ, INSESTADUAL, CPF, RG, FONE, FAX, CELULAR, EMAIL, "
    u"DTCADASTRO, TIPOCLIENTE, IDREPRESENTANTE, IDCLIENTE_PALM, IDREPRESENTANTE_PALM, "
    u"CLIENTE_CONTRIBUINTE)\r\n"
    u"             VALUES (:IDFILIAL, :IDCLIENTE, :IDCONVENIO, :IDCIDADE, :IDREGIAO, :IDATIVIDADE, "
    u":NOME, :FANTASIA, :ENDERECO, :BAIRRO, :CEP, :CNPJ, :INSESTADUAL, :CPF, :RG, :FONE, :FAX, "
    u":CELULAR, :EMAIL, :DTCADASTRO, :TIPOCLIENTE, :IDREPRESENTANTE, :IDCLIENTE_PALM, "
    u":IDREPRESENTANTE_PALM, :CLIENTE_CONTRIBUINTE);";

constexpr std::u16string_view dstSelectClienteSql =
    u"select IDFILIAL from CLIENTE\r\n"
    u"\r\n"
    u"\r\n"
    u"\r\n"
    u"where IDCLIENTE = :IDCLIENTE";

constexpr std::u16string_view dstUpdateClienteSql =
    u"UPDATE CLIENTE C\r\n"
    u"  SET C.NOME = :NOME,\r\n"
    u"      C.FANTASIA = :FANTASIA,\r\n"
    u"      C.ENDERECO = :ENDERECO,\r\n"
    u"      C.CEP = :CEP,\r\n"
    u"      C.BAIRRO = :BAIRRO,\r\n"
    u"      C.IDCIDADE = :IDCIDADE,\r\n"
    u"      C.TIPOCLIENTE = :TIPOCLIENTE,\r\n"
    u"      C.CNPJ = :CNPJ,\r\n"
    u"      C.INSESTADUAL = :INSESTADUAL,\r\n"
    u"      C.CPF = :CPF,\r\n"
    u"      C.RG = :RG,\r\n"
    u"      C.FONE = :FONE,\r\n"
    u"      C.FAX = :FAX,\r\n"
    u"      C.CELULAR = :CELULAR,\r\n"
    u"      C.EMAIL = :EMAIL,\r\n"
    u"      C.IDCONVENIO = :IDCONVENIO,\r\n"
    u"      C.IDREGIAO = :IDREGIAO,\r\n"
    u"      C.IDATIVIDADE = :IDATIVIDADE,\r\n"
    u"      C.CLIENTE_CONTRIBUINTE = :CLIENTE_CONTRIBUINTE\r\n"
    u"WHERE C.IDCLIENTE = :IDCLIENTE";

// Logs the record, then inserts a new client ("I", unless a client with its
// CNPJ or CPF exists) or updates a known one ("S"). Steps already executed
// stay when a later one fails.
bool TServerMethods1::SetCliente(int32_t IDRepresentante, int32_t IDCliente, int32_t IDCidade, int32_t IDConvenio,
                                 int32_t IDRegiao, int32_t IDAtividade, const std::u16string& Razao,
                                 const std::u16string& Fantasia, const std::u16string& Endereco,
                                 const std::u16string& Cep, const std::u16string& Bairro,
                                 const std::u16string& TipoCliente, const std::u16string& Cnpj,
                                 const std::u16string& Ie, const std::u16string& Cpf, const std::u16string& Rg,
                                 const std::u16string& Fone, const std::u16string& Fax,
                                 const std::u16string& Celular, const std::u16string& Email,
                                 const std::u16string& Alterado, const std::u16string& Cliente_Contribuinte,
                                 std::u16string& Erro) {
  return RunWriteMethod(Erro, [&] {
    TServerMethods1Components& c = Components();
    TSQLDataSet& log = c.dstInsertClientePalm;
    log.Close();
    log.ParamByName("IDFILIAL").AsInteger(IDFilial);
    log.ParamByName("IDCLIENTE").AsInteger(IDCliente);
    log.ParamByName("NMRAZAO").AsString(Razao);
    log.ParamByName("NMFANTASIA").AsString(Fantasia);
    log.ParamByName("ENDERECO").AsString(Endereco);
    log.ParamByName("NUMERO").AsString(u"");
    log.ParamByName("CEP").AsString(Cep);
    log.ParamByName("BAIRRO").AsString(Bairro);
    log.ParamByName("IDCIDADE").AsInteger(IDCidade);
    log.ParamByName("TIPOCLIENTE").AsString(TipoCliente);
    log.ParamByName("CNPJ").AsString(Cnpj);
    log.ParamByName("IE").AsString(Ie);
    log.ParamByName("CPF").AsString(Cpf);
    log.ParamByName("RG").AsString(Rg);
    log.ParamByName("FONE").AsString(Fone);
    log.ParamByName("FAX").AsString(Fax);
    log.ParamByName("CELULAR").AsString(Celular);
    log.ParamByName("EMAIL").AsString(Email);
    log.ParamByName("ALTERADO").AsString(Alterado);
    log.ParamByName("IDATIVIDADE").AsInteger(IDAtividade);
    log.ParamByName("IDCONVENIO").AsInteger(IDConvenio);
    log.ParamByName("IDREGIAO").AsInteger(IDRegiao);
    log.ParamByName("IDTABELAPRECO").AsInteger(0);
    log.ParamByName("CONTRIBUINTE").AsString(u"S");
    log.ParamByName("CLIENTE_CONTRIBUINTE").AsString(Cliente_Contribuinte);
    log.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
    log.ParamByName("DATA_IMPORT").AsDate(Today());
    log.ParamByName("HORA_IMPORT").AsTime(TimeOfDayNow());
    log.ExecSQL();

    if (Alterado == u"I") {
      // A client whose tax number is known already is not inserted again. An
      // empty tax number identifies no one: such a client is inserted even
      // when other clients lack the number too.
      if (TipoCliente == u"J" && !Cnpj.empty()) {
        c.dstVerificaCNPJ.Close();
        c.dstVerificaCNPJ.ParamByName("CNPJ").AsString(Cnpj);
        c.dstVerificaCNPJ.Open();
        if (!c.dstVerificaCNPJ.IsEmpty()) return true;
      } else if (TipoCliente == u"F" && !Cpf.empty()) {
        c.dstVerificaCPF.Close();
        c.dstVerificaCPF.ParamByName("CPF").AsString(Cpf);
        c.dstVerificaCPF.Open();
        if (!c.dstVerificaCPF.IsEmpty()) return true;
      }
      TSQLDataSet& insert = c.dstInsertCliente;
      insert.Close();
      insert.ParamByName("IDFILIAL").AsInteger(IDFilial);
      insert.ParamByName("IDCLIENTE").AsInteger(0);  // the database chooses the id
      insert.ParamByName("IDCONVENIO").AsInteger(IDConvenio);
      insert.ParamByName("IDCIDADE").AsInteger(IDCidade);
      insert.ParamByName("IDREGIAO").AsInteger(IDRegiao);
      insert.ParamByName("IDATIVIDADE").AsInteger(IDAtividade);
      insert.ParamByName("NOME").AsString(Razao);
      insert.ParamByName("FANTASIA").AsString(Fantasia);
      insert.ParamByName("ENDERECO").AsString(Endereco);
      insert.ParamByName("BAIRRO").AsString(Bairro);
      insert.ParamByName("CEP").AsString(Cep);
      insert.ParamByName("CNPJ").AsString(Cnpj);
      insert.ParamByName("INSESTADUAL").AsString(Ie);
      insert.ParamByName("CPF").AsString(Cpf);
      insert.ParamByName("RG").AsString(Rg);
      insert.ParamByName("FONE").AsString(Fone);
      insert.ParamByName("FAX").AsString(Fax);
      insert.ParamByName("CELULAR").AsString(Celular);
      insert.ParamByName("EMAIL").AsString(Email);
      insert.ParamByName("DTCADASTRO").AsDate(Today());
      insert.ParamByName("TIPOCLIENTE").AsString(TipoCliente);
      insert.ParamByName("IDREPRESENTANTE").AsInteger(IDRepresentante);
      insert.ParamByName("IDCLIENTE_PALM").AsInteger(IDCliente);  // the handheld's temporary id
      insert.ParamByName("IDREPRESENTANTE_PALM").AsInteger(IDRepresentante);
      insert.ParamByName("CLIENTE_CONTRIBUINTE").AsString(Cliente_Contribuinte);
      insert.ExecSQL();
    } else if (Alterado == u"S") {
      c.dstSelectCliente.Close();
      c.dstSelectCliente.ParamByName("IDCLIENTE").AsInteger(IDCliente);
      c.dstSelectCliente.Open();
      if (!c.dstSelectCliente.IsEmpty()) {
        TSQLDataSet& update = c.dstUpdateCliente;
        update.Close();
        update.ParamByName("NOME").AsString(Razao);
        update.ParamByName("FANTASIA").AsString(Fantasia);
        update.ParamByName("ENDERECO").AsString(Endereco);
        update.ParamByName("CEP").AsString(Cep);
        update.ParamByName("BAIRRO").AsString(Bairro);
        update.ParamByName("IDCIDADE").AsInteger(IDCidade);
        update.ParamByName("TIPOCLIENTE").AsString(TipoCliente);
        update.ParamByName("CNPJ").AsString(Cnpj);
        update.ParamByName("INSESTADUAL").AsString(Ie);
        update.ParamByName("CPF").AsString(Cpf);
        update.ParamByName("RG").AsString(Rg);
        update.ParamByName("FONE").AsString(Fone);
        update.ParamByName("FAX").AsString(Fax);
        update.ParamByName("CELULAR").AsString(Celular);
        update.ParamByName("EMAIL").AsString(Email);
        update.ParamByName("IDCONVENIO").AsInteger(IDConvenio);
        update.ParamByName("IDREGIAO").AsInteger(IDRegiao);
        update.ParamByName("IDATIVIDADE").AsInteger(IDAtividade);
        update.ParamByName("CLIENTE_CONTRIBUINTE").AsString(Cliente_Contribuinte);
        update.ParamByName("IDCLIENTE").AsInteger(IDCliente);
        update.ExecSQL();
      }
    }
    return true;
  });
}

constexpr std::u16string_view dstUpdateClienteTmpSql =
    u"update cliente c\r\n"
    u"      set c.IDCLIENTE_PALM = null,\r\n"
    u"          c.IDREPRESENTANTE_PALM = null\r\n"
    u"     where c.IDCLIENTE_PALM  = :IDCLIENTE_PALM\r\n"
    u"         and c.IDREPRESENTANTE_PALM = :IDREPRESENTANTE_PALM";

// Ends the mapping of a temporary client id: the rows carrying it from this
// representative lose both handheld columns.
bool TServerMethods1::SetIDClienteTmpNull(int32_t IDClienteTmp, int32_t IDRepresentante) {
  try {
    TSQLDataSet& update = Components().dstUpdateClienteTmp;
    update.Close();
    update.ParamByName("IDCLIENTE_PALM").AsInteger(IDClienteTmp);
    update.ParamByName("IDREPRESENTANTE_PALM").AsInteger(IDRepresentante);
    update.ExecSQL();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace fieldsync
