// The table object and the value conversions, over in-memory readers.

#include <gtest/gtest.h>

#include <sstream>

#include "db/DBXError.h"
#include "json/DBXJSONTools.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::ExpectThrowWithText;

TDBXValueType Column(const char16_t* name, int32_t code, int32_t flags = 0) {
  TDBXValueType t;
  t.Name = name;
  t.DataType = code;
  t.Flags = flags;
  return t;
}

TDBXValue Int(int64_t v) {
  TDBXValue x;
  x.SetInt64(v);
  return x;
}

TDBXValue Str(const char16_t* s) {
  TDBXValue x;
  x.SetWideString(s);
  return x;
}

std::vector<TDBXValue> Row(TDBXValue a, TDBXValue b) {
  std::vector<TDBXValue> row;
  row.push_back(std::move(a));
  row.push_back(std::move(b));
  return row;
}

// A reader with columns A (INT32) and B (WideString) and `rows` rows i, "r<i>".
std::unique_ptr<TDBXMemoryReader> TwoColumns(int rows) {
  auto reader = std::make_unique<TDBXMemoryReader>(std::vector<TDBXValueType>{
      Column(u"A", TDBXDataTypes::Int32Type), Column(u"B", TDBXDataTypes::WideStringType, 1)});
  for (int i = 1; i <= rows; ++i) {
    std::u16string text = u"r" + std::u16string(1, char16_t(u'0' + i));
    reader->AddRow(Row(Int(i), Str(text.c_str())));
  }
  return reader;
}

const std::string DescA = R"(["A",6,0,0,0,0,0,0,false,false,0,false,false])";
const std::string DescB = R"(["B",26,1,0,0,0,0,0,true,false,0,false,false])";

TEST(TableToJSONTest, WritesTableThenOneArrayPerColumn) {
  auto tree = TDBXJSONTools::TableToJSON(TwoColumns(2));
  EXPECT_EQ(tree->ToBytes(), "{\"table\":[" + DescA + "," + DescB + "],\"A\":[1,2],\"B\":[\"r1\",\"r2\"]}");
}

TEST(TableToJSONTest, NoRowsGivesOnlyAnEmptyTableAndAbsentReaderAnEmptyObject) {
  EXPECT_EQ(TDBXJSONTools::TableToJSON(TwoColumns(0))->ToBytes(), R"({"table":[]})");
  EXPECT_EQ(TDBXJSONTools::TableToJSON(std::unique_ptr<TDBXReader>())->ToBytes(), "{}");
  std::string bytes;
  TDBXJSONTools::TableToBytes(nullptr, TDBXJSONTools::AllRows, bytes);
  EXPECT_EQ(bytes, "{}");
}

TEST(TableToJSONTest, AllowanceAdvancesTheReaderOnePastTheRowsWritten) {
  auto reader = TwoColumns(5);
  TDBXMemoryReader& kept = *reader;
  auto tree = TDBXJSONTools::TableToJSON(kept, 2);
  EXPECT_EQ(tree->ToBytes(), "{\"table\":[" + DescA + "," + DescB + "],\"A\":[1,2],\"B\":[\"r1\",\"r2\"]}");
  EXPECT_EQ(kept.NextCalls(), 3);
  EXPECT_TRUE(kept.IsClosed());
  EXPECT_EQ(TDBXJSONTools::TableToJSON(TwoColumns(3), 0)->ToBytes(), R"({"table":[]})");
}

TEST(TableToJSONTest, RowWindowSkipsThenWrites) {
  const std::pair<std::pair<int32_t, int32_t>, std::string> cases[] = {
      {{2, 1}, R"("A":[3],"B":["r3"])"},
      {{0, 2}, R"("A":[1,2],"B":["r1","r2"])"},
      {{4, 10}, R"("A":[5],"B":["r5"])"},
      {{5, 1}, ""},
      {{9, 1}, ""},
  };
  for (const auto& [window, columns] : cases) {
    const std::string expected =
        columns.empty() ? R"({"table":[]})" : "{\"table\":[" + DescA + "," + DescB + "]," + columns + "}";
    EXPECT_EQ(TDBXJSONTools::TableWindowToJSON(TwoColumns(5), window.first, window.second)->ToBytes(), expected)
        << window.first << "," << window.second;
  }
}

TEST(TableToJSONTest, SameColumnNameTwiceGivesTwoPairs) {
  auto reader = std::make_unique<TDBXMemoryReader>(
      std::vector<TDBXValueType>{Column(u"X", TDBXDataTypes::Int32Type), Column(u"X", TDBXDataTypes::Int32Type)});
  reader->AddRow(Row(Int(1), Int(2)));
  const std::string bytes = TDBXJSONTools::TableToJSON(std::move(reader))->ToBytes();
  EXPECT_NE(bytes.find(R"("X":[1],"X":[2])"), std::string::npos) << bytes;
}

// Each data-type code with a value, and the bytes of its JSON form.
TEST(DBXToJSONTest, EachCodeHasItsForm) {
  struct Case {
    int32_t code;
    TDBXValue value;
    std::string bytes;
  };
  std::vector<Case> cases;
  auto add = [&](int32_t code, auto set, std::string bytes) {
    TDBXValue v;
    set(v);
    cases.push_back(Case{code, std::move(v), std::move(bytes)});
  };
  add(1, [](TDBXValue& v) { v.SetWideString(u"Ação \"x\""); }, R"("A\u00E7\u00E3o \"x\"")");
  add(26, [](TDBXValue& v) { v.SetWideString(u""); }, R"("")");
  add(2, [](TDBXValue& v) { v.SetDate({2013, 5, 7}); }, R"("2013-05-07")");
  add(10, [](TDBXValue& v) { v.SetTime({14, 5, 9, 250}); }, R"("14:05:09")");
  add(24, [](TDBXValue& v) { v.SetTimeStamp({{2013, 5, 7}, {14, 5, 9, 250}}); }, R"("2013-05-07 14:05:09.250")");
  add(24, [](TDBXValue& v) { v.SetTimeStamp({{2013, 5, 7}, {14, 5, 9, 5}}); }, R"("2013-05-07 14:05:09.5")");
  add(24, [](TDBXValue& v) { v.SetTimeStamp({{2013, 5, 7}, {0, 0, 0, 0}}); }, R"("2013-05-07.0")");
  add(24, [](TDBXValue& v) { v.SetTimeStamp({{2013, 5, 7}, {0, 0, 1, 0}}); }, R"("2013-05-07 00:00:01.0")");
  add(3, [](TDBXValue& v) { v.SetBytes({0, 255, 'a'}); }, "[0,255,97]");
  add(33, [](TDBXValue& v) { v.SetBytes({}); }, "[]");
  add(4, [](TDBXValue& v) { v.SetBoolean(true); }, "true");
  add(4, [](TDBXValue& v) { v.SetBoolean(false); }, "false");
  add(5, [](TDBXValue& v) { v.SetInt64(-7); }, "-7");
  add(6, [](TDBXValue& v) { v.SetInt64(42); }, "42");
  add(7, [](TDBXValue& v) { v.SetDouble(0.1); }, "0.1");
  add(8, [](TDBXValue& v) { v.SetBcd({1050, 2}); }, "10.5");
  add(8, [](TDBXValue& v) { v.SetBcd({300, 2}); }, "3");
  add(25, [](TDBXValue& v) { v.SetCurrency(TCurrency{123450}); }, "12.345");
  add(18, [](TDBXValue& v) { v.SetInt64(9007199254740993LL); }, "9007199254740993");
  add(19, [](TDBXValue& v) { v.SetInt64(INT64_MAX); }, "9223372036854775807");
  add(27, [](TDBXValue& v) { v.SetSingle(0.5f); }, "0.5");
  add(29, [](TDBXValue& v) { v.SetInt64(200); }, "200");
  add(11, [](TDBXValue& v) { v.SetTimeStamp({{2020, 1, 2}, {3, 4, 5, 0}}); }, R"("2020-01-02 03:04:05.0")");
  add(9, [](TDBXValue& v) { v.SetNull(); }, "null");  // NULL of any code
  for (const Case& c : cases)
    EXPECT_EQ(TDBXJSONTools::DBXToJSON(&c.value, c.code)->ToBytes(), c.bytes) << "code " << c.code;
  EXPECT_EQ(TDBXJSONTools::DBXToJSON(nullptr, 6), nullptr);
}

TEST(DBXToJSONTest, CodesWithoutJSONFormAreRefusedByName) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "TDBXTypes.UNKNOWN"}, {9, "TDBXTypes.BYTES"},    {15, "TDBXTypes.VARBYTES"},
      {17, "TDBXTypes.CURSOR"}, {35, "TDBXTypes.Variant"}, {36, "TDBXTypes.TIMESTAMPOFFSET"},
      {14, "TDBXTypes.UNKNOWN(14)"}, {40, "TDBXTypes.UNKNOWN(40)"}};
  TDBXValue v;
  v.SetInt64(1);
  for (const auto& [code, name] : cases) {
    ExpectThrowWithText<TDBXError>([&] { TDBXJSONTools::DBXToJSON(&v, code); },
                                   "Cannot convert DBX type " + std::string(name) + " into a JSON value");
  }
  // One such column fails the whole table.
  auto reader = std::make_unique<TDBXMemoryReader>(std::vector<TDBXValueType>{Column(u"V", 9)});
  std::vector<TDBXValue> row(1);
  row[0].SetInt64(1);
  reader->AddRow(std::move(row));
  EXPECT_THROW(TDBXJSONTools::TableToJSON(std::move(reader)), TDBXError);
}

TEST(DBXToJSONTest, NestedTableAndJSONValue) {
  TDBXValue nested;
  nested.SetReader(TwoColumns(1));
  EXPECT_EQ(TDBXJSONTools::DBXToJSON(&nested, 23)->ToBytes(),
            "{\"table\":[" + DescA + "," + DescB + "],\"A\":[1],\"B\":[\"r1\"]}");
  TDBXValue json;
  json.SetObject(std::make_shared<TDBXJSONValueObject>(std::make_unique<TJSONArray>(u"a", u"b")));
  EXPECT_EQ(TDBXJSONTools::DBXToJSON(&json, 37)->ToBytes(), R"(["a","b"])");
}

TEST(ValueTypeToJSONTest, ThirteenElementsWithFlagsAndSizes) {
  TDBXValueType t = Column(u"VALOR", TDBXDataTypes::BcdType, TDBXValueTypeFlags::Nullable |
                                                             TDBXValueTypeFlags::Hidden |
                                                             TDBXValueTypeFlags::ValueParameter |
                                                             TDBXValueTypeFlags::Literal);
  t.Ordinal = 3;
  t.SubType = 1;
  t.Scale = 2;
  t.Size = 8;
  t.Precision = 18;
  t.ChildPosition = 0;
  t.ParameterDirection = TDBXParameterDirections::InOutParameter;
  EXPECT_EQ(TDBXJSONTools::ValueTypeToJSON(t)->ToBytes(), R"(["VALOR",8,3,1,2,8,18,0,true,true,3,true,true])");
}

TEST(StreamToJSONTest, OffsetCountAndTheWayBack) {
  std::istringstream stream(std::string("\x01\x02\xFF\x04", 4));
  EXPECT_EQ(TDBXJSONTools::StreamToJSON(&stream, 1, 2)->ToBytes(), "[2,255]");
  EXPECT_EQ(TDBXJSONTools::StreamToJSON(static_cast<std::istream*>(nullptr), 0, 5)->ToBytes(), "[]");
  const std::vector<uint8_t> bytes = {9, 8, 7};
  EXPECT_EQ(TDBXJSONTools::StreamToJSON(std::span<const uint8_t>(bytes), 2, 5)->ToBytes(), "[7]");
  EXPECT_EQ(TDBXJSONTools::StreamToJSON(std::span<const uint8_t>(bytes), 3, 5)->ToBytes(), "[]");
  auto array = TDBXJSONTools::StreamToJSON(std::span<const uint8_t>(bytes), 0, TDBXJSONTools::AllRows);
  EXPECT_EQ(TDBXJSONTools::JSONToStream(*array), bytes);
  TJSONArray bad;
  bad.Add(256);
  EXPECT_THROW(TDBXJSONTools::JSONToStream(bad), Exception);
}

TEST(SubStringToJSONTest, TextsAndBlobs) {
  TDBXValue text;
  text.SetWideString(u"abcdef");
  const std::tuple<int64_t, int32_t, const char*> cases[] = {
      {0, 3, R"("abc")"}, {2, 2, R"("cd")"}, {4, 100, R"("ef")"}, {6, 1, R"("")"}, {10, 1, R"("")"},
      {0, TDBXJSONTools::AllRows, R"("abcdef")"}};
  for (const auto& [offset, count, bytes] : cases)
    EXPECT_EQ(TDBXJSONTools::SubStringToJSON(&text, 26, offset, count)->ToBytes(), bytes) << offset;
  TDBXValue blob;
  blob.SetBytes({1, 2, 3, 4});
  EXPECT_EQ(TDBXJSONTools::SubStringToJSON(&blob, 3, 1, 2)->ToBytes(), "[2,3]");
  TDBXValue number;
  number.SetInt64(5);
  EXPECT_EQ(TDBXJSONTools::SubStringToJSON(&number, 6, 1, 1)->ToBytes(), "5");
}

TEST(ParseRangeTest, NeedsOneCharacterOnEachSideOfTheFirstComma) {
  int32_t offset = -1, count = -1;
  EXPECT_TRUE(TDBXJSONTools::ParseRange(u"2,10", offset, count));
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(count, 10);
  for (const char16_t* refused : {u"", u",", u"2,", u",3", u"23"})
    EXPECT_FALSE(TDBXJSONTools::ParseRange(refused, offset, count));
  ExpectThrowWithText<Exception>([&] { TDBXJSONTools::ParseRange(u"x,1", offset, count); },
                                 "''x'' is not a valid integer value");
  EXPECT_THROW(TDBXJSONTools::ParseRange(u"1,2,3", offset, count), Exception);
}

TEST(TableToBytesTest, StreamedBytesEqualTheTreesBytes) {
  auto make = [] {
    auto reader = std::make_unique<TDBXMemoryReader>(std::vector<TDBXValueType>{
        Column(u"N\u00DAMERO", 8, 1), Column(u"T", 26), Column(u"B", 3), Column(u"D", 24), Column(u"I", 18)});
    for (int i = 0; i < 50; ++i) {
      std::vector<TDBXValue> row(5);
      if (i % 7) row[0].SetBcd({i * 105, 2});
      row[1].SetWideString(i % 3 ? u"S\u00E3o Jos\u00E9 \"\\/\t" : u"");
      if (i % 5) row[2].SetBytes({uint8_t(i), 0, 255});
      row[3].SetTimeStamp({{2000 + i, 1 + i % 12, 1 + i % 28}, {i % 24, 0, 0, i}});
      row[4].SetInt64(int64_t{1} << (i % 63));
      reader->AddRow(std::move(row));
    }
    return reader;
  };
  for (int32_t rows : {TDBXJSONTools::AllRows, 7, 0}) {
    std::string streamed = "prefix";
    TDBXJSONTools::TableToBytes(make(), rows, streamed);
    EXPECT_EQ(streamed, "prefix" + TDBXJSONTools::TableToJSON(make(), rows)->ToBytes()) << rows;
    // As buffers: the same bytes once joined, the length known beforehand.
    std::vector<std::string> buffers;
    const size_t length = TDBXJSONTools::TableToBuffers(make(), rows, buffers);
    std::string joined;
    for (const std::string& buffer : buffers) joined += buffer;
    EXPECT_EQ("prefix" + joined, streamed) << rows;
    EXPECT_EQ(length, joined.size()) << rows;
  }
  std::vector<std::string> none;
  EXPECT_EQ(TDBXJSONTools::TableToBuffers(nullptr, TDBXJSONTools::AllRows, none), 2u);
  EXPECT_EQ(none, std::vector<std::string>{"{}"});
}

}  // namespace
}  // namespace fieldsync
