#pragma once
// Every message text of the logins and the users file, in one place. They
// are part of the program's interface: keep them exact. "%s" is filled with
// FormatText.

namespace fieldsync {

// The users file.
inline constexpr const char* UsersFileLineMessage = "%s, line %s: %s";
inline constexpr const char* UserLineFieldsMessage = "expected NAME:HASH:REP:METHODS";
inline constexpr const char* UserNameInvalidMessage = "the user name must not be empty nor hold ':', blanks or control characters";
inline constexpr const char* UserHashInvalidMessage = "the password hash is not an Argon2 hash";
inline constexpr const char* UserRepInvalidMessage = "the representative must be empty or a whole number from 0 to 2147483647, not \"%s\"";
inline constexpr const char* UserMethodInvalidMessage = "\"%s\" is not a method name";
inline constexpr const char* UserDuplicateMessage = "the user %s is already named on line %s";
inline constexpr const char* UsersFileUnreadableMessage = "Cannot read the users file \"%s\": %s";
inline constexpr const char* UsersFileKeptMessage =
    "fieldsync: the users file \"%s\" changed but cannot be used (%s); the users read before stay in force";

// The `user` command.
inline constexpr const char* UserCommandUsageMessage =
    "usage: fieldsync user add NAME [--rep N] [--methods M1,M2]\n"
    "       fieldsync user passwd NAME\n"
    "       fieldsync user remove NAME\n"
    "       fieldsync user list";
inline constexpr const char* UserExistsMessage = "the user %s exists already; use \"fieldsync user passwd %s\"";
inline constexpr const char* UserUnknownMessage = "there is no user %s in %s";
inline constexpr const char* UnknownMethodMessage = "%s is not a method of the service";
inline constexpr const char* EmptyPasswordMessage = "the password must not be empty";
inline constexpr const char* PasswordsDifferMessage = "the two passwords differ";
inline constexpr const char* NoPasswordLineMessage = "no password on standard input";
inline constexpr const char* PasswordPromptMessage = "Password for %s: ";
inline constexpr const char* PasswordAgainPromptMessage = "The same password again: ";

}  // namespace fieldsync
