#include "http/WebResponse.h"

#include <algorithm>

#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpDate.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

namespace {

struct TReason {
  int Code;
  const char* Text;
};

constexpr TReason ReasonTexts[] = {
    {100, "Continue"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {203, "Non-authoritative Information"},
    {204, "No Content"},
    {205, "Reset Content"},
    {206, "Partial Content"},
    {301, "Moved Permanently"},
    {302, "Moved Temporarily"},
    {303, "See Other"},
    {304, "Not Modified"},
    {305, "Use Proxy"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method not allowed"},
    {406, "Not Acceptable"},
    {407, "Proxy Authentication Required"},
    {408, "Request Timeout"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length Required"},
    {412, "Precondition Failed"},
    {413, "Request Entity Too Long"},
    {414, "Request-URI Too Long. 256 Chars max"},
    {415, "Unsupported Media Type"},
    {417, "Expectation Failed"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway timeout"},
    {505, "HTTP version not supported"},
};

[[noreturn]] void InvalidIndex(int index, const char* operation) {
  throw Exception(FormatText(InvalidIndexMessage, {std::to_string(index), operation}));
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether text held in the system code page has the same bytes in `charset`.
bool WireIsSame(const std::string& text, const std::string& charset) {
  const std::string cs = AsciiLower(charset);
  return cs == "windows-1252" || cs == "cp1252" || IsAscii(text);
}

// Text held in the system code page, re-encoded for the wire in `charset`.
std::string EncodeForWire(const std::string& text, const std::string& charset) {
  if (WireIsSame(text, charset)) return text;
  const std::string cs = AsciiLower(charset);
  const std::u16string wide = Win1252ToUtf16(text);
  if (cs == "utf-8" || cs == "utf8") return Utf16ToUtf8(wide);
  const char16_t limit = (cs == "us-ascii" || cs == "ascii") ? 0x7F : 0xFF;
  std::string out;
  out.reserve(wide.size());
  for (char16_t c : wide) out.push_back(c <= limit ? static_cast<char>(c) : '?');
  return out;
}

void AddHeader(std::string& out, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  out.append(name).append(": ").append(value).append("\r\n");
}

}  // namespace

std::string ReasonTextOf(int statusCode) {
  for (const auto& r : ReasonTexts)
    if (r.Code == statusCode) return r.Text;
  return "Unknown Response Code";
}

namespace {

// Hands each piece to a function that takes a view of it.
class TWriteFnSink : public TResponseSink {
 public:
  explicit TWriteFnSink(TWebResponse::TWriteFn write) : FWrite(std::move(write)) {}
  void Write(TWireBuffer piece) override { FWrite(*piece); }

 private:
  TWebResponse::TWriteFn FWrite;
};

const TWireBuffer& NoText() {
  static const TWireBuffer empty = std::make_shared<const std::string>();
  return empty;
}

}  // namespace

TWebResponse::TWebResponse(std::string version, TWriteFn write)
    : FVersion(std::move(version)),
      FOwnSink(std::make_unique<TWriteFnSink>(std::move(write))),
      FSink(FOwnSink.get()),
      FContent(NoText()) {}

TWebResponse::TWebResponse(std::string version, TResponseSink& sink)
    : FVersion(std::move(version)), FSink(&sink), FContent(NoText()) {}

TWebResponse::~TWebResponse() = default;

std::string TWebResponse::GetStringVariable(int index) const {
  switch (index) {
    case 0: return FVersion;
    case 1: return FReasonString;
    case 2: return FServer;
    case 3: return FWWWAuthenticate;
    case 4: return FRealm;
    case 5: return GetCustomHeader("Allow");
    case 6: return FLocation;
    case 7: return FContentEncoding;
    case 8: return FContentType;
    case 9: return FContentVersion;
    case 10: return GetCustomHeader("Derived-From");
    case 11: return GetCustomHeader("Title");
    default: InvalidIndex(index, "GetStringVariable");
  }
}

void TWebResponse::SetStringVariable(int index, const std::string& value) {
  switch (index) {
    case 0: break;  // the request's version; cannot be set
    case 1: FReasonString = value; break;
    case 2: FServer = value; break;
    case 3: FWWWAuthenticate = value; break;
    case 4: FRealm = value; break;
    case 5: SetCustomHeader("Allow", value); break;
    case 6: FLocation = value; break;
    case 7: FContentEncoding = value; break;
    case 8: SetContentType(value); break;
    case 9: FContentVersion = value; break;
    case 10: SetCustomHeader("Derived-From", value); break;
    case 11: SetCustomHeader("Title", value); break;
    default: InvalidIndex(index, "SetStringVariable");
  }
}

int64_t TWebResponse::GetIntegerVariable(int index) const {
  if (index != 0) InvalidIndex(index, "GetIntegerVariable");
  return FContentLength;
}

void TWebResponse::SetIntegerVariable(int index, int64_t value) {
  if (index != 0) InvalidIndex(index, "SetIntegerVariable");
  FContentLength = value;
}

TDateTime TWebResponse::GetDateVariable(int index) const {
  switch (index) {
    case 0: return FDate;
    case 1: return FExpires;
    case 2: return FLastModified;
    default: InvalidIndex(index, "GetDateVariable");
  }
}

void TWebResponse::SetDateVariable(int index, TDateTime value) {
  switch (index) {
    case 0: FDate = value; break;
    case 1: FExpires = value; break;
    case 2: FLastModified = value; break;
    default: InvalidIndex(index, "SetDateVariable");
  }
}

void TWebResponse::SetStatusCode(int code) {
  FStatusCode = code;
  FReasonString = ReasonTextOf(code);
}

void TWebResponse::SetContentType(const std::string& contentType) {
  // Keep the charset apart; everything else stays in the media type.
  std::string media;
  std::string charset;
  size_t from = 0;
  bool first = true;
  while (true) {
    const size_t next = contentType.find(';', from);
    std::string item = contentType.substr(from, next == std::string::npos ? std::string::npos
                                                                           : next - from);
    item.erase(0, item.find_first_not_of(" \t"));
    item.erase(item.find_last_not_of(" \t") + 1);
    const size_t eq = item.find('=');
    std::string key = first || eq == std::string::npos ? std::string() : item.substr(0, eq);
    key.erase(key.find_last_not_of(" \t") + 1);
    if (!first && SameTextAscii(key, "charset")) {
      charset = item.substr(eq + 1);
      charset.erase(0, charset.find_first_not_of(" \t\""));
      charset.erase(charset.find_last_not_of(" \t\"") + 1);
    } else if (!item.empty() || first) {
      if (!first) media += "; ";
      media += item;
    }
    first = false;
    if (next == std::string::npos) break;
    from = next + 1;
  }
  FContentType = media;
  FCharset = charset;
}

std::string TWebResponse::Charset() const {
  if (!FCharset.empty()) return FCharset;
  const std::string media = AsciiLower(FContentType.substr(0, FContentType.find(';')));
  if (media.rfind("text/", 0) != 0) return {};
  const std::string subtype = media.substr(5);
  if (subtype == "xml" || subtype == "xml-external-parsed-entity" ||
      (subtype.size() >= 4 && subtype.compare(subtype.size() - 4, 4, "+xml") == 0))
    return "us-ascii";
  return "ISO-8859-1";
}

void TWebResponse::SetContent(std::string content) {
  FContent = content.empty() ? NoText() : std::make_shared<const std::string>(std::move(content));
  FContentStream.reset();
  FContentBuffers.clear();
}

void TWebResponse::SetContentStream(std::unique_ptr<std::istream> stream) {
  FContentStream = std::move(stream);
  FContent = NoText();
  FContentBuffers.clear();
}

void TWebResponse::SetContentBuffers(std::vector<std::string> buffers, std::shared_ptr<void> hold) {
  FContent = NoText();
  FContentStream.reset();
  FContentBuffers.clear();
  FContentBuffers.reserve(buffers.size());
  for (auto& buffer : buffers) {
    if (buffer.empty()) continue;
    if (!hold) {
      FContentBuffers.push_back(std::make_shared<const std::string>(std::move(buffer)));
      continue;
    }
    // Each buffer keeps `hold` alive; it goes with the last one.
    FContentBuffers.push_back(TWireBuffer(new std::string(std::move(buffer)),
                                          [hold](const std::string* bytes) { delete bytes; }));
  }
}

void TWebResponse::SetSharedContentBuffers(std::vector<TWireBuffer> buffers) {
  FContent = NoText();
  FContentStream.reset();
  FContentBuffers.clear();
  for (auto& buffer : buffers)
    if (buffer && !buffer->empty()) FContentBuffers.push_back(std::move(buffer));
}

int64_t TWebResponse::BuffersSize() const {
  int64_t size = 0;
  for (const auto& buffer : FContentBuffers) size += static_cast<int64_t>(buffer->size());
  return size;
}

void TWebResponse::SetCustomHeader(const std::string& name, const std::string& value) {
  for (auto& [key, v] : FCustomHeaders) {
    if (SameTextAscii(key, name)) {
      v = value;
      return;
    }
  }
  FCustomHeaders.emplace_back(name, value);
}

std::string TWebResponse::GetCustomHeader(std::string_view name) const {
  for (const auto& [key, v] : FCustomHeaders)
    if (SameTextAscii(key, name)) return v;
  return {};
}

TWireBuffer TWebResponse::BodyBytes() const {
  // Text that reads the same in the wire's charset goes out as it is held.
  if (FContent->empty() || WireIsSame(*FContent, Charset())) return FContent;
  return std::make_shared<const std::string>(EncodeForWire(*FContent, Charset()));
}

std::string TWebResponse::HeadBytes(int64_t contentLength) const {
  std::string out;
  out.reserve(256);
  out.append("HTTP/1.1 ").append(std::to_string(FStatusCode)).append(" ");
  out.append(FReasonString).append("\r\n");
  AddHeader(out, "Connection", "close");
  AddHeader(out, "Content-Version", FContentVersion);
  AddHeader(out, "Content-Encoding", FContentEncoding);
  if (!FContentType.empty()) {
    const std::string charset = Charset();
    AddHeader(out, "Content-Type",
              charset.empty() ? FContentType : FContentType + "; charset=" + charset);
  }
  AddHeader(out, "Content-Length", std::to_string(contentLength));
  if (FDate >= 0) AddHeader(out, "Date", FormatHttpDate(LocalToUtc(FDate)));
  if (FExpires >= 0) AddHeader(out, "Expires", FormatHttpDate(LocalToUtc(FExpires)));
  for (const auto& [name, value] : FCustomHeaders) AddHeader(out, name, value);
  if (FLastModified >= 0)
    AddHeader(out, "Last-Modified", FormatHttpDate(LocalToUtc(FLastModified)));
  AddHeader(out, "Server", FServer);
  AddHeader(out, "Location", FLocation);
  AddHeader(out, "WWW-Authenticate", FWWWAuthenticate);
  for (const auto& cookie : FCookies) AddHeader(out, "Set-Cookie", cookie);
  out.append("\r\n");
  return out;
}

namespace {

int64_t StreamSize(std::istream& stream) {
  stream.clear();
  stream.seekg(0, std::ios::end);
  const auto size = static_cast<int64_t>(stream.tellg());
  stream.seekg(0, std::ios::beg);
  return size < 0 ? 0 : size;
}

}  // namespace

std::string TWebResponse::Serialize() const {
  if (FContentStream) {
    std::string out = HeadBytes(StreamSize(*FContentStream));
    out.append(std::istreambuf_iterator<char>(*FContentStream), {});
    return out;
  }
  if (!FContentBuffers.empty()) {
    std::string out = HeadBytes(BuffersSize());
    for (const auto& buffer : FContentBuffers) out += *buffer;
    return out;
  }
  const TWireBuffer body = BodyBytes();
  const int64_t length =
      !body->empty() ? static_cast<int64_t>(body->size()) : std::max<int64_t>(FContentLength, 0);
  return HeadBytes(length) + *body;
}

void TWebResponse::WriteAll() {
  FHeadWritten = true;
  if (FContentStream) {
    FSink->Write(std::make_shared<const std::string>(HeadBytes(StreamSize(*FContentStream))));
    constexpr size_t PieceSize = 65536;
    while (*FContentStream) {
      std::string piece(PieceSize, '\0');
      FContentStream->read(piece.data(), static_cast<std::streamsize>(piece.size()));
      const auto n = FContentStream->gcount();
      if (n <= 0) break;
      piece.resize(static_cast<size_t>(n));
      FSink->Write(std::make_shared<const std::string>(std::move(piece)));
      FBodyBytesWritten += n;
    }
    FContentStream.reset();
    return;
  }
  if (!FContentBuffers.empty()) {
    FSink->Write(std::make_shared<const std::string>(HeadBytes(BuffersSize())));
    for (const auto& buffer : FContentBuffers) FSink->Write(buffer);
    FBodyBytesWritten = static_cast<int64_t>(BuffersSize());
    return;
  }
  TWireBuffer body = BodyBytes();
  const int64_t length =
      !body->empty() ? static_cast<int64_t>(body->size()) : std::max<int64_t>(FContentLength, 0);
  FSink->Write(std::make_shared<const std::string>(HeadBytes(length)));
  FBodyBytesWritten = static_cast<int64_t>(body->size());
  if (!body->empty()) FSink->Write(std::move(body));
}

void TWebResponse::SendResponse() {
  FSent = true;
  WriteAll();
}

void TWebResponse::SendRedirect(const std::string& uri) {
  FSent = true;
  SetStatusCode(302);
  FLocation = uri;
  FContent = NoText();
  FContentStream.reset();
  FContentBuffers.clear();
}

void TWebResponse::Finish() {
  if (!FHeadWritten) WriteAll();
}

}  // namespace fieldsync
