#include "ServiceDatabase.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

#include <gtest/gtest.h>

#include "ServiceTemplate.h"
#include "core/Text.h"
#include "db/SQLConnection.h"

namespace fieldsync::test {

namespace fs = std::filesystem;

namespace {

// The local day of `moment`, as CURRENT_DATE counts days.
int LocalDay(time_t moment) {
  tm parts{};
  localtime_r(&moment, &parts);
  return parts.tm_year * 1000 + parts.tm_yday;
}

// Whether the file was written on another day than today: the rows that
// the fixture dates relative to the day it was built would be a day off.
bool WrittenOnAnotherDay(const fs::path& file) {
  struct stat status {};
  return ::stat(file.c_str(), &status) != 0 || LocalDay(status.st_mtime) != LocalDay(::time(nullptr));
}

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

TServiceDatabase::TServiceDatabase() {
  const fs::path lock = FScratch.Dir() / "lock";
  fs::create_directories(lock);
  ::setenv("FIREBIRD_LOCK", lock.c_str(), 1);
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

fs::path TServiceDatabase::TemplateFile() {
  if (FTemplate.empty()) {
    FTemplate = ServiceTemplateFile();
    if (FTemplate.empty() || WrittenOnAnotherDay(FTemplate)) {
      // Run without the CTest fixture, or midnight passed since it ran: built
      // once for this process.
      if (!FTemplate.empty() && !fs::is_regular_file(FTemplate))
        throw std::runtime_error("no service test database at " + FTemplate.string() +
                                 " (built by the CTest fixture service_database_template)");
      BuildServiceDatabase(FScratch, "template.fdb");
      FTemplate = FScratch.Dir() / "template.fdb";
    }
  }
  return FTemplate;
}

void TServiceDatabase::CreateDatabase(const std::string& name) {
  fs::copy_file(TemplateFile(), FScratch.Dir() / name, fs::copy_options::overwrite_existing);
  const std::string database = FScratch.DatabaseName(name);
  // Read again at every connect, so the next connection opens this database.
  FScratch.UseDefinitions(database, "ServerCharSet=UTF8\n");
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
