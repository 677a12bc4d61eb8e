#pragma once
// Every message text of the logins and the users file, in one place. They
// are part of the program's interface: keep them exact. "%s" is filled with
// FormatText.

namespace fieldsync {

// The users file.
inline constexpr const char* MsgUsersFileLine = "%s, line %s: %s";
inline constexpr const char* MsgUserLineFields = "expected NAME:HASH:REP:METHODS";
inline constexpr const char* MsgUserNameInvalid = "the user name must not be empty nor hold ':', blanks or control characters";
inline constexpr const char* MsgUserHashInvalid = "the password hash is not an Argon2 hash";
inline constexpr const char* MsgUserRepInvalid = "the representative must be empty or a whole number from 0 to 2147483647, not \"%s\"";
inline constexpr const char* MsgUserMethodInvalid = "\"%s\" is not a method name";
inline constexpr const char* MsgUserDuplicate = "the user %s is already named on line %s";
inline constexpr const char* MsgUsersFileUnreadable = "Cannot read the users file \"%s\": %s";
inline constexpr const char* MsgUsersFileKept =
    "fieldsync: the users file \"%s\" changed but cannot be used (%s); the users read before stay in force";

// The `user` command.
inline constexpr const char* MsgUserCommandUsage =
    "usage: fieldsync user add NAME [--rep N] [--methods M1,M2]\n"
    "       fieldsync user passwd NAME\n"
    "       fieldsync user remove NAME\n"
    "       fieldsync user list";
inline constexpr const char* MsgUserExists = "the user %s exists already; use \"fieldsync user passwd %s\"";
inline constexpr const char* MsgUserUnknown = "there is no user %s in %s";
inline constexpr const char* MsgUnknownMethod = "%s is not a method of the service";
inline constexpr const char* MsgEmptyPassword = "the password must not be empty";
inline constexpr const char* MsgPasswordsDiffer = "the two passwords differ";
inline constexpr const char* MsgNoPasswordLine = "no password on standard input";
inline constexpr const char* MsgPasswordPrompt = "Password for %s: ";
inline constexpr const char* MsgPasswordAgainPrompt = "The same password again: ";

}  // namespace fieldsync
