#pragma once
// Every message text of the JSON layer, in one place; the number-conversion
// texts it shares with other layers are in core/CoreMessages.h. They are part
// of the service's interface: keep them exact. "%s" is filled with FormatText.

namespace fieldsync {

// The JSON parser: bytes that are not UTF-8.
inline constexpr const char* Utf8StartMessage =
    "UTF8: A start byte not followed by enough continuation bytes in position %s";
inline constexpr const char* Utf8ContinuationMessage =
    "UTF8: An unexpected continuation byte in %s-byte UTF8 in position %s";
inline constexpr const char* Utf8HeaderMessage =
    "UTF8: Type cannot be determined out of header byte at position %s";

// Database values and JSON: a value type without a JSON form, and a byte array
// element that is not a byte.
inline constexpr const char* CannotConvertDBXTypeMessage = "Cannot convert DBX type %s into a JSON value";
inline constexpr const char* InvalidByteValueMessage = "Invalid byte value in JSON array: %s";

}  // namespace fieldsync
