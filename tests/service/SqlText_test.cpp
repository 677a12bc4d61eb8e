#include "service/internal/SqlText.h"

#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Text.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::ExpectThrowWithText;

TEST(SqlText, QuotesIntegersAsText) {
  const struct {
    int32_t value;
    const char16_t* sql;
  } cases[] = {
      {0, u"'0'"}, {42, u"'42'"}, {-7, u"'-7'"}, {2147483647, u"'2147483647'"}, {INT32_MIN, u"'-2147483648'"},
  };
  for (const auto& c : cases) EXPECT_EQ(Q(c.value), c.sql) << c.value;
}

TEST(SqlText, QuotesTextAndDoublesSingleQuotes) {
  const struct {
    const char16_t* text;
    const char16_t* sql;
  } cases[] = {
      {u"", u"''"},
      {u"abc", u"'abc'"},
      {u"O'Neil", u"'O''Neil'"},
      {u"'", u"''''"},
      {u"' or '1'='1", u"''' or ''1''=''1'"},
      {u"Jos\u00e9 %_", u"'Jos\u00e9 %_'"},  // accents and LIKE wildcards pass unchanged
  };
  for (const auto& c : cases) EXPECT_EQ(S(c.text), c.sql) << Utf16ToUtf8(c.text);
}

TEST(SqlText, FillsMarkersInOrderAndRejectsMismatches) {
  EXPECT_EQ(FillSql(u"a = {0} and b = {1}", {u"'1'", u"'x'"}), u"a = '1' and b = 'x'");
  EXPECT_EQ(FillSql(u"{1}{0}", {u"a", u"b"}), u"ba");
  EXPECT_EQ(FillSql(u"no markers", {}), u"no markers");
  // An argument's own braces are not markers.
  EXPECT_EQ(FillSql(u"x = {0}", {u"'{1}'"}), u"x = '{1}'");
  EXPECT_THROW(FillSql(u"a = {0} and b = {1}", {u"'1'"}), Exception);
  EXPECT_THROW(FillSql(u"a = {0}", {u"'1'", u"'2'"}), Exception);
  EXPECT_THROW(FillSql(u"a = {x}", {}), Exception);
}

TEST(SqlText, ConvertsRegionalShortDates) {
  const struct {
    const char16_t* text;
    int32_t year, month, day;
  } cases[] = {
      {u"10/12/2026", 2026, 12, 10}, {u"5/3/2012", 2012, 3, 5},   {u"05/03/2012", 2012, 3, 5},
      {u"29/02/2024", 2024, 2, 29},  {u"31/12/9999", 9999, 12, 31}, {u" 1/1/2000 ", 2000, 1, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StrToDate(c.text), (TDBXDate{c.year, c.month, c.day})) << Utf16ToUtf8(c.text);
}

TEST(SqlText, RejectsTextThatIsNoDateWithItsMessage) {
  const char16_t* cases[] = {u"",           u"abc",        u"29/02/2023", u"31/04/2026", u"00/01/2026",
                             u"1/13/2026",  u"2026-12-10", u"10/12/26",   u"10/12/2026x", u"10.12.2026",
                             u"123/1/2026", u"1//2026",    u"10/12/0000"};
  for (const char16_t* text : cases) {
    ExpectThrowWithText<Exception>([&] { StrToDate(text); }, "''" + Utf16ToUtf8(text) + "'' is not a valid date");
  }
}

}  // namespace
}  // namespace fieldsync
