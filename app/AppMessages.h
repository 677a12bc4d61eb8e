#pragma once
// Every message text of the host (window, branch file, option rows), in one
// place. They are part of the program's interface: keep them exact. "%s" and
// "%d" are filled with FormatText.

namespace fieldsync {

// The window: a port or a number typed into an edit (the plain integer text
// is in core/CoreMessages.h).
inline constexpr const char* InvalidPortMessage = "'%s' is not a valid port number";
inline constexpr const char* InvalidFieldIntegerMessage = "'%s' is not a valid integer value for field '%s'";

// The option row sets.
inline constexpr const char* ClosedDataSetMessage = "%s: Cannot perform this operation on a closed dataset";
inline constexpr const char* FieldNotFoundMessage = "%s: Field '%s' not found";
inline constexpr const char* FieldRangeMessage =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";

// The branch file.
inline constexpr const char* InvalidNumericInputMessage = "Invalid numeric input";
inline constexpr const char* AccessDeniedMessage = "File access denied";
inline constexpr const char* IOErrorMessage = "I/O error %d";

}  // namespace fieldsync
