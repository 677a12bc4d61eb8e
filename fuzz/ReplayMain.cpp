// Runs a fuzz target's LLVMFuzzerTestOneInput over files and directories of
// inputs, without libFuzzer: the regression test that replays each seed
// corpus with the ordinary compiler. Fails when it finds no input at all.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("%s (%zu bytes)\n", path.filename().string().c_str(), bytes.size());
  std::fflush(stdout);  // the last name printed is the input that failed
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (std::filesystem::is_regular_file(path)) {
      files.push_back(path);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no inputs found\n");
    return 1;
  }
  for (const auto& file : files) RunFile(file);
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
