#include "core/Error.h"

#include <gtest/gtest.h>

using namespace fieldsync;

TEST(FormatText, FillsPlaceholdersInOrder) {
  EXPECT_EQ(FormatText("Unable to load %s (ErrorCode %d).", {"x.so", "126"}),
            "Unable to load x.so (ErrorCode 126).");
  EXPECT_EQ(FormatText("100%% of %s", {"it"}), "100% of it");
  EXPECT_EQ(FormatText("a %s b %s", {"1"}), "a 1 b ");
  EXPECT_EQ(FormatText("trailing %", {}), "trailing %");
}
