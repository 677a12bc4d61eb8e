#include "clientgen/ZipDirectory.h"

#include <zip.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <random>
#include <system_error>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/Platform.h"
#include "core/Text.h"

namespace fieldsync {

namespace fs = std::filesystem;

namespace {

fs::path TemporaryZipName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned long long seed = std::random_device{}();
  return target.parent_path() / ("." + target.filename().string() + "." + std::to_string(seed) +
                                 "." + std::to_string(counter.fetch_add(1)) + ".tmp");
}

bool IsWritersTemporary(const fs::path& file) {
  const std::string name = file.filename().string();
  return name.size() > 5 && name[0] == '.' && name.ends_with(".tmp");
}

[[noreturn]] void CannotWrite(const fs::path& zipFile, const std::string& reason) {
  throw Exception(FormatText(CannotCreateFileMessage, {zipFile.string(), reason}));
}

std::string ArchiveError(zip_t* archive) {
  const char* text = zip_strerror(archive);
  return text ? text : "zip error";
}

}  // namespace

void ZipDirectory(const fs::path& sourceDir, const fs::path& zipFile) {
  ZipDirectories({sourceDir}, zipFile);
}

void ZipDirectories(const std::vector<fs::path>& sourceDirs, const fs::path& zipFile) {
  // Entry name -> the file it is taken from; the map keeps the names in order.
  std::map<std::string, fs::path> files;
  std::error_code ec;
  for (const fs::path& sourceDir : sourceDirs) {
    if (!fs::is_directory(sourceDir, ec))
      CannotWrite(zipFile, "no directory " + sourceDir.string());
    for (auto it = fs::recursive_directory_iterator(sourceDir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file() || IsWritersTemporary(it->path())) continue;
      files[fs::relative(it->path(), sourceDir).generic_string()] = it->path();
    }
    if (ec) CannotWrite(zipFile, ec.message());
  }

  const fs::path temporary = TemporaryZipName(zipFile);
  int error = 0;
  zip_t* archive = zip_open(PathUtf8(temporary).c_str(), ZIP_CREATE | ZIP_EXCL, &error);
  if (!archive) {
    zip_error_t detail;
    zip_error_init_with_code(&detail, error);
    const std::string reason = zip_error_strerror(&detail);
    zip_error_fini(&detail);
    CannotWrite(zipFile, reason);
  }
  for (const auto& [name, file] : files) {
    const std::string path = PathUtf8(file);
    zip_source_t* source = zip_source_file(archive, path.c_str(), 0, -1);
    if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      if (source) zip_source_free(source);
      const std::string reason = ArchiveError(archive);
      zip_discard(archive);
      fs::remove(temporary, ec);
      CannotWrite(zipFile, reason);
    }
  }
  // An archive without entries is not written by libzip; write it by hand.
  if (files.empty()) {
    zip_discard(archive);
    static const char emptyArchive[22] = {'P', 'K', 5, 6};
    FILE* file = OpenFile(temporary, "wb");
    if (!file || std::fwrite(emptyArchive, 1, sizeof emptyArchive, file) != sizeof emptyArchive) {
      if (file) std::fclose(file);
      fs::remove(temporary, ec);
      CannotWrite(zipFile, "cannot write the empty archive");
    }
    std::fclose(file);
  } else if (zip_close(archive) < 0) {
    const std::string reason = ArchiveError(archive);
    zip_discard(archive);
    fs::remove(temporary, ec);
    CannotWrite(zipFile, reason);
  }
  RenameOver(temporary, zipFile, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    CannotWrite(zipFile, ec.message());
  }
}

std::vector<std::string> ZipEntryNames(const fs::path& zipFile) {
  int error = 0;
  zip_t* archive = zip_open(PathUtf8(zipFile).c_str(), ZIP_RDONLY, &error);
  if (!archive)
    throw Exception(FormatText(CannotOpenFileMessage, {zipFile.string(), "not a zip archive"}));
  std::vector<std::string> names;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
    if (name) names.emplace_back(name);
  }
  zip_discard(archive);
  return names;
}

}  // namespace fieldsync
