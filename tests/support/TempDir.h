#pragma once
// A directory of its own under the system's temp directory, removed at the
// end of the test, with helpers to lay files into it. Every test that needs
// scratch files uses this one type. The directory is open to every user, so
// that a Firebird server process can write a database into it too.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace fieldsync::test {

// Writes `bytes` as the whole file at `path`; raises std::runtime_error when
// it cannot.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The whole file at `path`; empty when there is none.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TTempDir {
 public:
  TTempDir() {
    std::random_device random;
    FPath = std::filesystem::temp_directory_path() /
            ("fieldsync-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(FPath);
    std::filesystem::permissions(FPath, std::filesystem::perms::all);
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path Write(const std::string& relative, const std::string& bytes) const {
    const auto path = FPath / relative;
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, bytes);
    return path;
  }
  std::string Read(const std::string& relative) const { return ReadFile(FPath / relative); }

 private:
  std::filesystem::path FPath;
};

// Every file and directory below `dir`, by relative name, in name order: a
// snapshot that shows whether anything was written there.
inline std::vector<std::string> EntriesBelow(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    names.push_back(std::filesystem::relative(entry.path(), dir).generic_string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fieldsync::test
