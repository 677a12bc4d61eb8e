// Values, type names, decimals and the in-memory reader: no database needed.

#include <gtest/gtest.h>

#include "db/DBXError.h"
#include "db/DBXReader.h"
#include "db/DBXTypes.h"
#include "db/DBXValue.h"
#include "db/internal/Firebird.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::ExpectThrowWithText;

TEST(DBXTypesTest, TypeNamesForMessages) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "TDBXTypes.UNKNOWN"},      {1, "TDBXTypes.ZSTRING"},     {6, "TDBXTypes.INT32"},
      {9, "TDBXTypes.BYTES"},        {14, "TDBXTypes.UNKNOWN(14)"}, {25, "TDBXTypes.Currency"},
      {26, "TDBXTypes.WideString"},  {36, "TDBXTypes.TIMESTAMPOFFSET"}, {37, "TDBXTypes.JSON"},
      {38, "TDBXTypes.UNKNOWN(38)"}, {-1, "TDBXTypes.UNKNOWN(-1)"}};
  for (const auto& [code, name] : cases) EXPECT_EQ(TDBXDataTypes::TypeName(code), name) << code;
}

TEST(DBXTypesTest, DecimalsAndCurrency) {
  const std::pair<TDBXBcd, const char*> texts[] = {
      {{1050, 2}, "10.50"}, {{-1, 4}, "-0.0001"}, {{0, 2}, "0.00"}, {{5, 0}, "5"},
      {{INT64_MIN, 4}, "-922337203685477.5808"}};
  for (const auto& [bcd, text] : texts) EXPECT_EQ(bcd.ToString(), text);
  EXPECT_EQ((TDBXBcd{1050, 2}).ToDouble(), 10.5);
  EXPECT_EQ((TDBXBcd{300, 2}).ToDouble(), 3.0);
  EXPECT_EQ(TCurrency::FromDouble(12.345649).Scaled, 123456);
  EXPECT_EQ(TCurrency::FromDouble(-0.00005).Scaled, -1);
}

TEST(DBXValueTest, ConvertsBetweenCompatibleKindsAndRefusesOthers) {
  TDBXValue v;
  EXPECT_TRUE(v.IsNull());
  v.SetBcd({1050, 2});
  EXPECT_EQ(v.GetDouble(), 10.5);
  EXPECT_EQ(v.GetCurrency().Scaled, 105000);
  EXPECT_EQ(v.GetWideString(), u"10.50");
  v.SetInt64(int64_t{1} << 40);
  EXPECT_THROW(v.GetInt32(), TDBXError);
  v.SetTimeStamp({{2013, 5, 7}, {14, 5, 9, 5}});
  EXPECT_EQ(v.GetWideString(), u"2013-05-07 14:05:09.5");
  v.SetWideString(u"x");
  ExpectThrowWithText<TDBXError>([&] { v.GetDate(); }, "Cannot read a WideString value as Date");
}

TEST(DBXErrorTest, ClientErrorsWithoutTextAreNamedByTheirCode) {
  EXPECT_EQ(ClientErrorText(335544472, ""), "DBX Error:  Invalid username or password");
  EXPECT_EQ(ClientErrorText(335544721, ""), "DBX Error:  Connection failed");
  EXPECT_EQ(ClientErrorText(335544569, ""), "DBX Error:  Vendor error");
  EXPECT_EQ(ClientErrorText(335544569, "Dynamic SQL Error"), "Dynamic SQL Error");
}

TEST(DBXMemoryReaderTest, WalksRowsAndCountsNextCalls) {
  TDBXMemoryReader reader({TDBXValueType{u"A", TDBXDataTypes::Int32Type}});
  for (int32_t i = 1; i <= 2; ++i) {
    std::vector<TDBXValue> row(1);
    row[0].SetInt32(i);
    reader.AddRow(std::move(row));
  }
  EXPECT_THROW(reader.AddRow({}), TDBXError);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Value(0).GetInt32(), 1);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.Value(0).GetInt32(), 2);
  EXPECT_FALSE(reader.Next());
  EXPECT_THROW(reader.Value(0), TDBXError);
  EXPECT_EQ(reader.NextCalls(), 3);
}

}  // namespace
}  // namespace fieldsync
