#include "json/JSONNumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "json/JSONValue.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::ExpectThrowWithText;

TEST(JSONNumberText, WritesDoublesByTheFifteenDigitRule) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {10.5, "10.5"},
      {100, "100"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1234567890123456, "1.23456789012346E15"},
      {0.1 + 0.2, "0.3"},
      {0, "0"},
      {-0.0, "0"},
      {-7, "-7"},
      {42, "42"},
      {-1.5, "-1.5"},
      {0.001234, "0.001234"},
      {0.0001234, "0.0001234"},
      {0.00001234, "1.234E-5"},
      {123456789012345.6, "123456789012346"},
      {999999999999999.9, "1E15"},
      {1.5e15, "1.5E15"},
      {1e16, "1E16"},
      {1e100, "1E100"},
      {-2.5e-10, "-2.5E-10"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {12345.678, "12345.678"},
      {std::numeric_limits<double>::max(), "1.79769313486232E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
      {std::nan(""), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JSONFloatText(c.value), c.text);
    EXPECT_EQ(TJSONNumber(c.value).ToBytes(), c.text);
  }
}

TEST(JSONNumberText, WritesIntegersInDecimal) {
  EXPECT_EQ(TJSONNumber(int32_t{0}).ToBytes(), "0");
  EXPECT_EQ(TJSONNumber(int32_t{-2147483647 - 1}).ToBytes(), "-2147483648");
  EXPECT_EQ(TJSONNumber(int64_t{9223372036854775807}).ToBytes(), "9223372036854775807");
  EXPECT_EQ(TJSONNumber(std::numeric_limits<int64_t>::min()).ToBytes(), "-9223372036854775808");
  EXPECT_EQ(TJSONNumber(u"1.50E+2").ToBytes(), "1.50E+2");  // a text is kept as given
}

TEST(JSONNumberText, ReadsDecimalIntegers) {
  struct Case {
    std::u16string text;
    int64_t value;
  } good[] = {
      {u"0", 0}, {u"-0", 0}, {u"+5", 5}, {u"007", 7},
      {u"2147483647", 2147483647}, {u"-2147483648", -2147483648LL},
      {u"9223372036854775807", 9223372036854775807LL},
      {u"-9223372036854775808", std::numeric_limits<int64_t>::min()},
  };
  for (const auto& c : good) EXPECT_EQ(TJSONNumber(c.text).GetAsInt64(), c.value);
  EXPECT_EQ(TJSONNumber(u"-2147483648").GetAsInt(), -2147483647 - 1);

  for (const std::u16string text : {u"", u"-", u"1.0", u"1e5", u" 1", u"1 ", u"abc", u"0x10",
                                    u"9223372036854775808", u"-9223372036854775809", u"\u0661"}) {
    EXPECT_THROW(TJSONNumber(text).GetAsInt64(), Exception);
  }
  for (const std::u16string text : {u"2147483648", u"-2147483649", u"12.5"}) {
    EXPECT_THROW(TJSONNumber(text).GetAsInt(), Exception);
  }
}

TEST(JSONNumberText, ConversionErrorsNameTheText) {
  ExpectThrowWithText<Exception>([&] { TJSONNumber(u"12.5").GetAsInt(); }, "''12.5'' is not a valid integer value");
  ExpectThrowWithText<Exception>([&] { TJSONNumber(u"12,5").GetAsDouble(); },
                                 "'12,5' is not a valid floating point value");
  ExpectThrowWithText<Exception>([&] { TJSONNumber(u"\u00E9").GetAsInt64(); },
                                 "''\xC3\xA9'' is not a valid integer value");
}

TEST(JSONNumberText, ReadsFloatingPointTexts) {
  struct Case {
    std::u16string text;
    double value;
  } good[] = {
      {u"0", 0}, {u"-0.50", -0.5}, {u"1.50E+2", 150}, {u"1e-3", 0.001}, {u"+2.5", 2.5},
      {u"1.", 1}, {u".5", 0.5}, {u"1E308", 1e308}, {u"1e-400", 0}, {u"0.1", 0.1},
  };
  for (const auto& c : good) EXPECT_EQ(TJSONNumber(c.text).GetAsDouble(), c.value);
  for (const std::u16string text : {u"", u".", u"-", u"1e", u"1e+", u"12,5", u" 1", u"1 ", u"inf", u"nan",
                                    u"0x1p3", u"1e999", u"1.5.2"}) {
    double value = 0;
    EXPECT_FALSE(TryJSONTextToDouble(text, value));
    EXPECT_THROW(TJSONNumber(text).GetAsDouble(), Exception);
  }
}

TEST(JSONNumberText, ValueReadsShortOrFractionalTextsAsDoubles) {
  struct Case {
    std::u16string text;
    std::u16string value;
  } cases[] = {
      {u"42", u"42"},
      {u"-0.50", u"-0.5"},
      {u"1.50E+2", u"150"},
      {u"1e5", u"100000"},
      {u"00000000012", u"12"},             // 11 characters: a double
      {u"12345678901234567", u"12345678901234567"},  // 17 digits: kept by the integer reading
      {u"1234567890123.456789", u"1234567890123.46"},
      {u"-9223372036854775808", u"-9223372036854775808"},
  };
  for (const auto& c : cases) EXPECT_EQ(TJSONNumber(c.text).Value(), c.value) << TJSONNumber(c.text).ToBytes();
  EXPECT_THROW(TJSONNumber(u"12345678901e5").Value(), Exception);
}
