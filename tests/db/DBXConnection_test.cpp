// Commands and readers against a real database, embedded and through the
// server: column codes and values, NULLs, the command's life cycle, lost
// connections.

#include <gtest/gtest.h>

#include "core/Text.h"
#include "db/DBXError.h"
#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"
#include "tests/db/TestDatabase.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

const char* const CreateAllTypes =
    "create table ALLTYPES (ID integer not null primary key, VC varchar(20), CH char(4), SI smallint, "
    "IT integer, BI bigint, FL float, DP double precision, NU numeric(10,2), DE decimal(18,4), DT date, "
    "TM time, TS timestamp, BL blob sub_type binary, TX blob sub_type text, BO boolean)";

class CommandTest : public testing::TestWithParam<TDbMode> {
 protected:
  std::unique_ptr<TDBXReader> Query(TSQLConnection& connection, const std::string& sql) {
    TDBXCommand& command = connection.DBXConnection().CreateCommand();
    command.SetCommandType(TDBXCommandTypes::DbxSQL);
    command.SetCommandTimeout(120);
    command.SetText(sql);
    if (!command.IsPrepared()) command.Prepare();
    return command.ExecuteQuery();
  }
};

TEST_P(CommandTest, DescribesEachColumnKindWithItsCodeAndReadsItsValue) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({CreateAllTypes,
           "insert into ALLTYPES values (1, 'Ação', 'ab', -7, 42, 9007199254740993, 1.5, 2.25, 10.50, "
           "-3.1416, '2013-05-07', '14:05:09.2500', '2013-05-07 00:00:00', x'00FF10', 'Olá', true)"});
  auto connection = db.Connect();
  auto reader = Query(*connection, "select ID, VC, CH, SI, IT, BI, FL, DP, NU, DE, DT, TM, TS, BL, TX, BO, "
                                   "cast(IT as varchar(10)) as IT_TEXT, vc apelido from ALLTYPES");
  ASSERT_EQ(reader->ColumnCount(), 18);
  const int32_t codes[] = {6, 26, 26, 5, 6, 18, 27, 7, 8, 8, 2, 10, 24, 3, 3, 4, 26, 26};
  for (int32_t i = 0; i < 18; ++i) {
    EXPECT_EQ(reader->ValueType(i).DataType, codes[i]) << Utf16ToUtf8(reader->ValueType(i).Name);
    EXPECT_EQ(reader->ValueType(i).Ordinal, i);
  }
  EXPECT_EQ(reader->ValueType(16).Name, u"IT_TEXT");
  EXPECT_EQ(reader->ValueType(17).Name, u"APELIDO");
  EXPECT_FALSE(reader->ValueType(0).Nullable());
  EXPECT_TRUE(reader->ValueType(1).Nullable());
  EXPECT_EQ(reader->ValueType(8).Scale, 2);
  EXPECT_EQ(reader->ValueType(9).Scale, 4);
  EXPECT_EQ(reader->ValueType(1).Size, 20);
  EXPECT_EQ(reader->ValueType(15 - 1).SubType, 1);  // text blob

  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(1).GetWideString(), u"Ação");
  EXPECT_EQ(reader->Value(2).GetWideString(), u"ab  ");  // CHAR keeps its blanks
  EXPECT_EQ(reader->Value(3).GetInt64(), -7);
  EXPECT_EQ(reader->Value(4).GetInt32(), 42);
  EXPECT_EQ(reader->Value(5).GetInt64(), 9007199254740993LL);
  EXPECT_EQ(reader->Value(6).GetSingle(), 1.5f);
  EXPECT_EQ(reader->Value(7).GetDouble(), 2.25);
  EXPECT_EQ(reader->Value(8).GetBcd(), (TDBXBcd{1050, 2}));
  EXPECT_EQ(reader->Value(8).GetDouble(), 10.5);
  EXPECT_EQ(reader->Value(9).GetBcd(), (TDBXBcd{-31416, 4}));
  EXPECT_EQ(reader->Value(10).GetDate(), (TDBXDate{2013, 5, 7}));
  EXPECT_EQ(reader->Value(11).GetTime(), (TDBXTime{14, 5, 9, 250}));
  EXPECT_EQ(reader->Value(12).GetTimeStamp(), (TDBXTimeStamp{{2013, 5, 7}, {0, 0, 0, 0}}));
  EXPECT_EQ(reader->Value(13).GetBytes(), (std::vector<uint8_t>{0x00, 0xFF, 0x10}));
  EXPECT_EQ(reader->Value(14).GetBytes(), (std::vector<uint8_t>{'O', 'l', 0xC3, 0xA1}));  // UTF-8 bytes
  EXPECT_TRUE(reader->Value(15).GetBoolean());
  EXPECT_EQ(reader->Value(16).GetWideString(), u"42");
  EXPECT_FALSE(reader->Next());
  EXPECT_FALSE(reader->Next());
}

TEST_P(CommandTest, ReadsNullInEveryColumnKind) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({CreateAllTypes, "insert into ALLTYPES (ID) values (1)"});
  auto connection = db.Connect();
  auto reader = Query(*connection, "select * from ALLTYPES");
  ASSERT_TRUE(reader->Next());
  EXPECT_FALSE(reader->Value(0).IsNull());
  for (int32_t i = 1; i < reader->ColumnCount(); ++i)
    EXPECT_TRUE(reader->Value(i).IsNull()) << Utf16ToUtf8(reader->ValueType(i).Name);
}

TEST_P(CommandTest, TextColumnsAreCode1OnANonUnicodeConnection) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam(), "WIN1252");
  db.Exec({"create table T (A varchar(10) character set WIN1252, B char(3) character set UTF8)",
           "insert into T values ('Pão', 'ç')"});
  auto connection = db.Connect();
  auto reader = Query(*connection, "select A, B, cast('x' as varchar(5)) as C from T");
  EXPECT_EQ(reader->ValueType(0).DataType, TDBXDataTypes::AnsiStringType);
  EXPECT_EQ(reader->ValueType(1).DataType, TDBXDataTypes::AnsiStringType);
  EXPECT_EQ(reader->ValueType(2).DataType, TDBXDataTypes::AnsiStringType);
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(0).GetWideString(), u"Pão");
  EXPECT_EQ(reader->Value(1).GetWideString(), u"ç  ");
}

TEST_P(CommandTest, TextBlobsTravelInTheConnectionsCharacterSet) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam(), "WIN1252");
  db.Exec({"create table B (ID integer, U blob sub_type text character set UTF8)"});
  auto connection = db.Connect();
  TSQLDataSet insert(*connection);
  insert.SetCommandText("insert into B (ID, U) values (1, :U)");
  insert.ParamByName("U").AsMemo(u"Observação");
  insert.ExecSQL();
  auto reader = Query(*connection, "select U, char_length(U) as N from B");
  ASSERT_TRUE(reader->Next());
  const std::vector<uint8_t> win1252 = {'O', 'b', 's', 'e', 'r', 'v', 'a', 0xE7, 0xE3, 'o'};
  EXPECT_EQ(reader->Value(0).GetBytes(), win1252);
  EXPECT_EQ(reader->Value(1).GetInt32(), 10);  // stored as ten characters, not mangled bytes
}

TEST_P(CommandTest, CharColumnsKeepTheirLengthInEveryCharacterSet) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (U char(3) character set UTF8, N char(3) character set NONE, "
           "W char(3) character set WIN1252)",
           "insert into T values ('ç', 'ab', 'é')"});
  auto connection = db.Connect();
  auto reader = Query(*connection, "select U, N, W from T");
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(0).GetWideString(), u"ç  ");
  EXPECT_EQ(reader->Value(1).GetWideString(), u"ab ");
  EXPECT_EQ(reader->Value(2).GetWideString(), u"é  ");
}

TEST_P(CommandTest, QueryWithoutRowsKeepsItsColumns) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto connection = db.Connect();
  auto reader = Query(*connection, "select RDB$RELATION_NAME as NOME from RDB$RELATIONS where 1 = 0");
  EXPECT_EQ(reader->ColumnCount(), 1);
  EXPECT_EQ(reader->ValueType(0).Name, u"NOME");
  EXPECT_FALSE(reader->Next());
  ExpectThrowWithText<TDBXError>([&] { reader->Value(0); }, "No current row");
}

TEST_P(CommandTest, CommandLifeCycleErrors) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto connection = db.Connect();
  TDBXCommand& command = connection->DBXConnection().CreateCommand();
  EXPECT_EQ(command.CommandType(), "Dbx.SQL");
  EXPECT_EQ(command.CommandTimeout(), 0);
  EXPECT_EQ(command.RowSetSize(), 20);
  ExpectThrowWithText<TDBXError>([&] { command.ExecuteQuery(); }, "No statement to execute");
  command.SetText("select 1 from RDB$DATABASE");
  command.Prepare();
  ExpectThrowWithText<TDBXError>([&] { command.Prepare(); }, "Command can only be prepared once");
  command.SetText("select 2 from RDB$DATABASE");  // a new text may be prepared again
  EXPECT_FALSE(command.IsPrepared());
  command.Prepare();
  auto reader = command.ExecuteQuery();
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(0).GetInt32(), 2);

  connection->Close();
  EXPECT_TRUE(reader->IsClosed());  // the connection closed its command's reader
  EXPECT_FALSE(reader->Next());
  ExpectThrowWithText<TDBXError>([&] { command.ExecuteQuery(); }, "Operation failed.  Connection was closed");
  ExpectThrowWithText<TDBXError>([&] { command.SetText("select 3 from RDB$DATABASE"); }, "Operation failed.  Connection was closed");
  connection->Open();  // the old command stays unusable after a reconnect
  ExpectThrowWithText<TDBXError>([&] { command.Prepare(); }, "Operation failed.  Connection was closed");
}

TEST_P(CommandTest, NewQueryClosesTheCommandsLastReader) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto connection = db.Connect();
  TDBXCommand& command = connection->DBXConnection().CreateCommand();
  command.SetText("select RDB$RELATION_ID from RDB$RELATIONS");
  command.Prepare();
  auto first = command.ExecuteQuery();
  ASSERT_TRUE(first->Next());
  auto second = command.ExecuteQuery();
  EXPECT_TRUE(first->IsClosed());
  EXPECT_FALSE(second->IsClosed());
  EXPECT_TRUE(second->Next());
  second->Close();
  // A closed reader leaves its command open and prepared.
  EXPECT_TRUE(command.IsPrepared());
  EXPECT_TRUE(command.IsOpen());
  auto third = command.ExecuteQuery();
  EXPECT_TRUE(third->Next());
}

TEST_P(CommandTest, StatementWithoutResultGivesNoReaderAndIsCommitted) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table T (A integer)"});
  auto connection = db.Connect();
  TDBXCommand& command = connection->DBXConnection().CreateCommand();
  command.SetText("insert into T values (5)");
  EXPECT_EQ(command.ExecuteQuery(), nullptr);
  auto other = db.Connect();
  auto reader = Query(*other, "select A from T");
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(0).GetInt32(), 5);
}

TEST_P(CommandTest, TimeoutIsKeptButInterruptsNothing) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto connection = db.Connect();
  TDBXCommand& command = connection->DBXConnection().CreateCommand();
  command.SetCommandTimeout(1);
  EXPECT_EQ(command.CommandTimeout(), 1);
  // About 16 million rows: longer than the one-second timeout.
  command.SetText("select count(*) from RDB$TYPES a, RDB$TYPES b, RDB$TYPES c");
  auto reader = command.ExecuteQuery();
  ASSERT_TRUE(reader->Next());
  EXPECT_GT(reader->Value(0).GetInt64(), 1000000);
}

TEST_P(CommandTest, StoredProcedureCommandRunsTheProcedureByName) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table MARKS (N integer)",
           "create procedure MARK as begin insert into MARKS values (1); end"});
  auto connection = db.Connect();
  TDBXCommand& command = connection->DBXConnection().CreateCommand();
  command.SetCommandType(TDBXCommandTypes::DbxStoredProcedure);
  command.SetText("MARK");
  command.Prepare();
  EXPECT_EQ(command.ExecuteQuery(), nullptr);
  auto reader = Query(*connection, "select count(*) from MARKS");
  ASSERT_TRUE(reader->Next());
  EXPECT_EQ(reader->Value(0).GetInt32(), 1);
}

TEST_P(CommandTest, ClientErrorsKeepTheClientsCodeAndText) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto connection = db.Connect();
  try {
    Query(*connection, "select * from NO_SUCH_TABLE");
    FAIL() << "no error";
  } catch (const TDBXError& e) {
    EXPECT_EQ(e.ErrorCode(), 335544569);  // dynamic SQL error
    EXPECT_NE(std::string(e.what()).find("Table unknown"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
  }
  // The connection is still usable afterwards.
  auto reader = Query(*connection, "select 1 from RDB$DATABASE");
  EXPECT_TRUE(reader->Next());
}

TEST_P(CommandTest, LostConnectionFailsThenTheNextConnectWorks) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  auto victim = db.Connect();
  auto survivor = db.Connect();
  DropOtherConnections(*survivor);

  try {
    Query(*victim, "select 1 from RDB$DATABASE");
    FAIL() << "the lost connection still answered";
  } catch (const TDBXError& e) {
    EXPECT_NE(e.ErrorCode(), 0);
    EXPECT_FALSE(std::string(e.what()).empty());
  }
  victim->Close();
  victim->Open();
  auto reader = Query(*victim, "select 1 from RDB$DATABASE");
  EXPECT_TRUE(reader->Next());
}

TEST_P(CommandTest, OpenTwiceIsHarmlessAndCloseTwiceToo) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  TSQLConnection connection;
  EXPECT_EQ(connection.State(), TConnectionState::Closed);
  ExpectThrowWithText<TDBXError>([&] { connection.DBXConnection(); }, "Not connected to a database");
  connection.Open();
  connection.Open();
  EXPECT_EQ(connection.State(), TConnectionState::Open);
  connection.Close();
  connection.Close();
  EXPECT_EQ(connection.State(), TConnectionState::Closed);
}

INSTANTIATE_TEST_SUITE_P(Modes, CommandTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
