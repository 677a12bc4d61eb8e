#pragma once
// Scratch databases for the database tests: a fresh Firebird database (the
// shared TScratchDatabase) and the definitions files that point DMESTOQUE at
// it, opened either embedded (a file path) or through the Firebird server on
// loopback that scripts/firebird-server.sh starts (FIELDSYNC_FB_SERVER,
// FIELDSYNC_FB_PASSWORD).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/Platform.h"
#include "db/SQLConnection.h"
#include "tests/support/ScratchDatabase.h"

namespace fieldsync::test {

enum class TDbMode { Embedded, Server };

std::string ModeName(const testing::TestParamInfo<TDbMode>& info);

// The definitions files named by the environment variables; the process-wide
// definitions are forgotten so that the next connect reads them.
void UseDefinitionsFiles(const std::filesystem::path& drivers, const std::filesystem::path& connections);

// Cuts every other attachment to the database, as a server that dropped
// them would: their next statement fails. `survivor` keeps its own.
void DropOtherConnections(TSQLConnection& survivor);

// The first column of the first row that `sql` reads, as a whole number.
int64_t ScalarOf(TSQLConnection& connection, const std::string& sql);

class TTestDatabase {
 public:
  // Creates the database with default character set `dbCharSet` and writes
  // the definitions files for it; the connection talks `serverCharSet`.
  TTestDatabase(TDbMode mode, const std::string& serverCharSet = "UTF8", const std::string& dbCharSet = "UTF8");
  ~TTestDatabase();

  std::filesystem::path DriversFile() const { return FScratch.DriversFile(); }
  std::filesystem::path ConnectionsFile() const { return FScratch.ConnectionsFile(); }
  const std::string& Database() const { return FDatabase; }
  // A DMESTOQUE section for `database` in the connection's character set,
  // with extra lines appended.
  std::string ConnectionsText(const std::string& database, const std::string& extraLines = "") const;
  // Creates another database file beside the first one.
  std::string CreateDatabase(const std::string& file, const std::string& dbCharSet = "UTF8") const;

  // A new, open DMESTOQUE connection.
  std::unique_ptr<TSQLConnection> Connect() const;
  // Runs statements (each committed) on a connection of its own.
  void Exec(std::initializer_list<std::string> statements) const;

 private:
  TScratchDatabase FScratch;
  std::string FServerCharSetLine;
  std::string FDatabase;
};

// In server mode: skips the test when no server was announced, or fails it
// when running under CI (CI=true), where the server must be there.
#define FIELDSYNC_REQUIRE_MODE(mode)                                                          \
  do {                                                                                        \
    if ((mode) == ::fieldsync::test::TDbMode::Server &&                                       \
        ::fieldsync::EnvironmentVariable("FIELDSYNC_FB_SERVER").empty()) {                    \
      if (::fieldsync::EnvironmentVariable("CI") == "true")                                   \
        GTEST_FAIL() << "FIELDSYNC_FB_SERVER is not set: start scripts/firebird-server.sh";   \
      GTEST_SKIP() << "no Firebird server announced (FIELDSYNC_FB_SERVER)";                   \
    }                                                                                         \
  } while (0)

}  // namespace fieldsync::test
