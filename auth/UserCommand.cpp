#include "auth/UserCommand.h"

#include <iostream>
#include <optional>

#include "auth/AuthMessages.h"
#include "auth/PasswordHash.h"
#include "auth/UsersFile.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* UsersFileVariable = "FIELDSYNC_USERS_FILE";
constexpr const char* UsersFileName = "users";
constexpr const char* NewFileHeader =
    "# fieldsync users, one a line: NAME:HASH:REP:METHODS (written by \"fieldsync user\")";

struct TUsage {};

std::string NewPassword(const std::string& name, std::istream& in) {
  std::string password;
  if (&in == &std::cin && StandardInputIsTerminal()) {
    password = ReadLineWithoutEcho(FormatText(PasswordPromptMessage, {name}));
    if (ReadLineWithoutEcho(PasswordAgainPromptMessage) != password) throw Exception(PasswordsDifferMessage);
  } else {
    if (!std::getline(in, password)) throw Exception(NoPasswordLineMessage);
    if (!password.empty() && password.back() == '\r') password.pop_back();
  }
  if (password.empty()) throw Exception(EmptyPasswordMessage);
  return password;
}

// The file as it is, or an empty one with a header line when it does not exist yet.
TUsersFile Existing(const std::filesystem::path& usersFile) {
  std::error_code ec;
  if (!std::filesystem::exists(usersFile, ec)) return TUsersFile::Parse(std::string(NewFileHeader) + "\n", "");
  return TUsersFile::Read(usersFile);
}

std::string Canonical(const std::string& method, const std::vector<std::string>& methodNames) {
  for (const std::string& known : methodNames)
    if (SameTextAscii(known, method)) return known;
  throw Exception(FormatText(UnknownMethodMessage, {method}));
}

int Add(const std::vector<std::string>& words, const std::filesystem::path& usersFile,
        const std::vector<std::string>& methodNames, std::istream& in) {
  if (words.size() < 2 || words.size() % 2 != 0) throw TUsage{};
  TUserEntry user;
  user.Name = words[1];
  if (!TUsersFile::ValidName(user.Name)) throw Exception(UserNameInvalidMessage);
  for (size_t i = 2; i < words.size(); i += 2) {
    const std::string& option = words[i];
    const std::string& value = words[i + 1];
    if (option == "--rep") {
      const auto rep = value.size() <= 10 ? DigitsToUInt64(value) : std::nullopt;
      if (!rep || *rep > 2147483647u) throw Exception(FormatText(UserRepInvalidMessage, {value}));
      user.Representative = static_cast<int32_t>(*rep);
    } else if (option == "--methods") {
      size_t start = 0;
      while (start <= value.size()) {
        const size_t comma = value.find(',', start);
        const std::string method = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!method.empty()) user.Methods.push_back(Canonical(method, methodNames));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else {
      throw TUsage{};
    }
  }
  TUsersFile file = Existing(usersFile);
  if (file.Find(user.Name)) throw Exception(FormatText(UserExistsMessage, {user.Name, user.Name}));
  user.Hash = HashPassword(NewPassword(user.Name, in));
  file.Put(user);
  file.Write(usersFile);
  return 0;
}

int Passwd(const std::vector<std::string>& words, const std::filesystem::path& usersFile, std::istream& in) {
  if (words.size() != 2) throw TUsage{};
  TUsersFile file = TUsersFile::Read(usersFile);
  const TUserEntry* found = file.Find(words[1]);
  if (!found) throw Exception(FormatText(UserUnknownMessage, {words[1], usersFile.string()}));
  TUserEntry user = *found;
  user.Hash = HashPassword(NewPassword(user.Name, in));
  file.Put(user);
  file.Write(usersFile);
  return 0;
}

int Remove(const std::vector<std::string>& words, const std::filesystem::path& usersFile) {
  if (words.size() != 2) throw TUsage{};
  TUsersFile file = TUsersFile::Read(usersFile);
  if (!file.Remove(words[1])) throw Exception(FormatText(UserUnknownMessage, {words[1], usersFile.string()}));
  file.Write(usersFile);
  return 0;
}

int List(const std::vector<std::string>& words, const std::filesystem::path& usersFile, std::ostream& out) {
  if (words.size() != 1) throw TUsage{};
  for (const TUserEntry& user : TUsersFile::Read(usersFile).Users()) {
    out << user.Name << "  representative "
        << (user.Representative ? std::to_string(*user.Representative) : std::string("any")) << "  methods ";
    if (user.Methods.empty()) out << "all";
    for (size_t i = 0; i < user.Methods.size(); ++i) out << (i ? "," : "") << user.Methods[i];
    out << "\n";
  }
  return 0;
}

}  // namespace

int RunUserCommand(const std::vector<std::string>& words, const std::filesystem::path& usersFile,
                   const std::vector<std::string>& methodNames, std::istream& in, std::ostream& out,
                   std::ostream& err) {
  try {
    if (words.empty()) throw TUsage{};
    const std::string& verb = words[0];
    if (verb == "add") return Add(words, usersFile, methodNames, in);
    if (verb == "passwd") return Passwd(words, usersFile, in);
    if (verb == "remove") return Remove(words, usersFile);
    if (verb == "list") return List(words, usersFile, out);
    throw TUsage{};
  } catch (const TUsage&) {
    err << UserCommandUsageMessage << std::endl;
    return 2;
  } catch (const std::exception& e) {
    err << "fieldsync: " << e.what() << std::endl;
    return 1;
  }
}

std::filesystem::path UsersFilePath() {
  const std::string named = EnvironmentVariable(UsersFileVariable);
  if (named.empty()) return ConfigurationDir() / UsersFileName;
  return std::filesystem::absolute(named);
}

bool UsersFileNamed() { return !EnvironmentVariable(UsersFileVariable).empty(); }

}  // namespace fieldsync
