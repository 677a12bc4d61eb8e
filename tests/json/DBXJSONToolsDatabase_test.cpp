// Query results from a real database written as JSON tables: the codes the
// driver gives each Firebird type, and the values' JSON forms.

#include <gtest/gtest.h>

#include "db/SQLConnection.h"
#include "json/DBXJSONTools.h"
#include "tests/db/TestDatabase.h"

namespace fieldsync::test {
namespace {

class DBXJSONTableTest : public testing::TestWithParam<TDbMode> {
 protected:
  std::unique_ptr<TDBXReader> Query(TSQLConnection& connection, const std::string& sql) {
    TDBXCommand& command = connection.DBXConnection().CreateCommand();
    command.SetText(sql);
    command.Prepare();
    return command.ExecuteQuery();
  }
};

TEST_P(DBXJSONTableTest, WritesEdgeValuesOfEachColumnKind) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table E (ID integer not null, NOME varchar(10), PRECO numeric(10,2), QTD numeric(10,2), "
           "DELTA integer, GRANDE bigint, QUANDO timestamp, OBS blob sub_type text, DIA date, HORA time)",
           "insert into E values (1, null, 10.50, 3.00, -7, 9223372036854775807, '2013-05-07 00:00:00', 'Sé', "
           "'2013-05-07', '14:05:09')",
           "insert into E values (2, 'Jo\xC3\xA3o', null, null, null, null, '2013-05-07 14:05:09.250', null, null, null)"});
  auto connection = db.Connect();
  auto tree = TDBXJSONTools::TableToJSON(
      Query(*connection, "select NOME, PRECO, QTD, DELTA, GRANDE, QUANDO, OBS, DIA, HORA from E order by ID"));
  const std::string bytes = tree->ToBytes();
  const std::string columns =
      R"("NOME":[null,"Jo\u00E3o"],"PRECO":[10.5,null],"QTD":[3,null],"DELTA":[-7,null],)"
      R"("GRANDE":[9223372036854775807,null],"QUANDO":["2013-05-07.0","2013-05-07 14:05:09.250"],)"
      R"("OBS":[[83,195,169],null],"DIA":["2013-05-07",null],"HORA":["14:05:09",null]})";
  ASSERT_GE(bytes.size(), columns.size());
  EXPECT_EQ(bytes.substr(bytes.size() - columns.size()), columns) << bytes;
  // The descriptions carry the codes of the Firebird types.
  auto* table = static_cast<TJSONArray*>(tree->Get(u"table")->GetJsonValue());
  ASSERT_EQ(table->Size(), 9);
  const int32_t codes[] = {26, 8, 8, 6, 18, 24, 3, 2, 10};
  for (int i = 0; i < 9; ++i) {
    auto* description = static_cast<TJSONArray*>(table->Get(i));
    ASSERT_EQ(description->Size(), 13);
    EXPECT_EQ(static_cast<TJSONNumber*>(description->Get(1))->GetAsInt(), codes[i]) << i;
    EXPECT_EQ(static_cast<TJSONNumber*>(description->Get(2))->GetAsInt(), i);
  }
  EXPECT_EQ(table->Get(1)->ToBytes(), R"(["PRECO",8,1,1,2,8,18,0,true,false,0,false,false])");  // stored as BIGINT
}

TEST_P(DBXJSONTableTest, EmptyResultAndStreamedBytesMatchTheTree) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  db.Exec({"create table C (IDCLIENTE integer, NOME varchar(60), CIDADE varchar(40))",
           "insert into C select RDB$RELATION_ID, 'Cliente ' || RDB$RELATION_ID || ' Ação', null from RDB$RELATIONS"});
  auto connection = db.Connect();
  const std::string sql = "select cast(IDCLIENTE as varchar(10)) as IDCLIENTE, NOME, coalesce(CIDADE, '') as CIDADE "
                          "from C order by IDCLIENTE";
  EXPECT_EQ(TDBXJSONTools::TableToJSON(Query(*connection, sql + " rows 0"))->ToBytes(), R"({"table":[]})");
  const std::string tree = TDBXJSONTools::TableToJSON(Query(*connection, sql))->ToBytes();
  std::string streamed;
  TDBXJSONTools::TableToBytes(Query(*connection, sql), TDBXJSONTools::AllRows, streamed);
  EXPECT_EQ(streamed, tree);
  EXPECT_NE(tree.find("A\\u00E7\\u00E3o"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Modes, DBXJSONTableTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

// The same table read over a UTF8 and over a WIN1252 connection: the
// streamed bytes (text straight from the message buffer) equal the tree's,
// and both connections give the same bytes.
class TableCharSetTest : public DBXJSONTableTest {};

TEST_P(TableCharSetTest, StreamedBytesEqualTheTreeOverBothConnectionCharacterSets) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  const char* const rows[] = {
      "1, 'Jo\xC3\xA3o A\xC3\xA7\xC3\xA3o \xE2\x82\xAC', '\xC3\xA9'",
      "2, 'aspas \"duplas\" e ''simples'', barra / e \\', 'x'",
      "3, 'tab' || ascii_char(9) || 'nova' || ascii_char(10) || 'linha' || ascii_char(1), ''",
      "4, null, null",
      "5, '', 'abcde'",
  };
  std::string bytes[2];
  int k = 0;
  for (const char* charSet : {"UTF8", "WIN1252"}) {
    SCOPED_TRACE(charSet);
    TTestDatabase db(GetParam(), charSet, "UTF8");
    db.Exec({"create table T (ID integer, NOME varchar(40), SIGLA char(5))"});
    // Statement texts are given in UTF-8 and sent in the connection's set.
    for (const char* row : rows) db.Exec({std::string("insert into T values (") + row + ")"});
    auto connection = db.Connect();
    const std::string sql = "select NOME, SIGLA, ID from T order by ID";
    const std::string tree = TDBXJSONTools::TableToJSON(Query(*connection, sql))->ToBytes();
    TDBXJSONTools::TableToBytes(Query(*connection, sql), TDBXJSONTools::AllRows, bytes[k]);
    EXPECT_EQ(bytes[k], tree);
    ++k;
  }
  // The descriptions differ (text is code 26 over UTF8, 1 over WIN1252);
  // the values do not.
  auto values = [](const std::string& table) { return table.substr(table.find("]],") + 3); };
  EXPECT_EQ(values(bytes[0]), values(bytes[1]));
  const std::string names =
      R"("NOME":["Jo\u00E3o A\u00E7\u00E3o \u20AC","aspas \"duplas\" e 'simples', barra \/ e \\",)"
      R"("tab\tnova\nlinha\u0001",null,""])";
  EXPECT_NE(bytes[0].find(names), std::string::npos) << bytes[0];
  EXPECT_NE(bytes[0].find(R"("SIGLA":["\u00E9    ","x    ","     ",null,"abcde"])"), std::string::npos) << bytes[0];
}

INSTANTIATE_TEST_SUITE_P(Modes, TableCharSetTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
