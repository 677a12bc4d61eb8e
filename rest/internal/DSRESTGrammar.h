#pragma once
// The text rules of REST paths: context segments, the class/method/argument
// grammar, URL decoding, verb prefixes, qualified-name scanning and the
// session id carried in a "Pragma" header.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rest/DSMessages.h"

namespace fieldsync {

// Compares the first segment of `path` with `prefix` (letter case ignored).
// On a match returns the rest of the path from the segment's end (it starts
// with "/" or is empty); an empty prefix matches and returns the whole path.
std::optional<std::string> Consume(std::string_view prefix, std::string_view path);

// URL-decodes one path piece: "%uXXXX" is a UTF-16 code unit, "%XX" a byte;
// an escape whose digits do not parse is dropped with the characters it
// covers; every other character is its own byte; "+" stays "+". The bytes
// are read as UTF-8. The same decoder as the listener's path
// (ParseRequestTarget), which keeps a bad escape instead: an argument has
// always lost it, while the path must name what the client sent.
std::u16string DecodeURLPiece(std::string_view piece);

struct TRESTRequestParts {
  std::u16string ClassName;
  std::u16string MethodName;
  std::vector<std::u16string> Arguments;
};

// Parses "/Class/Method/arg/..." (the path after the "rest" context); raises
// fieldsync::Exception with InvalidRequestFormatMessage when there is no
// class and method.
TRESTRequestParts ParseRequest(std::string_view remainder);

// Class + "." + verb prefix + method, the prefix being "update" for POST,
// "accept" for PUT and "cancel" for DELETE; none for a quoted method name or
// the classes "DSAdmin" and "DSMetadata".
std::u16string SetMethodNameWithPrefix(std::string_view verb, std::u16string_view className,
                                       std::u16string_view methodName);

// Reads a qualified method text as identifiers and "." symbols: blanks are
// skipped, identifiers in double quotes lose their quotes, and scanning stops
// at any other symbol. The pieces are joined as read.
std::u16string ScanQualifiedName(std::u16string_view text);

// The value of the "dssession" item of a "Pragma" header value (items split by
// commas and blanks, double quotes grouping); empty when none.
std::string SessionIdFromPragma(std::string_view pragma);

}  // namespace fieldsync
