#include "tests/db/TestDatabase.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "core/Platform.h"
#include "db/internal/ConnectionDefinitions.h"
#include "db/DBXError.h"
#include "db/internal/Firebird.h"

namespace fieldsync::test {

namespace fs = std::filesystem;

std::string ModeName(const testing::TestParamInfo<TDbMode>& info) {
  return info.param == TDbMode::Embedded ? "Embedded" : "Server";
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void UseDefinitionsFiles(const fs::path& drivers, const fs::path& connections) {
  ::setenv(DriversFileVariable, drivers.string().c_str(), 1);
  ::setenv(ConnectionsFileVariable, connections.string().c_str(), 1);
  TDBXDefinitions::ResetProcess();
}

void DropOtherConnections(TSQLConnection& survivor) {
  TDBXCommand& kill = survivor.DBXConnection().CreateCommand();
  kill.SetText("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION and MON$SYSTEM_FLAG = 0");
  kill.ExecuteUpdate();
}

std::string StandardDriversFile() {
  return "[Installed Drivers]\nFirebird=1\n\n[Firebird]\nLibraryName=dbxfb.dll\n"
         "GetDriverFunc=getSQLDriverINTERBASE\nVendorLib=fbclient.dll\n";
}

TTestDatabase::TTestDatabase(TDbMode mode, const std::string& serverCharSet, const std::string& dbCharSet)
    : FMode(mode), FServerCharSet(serverCharSet) {
  FDatabase = CreateDatabase("test.fdb", dbCharSet);
  WriteFile(DriversFile(), StandardDriversFile());
  WriteFile(ConnectionsFile(), ConnectionsText(FDatabase));
  UseDefinitionsFiles(DriversFile(), ConnectionsFile());
}

TTestDatabase::~TTestDatabase() { TDBXDefinitions::ResetProcess(); }

std::string TTestDatabase::Password() const {
  return FMode == TDbMode::Server ? EnvironmentVariable("FIELDSYNC_FB_PASSWORD") : std::string("unused");
}

std::string TTestDatabase::DatabaseName(const std::string& file) const {
  const std::string path = (Dir() / file).string();
  if (FMode == TDbMode::Server) return EnvironmentVariable("FIELDSYNC_FB_SERVER") + ":" + path;
  return path;
}

std::string TTestDatabase::CreateDatabase(const std::string& file, const std::string& dbCharSet) const {
  const std::string name = DatabaseName(file);
  CreateFirebirdDatabase("fbclient.dll", name, "SYSDBA", Password(), dbCharSet);
  return name;
}

std::string TTestDatabase::ConnectionsText(const std::string& database, const std::string& extraLines) const {
  std::string text = "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" + database +
                     "\nUser_Name=SYSDBA\nPassword=" + Password() + "\nSQLDialect=3\n";
  if (!FServerCharSet.empty()) text += "ServerCharSet=" + FServerCharSet + "\n";
  return text + extraLines;
}

std::unique_ptr<TSQLConnection> TTestDatabase::Connect() const {
  auto connection = std::make_unique<TSQLConnection>();
  connection->Open();
  return connection;
}

void TTestDatabase::Exec(std::initializer_list<std::string> statements) const {
  auto connection = Connect();
  TDBXConnection& dbx = connection->DBXConnection();
  for (const std::string& sql : statements) {
    TDBXCommand& command = dbx.CreateCommand();
    command.SetText(sql);
    command.ExecuteUpdate();
    dbx.FreeCommand(command);
  }
}

}  // namespace fieldsync::test
