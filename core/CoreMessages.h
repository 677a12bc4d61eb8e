#pragma once
// The message texts of the core conversions, and the texts that several
// layers raise alike (a text that is not a number, in the window, the
// database fields, the JSON values and the REST arguments). They are part of
// the service's interface: keep them exact. "%s" is filled with FormatText.

namespace fieldsync {

// A text that is not a whole number, as the window's edits and a database
// field read as a number report it.
inline constexpr const char* InvalidIntegerMessage = "'%s' is not a valid integer value";
// The same failure as JSON numbers, REST arguments and result filters report
// it: the text stands between doubled quotes.
inline constexpr const char* InvalidIntegerQuotedMessage = "''%s'' is not a valid integer value";
inline constexpr const char* InvalidFloatMessage = "'%s' is not a valid floating point value";
inline constexpr const char* InvalidBooleanMessage = "'%s' is not a valid boolean value";
// A Currency amount outside its range.
inline constexpr const char* FloatOverflowMessage = "Floating point overflow";

// Files written whole (a temporary file renamed over the old one).
inline constexpr const char* CannotReplaceFileMessage = "Cannot write \"%s\": %s";
// A file that cannot be read (a page template, a zip archive) or written (a
// generated client, a zip archive), with the reason.
inline constexpr const char* CannotOpenFileMessage = "Cannot open file \"%s\". %s";
inline constexpr const char* CannotCreateFileMessage = "Cannot create file \"%s\". %s";

}  // namespace fieldsync
