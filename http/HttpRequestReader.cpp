#include "http/internal/HttpRequestReader.h"

#include <algorithm>

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

namespace {

std::string Trim(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
  while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
  return std::string(text.substr(a, b - a));
}

// A Content-Length of up to 18 digits, or nothing when it is not a number.
std::optional<uint64_t> ParseLength(const std::string& text) {
  if (text.size() > 18) return std::nullopt;
  return DigitsToUInt64(text);
}

}  // namespace

void THttpRequestReader::Append(const char* bytes, size_t size) {
  // Consumed bytes go before new ones come, so that a long body passes
  // through a small buffer.
  if (FPosition > 0 && FPosition == FBuffer.size()) {
    FBuffer.clear();
    FPosition = FSearchFrom = 0;
  } else if (FPosition > 65536) {
    FBuffer.erase(0, FPosition);
    FSearchFrom -= FPosition;
    FPosition = 0;
  }
  FBuffer.append(bytes, size);
}

void THttpRequestReader::ReleaseBuffer() {
  FUnreadLeft = HasUnreadBytes();
  std::string().swap(FBuffer);
  FPosition = FSearchFrom = 0;
}

// A line over the maximum: the request line is answered 414, a header line
// 431; in a chunked body it is a malformed body.
void THttpRequestReader::LineTooLong() const {
  if (FPhase == TPhase::RequestLine) throw THttpStatusAnswer{414, LineTooLongMessage};
  if (FPhase == TPhase::Headers) throw THttpStatusAnswer{431, LineTooLongMessage};
  throw Exception(LineTooLongMessage);
}

std::optional<std::string> THttpRequestReader::TakeLine() {
  const size_t lf = FBuffer.find('\n', FSearchFrom);
  if (lf == std::string::npos) {
    if (FBuffer.size() - FPosition > MaxLineLength + 1) LineTooLong();
    FSearchFrom = FBuffer.size();
    return std::nullopt;
  }
  size_t end = lf;
  if (end > FPosition && FBuffer[end - 1] == '\r') --end;
  if (end - FPosition > MaxLineLength) LineTooLong();
  std::string line = FBuffer.substr(FPosition, end - FPosition);
  FPosition = FSearchFrom = lf + 1;
  return line;
}

void THttpRequestReader::TakeBodyBytes() {
  const size_t n = static_cast<size_t>(std::min<uint64_t>(FRemaining, FBuffer.size() - FPosition));
  FData.Body.append(FBuffer, FPosition, n);
  FPosition += n;
  FSearchFrom = std::max(FSearchFrom, FPosition);
  FRemaining -= n;
}

THttpRequestReader::TStep THttpRequestReader::Advance() {
  while (true) {
    switch (FPhase) {
      case TPhase::RequestLine: {
        auto line = TakeLine();
        if (!line) return TStep::NeedMore;
        FLine = ParseRequestLine(*line);
        FPhase = TPhase::Headers;
        break;
      }
      case TPhase::Headers: {
        auto text = TakeLine();
        if (!text) return TStep::NeedMore;
        if (text->empty()) {
          FPhase = TPhase::HeadRead;
          return TStep::HeadDone;
        }
        if (FHeaderLines++ == MaxHeaderLines) throw THttpStatusAnswer{431, TooManyLinesMessage};
        auto& headers = FData.Headers;
        if (((*text)[0] == ' ' || (*text)[0] == '\t') && !headers.empty()) {
          headers.back().second += " " + Trim(*text);  // folded line
          break;
        }
        const size_t colon = text->find(':');
        if (colon == std::string::npos) break;
        headers.emplace_back(Trim(std::string_view(*text).substr(0, colon)),
                             Trim(std::string_view(*text).substr(colon + 1)));
        break;
      }
      case TPhase::HeadRead:
        return TStep::HeadDone;
      case TPhase::Length:
        TakeBodyBytes();
        if (FRemaining > 0) return TStep::NeedMore;
        FPhase = TPhase::Done;
        break;
      case TPhase::ChunkSize: {
        auto line = TakeLine();
        if (!line) return TStep::NeedMore;
        const auto size = ParseChunkSize(*line);
        if (!size) throw THttpStatusAnswer{400};
        if (*size == 0) {
          FPhase = TPhase::Trailers;
          break;
        }
        if (*size > static_cast<uint64_t>(FMaxBody) - FData.Body.size()) throw THttpStatusAnswer{413};
        FRemaining = *size;
        FPhase = TPhase::ChunkData;
        break;
      }
      case TPhase::ChunkData:
        TakeBodyBytes();
        if (FRemaining > 0) return TStep::NeedMore;
        FPhase = TPhase::ChunkEnd;
        break;
      case TPhase::ChunkEnd:  // the line end after a chunk's bytes
        if (!TakeLine()) return TStep::NeedMore;
        FPhase = TPhase::ChunkSize;
        break;
      case TPhase::Trailers: {
        auto line = TakeLine();
        if (!line) return TStep::NeedMore;
        if (line->empty()) FPhase = TPhase::Done;
        break;
      }
      case TPhase::Done:
        return TStep::Complete;
    }
  }
}

bool THttpRequestReader::BeginBody() {
  const std::string encoding = HeaderValue(FData, "Transfer-Encoding");
  if (SameTextAscii(encoding, "chunked")) {
    FData.HasBody = true;
    FPhase = TPhase::ChunkSize;
    return false;
  }
  if (!encoding.empty() && !SameTextAscii(encoding, "identity")) throw THttpStatusAnswer{400};
  if (HasHeader(FData, "Content-Length")) {
    const auto length = ParseLength(HeaderValue(FData, "Content-Length"));
    if (!length) throw THttpStatusAnswer{400};
    if (*length > static_cast<uint64_t>(FMaxBody)) throw THttpStatusAnswer{413};
    FData.HasBody = true;
    // Room grows with the bytes that arrive, not with what was announced.
    FData.Body.reserve(static_cast<size_t>(std::min<uint64_t>(*length, 1 << 20)));
    FRemaining = *length;
    FPhase = TPhase::Length;
    return false;
  }
  FPhase = TPhase::Done;
  // GET and HEAD carry no body, so bytes behind them are a next request.
  return FData.Method != "GET" && FData.Method != "HEAD";
}

std::string HeaderValue(const THttpRequestData& data, std::string_view name) {
  for (const auto& [key, value] : data.Headers)
    if (SameTextAscii(key, name)) return value;
  return {};
}

bool HasHeader(const THttpRequestData& data, std::string_view name) {
  for (const auto& header : data.Headers)
    if (SameTextAscii(header.first, name)) return true;
  return false;
}

void ApplyHead(THttpRequestData& data, const TRequestLine& line) {
  data.Method = line.Method;
  data.ProtocolVersion = line.Version;
  data.VersionMajor = line.Major;
  data.VersionMinor = line.Minor;
  const std::string override = HeaderValue(data, "X-HTTP-Method-Override");
  if (!override.empty()) data.Method = AsciiUpper(override);
  data.RawURI = line.URI;
  TRequestTarget target = ParseRequestTarget(line.URI);
  data.RawPath = std::move(target.RawPath);
  data.Query = std::move(target.Query);
  data.PathInfoW = std::move(target.Document);
  data.PathInfo = Utf16ToWin1252(data.PathInfoW);
  data.Host = HeaderValue(data, "Host");
  if (!HasHeader(data, "Host") && !target.Host.empty()) data.Host = target.Host;
}

int RefusedExpectation(const THttpRequestData& data, int64_t maxBodyBytes) {
  if (!SameTextAscii(HeaderValue(data, "Expect"), "100-continue")) return 417;
  // A body announced beyond the maximum is refused before it is invited.
  const auto length = ParseLength(HeaderValue(data, "Content-Length"));
  if (length && *length > static_cast<uint64_t>(maxBodyBytes)) return 413;
  return 0;
}

void DecodeFormBody(THttpRequestData& data) {
  const std::string contentType = HeaderValue(data, "Content-Type");
  if (!SameTextAscii(Trim(contentType.substr(0, contentType.find(';'))),
                     "application/x-www-form-urlencoded") ||
      !data.HasBody)
    return;
  std::string charset;
  for (size_t at = contentType.find(';'); at != std::string::npos;) {
    const size_t next = contentType.find(';', at + 1);
    const std::string item = Trim(contentType.substr(at + 1, next == std::string::npos
                                                                 ? std::string::npos
                                                                 : next - at - 1));
    if (item.size() > 8 && SameTextAscii(item.substr(0, 8), "charset=")) {
      charset = item.substr(8);
      if (charset.size() >= 2 && charset.front() == '"') charset = charset.substr(1, charset.size() - 2);
    }
    at = next;
  }
  data.FormText = DecodeInCharset(data.Body, charset);
  data.FormBody = true;
  std::string().swap(data.Body);
}

void CollectCookies(THttpRequestData& data) {
  for (const auto& [key, value] : data.Headers) {
    if (!SameTextAscii(key, "Cookie")) continue;
    size_t from = 0;
    while (from <= value.size()) {
      const size_t semi = value.find(';', from);
      std::string item = Trim(value.substr(from, semi == std::string::npos ? std::string::npos
                                                                             : semi - from));
      if (!item.empty()) data.Cookies.push_back(std::move(item));
      if (semi == std::string::npos) break;
      from = semi + 1;
    }
  }
}

void ReadAuthorization(THttpRequestData& data) {
  const std::string value = HeaderValue(data, "Authorization");
  if (value.empty()) return;
  const size_t blank = value.find(' ');
  const std::string scheme = value.substr(0, blank);
  if (!SameTextAscii(scheme, "Basic")) throw Exception(UnsupportedAuthorizationMessage);
  const std::string decoded =
      Base64Decode(blank == std::string::npos ? std::string() : Trim(value.substr(blank + 1)));
  const size_t colon = decoded.find(':');
  data.AuthUserName = decoded.substr(0, colon);
  if (colon != std::string::npos) data.AuthPassword = decoded.substr(colon + 1);
}

}  // namespace fieldsync
