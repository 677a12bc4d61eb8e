#include "ServiceDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

#include "core/Text.h"
#include "db/SQLConnection.h"

namespace fieldsync::test {

namespace fs = std::filesystem;

namespace {

std::string SourceDir() {
  const char* source = std::getenv("FIELDSYNC_SOURCE");
  if (!source || !*source) throw std::runtime_error("FIELDSYNC_SOURCE is not set");
  return source;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void RunIsql(const std::string& arguments) {
  const std::string command = "isql-fb -q " + arguments + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

void RunIsqlScript(const std::string& database, const fs::path& script, const fs::path& errors) {
  // Scripts are UTF-8; the database converts to its own character set.
  const std::string command = "isql-fb -q -bail -ch UTF8 -user SYSDBA '" + database + "' -i '" + script.string() +
                              "' >'" + errors.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) {
    std::ifstream in(errors);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    throw std::runtime_error("failed: " + command + "\n" + text);
  }
}

// Removes the database directory when the test process ends.
struct TCleanup {
  std::string Directory;
  ~TCleanup() {
    std::error_code ignored;
    if (!Directory.empty()) fs::remove_all(Directory, ignored);
  }
};
TCleanup Cleanup;

}  // namespace

TTable ReadTable(std::unique_ptr<TDBXReader> reader) {
  TTable table;
  if (!reader) throw std::runtime_error("no reader");
  for (int32_t i = 0; i < reader->ColumnCount(); ++i) table.Columns.push_back(Utf16ToUtf8(reader->ValueType(i).Name));
  while (reader->Next()) {
    TRow row;
    for (int32_t i = 0; i < reader->ColumnCount(); ++i) {
      const TDBXValue& value = reader->Value(i);
      row.push_back(value.IsNull() ? Null : TCell(Utf16ToUtf8(value.GetWideString())));
    }
    table.Rows.push_back(std::move(row));
  }
  reader->Close();
  return table;
}

void RunReadCases(const std::vector<TReadCase>& cases, int32_t idFilial, int32_t diasEmAtraso) {
  for (const TReadCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto service = Db().Service(idFilial, diasEmAtraso);
    const TTable table = ReadTable(c.Call(*service));
    EXPECT_EQ(table.Columns, c.Columns);
    EXPECT_EQ(Sorted(table.Rows), Sorted(c.Rows));
  }
}

std::vector<TRow> Sorted(std::vector<TRow> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

TServiceDatabase& TServiceDatabase::Instance() {
  static TServiceDatabase database;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string suite = test ? test->test_suite_name() : "";
  if (suite != database.FSuite) {
    database.CreateDatabase(suite + ".fdb");
    database.FSuite = suite;
  }
  return database;
}

TServiceDatabase::TServiceDatabase() {
  std::random_device random;
  const fs::path dir = fs::temp_directory_path() / ("fieldsync-service-" + std::to_string(random()));
  fs::create_directories(dir);
  FDirectory = dir.string();
  Cleanup.Directory = FDirectory;

  // Connection definitions: the driver and DMESTOQUE, found through the two
  // environment variables that stand in for the registry values.
  const fs::path drivers = dir / "dbxdrivers.ini";
  FConnectionsFile = (dir / "dbxconnections.ini").string();
  WriteFile(drivers,
            "[Installed Drivers]\nFIREBIRD=1\n\n[FIREBIRD]\nGetDriverFunc=getSQLDriverINTERBASE\n"
            "LibraryName=dbxfb.dll\nVendorLib=fbclient.dll\n");
  setenv("FIELDSYNC_DRIVERS_FILE", drivers.c_str(), 1);
  setenv("FIELDSYNC_CONNECTIONS_FILE", FConnectionsFile.c_str(), 1);
}

void TServiceDatabase::CreateDatabase(const std::string& name) {
  const fs::path dir = FDirectory;
  FDatabaseFile = (dir / name).string();
  const fs::path create = dir / "create.sql";
  WriteFile(create, "SET SQL DIALECT 3;\nCREATE DATABASE '" + FDatabaseFile +
                        "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1252;\n");
  RunIsql("-i '" + create.string() + "'");
  // A throw-away database needs no synchronous writes; they make building it
  // slow on a busy disk.
  const std::string async = "gfix -write async -user SYSDBA '" + FDatabaseFile + "' >/dev/null 2>&1";
  if (std::system(async.c_str()) != 0) throw std::runtime_error("failed: " + async);
  RunIsqlScript(FDatabaseFile, fs::path(SourceDir()) / "database" / "schema.sql", dir / "schema.log");
  RunIsqlScript(FDatabaseFile, fs::path(SourceDir()) / "tests" / "service" / "service_fixture.sql",
                dir / "fixture.log");
  // Read again at every connect, so the next connection opens this database.
  WriteFile(FConnectionsFile, "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" + FDatabaseFile +
                                  "\nUser_Name=SYSDBA\nPassword=masterkey\nServerCharSet=UTF8\nSQLDialect=3\n");
}

std::unique_ptr<TServerMethods1> TServiceDatabase::Service(int32_t idFilial, int32_t diasEmAtraso) {
  THostValues host;
  host.IDFilial = idFilial;
  host.DiasEmAtraso = diasEmAtraso;
  return std::make_unique<TServerMethods1>(host);
}

TTable TServiceDatabase::Query(const std::string& sql) {
  TSQLConnection connection;
  connection.Open();
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText(std::string_view(sql));
  return ReadTable(command.ExecuteQuery());
}

void TServiceDatabase::Execute(const std::string& sql) {
  TSQLConnection connection;
  connection.Open();
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText(std::string_view(sql));
  command.ExecuteUpdate();
}

}  // namespace fieldsync::test
