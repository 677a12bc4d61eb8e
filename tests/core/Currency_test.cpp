#include "core/Currency.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/Error.h"

using namespace fieldsync;

TEST(Currency, RoundsToFourDecimalsAndPrintsPlainText) {
  struct Case {
    double value;
    int64_t scaled;
    const char* text;
  } cases[] = {
      {0, 0, "0"},          {10.5, 105000, "10.5"},       {-0.0001, -1, "-0.0001"},
      {1.23456, 12346, "1.2346"}, {-1.00005, -10001, "-1.0001"}, {123456789.5, 1234567895000, "123456789.5"},
  };
  for (const auto& c : cases) {
    const TCurrency v = TCurrency::FromDouble(c.value);
    EXPECT_EQ(v.Scaled, c.scaled) << c.value;
    EXPECT_EQ(v.ToString(), c.text) << c.value;
  }
  EXPECT_EQ(TCurrency::FromScaled(INT64_MIN).ToString(), "-922337203685477.5808");
}

TEST(Currency, RejectsValuesBeyondItsRange) {
  EXPECT_THROW(TCurrency::FromDouble(1e15), Exception);
  EXPECT_THROW(TCurrency::FromDouble(std::nan("")), Exception);
}
