#include "core/Platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "tests/support/TempDir.h"

using namespace fieldsync;
namespace fs = std::filesystem;

namespace {

// Whether `resolved` names the place `expected` does: the same entry where
// it exists (a case-insensitive file system finds it under any spelling),
// else the same name in the same existing directory, else the same text.
bool SamePlace(const fs::path& resolved, const fs::path& expected) {
  std::error_code ec;
  if (fs::exists(expected, ec)) return fs::equivalent(resolved, expected, ec);
  if (fs::exists(expected.parent_path(), ec))
    return resolved.filename() == expected.filename() && fs::equivalent(resolved.parent_path(), expected.parent_path(), ec);
  return resolved == expected;
}

}  // namespace

TEST(Platform, ResolvesPathComponentsInAnyLetterCase) {
  const test::TTempDir dir;
  dir.Write("templates/ReverseString.html", "x");
  const fs::path& root = dir.Path();

  const struct {
    const char* Relative;
    fs::path Expected;
  } cases[] = {
      {"Templates\\ServerFunctionInvoker.html", root / "templates" / "ServerFunctionInvoker.html"},
      {"TEMPLATES/reversestring.HTML", root / "templates" / "ReverseString.html"},
      {"missing/File", root / "missing" / "File"},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(SamePlace(ResolvePath(root, c.Relative), c.Expected)) << c.Relative << " -> " << ResolvePath(root, c.Relative);
}

TEST(Platform, ExecutableDirHoldsTheRunningTest) {
  // The directory the build wrote this test program to, as the build knows it.
  EXPECT_EQ(fs::canonical(ExecutableDir()), fs::canonical(FIELDSYNC_TEST_BINARY_DIR));
}

TEST(Platform, OpensFilesWhosePathsHaveLettersOutsideAscii) {
  const test::TTempDir dir;
  const std::string name = "filial S\xC3\xA3o Jo\xC3\xA3o \xC3\xA7.txt";
  const fs::path file = dir.Path() / fs::u8path(name);
  std::FILE* out = OpenFile(file, "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("12\r\n", out);
  std::fclose(out);

  EXPECT_TRUE(fs::exists(file));
  std::FILE* in = OpenFile(file, "rb");
  ASSERT_NE(in, nullptr);
  char text[8] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text, in), 4u);
  std::fclose(in);
  EXPECT_STREQ(text, "12\r\n");
  EXPECT_TRUE(PathUtf8(file).ends_with(name)) << PathUtf8(file);

  errno = 0;
  EXPECT_EQ(OpenFile(dir.Path() / "missing.txt", "rb"), nullptr);
  EXPECT_EQ(errno, ENOENT);
}

TEST(Platform, UtcBreakdownGivesTheCalendarFields) {
  struct Case {
    std::time_t Time;
    int Year, Month, Day, Hour, Minute, Second;
  };
  const Case cases[] = {
      {-2209161600LL, 1899, 12, 30, 0, 0, 0},  // the day dates count from
      {-1, 1969, 12, 31, 23, 59, 59},
      {0, 1970, 1, 1, 0, 0, 0},
      {951868799, 2000, 2, 29, 23, 59, 59},          // a leap day's last second
      {2147483648LL, 2038, 1, 19, 3, 14, 8},          // past 32-bit seconds
      {4102444799LL, 2099, 12, 31, 23, 59, 59},
  };
  for (const auto& c : cases) {
    std::tm fields{};
    ASSERT_TRUE(UtcBreakdown(c.Time, fields)) << c.Time;
    EXPECT_EQ(fields.tm_year + 1900, c.Year) << c.Time;
    EXPECT_EQ(fields.tm_mon + 1, c.Month) << c.Time;
    EXPECT_EQ(fields.tm_mday, c.Day) << c.Time;
    EXPECT_EQ(fields.tm_hour, c.Hour) << c.Time;
    EXPECT_EQ(fields.tm_min, c.Minute) << c.Time;
    EXPECT_EQ(fields.tm_sec, c.Second) << c.Time;
  }
}

TEST(Platform, EnvironmentVariablesAreSetKeptAndRemoved) {
  constexpr const char* name = "FIELDSYNC_PLATFORM_TEST_VARIABLE";
  UnsetEnvironment(name);
  EXPECT_EQ(EnvironmentVariable(name), "");
  SetEnvironment(name, "first", false);
  EXPECT_EQ(EnvironmentVariable(name), "first");
  SetEnvironment(name, "second", false);  // kept: not replaced
  EXPECT_EQ(EnvironmentVariable(name), "first");
  SetEnvironment(name, "third");
  EXPECT_EQ(EnvironmentVariable(name), "third");
  UnsetEnvironment(name);
  EXPECT_EQ(EnvironmentVariable(name), "");
}

TEST(Platform, ASharedLibraryThatIsNotThereIsReportedAsNotFound) {
  const test::TTempDir dir;
  for (const fs::path& name : {fs::path("fieldsync-no-such-library"), dir.Path() / "fieldsync-no-such-library"}) {
    const TLoadedLibrary library = LoadSharedLibrary(name);
    EXPECT_EQ(library.Handle, nullptr) << name;
    EXPECT_EQ(library.ErrorCode, SharedLibraryNotFoundCode) << name;
  }
  EXPECT_EQ(SharedLibrarySymbol(nullptr, "main"), nullptr);
}
