// libFuzzer target for the definitions files (INI): the input as a file's
// text through ReadIniText, as ReadIniFile reads a file. Traps when a
// property breaks:
// - section names, value names and values are trimmed and hold no line end;
// - a value name holds no "=" and appears once per section (case ignored);
// - what was read, written out again as a file, reads back the same.
#include <sstream>
#include <string>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "core/Text.h"
#include "db/internal/IniFile.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

bool Trimmed(const std::string& text) {
  if (text.find('\n') != std::string::npos) return false;
  if (text.empty()) return true;
  const std::string blanks = " \t\r\n";
  return blanks.find(text.front()) == std::string::npos && blanks.find(text.back()) == std::string::npos;
}

bool Same(const std::vector<TIniSection>& a, const std::vector<TIniSection>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Name != b[i].Name || a[i].Values.Entries() != b[i].Values.Entries()) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  std::vector<TIniSection> sections;
  try {
    sections = ReadIniText(bytes);
  } catch (const Exception&) {
    return 0;
  }
  std::string written;
  bool writable = true;
  for (const auto& section : sections) {
    Check(Trimmed(section.Name));
    written += "[" + section.Name + "]\n";
    const auto& entries = section.Values.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      const auto& [name, value] = entries[i];
      Check(!name.empty() && Trimmed(name) && Trimmed(value));
      Check(name.find('=') == std::string::npos);
      for (size_t j = 0; j < i; ++j) Check(!SameTextAscii(entries[j].first, name));
      // "[a=b]" reads as a section header: such a pair cannot be written.
      if (name.front() == '[' && !value.empty() && value.back() == ']') writable = false;
      if (value.empty() && name.front() == '[' && name.back() == ']') writable = false;
      written += name + "=" + value + "\n";
    }
  }
  if (writable) Check(Same(ReadIniText(written), sections));
  return 0;
}
