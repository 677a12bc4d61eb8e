// Statement components against a real database: named parameters, the
// binding of each parameter kind, per-statement commit, stored procedures.

#include <gtest/gtest.h>

#include "core/Text.h"
#include "db/DBXError.h"
#include "db/SQLDataSet.h"
#include "tests/db/TestDatabase.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

class DataSetTest : public testing::TestWithParam<TDbMode> {};

TEST_P(DataSetTest, BindsEachParameterKindAndUnboundAsNull) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table P (ID integer, S varchar(20), M varchar(20), D date, T time, "
           "C numeric(18,4), CD double precision, CI integer, N varchar(5), OBS blob sub_type text)"});
  auto connection = db.Connect();
  TSQLDataSet insert(*connection);
  insert.SetCommandText(u"INSERT INTO P (ID, S, M, D, T, C, CD, CI, N, OBS)\r\n"
                        u"  VALUES (:ID, :S, :M, :D, :T, :C, :CD, :CI, :N, :OBS) -- :NOT_A_PARAM");
  EXPECT_EQ(insert.Params().Count(), 10);
  insert.ParamByName("id").AsInteger(-2147483647 - 1);
  insert.ParamByName("S").AsString(u"a\u0101\u4E2D\u20AC");   // kept as it is
  insert.ParamByName("M").AsMemo(u"a\u0101\u4E2D\u20AC");     // Windows-1252: the first two become '?'
  insert.ParamByName("D").AsDate(TDBXDate{2026, 12, 10});
  insert.ParamByName("T").AsTime(TDBXTime{23, 59, 58, 0});
  // NUMERIC keeps all four decimals, even past a double's precision.
  insert.ParamByName("C").AsCurrency(TCurrency::FromScaled(12345678901234'5678));
  insert.ParamByName("CD").AsCurrency(TCurrency::FromScaled(12'5000));
  insert.ParamByName("CI").AsCurrency(TCurrency::FromScaled(7'0000));
  insert.ParamByName("OBS").AsMemo(u"Observação longa");
  EXPECT_EQ(insert.ExecSQL(), 1);

  TSQLDataSet select(*connection);
  select.SetCommandText("select ID, S, M, D, T, C, CD, CI, N, OBS, cast(C as varchar(30)) as CT from P where ID = :ID");
  select.ParamByName("ID").AsInteger(-2147483647 - 1);
  select.Open();
  ASSERT_FALSE(select.IsEmpty());
  EXPECT_EQ(select.FieldByName("id").AsInteger(), -2147483647 - 1);
  EXPECT_EQ(select.FieldByName("S").AsString(), u"a\u0101\u4E2D\u20AC");
  EXPECT_EQ(select.FieldByName("M").AsString(), u"a??\u20AC");
  EXPECT_EQ(select.FieldByName("D").AsDate(), (TDBXDate{2026, 12, 10}));
  EXPECT_EQ(select.FieldByName("T").Value().GetTime(), (TDBXTime{23, 59, 58, 0}));
  EXPECT_EQ(select.FieldByName("CT").AsString(), u"12345678901234.5678");
  EXPECT_EQ(select.FieldByName("CD").AsFloat(), 12.5);
  EXPECT_EQ(select.FieldByName("CI").AsInteger(), 7);
  EXPECT_TRUE(select.FieldByName("N").IsNull());
  EXPECT_EQ(select.FieldByName("N").AsString(), u"");
  EXPECT_EQ(Utf8ToUtf16(std::string(select.FieldByName("OBS").Value().GetBytes().begin(),
                                    select.FieldByName("OBS").Value().GetBytes().end())),
            u"Observação longa");
  select.Next();
  EXPECT_TRUE(select.Eof());
  ExpectThrowWithText<TDBXError>([&] { select.FieldByName("NOPE"); }, "Field 'NOPE' not found");
}

TEST_P(DataSetTest, EachStatementIsCommittedOnItsOwn) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table K (ID integer not null primary key)"});
  auto connection = db.Connect();
  TSQLDataSet insert(*connection);
  insert.SetCommandText("insert into K (ID) values (:ID)");
  insert.ParamByName("ID").AsInteger(1);
  insert.ExecSQL();
  insert.ParamByName("ID").AsInteger(1);  // the second statement fails: duplicate key
  EXPECT_THROW(insert.ExecSQL(), TDBXError);

  auto other = db.Connect();  // another attachment sees the first row
  TSQLDataSet count(*other);
  count.SetCommandText("select count(*) as N from K");
  count.Open();
  EXPECT_EQ(count.FieldByName("N").AsInteger(), 1);
}

TEST_P(DataSetTest, OpenIsEmptyCloseAndReopenWithoutPreparingAgain) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table C (ID integer, NOME varchar(10))", "insert into C values (1, 'um')"});
  auto connection = db.Connect();
  TSQLDataSet select(*connection);
  select.SetCommandText(u"select NOME from C\r\n\r\nwhere ID = :ID");
  select.ParamByName("ID").AsInteger(2);
  select.Open();
  EXPECT_TRUE(select.IsEmpty());
  select.Close();
  EXPECT_TRUE(select.Prepared());
  select.ParamByName("ID").AsInteger(1);
  select.Open();
  EXPECT_FALSE(select.IsEmpty());
  EXPECT_EQ(select.FieldByName("NOME").AsString(), u"um");
  // Unbound: NULL matches nothing.
  select.Close();
  select.ParamByName("ID").Clear();
  select.Open();
  EXPECT_TRUE(select.IsEmpty());
  // Disconnecting closes the data set; it prepares again on the new connection.
  connection->Close();
  EXPECT_FALSE(select.Active());
  EXPECT_FALSE(select.Prepared());
  connection->Open();
  select.ParamByName("ID").AsInteger(1);
  select.Open();
  EXPECT_EQ(select.FieldByName("NOME").AsString(), u"um");
}

TEST_P(DataSetTest, ComponentErrorMessages) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table C (ID integer)"});
  auto connection = db.Connect();
  TSQLDataSet dataSet(*connection);
  ExpectThrowWithText<TDBXError>([&] { dataSet.Open(); }, "No SQL statement available");
  ExpectThrowWithText<TDBXError>([&] { dataSet.ExecSQL(); }, "No SQL statement available");
  dataSet.SetCommandText("insert into C (ID) values (:ID)");
  ExpectThrowWithText<TDBXError>([&] { dataSet.ParamByName("OTHER"); }, "Parameter 'OTHER' not found");
  ExpectThrowWithText<TDBXError>([&] { dataSet.Open(); }, "Cursor not returned from Query");
  // Open refused the statement without running it.
  TSQLDataSet count(*connection);
  count.SetCommandText("select count(*) as N from C");
  count.Open();
  EXPECT_EQ(count.FieldByName("N").AsInteger(), 0);
}

TEST_P(DataSetTest, StoredProcedureReturnsItsOutputParameters) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table CALLS (IDFILIAL integer, DATAIMPORT date, IDREPRESENTANTE integer)",
           "create procedure RECEBENDO_PALM_AFA (IDFILIAL integer, DATAIMPORT date, IDREPRESENTANTE integer) "
           "returns (IDPEDIDO integer) as begin "
           "insert into CALLS values (:IDFILIAL, :DATAIMPORT, :IDREPRESENTANTE); "
           "IDPEDIDO = IDFILIAL * 1000 + IDREPRESENTANTE; end"});
  auto connection = db.Connect();
  TSQLStoredProc proc(*connection);
  proc.StoredProcName = "RECEBENDO_PALM_AFA";
  proc.Params().CreateParam(TFieldType::ftInteger, "IDFILIAL", TParamType::ptInput).AsInteger(3);
  proc.Params().CreateParam(TFieldType::ftDate, "DATAIMPORT", TParamType::ptInput).AsDate(TDBXDate{2026, 1, 2});
  proc.Params().CreateParam(TFieldType::ftInteger, "IDREPRESENTANTE", TParamType::ptInput).AsInteger(7);
  proc.Params().CreateParam(TFieldType::ftInteger, "IDPEDIDO", TParamType::ptOutput).AsInteger(0);
  proc.ExecProc();
  EXPECT_EQ(proc.ParamByName("IDPEDIDO").AsInteger(), 3007);

  TSQLDataSet calls(*connection);
  calls.SetCommandText("select IDFILIAL, DATAIMPORT, IDREPRESENTANTE from CALLS");
  calls.Open();
  EXPECT_EQ(calls.FieldByName("IDFILIAL").AsInteger(), 3);
  EXPECT_EQ(calls.FieldByName("DATAIMPORT").AsDate(), (TDBXDate{2026, 1, 2}));
}

INSTANTIATE_TEST_SUITE_P(Modes, DataSetTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
