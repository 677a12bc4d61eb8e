#include "tests/app/HostFixture.h"

#include "core/Text.h"
#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"

namespace fieldsync::testing {

void HostFixture::SetUp() {
  Dir = Scratch.Dir();
  Database = Scratch.Create("options.fdb", "WIN1252");
  Port0 = FreePort();
  Port1 = FreePort();
  Port12 = FreePort();
  Scratch.RunSql(Database,
      "create table FILIAL (IDFILIAL integer not null primary key, N_ESCOLHER_CONDICAO char(1), "
      "N_ESCOLHER_FORMA char(1), N_ESCOLHER_TABELA char(1), N_ALTERA_CLIENTE char(1), N_INCLUI_CLIENTE char(1), "
      "VEND_TRABALHA_C_CONSIG char(1), PORTA_MOBILE smallint, FAZER_CONSISTENCIA_MOBILE char(1), "
      "FATURAR_ESTOQUE_NEGATIVO char(1), NAO_ALTERAR_PRECO_VENDA_MOBILE char(1), PERMITIR_ACRESCIMO_MOBILE char(1), "
      "PERMITIR_DESCONTO_MOBILE char(1), USAR_TABELA_REP_MOBILE char(1), LEVAR_TODOS_CLIENTES_MOB char(1), "
      "TRATAR_CLI_NOVOS_MOBILE char(1));\n"
      "create table CONFIGURACAO (IDFILIAL integer not null primary key, MOSTRA_MARGEM char(1), "
      "RECEBER_ULT_PEDIDOS_ANDROID char(1), USAR_BOLETO_ANDROID char(1), VERIFICAR_CLI_ATRASO_MOB char(1), "
      "DIAS_EM_ATRASO_MOB smallint, MOSTRAR_OBS_CLI_MOBILE char(1), PORTA_FTP integer, IMAGENS_NO_ANDROID char(1), "
      "DIGITAR_PRAZO_ANDROID char(1));\n"
      "insert into FILIAL (IDFILIAL, PORTA_MOBILE, N_ESCOLHER_FORMA) values (0, " + std::to_string(Port0) + ", null);\n"
      "insert into FILIAL (IDFILIAL, PORTA_MOBILE, N_ESCOLHER_FORMA) values (1, " + std::to_string(Port1) + ", 'S');\n"
      "insert into FILIAL (IDFILIAL, PORTA_MOBILE) values (12, " + std::to_string(Port12) + ");\n"
      "insert into FILIAL (IDFILIAL, PORTA_MOBILE) values (20, 0);\n"
      "insert into CONFIGURACAO (IDFILIAL, VERIFICAR_CLI_ATRASO_MOB, DIAS_EM_ATRASO_MOB) values (0, 'N', 5);\n"
      "insert into CONFIGURACAO (IDFILIAL, VERIFICAR_CLI_ATRASO_MOB, DIAS_EM_ATRASO_MOB) values (1, 'S', 30);\n"
      "insert into CONFIGURACAO (IDFILIAL, VERIFICAR_CLI_ATRASO_MOB, DIAS_EM_ATRASO_MOB) values (12, 'S', -3);\n"
      "insert into CONFIGURACAO (IDFILIAL, VERIFICAR_CLI_ATRASO_MOB, DIAS_EM_ATRASO_MOB) values (20, 's', 9);\n"
      "commit;\n");
  Scratch.UseDefinitions(Database, "ServerCharSet=WIN1252\n");
}

// The window goes before its database and directory do.
void HostFixture::TearDown() { Form.reset(); }

std::string HostFixture::Read(const std::string& sql) {
  TSQLConnection connection;
  connection.Open();
  TSQLDataSet query(connection);
  query.SetCommandText(sql);
  query.Open();
  if (query.IsEmpty()) return "<none>";
  if (query.Fields(0).IsNull()) return "<null>";
  return Utf16ToUtf8(query.Fields(0).AsString());
}

void HostFixture::Exec(const std::string& sql) {
  TSQLConnection connection;
  connection.Open();
  TSQLDataSet statement(connection);
  statement.SetCommandText(sql);
  statement.ExecSQL();
}

}  // namespace fieldsync::testing
