#pragma once
// The command line that manages the users file:
//
//   fieldsync user add NAME [--rep N] [--methods M1,M2]
//   fieldsync user passwd NAME
//   fieldsync user remove NAME
//   fieldsync user list
//
// The password is read from the terminal without echo (twice), or, when
// standard input is not a terminal, from its first line. The file is
// written whole in one step (a temporary file renamed over it), keeping its
// permissions, owner and group; a new one is made with mode 0640. Neither
// the file nor the output ever holds a password; `list` shows no hashes.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace fieldsync {

// Runs the command whose words follow "user"; returns the exit code (0 done,
// 1 failed, 2 bad usage) after writing what went wrong to `err`.
// `methodNames` are the service's methods, which --methods must name.
int RunUserCommand(const std::vector<std::string>& words, const std::filesystem::path& usersFile,
                   const std::vector<std::string>& methodNames, std::istream& in, std::ostream& out,
                   std::ostream& err);

// The users file: the one FIELDSYNC_USERS_FILE names (made absolute against
// the current directory), else "users" in the configuration directory.
std::filesystem::path UsersFilePath();
// Whether FIELDSYNC_USERS_FILE names the users file (which then must exist).
bool UsersFileNamed();

}  // namespace fieldsync
