// Reuse of attachments and prepared statements between connections, embedded
// and through the server: what is handed out again, what never is, and what
// the database sees (its monitoring tables).

#include <gtest/gtest.h>

#include <barrier>
#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>
#include <vector>

#include "core/Platform.h"
#include "core/Text.h"
#include "db/internal/AttachmentPool.h"
#include "db/DBXError.h"
#include "db/internal/Firebird.h"
#include "db/SQLConnection.h"
#include "tests/db/TestDatabase.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

// Sets FIELDSYNC_DB_REUSE for the test's lifetime.
class TReuseSetting {
 public:
  explicit TReuseSetting(const char* value) {
    if (value) ::setenv(DbReuseVariable, value, 1);
    else ::unsetenv(DbReuseVariable);
  }
  ~TReuseSetting() { ::unsetenv(DbReuseVariable); }
};

int64_t AttachmentId(TSQLConnection& connection) {
  return ScalarOf(connection, "select CURRENT_CONNECTION from RDB$DATABASE");
}

// Runs `sql` on an attachment of its own that is never kept.
int64_t ScalarOnOwnAttachment(const std::string& sql) {
  TReuseSetting off("0");
  TSQLConnection connection;
  connection.Open();
  return ScalarOf(connection, sql);
}

class ReuseTest : public testing::TestWithParam<TDbMode> {
 protected:
  void SetUp() override { TAttachmentPool::Process().CloseIdle(); }
  void TearDown() override { TAttachmentPool::Process().CloseIdle(); }
};

TEST_P(ReuseTest, ClosedConnectionsAttachmentServesTheNextOneUnlessReuseIsOff) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  struct TCase {
    const char* Setting;
    bool SameAttachment;
  } cases[] = {{nullptr, true}, {"1", true}, {"0", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Setting ? c.Setting : "unset");
    TReuseSetting setting(c.Setting);
    TAttachmentPool::Process().CloseIdle();
    TSQLConnection connection;
    connection.Open();
    const int64_t first = AttachmentId(connection);
    connection.Close();
    connection.Open();
    EXPECT_EQ(AttachmentId(connection) == first, c.SameAttachment);
    connection.Close();
    EXPECT_EQ(TAttachmentPool::Process().Counts().Idle, c.SameAttachment ? 1u : 0u);
  }
}

TEST_P(ReuseTest, ChangedConnectionsFileTakesEffectAtTheNextConnectAndOldAttachmentsGo) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  const std::string second = db.CreateDatabase("second.fdb");
  db.Exec({"create table WHO (NAME varchar(10))"});
  TSQLConnection connection;
  connection.Open();
  const std::string onFirst = "select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'WHO'";
  EXPECT_EQ(ScalarOf(connection, onFirst), 1);
  const int64_t first = AttachmentId(connection);
  connection.Close();
  ASSERT_EQ(TAttachmentPool::Process().Counts().Idle, 1u);

  // Another spelling of the user, then another database: neither is served
  // by an attachment made before the change, and the old idle one is gone.
  std::string text = db.ConnectionsText(db.Database());
  text.replace(text.find("User_Name=SYSDBA"), 16, "User_Name=sysdba");
  WriteFile(db.ConnectionsFile(), text);
  connection.Open();
  EXPECT_NE(AttachmentId(connection), first);
  EXPECT_EQ(ScalarOf(connection, "select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 "
                                 "and MON$ATTACHMENT_ID <> CURRENT_CONNECTION"),
            0);
  connection.Close();
  WriteFile(db.ConnectionsFile(), db.ConnectionsText(second));
  connection.Open();
  EXPECT_EQ(ScalarOf(connection, onFirst), 0);
  // The first database has no attachment of ours left.
  connection.Close();
  WriteFile(db.ConnectionsFile(), db.ConnectionsText(db.Database()));
  EXPECT_EQ(ScalarOnOwnAttachment("select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 "
                                  "and MON$ATTACHMENT_ID <> CURRENT_CONNECTION"),
            0);
}

TEST_P(ReuseTest, AnAttachmentLeftWithAnOpenReaderComesBackClean) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (N integer)", "insert into T values (1)", "insert into T values (2)"});
  TSQLConnection connection;
  connection.Open();
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText("select N from T");
  auto reader = command.ExecuteQuery();
  ASSERT_TRUE(reader->Next());  // one row read, the cursor and its transaction still open
  const int64_t id = AttachmentId(connection);
  connection.Close();
  EXPECT_TRUE(reader->IsClosed());

  connection.Open();
  ASSERT_EQ(AttachmentId(connection), id);
  // The only transaction of the attachment is the one asking.
  EXPECT_EQ(ScalarOf(connection, "select count(*) from MON$TRANSACTIONS where MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            1);
}

TEST_P(ReuseTest, ConcurrentConnectionsNeverShareAnAttachmentAndLeaveNoTransactionOpen) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (N integer)", "insert into T values (1)"});
  constexpr int Threads = 64;
  std::vector<int64_t> ids(Threads, -1);
  std::vector<std::string> errors(Threads);
  std::barrier allHoldOne(Threads);
  std::vector<std::thread> threads;
  for (int i = 0; i < Threads; ++i)
    threads.emplace_back([&, i] {
      try {
        for (int round = 0; round < 3; ++round) {
          TSQLConnection connection;
          connection.Open();
          ScalarOf(connection, "select count(*) from T");
          if (round == 1) {
            ids[i] = AttachmentId(connection);
            allHoldOne.arrive_and_wait();  // every thread holds its connection now
            allHoldOne.arrive_and_wait();
          }
        }
      } catch (const std::exception& e) {
        errors[i] = e.what();
        allHoldOne.arrive_and_drop();
      }
    });
  for (auto& t : threads) t.join();
  for (const std::string& e : errors) EXPECT_EQ(e, "");
  EXPECT_EQ(std::set<int64_t>(ids.begin(), ids.end()).size(), static_cast<size_t>(Threads));
  EXPECT_LE(TAttachmentPool::Process().Counts().Idle, TAttachmentPool::MaxIdle);
  EXPECT_EQ(ScalarOnOwnAttachment("select count(*) from MON$TRANSACTIONS t join MON$ATTACHMENTS a "
                                  "on a.MON$ATTACHMENT_ID = t.MON$ATTACHMENT_ID where a.MON$SYSTEM_FLAG = 0 "
                                  "and a.MON$ATTACHMENT_ID <> CURRENT_CONNECTION"),
            0);
}

TEST_P(ReuseTest, AnIdleAttachmentThatWasCutIsReplacedBeforeUse) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  TSQLConnection connection;
  connection.Open();
  const int64_t first = AttachmentId(connection);
  connection.Close();
  ASSERT_EQ(TAttachmentPool::Process().Counts().Idle, 1u);
  const size_t droppedBefore = TAttachmentPool::Process().Counts().Dropped;
  // Cut every other attachment, the idle one included.
  ScalarOnOwnAttachment("select count(*) from RDB$DATABASE");
  {
    TReuseSetting off("0");
    TSQLConnection survivor;
    survivor.Open();
    DropOtherConnections(survivor);
  }
  connection.Open();
  EXPECT_NE(AttachmentId(connection), first);
  EXPECT_EQ(TAttachmentPool::Process().Counts().Dropped, droppedBefore + 1);
}

TEST_P(ReuseTest, IdleAttachmentsAreClosedAfterTheIdleTime) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  // Within its idle time (a minute, which no busy machine outlasts here) the
  // attachment is kept; once the idle time is below its age, it is closed.
  TAttachmentPool::Process().SetIdleTime(std::chrono::seconds(60));
  {
    TSQLConnection connection;
    connection.Open();
  }
  EXPECT_EQ(TAttachmentPool::Process().Counts().Idle, 1u);
  TAttachmentPool::Process().SetIdleTime(std::chrono::milliseconds(1));
  EXPECT_TRUE(WaitUntil([] { return TAttachmentPool::Process().Counts().Idle == 0; }, std::chrono::seconds(30)));
  TAttachmentPool::Process().SetIdleTime(std::chrono::seconds(60));
  EXPECT_EQ(TAttachmentPool::Process().Counts().Idle, 0u);
  EXPECT_EQ(ScalarOnOwnAttachment("select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 "
                                  "and MON$ATTACHMENT_ID <> CURRENT_CONNECTION"),
            0);
}

TEST_P(ReuseTest, AReusedAttachmentKeepsItsPreparedStatements) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  TSQLConnection connection;
  const std::string sql = "select count(*) from RDB$RELATIONS";
  connection.Open();
  ScalarOf(connection, sql);
  ScalarOf(connection, sql);
  connection.Close();
  connection.Open();
  ScalarOf(connection, sql);
  // One statement of that text exists on the server, prepared once.
  EXPECT_EQ(ScalarOf(connection, "select count(*) from MON$STATEMENTS where MON$ATTACHMENT_ID = CURRENT_CONNECTION "
                                 "and MON$SQL_TEXT = '" + sql + "'"),
            1);
}

TEST_P(ReuseTest, AKeptStatementOfAnAlteredTableIsPreparedAfresh) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (A integer)", "insert into T values (1)"});
  TSQLConnection reader;
  reader.Open();
  auto columns = [&] {
    TDBXCommand& command = reader.DBXConnection().CreateCommand();
    command.SetText("select * from T");
    auto rows = command.ExecuteQuery();
    const int32_t n = rows->ColumnCount();
    EXPECT_TRUE(rows->Next());
    reader.DBXConnection().FreeCommand(command);
    return n;
  };
  EXPECT_EQ(columns(), 1);
  const int64_t id = AttachmentId(reader);
  reader.Close();  // the attachment and its statement are kept
  {
    TReuseSetting off("0");
    TSQLConnection alter;
    alter.Open();
    TDBXCommand& command = alter.DBXConnection().CreateCommand();
    command.SetText("alter table T add B varchar(10) default 'b'");
    command.ExecuteUpdate();
  }
  reader.Open();
  ASSERT_EQ(AttachmentId(reader), id);
  EXPECT_EQ(columns(), 2);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReuseTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
