#include "tests/app/HostFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "core/Text.h"
#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"

namespace fs = std::filesystem;

namespace fieldsync::testing {

uint16_t FreePort() {
  static std::mt19937 random(static_cast<unsigned>(::getpid()));
  for (;;) {
    const auto port = static_cast<uint16_t>(20000 + random() % 12000);
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    if (free) return port;
  }
}

bool Listening(uint16_t port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return ok;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void HostFixture::SetUp() {
  Dir = fs::temp_directory_path() / ("fieldsync_host_" + std::to_string(::getpid()) + "_" +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(Dir);
  fs::create_directories(Dir);
  Database = (Dir / "options.fdb").string();
  Port0 = FreePort();
  Port1 = FreePort();
  Port12 = FreePort();
  const std::string script =
      "create database '" + Database + "' user 'SYSDBA' default character set WIN1252;\n"
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
      "commit;\n";
  WriteText(Dir / "create.sql", script);
  const std::string command = "isql-fb -q -bail -i '" + (Dir / "create.sql").string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);

  WriteText(Dir / "dbxdrivers.ini",
            "[Installed Drivers]\nFIREBIRD=1\n\n[FIREBIRD]\nGetDriverFunc=getSQLDriverINTERBASE\n"
            "LibraryName=dbxfb.dll\nVendorLib=fbclient.dll\n");
  WriteText(Dir / "dbxconnections.ini", "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" + Database +
                                            "\nUser_Name=sysdba\nPassword=\nServerCharSet=WIN1252\n");
  ::setenv("FIELDSYNC_DRIVERS_FILE", (Dir / "dbxdrivers.ini").c_str(), 1);
  ::setenv("FIELDSYNC_CONNECTIONS_FILE", (Dir / "dbxconnections.ini").c_str(), 1);
}

void HostFixture::TearDown() {
  Form.reset();
  fs::remove_all(Dir);
}

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
