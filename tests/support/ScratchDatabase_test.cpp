// The scratch-database builder that every database fixture stands on: what
// it builds opens and holds the script's rows, embedded and through the
// announced server, with forced writes off when asked, and a script or creation that fails raises with the
// tool's message instead of leaving a half-built database behind silently.

#include "tests/support/ScratchDatabase.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/Platform.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

std::string FirstValue(const std::string& sql) {
  TSQLConnection connection;
  connection.Open();
  TSQLDataSet query(connection);
  query.SetCommandText(sql);
  query.Open();
  return query.IsEmpty() ? "<none>" : Utf16ToUtf8(query.Fields(0).AsString());
}

// Builds a database at `place` and reads it back through DMESTOQUE.
void ExpectBuiltDatabaseOpensWithTheScriptsRows(const TFirebirdServer& place) {
  const TScratchDatabase scratch(place);
  const std::string database = scratch.Create("built.fdb", "WIN1252");
  EXPECT_EQ(database, place.Address.empty() ? (scratch.Dir() / "built.fdb").string()
                                            : place.Address + ":" + (scratch.Dir() / "built.fdb").string());
  scratch.WriteAsynchronously(database);
  scratch.RunSql(database, "create table T (A varchar(10));\ninsert into T values ('Pão');\ncommit;\n");
  scratch.UseDefinitions(database, "ServerCharSet=UTF8\n");
  EXPECT_EQ(FirstValue("select A from T"), "Pão");
  EXPECT_EQ(FirstValue("select trim(RDB$CHARACTER_SET_NAME) from RDB$DATABASE"), "WIN1252");
  EXPECT_EQ(FirstValue("select MON$FORCED_WRITES from MON$DATABASE"), "0");
}

TEST(ScratchDatabase, BuildsAnEmbeddedDatabaseThatDMESTOQUEOpensWithTheScriptsRows) {
  ExpectBuiltDatabaseOpensWithTheScriptsRows({});
}

TEST(ScratchDatabase, BuildsADatabaseThroughTheServerThatDMESTOQUEOpensWithTheScriptsRows) {
  const TFirebirdServer server = AnnouncedServer();
  if (server.Address.empty()) {
    // scripts/test.sh always announces one, so CI has it.
    if (EnvironmentVariable("CI") == "true") GTEST_FAIL() << "no Firebird server announced, which CI must have";
    GTEST_SKIP() << "no Firebird server announced (FIELDSYNC_FB_SERVER)";
  }
  ExpectBuiltDatabaseOpensWithTheScriptsRows(server);
}

TEST(ScratchDatabase, AFailingStatementRaisesWithTheToolsMessage) {
  const TScratchDatabase scratch;
  const std::string database = scratch.Create("broken.fdb", "UTF8");
  const std::string text = ThrownText<std::runtime_error>(
      [&] { scratch.RunSql(database, "create table T (A integer);\ninsert into NO_SUCH_TABLE values (1);\n"); });
  EXPECT_NE(text.find("NO_SUCH_TABLE"), std::string::npos) << text;
  // A database file that exists already is not built over.
  EXPECT_THROW(scratch.Create("broken.fdb", "UTF8"), std::runtime_error);
}

TEST(MissingDatabase, EveryConnectFailsWhileItLivesAndTheDatabaseComesBackAfter) {
  const TScratchDatabase scratch;
  scratch.UseDefinitions(scratch.Create("present.fdb", "UTF8"));
  {
    const TMissingDatabase missing(scratch);
    TSQLConnection connection;
    EXPECT_THROW(connection.Open(), TDBXError);
  }
  EXPECT_EQ(FirstValue("select 1 from RDB$DATABASE"), "1");
}

}  // namespace
}  // namespace fieldsync::test
