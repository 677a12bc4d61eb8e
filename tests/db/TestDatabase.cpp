#include "tests/db/TestDatabase.h"

#include "db/internal/ConnectionDefinitions.h"
#include "db/internal/Firebird.h"

namespace fieldsync::test {

namespace fs = std::filesystem;

std::string ModeName(const testing::TestParamInfo<TDbMode>& info) {
  return info.param == TDbMode::Embedded ? "Embedded" : "Server";
}

void UseDefinitionsFiles(const fs::path& drivers, const fs::path& connections) {
  NameDefinitionsFiles(drivers, connections);
  TDBXDefinitions::ResetProcess();
}

int64_t ScalarOf(TSQLConnection& connection, const std::string& sql) {
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText(sql);
  auto reader = command.ExecuteQuery();
  EXPECT_TRUE(reader->Next()) << sql;
  const int64_t value = reader->Value(0).GetInt64();
  reader->Close();
  connection.DBXConnection().FreeCommand(command);
  return value;
}

void DropOtherConnections(TSQLConnection& survivor) {
  TDBXCommand& kill = survivor.DBXConnection().CreateCommand();
  kill.SetText("delete from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION and MON$SYSTEM_FLAG = 0");
  kill.ExecuteUpdate();
}

TTestDatabase::TTestDatabase(TDbMode mode, const std::string& serverCharSet, const std::string& dbCharSet)
    : FScratch(mode == TDbMode::Server ? AnnouncedServer() : TFirebirdServer{}),
      FServerCharSetLine(serverCharSet.empty() ? "" : "ServerCharSet=" + serverCharSet + "\n") {
  FDatabase = CreateDatabase("test.fdb", dbCharSet);
  FScratch.UseDefinitions(FDatabase, FServerCharSetLine);
  TDBXDefinitions::ResetProcess();
}

TTestDatabase::~TTestDatabase() { TDBXDefinitions::ResetProcess(); }

std::string TTestDatabase::CreateDatabase(const std::string& file, const std::string& dbCharSet) const {
  // Through the database layer's own call, in process: about three and a
  // half times quicker than an isql-fb process, for the many databases of
  // these tests (docs/performance.md).
  const std::string database = FScratch.DatabaseName(file);
  CreateFirebirdDatabase("fbclient.dll", database, "SYSDBA", FScratch.Server().Password, dbCharSet);
  return database;
}

std::string TTestDatabase::ConnectionsText(const std::string& database, const std::string& extraLines) const {
  return FScratch.ConnectionsText(database, FServerCharSetLine + extraLines);
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
