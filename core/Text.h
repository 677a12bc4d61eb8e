#pragma once
// Conversions between the system's three text forms: UTF-16 (the system's
// Unicode text), UTF-8 (bytes on the wire and in files) and Windows-1252 (the
// system's 8-bit code page). Every conversion in the program goes through here.

#include <string>
#include <string_view>

namespace fieldsync {

// Malformed UTF-8 becomes U+FFFD, one per offending byte.
std::u16string Utf8ToUtf16(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

std::u16string Win1252ToUtf16(std::string_view bytes);
// Characters that Windows-1252 cannot hold become `replacement`.
std::string Utf16ToWin1252(std::u16string_view text, char replacement = '?');

// Widens 7-bit ASCII (or Latin-1) bytes one to one; for literals and numbers.
std::u16string Latin1ToUtf16(std::string_view bytes);

// Upper and lower case of ASCII letters only, as identifiers are compared.
std::u16string AsciiUpper(std::u16string_view text);
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);

// The value of a hexadecimal digit of either case; -1 for any other character.
inline int HexDigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What DecodeUrlEscapes makes of a "%" that starts no valid escape.
enum class TBadUrlEscape {
  Keep,  // the "%" stays a character; what follows it is read as usual
  Drop,  // dropped with the characters the escape would cover (2, or 5 after "%u")
};

// Decodes URL escapes: "%XX" is a byte, "%uXXXX" (or "%UXXXX") a UTF-16
// code unit, every other character its own byte ("+" stays "+"); the bytes
// are read as UTF-8. The request path keeps a bad escape, the REST layer's
// path pieces drop it (see their callers).
std::u16string DecodeUrlEscapes(std::string_view text, TBadUrlEscape bad);

}  // namespace fieldsync
