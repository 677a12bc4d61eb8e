#pragma once
// Private to db/: reading the definitions files, which are INI files:
// "[Section]" headers, "Name=Value" lines, ';' or '#' comment lines. Section
// and value names match without regard to ASCII case; names and values are
// trimmed of surrounding blanks.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DBXProperties.h"

namespace fieldsync {

struct TIniSection {
  std::string Name;
  TDBXProperties Values;
};

// The sections of the file in file order; empty when the file cannot be read.
std::vector<TIniSection> ReadIniFile(const std::filesystem::path& path);
// The same, parsed again only when the file's text differs from the last
// time it was read: a connection reads its parameter file at every connect,
// and parsing it was a fifth of what a short call cost. Thread-safe.
std::shared_ptr<const std::vector<TIniSection>> ReadIniFileOnce(const std::filesystem::path& path);
// The same from a file's text already in memory.
std::vector<TIniSection> ReadIniText(std::string_view text);
const TIniSection* FindSection(const std::vector<TIniSection>& sections, const std::string& name);

}  // namespace fieldsync
