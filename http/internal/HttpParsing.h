#pragma once
// The listener's grammar pieces, kept apart from the socket flow so that
// they can be tested as tables: request line, URI and path decoding, chunk
// sizes, Basic credentials, charsets of form bodies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fieldsync {

struct TRequestLine {
  std::string Method;   // upper case
  std::string URI;
  std::string Version;  // e.g. "HTTP/1.1"
  int Major = -1;
  int Minor = -1;
};

// The text before the first blank is the method; the last blank separates
// the version, and what lies between the two is the target (empty when the
// line holds one blank). Raises "Error in parsing command." without a blank.
TRequestLine ParseRequestLine(std::string_view line);

struct TRequestTarget {
  std::string RawPath;       // before the first "?", not decoded
  std::string Query;         // after the first "?", not decoded
  std::u16string Document;   // the decoded path
  std::string Host;          // host[:port] of an absolute URI, else empty
};

// Splits and decodes a request URI: "%XX" bytes and "%uXXXX" UTF-16 units,
// bytes read as UTF-8, "+" unchanged, a bad escape kept as sent (the REST
// layer's DecodeURLPiece drops it); "*" stays "*".
TRequestTarget ParseRequestTarget(std::string_view uri);

// The hexadecimal size of a chunk-size line (anything from ";" ignored);
// empty when the line holds no hexadecimal number.
std::optional<uint64_t> ParseChunkSize(std::string_view line);

// Standard Base64 to bytes; characters outside the alphabet are skipped.
std::string Base64Decode(std::string_view text);

// Bytes of a form body as Unicode text in `charset` (UTF-8, Windows-1252;
// byte for byte for none or any other).
std::u16string DecodeInCharset(std::string_view bytes, std::string_view charset);

}  // namespace fieldsync
