#include "http/internal/HttpParsing.h"

#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

namespace {


int VersionNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

TRequestLine ParseRequestLine(std::string_view line) {
  const size_t first = line.find(' ');
  if (first == std::string_view::npos) throw Exception(ParsingCommandMessage);
  // With a single blank, the first blank is the last one too: the target is
  // empty and the rest is the version.
  const size_t last = line.rfind(' ');

  TRequestLine out;
  out.Method = AsciiUpper(line.substr(0, first));
  out.URI = last > first ? std::string(line.substr(first + 1, last - first - 1)) : std::string();
  out.Version = std::string(line.substr(last + 1));
  std::string_view version = out.Version;
  const size_t slash = version.find('/');
  version = slash == std::string_view::npos ? std::string_view() : version.substr(slash + 1);
  const size_t dot = version.find('.');
  out.Major = VersionNumber(version.substr(0, dot));
  out.Minor = dot == std::string_view::npos ? -1 : VersionNumber(version.substr(dot + 1));
  return out;
}

TRequestTarget ParseRequestTarget(std::string_view uri) {
  TRequestTarget out;
  const size_t question = uri.find('?');
  std::string_view path = uri.substr(0, question);
  if (question != std::string_view::npos) out.Query = std::string(uri.substr(question + 1));
  out.RawPath = std::string(path);
  if (path == "*") {
    out.Document = u"*";
    return out;
  }
  // An absolute URI: scheme "://" authority path.
  const size_t scheme = path.find("://");
  if (scheme != std::string_view::npos && scheme > 0 && path.find('/') == scheme + 1) {
    std::string_view authority = path.substr(scheme + 3);
    const size_t slash = authority.find('/');
    path = slash == std::string_view::npos ? std::string_view("/") : authority.substr(slash);
    authority = authority.substr(0, slash);
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);
    out.Host = std::string(authority);
  }

  // A bad escape stays as sent: the document path names files and is
  // matched against path masks as the client wrote it. The REST layer
  // decodes the raw path again piece by piece (an escaped "/" stays inside
  // its argument) and drops bad escapes there.
  out.Document = DecodeUrlEscapes(path, TBadUrlEscape::Keep);
  return out;
}

std::optional<uint64_t> ParseChunkSize(std::string_view line) {
  line = line.substr(0, line.find(';'));
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  if (line.empty() || line.size() > 15) return std::nullopt;
  uint64_t value = 0;
  for (char c : line) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<uint64_t>(d);
  }
  return value;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  uint32_t accumulator = 0;
  int bits = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else if (c == '=') break;
    else continue;
    accumulator = (accumulator << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
    }
  }
  return out;
}

std::u16string DecodeInCharset(std::string_view bytes, std::string_view charset) {
  const std::string cs = AsciiLower(charset);
  if (cs == "utf-8" || cs == "utf8") return Utf8ToUtf16(bytes);
  if (cs == "windows-1252" || cs == "cp1252") return Win1252ToUtf16(bytes);
  return Latin1ToUtf16(bytes);
}

}  // namespace fieldsync
