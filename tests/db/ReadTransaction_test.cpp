// The read transaction of an attachment, embedded and through the server:
// queries of one connection share one read-only, read-committed
// transaction, which sees every commit made before each statement, holds
// back none of the database's oldest-transaction markers, and leaves writes
// to transactions of their own, each committed when its statement ends.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "db/DBXError.h"
#include "db/SQLConnection.h"
#include "db/internal/AttachmentPool.h"
#include "tests/db/TestDatabase.h"

namespace fieldsync::test {
namespace {

void Update(TSQLConnection& connection, const std::string& sql) {
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText(sql);
  command.ExecuteUpdate();
  connection.DBXConnection().FreeCommand(command);
}

// A connection whose attachment is its own, never kept nor taken from the
// idle ones: what another client of the database would see.
class TOwnConnection {
 public:
  TOwnConnection() {
    ::setenv(DbReuseVariable, "0", 1);
    FConnection.Open();
    ::unsetenv(DbReuseVariable);
  }
  TSQLConnection& operator*() { return FConnection; }

 private:
  TSQLConnection FConnection;
};

// A marker of MON$DATABASE, read by an attachment of its own (the
// monitoring tables are a snapshot per transaction).
int64_t Marker(const std::string& column) {
  TOwnConnection monitor;
  return ScalarOf(*monitor, "select " + column + " from MON$DATABASE");
}

// The transactions an attachment holds now, as another attachment sees them:
// how many, and how many of them are read-only.
struct TTransactionsOf {
  int64_t All;
  int64_t ReadOnly;
};
TTransactionsOf TransactionsOf(int64_t attachment) {
  TOwnConnection monitor;
  const std::string of = " from MON$TRANSACTIONS where MON$ATTACHMENT_ID = " + std::to_string(attachment);
  return {ScalarOf(*monitor, "select count(*)" + of), ScalarOf(*monitor, "select count(*)" + of + " and MON$READ_ONLY = 1")};
}

int64_t AttachmentOf(TSQLConnection& connection) {
  return ScalarOf(connection, "select CURRENT_CONNECTION from RDB$DATABASE");
}

class ReadTransactionTest : public testing::TestWithParam<TDbMode> {
 protected:
  void SetUp() override { TAttachmentPool::Process().CloseIdle(); }
  void TearDown() override { TAttachmentPool::Process().CloseIdle(); }
};

TEST_P(ReadTransactionTest, AQuerySeesARowCommittedByAnotherAttachmentJustBeforeIt) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (N integer)"});
  TSQLConnection reader;
  reader.Open();
  TOwnConnection writer;
  const int64_t attachment = AttachmentOf(reader);
  for (int rows = 1; rows <= 3; ++rows) {
    SCOPED_TRACE(rows);
    Update(*writer, "insert into T values (" + std::to_string(rows) + ")");
    EXPECT_EQ(ScalarOf(reader, "select count(*) from T"), rows);
    EXPECT_EQ(ScalarOf(reader, "select max(N) from T"), rows);
    // All of it in the one read-only transaction the attachment holds.
    const TTransactionsOf held = TransactionsOf(attachment);
    EXPECT_EQ(held.All, 1);
    EXPECT_EQ(held.ReadOnly, 1);
  }
}

TEST_P(ReadTransactionTest, QueriesStartNoTransactionOfTheirOwn) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (N integer)", "insert into T values (1)"});
  TSQLConnection reader;
  reader.Open();
  ScalarOf(reader, "select count(*) from T");
  // What reading the counter costs by itself, then the same around 20 queries.
  const int64_t first = Marker("MON$NEXT_TRANSACTION");
  const int64_t quiet = Marker("MON$NEXT_TRANSACTION") - first;
  const int64_t before = Marker("MON$NEXT_TRANSACTION");
  for (int i = 0; i < 20; ++i) ScalarOf(reader, "select count(*) from T");
  EXPECT_EQ(Marker("MON$NEXT_TRANSACTION") - before, quiet);
  // A write still numbers a transaction of its own.
  const int64_t beforeWrite = Marker("MON$NEXT_TRANSACTION");
  Update(reader, "insert into T values (2)");
  EXPECT_EQ(Marker("MON$NEXT_TRANSACTION") - beforeWrite, quiet + 1);
}

// The oldest active and oldest snapshot markers move past the start of a
// read transaction that stays open (with a cursor open in it) through a
// long run of reads and other attachments' writes. A transaction that may
// write (a select for update's own), held open the same way, holds them
// back, which shows that the check can fail.
TEST_P(ReadTransactionTest, OldestTransactionMarkersKeepAdvancingDuringALongRunOfReads) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (N integer)", "insert into T values (0)"});
  struct TCase {
    const char* Query;
    bool MarkersAdvance;
  } cases[] = {{"select N, CURRENT_TRANSACTION from T", true},
               {"select N, CURRENT_TRANSACTION from T for update", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Query);
    TSQLConnection reader;
    reader.Open();
    const int64_t start = Marker("MON$NEXT_TRANSACTION");
    TDBXCommand& held = reader.DBXConnection().CreateCommand();
    held.SetText(c.Query);
    auto open = held.ExecuteQuery();
    ASSERT_TRUE(open->Next());  // its transaction stays open while the reader is
    const int64_t heldTransaction = open->Value(1).GetInt64();
    TOwnConnection writer;
    for (int i = 0; i < 50; ++i) {
      Update(*writer, "insert into T values (" + std::to_string(i) + ")");
      ScalarOf(reader, "select count(*) from T");
    }
    for (const char* marker : {"MON$OLDEST_ACTIVE", "MON$OLDEST_SNAPSHOT"}) {
      SCOPED_TRACE(marker);
      const int64_t value = Marker(marker);
      if (c.MarkersAdvance) {
        EXPECT_GT(value, start + 50);
      } else {
        EXPECT_LE(value, heldTransaction);
      }
    }
    open->Close();
    reader.Close();
  }
}

TEST_P(ReadTransactionTest, EachWriteCommitsInATransactionOfItsOwnWhileTheReadTransactionStaysOpen) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (TRA bigint)"});
  TSQLConnection connection;
  connection.Open();
  const int64_t attachment = AttachmentOf(connection);
  Update(connection, "insert into T values (CURRENT_TRANSACTION)");
  Update(connection, "insert into T values (CURRENT_TRANSACTION)");
  // Committed: another attachment sees both rows while this one is open,
  // written by two transactions; the attachment holds none of them, only
  // its read-only one.
  TOwnConnection other;
  EXPECT_EQ(ScalarOf(*other, "select count(distinct TRA) from T"), 2);
  TTransactionsOf held = TransactionsOf(attachment);
  EXPECT_EQ(held.All, 1);
  EXPECT_EQ(held.ReadOnly, 1);
  // A write refused by the database leaves the read transaction usable.
  TDBXCommand& bad = connection.DBXConnection().CreateCommand();
  bad.SetText("insert into T values ('not a number')");
  EXPECT_THROW(bad.ExecuteUpdate(), TDBXError);
  EXPECT_EQ(ScalarOf(connection, "select count(*) from T"), 2);
  held = TransactionsOf(attachment);
  EXPECT_EQ(held.All, 1);
  EXPECT_EQ(held.ReadOnly, 1);
}

TEST_P(ReadTransactionTest, AClosedConnectionsReadTransactionEndsAndTheNextUseStartsAnother) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  TSQLConnection connection;
  int64_t attachment = -1;
  for (int use = 0; use < 3; ++use) {
    SCOPED_TRACE(use);
    connection.Open();
    const int64_t id = AttachmentOf(connection);
    if (use > 0) {
      EXPECT_EQ(id, attachment);  // the same attachment, reused
    }
    attachment = id;
    EXPECT_EQ(TransactionsOf(attachment).ReadOnly, 1);
    connection.Close();
    // The idle attachment holds no transaction.
    EXPECT_EQ(TransactionsOf(attachment).All, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadTransactionTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
