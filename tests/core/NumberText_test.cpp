#include "core/NumberText.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "core/Text.h"

using namespace fieldsync;

// Every row is read by both text forms, so that bytes and UTF-16 agree.
TEST(NumberText, ReadsSignedIntegersOnTheEdges) {
  struct Case {
    const char* text;
    std::optional<int32_t> int32;
    std::optional<int64_t> int64;
  } cases[] = {
      {"0", 0, 0},
      {"12", 12, 12},
      {"+12", 12, 12},
      {"-12", -12, -12},
      {"007", 7, 7},
      {"2147483647", INT32_MAX, INT32_MAX},
      {"2147483648", std::nullopt, 2147483648LL},
      {"-2147483648", INT32_MIN, INT32_MIN},
      {"-2147483649", std::nullopt, -2147483649LL},
      {"9223372036854775807", std::nullopt, LLONG_MAX},
      {"9223372036854775808", std::nullopt, std::nullopt},
      {"-9223372036854775808", std::nullopt, LLONG_MIN},
      {"-9223372036854775809", std::nullopt, std::nullopt},
      {"99999999999999999999999", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt},
      {"+", std::nullopt, std::nullopt},
      {"+-5", std::nullopt, std::nullopt},
      {"--5", std::nullopt, std::nullopt},
      {" ", std::nullopt, std::nullopt},
      {"\t", std::nullopt, std::nullopt},
      {" 12", std::nullopt, std::nullopt},
      {"12 ", std::nullopt, std::nullopt},
      {"1 2", std::nullopt, std::nullopt},
      {"0x1F", std::nullopt, std::nullopt},
      {"1F", std::nullopt, std::nullopt},
      {"12.0", std::nullopt, std::nullopt},
      {"1e3", std::nullopt, std::nullopt},
      {"1,000", std::nullopt, std::nullopt},
      {"abc", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextToInt32(std::string_view(c.text)), c.int32) << '"' << c.text << '"';
    EXPECT_EQ(TextToInt64(std::string_view(c.text)), c.int64) << '"' << c.text << '"';
    const std::u16string wide = Latin1ToUtf16(c.text);
    EXPECT_EQ(TextToInt32(std::u16string_view(wide)), c.int32) << '"' << c.text << '"';
    EXPECT_EQ(TextToInt64(std::u16string_view(wide)), c.int64) << '"' << c.text << '"';
  }
}

TEST(NumberText, WideDigitsOfOtherScriptsAreNotNumbers) {
  EXPECT_EQ(TextToInt32(std::u16string_view(u"\uFF11\uFF12")), std::nullopt);  // fullwidth 1 2
  EXPECT_EQ(TextToInt32(std::u16string_view(u"\u0661")), std::nullopt);        // Arabic-Indic 1
}

TEST(NumberText, ReadsUnsignedDigitsUpToTheLargestValue) {
  struct Case {
    const char* text;
    std::optional<uint64_t> value;
  } cases[] = {
      {"0", 0},
      {"0000000000000000000000042", 42},
      {"18446744073709551615", ULLONG_MAX},
      {"18446744073709551616", std::nullopt},
      {"", std::nullopt},
      {"+1", std::nullopt},
      {"-1", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DigitsToUInt64(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberText, SkipsOnlySpacesAndTabsBeforeAText) {
  EXPECT_EQ(SkipLeadingBlanks(u" \t 12 "), u"12 ");
  EXPECT_EQ(SkipLeadingBlanks(u"\n12"), u"\n12");
  EXPECT_EQ(SkipLeadingBlanks(u"   "), u"");
  EXPECT_EQ(SkipLeadingBlanks(u""), u"");
}

TEST(NumberText, ReadsFractionsWithAPointOnly) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"0.5", 0.5}, {"1", 1.0}, {".5", 0.5}, {"-2.25", -2.25}, {"2e-3", 0.002}, {"1E2", 100.0},
      {"", std::nullopt}, {"+1", std::nullopt}, {"0,5", std::nullopt}, {" 1", std::nullopt},
      {"1 ", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"0x1p3", std::nullopt},
      {"1.2.3", std::nullopt}, {"-", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToDouble(c.text), c.value) << '"' << c.text << '"';
}

TEST(NumberText, WritesFixedFractionsRoundedToNearest) {
  EXPECT_EQ(FixedText(1.5, 1), "1.5");
  EXPECT_EQ(FixedText(0.0, 3), "0.000");
  EXPECT_EQ(FixedText(2.0 / 3.0, 3), "0.667");
  EXPECT_EQ(FixedText(0.05, 1), "0.1");  // the double nearest 0.05 lies just above it
  EXPECT_EQ(FixedText(-0.04, 1), "-0.0");
  EXPECT_EQ(FixedText(1234567.0, 0), "1234567");
}
