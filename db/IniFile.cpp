#include "db/internal/IniFile.h"

#include <fstream>
#include <map>
#include <sstream>

#include "core/Mutex.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

std::vector<TIniSection> ReadIniStream(std::istream& in) {
  std::vector<TIniSection> sections;
  std::string line;
  bool first = true;
  while (std::getline(in, line)) {
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // UTF-8 byte order mark
    first = false;
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back(TIniSection{Trim(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || sections.empty()) continue;
    const std::string name = Trim(line.substr(0, eq));
    if (!name.empty() && !sections.back().Values.Contains(name))
      sections.back().Values.SetValue(name, Trim(line.substr(eq + 1)));
  }
  return sections;
}

}  // namespace

std::vector<TIniSection> ReadIniFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return ReadIniStream(in);
}

std::shared_ptr<const std::vector<TIniSection>> ReadIniFileOnce(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;  // one read of the whole file, not a character at a time
  if (in) whole << in.rdbuf();
  std::string text = std::move(whole).str();
  struct TParsed {
    std::string Text;
    std::shared_ptr<const std::vector<TIniSection>> Sections;
  };
  static TMutex lock;
  static std::map<std::filesystem::path, TParsed> parsed GUARDED_BY(lock);
  {
    TMutexLock guard(lock);
    auto it = parsed.find(path);
    if (it != parsed.end() && it->second.Text == text) return it->second.Sections;
  }
  auto sections = std::make_shared<const std::vector<TIniSection>>(ReadIniText(text));
  TMutexLock guard(lock);
  parsed[path] = TParsed{std::move(text), sections};
  return sections;
}

std::vector<TIniSection> ReadIniText(std::string_view text) {
  std::istringstream in{std::string(text)};
  return ReadIniStream(in);
}

const TIniSection* FindSection(const std::vector<TIniSection>& sections, const std::string& name) {
  for (const auto& s : sections)
    if (SameTextAscii(s.Name, name)) return &s;
  return nullptr;
}

}  // namespace fieldsync
