#include "app/BranchFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/AppMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr size_t MaxTokenLength = 32;

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

[[noreturn]] void RaiseIOError(int error) {
  if (error == EACCES || error == EPERM) throw Exception(AccessDeniedMessage);
  throw Exception(FormatText(IOErrorMessage, {std::to_string(error)}));
}

TFile OpenBranchFile(const std::filesystem::path& path, const char* mode) {
  TFile file(OpenFile(path, mode));
  if (!file) RaiseIOError(errno);
  return file;
}

}  // namespace

int32_t ReadBranchFile(const std::filesystem::path& path) {
  TFile file = OpenBranchFile(path, "rb");
  int c = std::fgetc(file.get());
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = std::fgetc(file.get());
  std::string token;
  while (c != EOF && static_cast<unsigned char>(c) > 32 && token.size() < MaxTokenLength) {
    token.push_back(static_cast<char>(c));
    c = std::fgetc(file.get());
  }
  if (token.empty()) return 0;

  const auto value = TextToInt32(token);
  if (!value) throw Exception(InvalidNumericInputMessage);
  return *value;
}

void WriteBranchFile(const std::filesystem::path& path, const std::u16string& text) {
  TFile file = OpenBranchFile(path, "wb");
  const std::string bytes = Utf16ToWin1252(text) + "\r\n";
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) RaiseIOError(errno);
  if (std::fflush(file.get()) != 0) RaiseIOError(errno);
}

}  // namespace fieldsync
