// Dates and times in the program's regional settings.

#include "core/Regional.h"

#include <gtest/gtest.h>

namespace fieldsync {
namespace {

TEST(Regional, FormatsShortDateAndLongTime) {
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 7, 9, 5, 4)), "07/03/2026 09:05:04");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 7)), "07/03/2026");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(1899, 12, 30, 23, 59, 59)), "30/12/1899 23:59:59");
  EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1765324800)), 1765324800);
  EXPECT_NEAR(UtcToLocal(LocalToUtc(45000.5)), 45000.5, 1e-9);
}

}  // namespace
}  // namespace fieldsync
