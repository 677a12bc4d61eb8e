#include "auth/UsersFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "auth/AuthMessages.h"
#include "auth/PasswordHash.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"

namespace fieldsync {

namespace {

constexpr size_t FieldCount = 4;
constexpr uint64_t MaxRepresentative = 2147483647;

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  while (true) {
    const size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

bool IsBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The user of one line; raises with the reason.
TUserEntry ParseUserLine(std::string_view line) {
  const auto fields = SplitAt(line, ':');
  if (fields.size() != FieldCount) throw Exception(UserLineFieldsMessage);
  TUserEntry user;
  user.Name = std::string(fields[0]);
  if (!TUsersFile::ValidName(user.Name)) throw Exception(UserNameInvalidMessage);
  user.Hash = std::string(fields[1]);
  if (!IsPasswordHash(user.Hash)) throw Exception(UserHashInvalidMessage);
  if (!fields[2].empty()) {
    const auto rep = fields[2].size() <= 10 ? DigitsToUInt64(fields[2]) : std::nullopt;
    if (!rep || *rep > MaxRepresentative) throw Exception(FormatText(UserRepInvalidMessage, {std::string(fields[2])}));
    user.Representative = static_cast<int32_t>(*rep);
  }
  if (!fields[3].empty()) {
    for (std::string_view method : SplitAt(fields[3], ',')) {
      if (!TUsersFile::ValidMethodName(method)) throw Exception(FormatText(UserMethodInvalidMessage, {std::string(method)}));
      user.Methods.emplace_back(method);
    }
  }
  return user;
}

}  // namespace

bool TUsersFile::ValidName(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (c == ':' || c <= ' ' || c == 0x7F) return false;
  return true;
}

bool TUsersFile::ValidMethodName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

std::string TUsersFile::Line(const TUserEntry& user) {
  std::string line = user.Name + ":" + user.Hash + ":";
  if (user.Representative) line += std::to_string(*user.Representative);
  line += ":";
  for (size_t i = 0; i < user.Methods.size(); ++i) line += (i ? "," : "") + user.Methods[i];
  return line;
}

TUsersFile TUsersFile::Parse(std::string_view text, const std::string& source) {
  TUsersFile file;
  size_t number = 0;
  for (std::string_view line : SplitAt(text, '\n')) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    TLine entry{std::string(line), std::nullopt};
    if (!IsBlankLine(line) && line.front() != '#') {
      try {
        entry.User = ParseUserLine(line);
        for (size_t i = 0; i < file.FLines.size(); ++i)
          if (file.FLines[i].User && file.FLines[i].User->Name == entry.User->Name)
            throw Exception(FormatText(UserDuplicateMessage, {entry.User->Name, std::to_string(i + 1)}));
      } catch (const Exception& e) {
        throw Exception(FormatText(UsersFileLineMessage, {source, std::to_string(number), e.what()}));
      }
    }
    file.FLines.push_back(std::move(entry));
  }
  // The line break that ends the last line starts no line of its own.
  if (!file.FLines.empty() && file.FLines.back().Text.empty() && !file.FLines.back().User) file.FLines.pop_back();
  return file;
}

TUsersFile TUsersFile::Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception(FormatText(UsersFileUnreadableMessage, {path.string(), std::strerror(errno)}));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Exception(FormatText(UsersFileUnreadableMessage, {path.string(), std::strerror(errno)}));
  return Parse(text.str(), path.string());
}

std::vector<TUserEntry> TUsersFile::Users() const {
  std::vector<TUserEntry> users;
  for (const TLine& line : FLines)
    if (line.User) users.push_back(*line.User);
  return users;
}

const TUserEntry* TUsersFile::Find(std::string_view name) const {
  for (const TLine& line : FLines)
    if (line.User && line.User->Name == name) return &*line.User;
  return nullptr;
}

void TUsersFile::Put(const TUserEntry& user) {
  for (TLine& line : FLines) {
    if (line.User && line.User->Name == user.Name) {
      line.User = user;
      return;
    }
  }
  FLines.push_back({std::string(), user});
}

bool TUsersFile::Remove(std::string_view name) {
  for (auto it = FLines.begin(); it != FLines.end(); ++it) {
    if (it->User && it->User->Name == name) {
      FLines.erase(it);
      return true;
    }
  }
  return false;
}

std::string TUsersFile::Text() const {
  std::string text;
  for (const TLine& line : FLines) text += (line.User ? Line(*line.User) : line.Text) + "\n";
  return text;
}

void TUsersFile::Write(const std::filesystem::path& path) const { ReplaceFile(path, Text(), NewFileMode); }

}  // namespace fieldsync
