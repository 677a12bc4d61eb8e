#include "core/Platform.h"

#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

using namespace fieldsync;
namespace fs = std::filesystem;

TEST(Platform, ResolvesPathComponentsInAnyLetterCase) {
  fs::path root = fs::temp_directory_path() / ("fieldsync_platform_" + std::to_string(::getpid()));
  fs::create_directories(root / "templates");
  std::ofstream(root / "templates" / "ReverseString.html") << "x";

  EXPECT_EQ(ResolvePath(root, "Templates\\ServerFunctionInvoker.html"),
            root / "templates" / "ServerFunctionInvoker.html");
  EXPECT_EQ(ResolvePath(root, "TEMPLATES/reversestring.HTML"), root / "templates" / "ReverseString.html");
  EXPECT_EQ(ResolvePath(root, "missing/File"), root / "missing" / "File");
  fs::remove_all(root);
}

TEST(Platform, ExecutableDirHoldsTheRunningTest) {
  EXPECT_TRUE(fs::is_directory(ExecutableDir()));
}
