#pragma once
// The users file: UTF-8 text, one user per line, '#' comments and blank
// lines ignored:
//
//   NAME:HASH:REP:METHODS
//
// NAME the user name (no ':', blanks or control characters), HASH the
// password's Argon2 hash, REP the representative the user is bound to
// (empty: any), METHODS the methods the user may call, separated by commas
// (empty: every method). The file is read whole; editing keeps its
// comments and the order of its lines.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fieldsync {

struct TUserEntry {
  std::string Name;
  std::string Hash;
  std::optional<int32_t> Representative;
  std::vector<std::string> Methods;
};

class TUsersFile {
 public:
  // Mode of a users file that is written for the first time: the owner
  // reads and writes, the group (the service's) reads.
  static constexpr unsigned NewFileMode = 0640;

  // Reads `text`; a malformed line raises, naming `source` and the line.
  static TUsersFile Parse(std::string_view text, const std::string& source);
  // Reads the file; raises when it cannot be read or is malformed.
  static TUsersFile Read(const std::filesystem::path& path);

  std::vector<TUserEntry> Users() const;
  const TUserEntry* Find(std::string_view name) const;
  // Replaces the user's line, or adds one at the end.
  void Put(const TUserEntry& user);
  // False when there was no such user.
  bool Remove(std::string_view name);

  std::string Text() const;
  // Writes the text over the file in one step (ReplaceFile).
  void Write(const std::filesystem::path& path) const;

  // Whether `name` may stand as a user name.
  static bool ValidName(std::string_view name);
  // Whether `name` may stand as a method name.
  static bool ValidMethodName(std::string_view name);
  // The line of a user.
  static std::string Line(const TUserEntry& user);

 private:
  struct TLine {
    std::string Text;                 // as read, for comments and blank lines
    std::optional<TUserEntry> User;   // set for a user's line
  };
  std::vector<TLine> FLines;
};

}  // namespace fieldsync
