#include "core/Platform.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

using namespace fieldsync;
namespace fs = std::filesystem;

TEST(Platform, ResolvesPathComponentsInAnyLetterCase) {
  const test::TTempDir dir;
  dir.Write("templates/ReverseString.html", "x");
  const fs::path& root = dir.Path();

  EXPECT_EQ(ResolvePath(root, "Templates\\ServerFunctionInvoker.html"),
            root / "templates" / "ServerFunctionInvoker.html");
  EXPECT_EQ(ResolvePath(root, "TEMPLATES/reversestring.HTML"), root / "templates" / "ReverseString.html");
  EXPECT_EQ(ResolvePath(root, "missing/File"), root / "missing" / "File");
}

TEST(Platform, ExecutableDirHoldsTheRunningTest) {
  // The directory the build wrote this test program to, as the build knows it.
  EXPECT_EQ(fs::canonical(ExecutableDir()), fs::canonical(FIELDSYNC_TEST_BINARY_DIR));
}
