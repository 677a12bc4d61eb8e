#include "app/BranchFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "core/Error.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* InvalidNumericInputMessage = "Invalid numeric input";
constexpr const char* AccessDeniedMessage = "File access denied";
constexpr const char* IOErrorMessage = "I/O error %d";
constexpr size_t MaxTokenLength = 32;

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

[[noreturn]] void RaiseIOError(int error) {
  if (error == EACCES || error == EPERM) throw Exception(AccessDeniedMessage);
  throw Exception(FormatText(IOErrorMessage, {std::to_string(error)}));
}

TFile OpenFile(const std::filesystem::path& path, const char* mode) {
  TFile file(std::fopen(path.string().c_str(), mode));
  if (!file) RaiseIOError(errno);
  return file;
}

}  // namespace

int32_t ReadBranchFile(const std::filesystem::path& path) {
  TFile file = OpenFile(path, "rb");
  int c = std::fgetc(file.get());
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = std::fgetc(file.get());
  std::string token;
  while (c != EOF && static_cast<unsigned char>(c) > 32 && token.size() < MaxTokenLength) {
    token.push_back(static_cast<char>(c));
    c = std::fgetc(file.get());
  }
  if (token.empty()) return 0;

  size_t i = 0;
  bool negative = false;
  if (token[0] == '+' || token[0] == '-') negative = token[i++] == '-';
  if (i == token.size()) throw Exception(InvalidNumericInputMessage);
  int64_t value = 0;
  for (; i < token.size(); ++i) {
    if (token[i] < '0' || token[i] > '9') throw Exception(InvalidNumericInputMessage);
    value = value * 10 + (token[i] - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) throw Exception(InvalidNumericInputMessage);
  }
  if (negative) value = -value;
  if (value > INT32_MAX) throw Exception(InvalidNumericInputMessage);
  return static_cast<int32_t>(value);
}

void WriteBranchFile(const std::filesystem::path& path, const std::u16string& text) {
  TFile file = OpenFile(path, "wb");
  const std::string bytes = Utf16ToWin1252(text) + "\r\n";
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) RaiseIOError(errno);
  if (std::fflush(file.get()) != 0) RaiseIOError(errno);
}

}  // namespace fieldsync
