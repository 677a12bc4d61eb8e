#include "http/WebRequest.h"

#include <algorithm>
#include <cstring>

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"
#include "http/internal/HttpDate.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

namespace {


std::string DecodeUrlItem(std::string_view item) {
  std::string out;
  out.reserve(item.size());
  for (size_t i = 0; i < item.size(); ++i) {
    const char c = item[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%') {
      if (i + 1 < item.size() && item[i + 1] == '%') {
        out.push_back('%');
        ++i;
        continue;
      }
      if (i + 2 >= item.size())
        throw Exception(FormatText(UrlDecodeErrorMessage, {std::to_string(i + 1)}));
      const int hi = HexDigitValue(item[i + 1]);
      const int lo = HexDigitValue(item[i + 2]);
      if (hi < 0 || lo < 0)
        throw Exception(FormatText(UrlInvalidCharacterMessage,
                                   {item.substr(i, 3), std::to_string(i + 1)}));
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Host and port parts of a Host header: split at the first ":", or after the
// closing bracket of an IPv6 address.
std::pair<std::string, std::string> SplitHost(const std::string& host) {
  if (!host.empty() && host[0] == '[') {
    const size_t close = host.find(']');
    if (close != std::string::npos) {
      std::string port;
      if (close + 1 < host.size() && host[close + 1] == ':') port = host.substr(close + 2);
      return {host.substr(0, close + 1), port};
    }
  }
  const size_t colon = host.find(':');
  if (colon == std::string::npos) return {host, {}};
  return {host.substr(0, colon), host.substr(colon + 1)};
}

int64_t ToIntegerOrMinusOne(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  size_t end = text.size();
  while (end > start && text[end - 1] == ' ') --end;
  return TextToInt64(text.substr(start, end - start)).value_or(-1);
}

// Parameters of a header value after the first ";", with their names.
std::string ParameterOf(const std::string& value, std::string_view name) {
  size_t at = value.find(';');
  while (at != std::string::npos) {
    const size_t next = value.find(';', at + 1);
    std::string item = value.substr(at + 1, next == std::string::npos ? std::string::npos
                                                                       : next - at - 1);
    const size_t eq = item.find('=');
    if (eq != std::string::npos) {
      std::string key = item.substr(0, eq);
      key.erase(0, key.find_first_not_of(" \t"));
      key.erase(key.find_last_not_of(" \t") + 1);
      if (SameTextAscii(key, name)) {
        std::string v = item.substr(eq + 1);
        v.erase(0, v.find_first_not_of(" \t"));
        v.erase(v.find_last_not_of(" \t") + 1);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        return v;
      }
    }
    at = next;
  }
  return {};
}

std::string WithoutParameter(const std::string& value, std::string_view name) {
  std::string out;
  size_t from = 0;
  bool first = true;
  while (from <= value.size()) {
    const size_t next = value.find(';', from);
    std::string item = value.substr(from, next == std::string::npos ? std::string::npos
                                                                     : next - from);
    std::string trimmed = item;
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    const size_t eq = trimmed.find('=');
    std::string key = eq == std::string::npos ? std::string() : trimmed.substr(0, eq);
    key.erase(key.find_last_not_of(" \t") + 1);
    if (first || !SameTextAscii(key, name)) {
      if (!first) out += "; ";
      out += trimmed;
    }
    first = false;
    if (next == std::string::npos) break;
    from = next + 1;
  }
  return out;
}

}  // namespace

TMethodType MethodTypeOf(std::string_view method) {
  if (method == "GET") return TMethodType::mtGet;
  if (method == "PUT") return TMethodType::mtPut;
  if (method == "POST") return TMethodType::mtPost;
  if (method == "HEAD") return TMethodType::mtHead;
  return TMethodType::mtAny;
}

std::string TFields::Names(size_t index) const {
  const std::string& item = FItems.at(index);
  return item.substr(0, item.find('='));
}

std::string TFields::ValueFromIndex(size_t index) const {
  const std::string& item = FItems.at(index);
  const size_t eq = item.find('=');
  return eq == std::string::npos ? std::string() : item.substr(eq + 1);
}

int TFields::IndexOfName(std::string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameTextAscii(Names(i), name)) return static_cast<int>(i);
  return -1;
}

std::string TFields::Values(std::string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(static_cast<size_t>(i));
}

TFields DecodeUrlFields(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return TFields{};
  size_t from = 0;
  while (true) {
    const size_t amp = text.find('&', from);
    const std::string_view item = text.substr(from, amp == std::string_view::npos
                                                        ? std::string_view::npos
                                                        : amp - from);
    if (!item.empty()) items.push_back(DecodeUrlItem(item));
    if (amp == std::string_view::npos) break;
    from = amp + 1;
  }
  return TFields(std::move(items));
}

TWebRequest::TWebRequest(THttpRequestData data)
    : FData(std::move(data)), FMethodType(MethodTypeOf(FData.Method)) {
  if (FData.FormBody) FContent = Utf16ToWin1252(FData.FormText);
  else if (FData.HasBody) FContent = std::move(FData.Body);
  if (FContent.empty()) FContent = FData.Query;
  FData.Body.clear();
  FCookieFields = TFields(FData.Cookies);
}

std::string TWebRequest::GetFieldByName(std::string_view name) const {
  for (const auto& [key, value] : FData.Headers)
    if (SameTextAscii(key, name)) return value;
  return {};
}

std::string TWebRequest::Host() const { return SplitHost(FData.Host).first; }

int64_t TWebRequest::ServerPort() const {
  const std::string port = SplitHost(FData.Host).second;
  if (port.empty()) return FData.LocalPort;
  return ToIntegerOrMinusOne(port);
}

std::string TWebRequest::ContentType() const {
  return WithoutParameter(GetFieldByName("Content-Type"), "charset");
}

std::string TWebRequest::ContentCharset() const {
  return ParameterOf(GetFieldByName("Content-Type"), "charset");
}

std::string TWebRequest::GetStringVariable(int index) const {
  switch (index) {
    case 0: return FData.Method;
    case 1: return FData.ProtocolVersion;
    case 2: return URL();
    case 3: return FData.Query;
    case 4: return FData.PathInfo;
    case 5: return FData.PathInfo;
    case 6: return GetFieldByName("Cache-Control");
    case 7: return GetFieldByName("Date");
    case 8: return GetFieldByName("Accept");
    case 9: return GetFieldByName("From");
    case 10: return Host();
    case 11: return GetFieldByName("If-Modified-Since");
    case 12: return GetFieldByName("Referer");
    case 13: return GetFieldByName("User-Agent");
    case 14: return GetFieldByName("Content-Encoding");
    case 15: return ContentType();
    case 16: return std::to_string(ContentLength());
    case 17: return GetFieldByName("CONTENT_VERSION");
    case 18: return GetFieldByName("Derived-From");
    case 19: return GetFieldByName("Expires");
    case 20: return GetFieldByName("Title");
    case 21: return FData.RemoteAddr;
    case 22: return GetFieldByName("REMOTE_HOST");
    case 23: return ScriptName();
    case 24: return std::to_string(ServerPort());
    case 25: return FContent;
    case 26: return GetFieldByName("Connection");
    case 27: return {};
    case 28: return GetFieldByName("Authorization");
    default: return {};
  }
}

int64_t TWebRequest::GetIntegerVariable(int index) const {
  if (index == 16) return ContentLength();
  if (index == 24) return ServerPort();
  return ToIntegerOrMinusOne(GetStringVariable(index));
}

TDateTime TWebRequest::GetDateVariable(int index) const {
  const TDateTime utc = ParseHttpDate(GetStringVariable(index));
  return utc < 0 ? -1 : UtcToLocal(utc);
}

int TWebRequest::ReadClient(char* buffer, int count) {
  if (count <= 0 || FReadPosition >= FContent.size()) return 0;
  const size_t n = std::min(static_cast<size_t>(count), FContent.size() - FReadPosition);
  std::memcpy(buffer, FContent.data() + FReadPosition, n);
  FReadPosition += n;
  return static_cast<int>(n);
}

std::string TWebRequest::ReadString(int count) {
  if (count <= 0) return {};
  std::string out(static_cast<size_t>(count), '\0');
  out.resize(static_cast<size_t>(ReadClient(out.data(), count)));
  return out;
}

const TFields& TWebRequest::QueryFields() const {
  if (!FQueryParsed) {
    FQueryFields = DecodeUrlFields(FData.Query);
    FQueryParsed = true;
  }
  return FQueryFields;
}

const TFields& TWebRequest::ContentFields() const {
  if (!FContentParsed) {
    if (SameTextAscii(ContentType(), "application/x-www-form-urlencoded"))
      FContentFields = DecodeUrlFields(FContent);
    FContentParsed = true;
  }
  return FContentFields;
}

}  // namespace fieldsync
