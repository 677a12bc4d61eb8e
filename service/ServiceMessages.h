#pragma once
// Every message text of the service methods, in one place. They are part of
// the service's interface (callers read them in the error envelope and in
// Erro): keep them exact. "%s" is filled with FormatText.

namespace fieldsync {

// A date argument that is not a date.
inline constexpr const char* InvalidDateMessage = "''%s'' is not a valid date";

}  // namespace fieldsync
