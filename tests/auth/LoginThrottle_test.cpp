#include "auth/LoginThrottle.h"

#include <gtest/gtest.h>

namespace fieldsync {
namespace {

// Five failures within a minute block for a minute.
TEST(LoginThrottle, BlocksAnAddressAfterItsFailuresWithinTheWindow) {
  struct TCase {
    const char* Name;
    std::vector<int64_t> FailuresAtMs;
    int64_t AskedAtMs;
    std::optional<int> RetryAfter;
  };
  const TCase cases[] = {
      {"four failures", {0, 1, 2, 3}, 4, std::nullopt},
      {"the fifth blocks", {0, 1, 2, 3, 4}, 4, 60},
      {"rounded up to whole seconds", {0, 1, 2, 3, 4}, 1005, 59},
      {"one second left", {0, 1, 2, 3, 4}, 59004, 1},
      {"the block ends", {0, 1, 2, 3, 4}, 60004, std::nullopt},
      {"spread past the window", {0, 20000, 40000, 60000, 60001}, 60002, std::nullopt},
      {"a new window after it", {0, 60001, 60002, 60003, 60004, 60005}, 60006, 60},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TLoginThrottle throttle;
    for (int64_t at : c.FailuresAtMs) throttle.Failed("10.0.0.1", at);
    EXPECT_EQ(throttle.RetryAfter("10.0.0.1", c.AskedAtMs), c.RetryAfter);
    EXPECT_EQ(throttle.RetryAfter("10.0.0.2", c.AskedAtMs), std::nullopt) << "another address";
  }
}

TEST(LoginThrottle, ForgetsOldAddressesWhenFull) {
  TLoginThrottle throttle({5, 60000, 60000, 4});
  for (int i = 0; i < 5; ++i) throttle.Failed("10.0.0.9", 0);
  for (int i = 0; i < 8; ++i) throttle.Failed("10.0.1." + std::to_string(i), 1000 * i);
  EXPECT_EQ(throttle.RetryAfter("10.0.0.9", 10000), 50) << "a blocked address stays blocked";
  for (int i = 0; i < 4; ++i) throttle.Failed("10.0.0.1", 100000 + i);
  throttle.Failed("10.0.0.1", 100004);
  EXPECT_EQ(throttle.RetryAfter("10.0.0.1", 100004), 60);
}

}  // namespace
}  // namespace fieldsync
