// The zip writer: entries by relative name in name order, writers'
// temporary files left out, the old archive replaced whole or kept, and
// several trees laid over each other.

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Platform.h"

#include "clientgen/ZipDirectory.h"
#include "tests/support/TempDir.h"

namespace fieldsync {
namespace {

namespace fs = std::filesystem;

// The bytes of one entry of an archive; empty when it has none of that name.
std::string ZipEntryText(const fs::path& zipFile, const std::string& name) {
  int error = 0;
  zip_t* archive = zip_open(PathUtf8(zipFile).c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string text;
  zip_stat_t stat;
  zip_file_t* entry = nullptr;
  if (zip_stat(archive, name.c_str(), 0, &stat) == 0 && (entry = zip_fopen(archive, name.c_str(), 0))) {
    text.resize(stat.size);
    if (zip_fread(entry, text.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) text.clear();
    zip_fclose(entry);
  }
  zip_discard(archive);
  return text;
}

TEST(ZipDirectory, StoresEveryFileByItsRelativeNameAndReplacesTheOldArchiveWhole) {
  test::TTempDir dir;
  dir.Write("src/b.txt", "bee");
  dir.Write("src/a/deep/c.txt", std::string(100000, 'c'));
  dir.Write("src/.DSProxy.java.1.2.tmp", "a writer at work");
  dir.Write("src/.hidden", "kept");
  dir.Write("out.zip", "old");
  ZipDirectory(dir.Path() / "src", dir.Path() / "out.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "out.zip"),
            (std::vector<std::string>{".hidden", "a/deep/c.txt", "b.txt"}));
  // Nothing but the archive is left beside it.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"out.zip", "src"}));

  fs::create_directories(dir.Path() / "empty");
  ZipDirectory(dir.Path() / "empty", dir.Path() / "empty.zip");
  EXPECT_TRUE(ZipEntryNames(dir.Path() / "empty.zip").empty());

  EXPECT_THROW(ZipDirectory(dir.Path() / "missing", dir.Path() / "out.zip"), std::exception);
  EXPECT_THROW(ZipDirectories({dir.Path() / "src", dir.Path() / "missing"}, dir.Path() / "out.zip"),
               std::exception);
  EXPECT_EQ(ZipEntryNames(dir.Path() / "out.zip").size(), 3u) << "the old archive stays";
  EXPECT_THROW(ZipEntryNames(dir.Path() / "src" / "b.txt"), std::exception);
}

TEST(ZipDirectory, LaysSeveralTreesOverEachOtherTheLastWinning) {
  test::TTempDir dir;
  dir.Write("shipped/lib/a.txt", "shipped a");
  dir.Write("shipped/lib/Client.txt", "stale client");
  dir.Write("made/lib/Client.txt", "new client");
  dir.Write("made/b.txt", "made b");
  ZipDirectories({dir.Path() / "shipped", dir.Path() / "made"}, dir.Path() / "both.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "both.zip"),
            (std::vector<std::string>{"b.txt", "lib/Client.txt", "lib/a.txt"}));
  EXPECT_EQ(ZipEntryText(dir.Path() / "both.zip", "lib/Client.txt"), "new client");
  // The same tree named twice gives its files once.
  ZipDirectories({dir.Path() / "made", dir.Path() / "made"}, dir.Path() / "once.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "once.zip"),
            (std::vector<std::string>{"b.txt", "lib/Client.txt"}));
}

}  // namespace
}  // namespace fieldsync
