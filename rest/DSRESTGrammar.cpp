#include "rest/internal/DSRESTGrammar.h"

#include "core/Error.h"
#include "core/Text.h"

namespace fieldsync {

namespace {


bool IsIdentifierChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
}

}  // namespace

std::optional<std::string> Consume(std::string_view prefix, std::string_view path) {
  if (prefix.empty()) return std::string(path);
  size_t start = 0;
  size_t end = path.find('/');
  if (end == 0) {
    start = 1;
    end = path.find('/', 2);
  }
  if (end == std::string_view::npos) {
    end = path.find('?', start);
    if (end == std::string_view::npos) end = path.size();
  }
  if (!SameTextAscii(path.substr(start, end - start), prefix)) return std::nullopt;
  return std::string(path.substr(end));
}

std::u16string DecodeURLPiece(std::string_view piece) {
  return DecodeUrlEscapes(piece, TBadUrlEscape::Drop);
}

TRESTRequestParts ParseRequest(std::string_view remainder) {
  const size_t first = remainder.find('/');
  if (first == std::string_view::npos) throw Exception(InvalidRequestFormatMessage);
  const size_t second = remainder.find('/', first + 1);
  if (second == std::string_view::npos || second == first + 1) throw Exception(InvalidRequestFormatMessage);

  TRESTRequestParts parts;
  parts.ClassName = DecodeURLPiece(remainder.substr(first + 1, second - first - 1));
  size_t methodEnd = remainder.find('/', second + 1);
  if (methodEnd == std::string_view::npos) methodEnd = remainder.size();
  parts.MethodName = DecodeURLPiece(remainder.substr(second + 1, methodEnd - second - 1));

  // Each "/" that is not the last character starts one more argument.
  size_t slash = methodEnd;
  while (slash + 1 < remainder.size()) {
    size_t next = remainder.find('/', slash + 1);
    if (next == std::string_view::npos) next = remainder.size();
    parts.Arguments.push_back(DecodeURLPiece(remainder.substr(slash + 1, next - slash - 1)));
    slash = next;
  }
  return parts;
}

std::u16string SetMethodNameWithPrefix(std::string_view verb, std::u16string_view className,
                                       std::u16string_view methodName) {
  std::u16string prefix;
  if (verb == "POST") prefix = u"update";
  else if (verb == "PUT") prefix = u"accept";
  else if (verb == "DELETE") prefix = u"cancel";
  const bool quoted = !methodName.empty() && (methodName[0] == u'"' || methodName[0] == u'\'');
  if (quoted || className == u"DSAdmin" || className == u"DSMetadata") prefix.clear();
  std::u16string text(className);
  text += u'.';
  text += prefix;
  text += methodName;
  return text;
}

std::u16string ScanQualifiedName(std::u16string_view text) {
  std::u16string joined;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
      ++i;
    } else if (c == u'.') {
      joined.push_back(c);
      ++i;
    } else if (c == u'"') {
      const size_t close = text.find(u'"', i + 1);
      if (close == std::u16string_view::npos) break;
      joined.append(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (IsIdentifierChar(c)) {
      while (i < text.size() && IsIdentifierChar(text[i])) joined.push_back(text[i++]);
    } else {
      break;
    }
  }
  return joined;
}

std::string SessionIdFromPragma(std::string_view pragma) {
  std::vector<std::string> items;
  std::string item;
  bool quoted = false;
  for (char c : pragma) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == ' ' || c == '\t')) {
      if (!item.empty()) items.push_back(item);
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  if (!item.empty()) items.push_back(item);
  for (const auto& entry : items) {
    const size_t eq = entry.find('=');
    if (eq != std::string::npos && SameTextAscii(entry.substr(0, eq), "dssession")) return entry.substr(eq + 1);
  }
  return {};
}

}  // namespace fieldsync
