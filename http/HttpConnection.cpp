#include "http/HttpConnection.h"

#include <algorithm>
#include <cstdio>

#include "core/Error.h"
#include "core/Text.h"
#include "http/HttpMessages.h"
#include "http/HttpParsing.h"
#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync {

namespace {

constexpr size_t MaxHeaderLines = 1024;
constexpr size_t MaxLineLength = 16384;
// How long a closing connection keeps reading what the client still sends,
// so that the answer is not lost to a reset.
constexpr int LingerMs = 500;
constexpr size_t LingerMaxBytes = 1 << 20;

// Ends the connection without an answer (malformed request, peer gone,
// time-out).
struct TQuietClose {};

// Ends the request with a bare status answer.
struct TStatusAnswer {
  int Status;
};

class TConnectionReader {
 public:
  TConnectionReader(net::TSocketHandle socket, int timeoutMs)
      : FSocket(socket), FTimeoutMs(timeoutMs) {}

  // One line without its CR LF; raises when longer than the maximum.
  std::string ReadLine() {
    size_t searched = FPosition;
    while (true) {
      const size_t lf = FBuffer.find('\n', searched);
      if (lf != std::string::npos) {
        size_t end = lf;
        if (end > FPosition && FBuffer[end - 1] == '\r') --end;
        if (end - FPosition > MaxLineLength) throw Exception(MsgLineTooLong);
        std::string line = FBuffer.substr(FPosition, end - FPosition);
        FPosition = lf + 1;
        return line;
      }
      if (FBuffer.size() - FPosition > MaxLineLength + 1) throw Exception(MsgLineTooLong);
      searched = FBuffer.size();
      Fill();
    }
  }

  // Appends exactly `count` bytes to `out`.
  void ReadBytes(uint64_t count, std::string& out) {
    while (count > 0) {
      if (FPosition == FBuffer.size()) Fill();
      const size_t n = static_cast<size_t>(
          std::min<uint64_t>(count, FBuffer.size() - FPosition));
      out.append(FBuffer, FPosition, n);
      FPosition += n;
      count -= n;
    }
  }

  // Whether request bytes are waiting, looking `waitMs` at the socket.
  bool BytesWaiting(int waitMs) {
    return FPosition < FBuffer.size() || net::WaitReadable(FSocket, waitMs);
  }

 private:
  void Fill() {
    if (FPosition > 0 && FPosition == FBuffer.size()) {
      FBuffer.clear();
      FPosition = 0;
    } else if (FPosition > 65536) {
      FBuffer.erase(0, FPosition);
      FPosition = 0;
    }
    char chunk[16384];
    const long n = net::Receive(FSocket, chunk, sizeof chunk, FTimeoutMs);
    if (n <= 0) throw TQuietClose{};  // closed, failed or timed out
    FBuffer.append(chunk, static_cast<size_t>(n));
  }

  net::TSocketHandle FSocket;
  int FTimeoutMs;
  std::string FBuffer;
  size_t FPosition = 0;
};

std::string Trim(std::string_view text) {
  size_t a = 0, b = text.size();
  while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
  while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
  return std::string(text.substr(a, b - a));
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

// Reads the request line and headers into `data`.
TRequestLine ReadHead(TConnectionReader& reader, THttpRequestData& data) {
  TRequestLine line = ParseRequestLine(reader.ReadLine());
  for (size_t count = 0;; ++count) {
    std::string text = reader.ReadLine();
    if (text.empty()) break;
    if (count == MaxHeaderLines) throw Exception(MsgTooManyLines);
    if ((text[0] == ' ' || text[0] == '\t') && !data.Headers.empty()) {
      data.Headers.back().second += " " + Trim(text);  // folded line
      continue;
    }
    const size_t colon = text.find(':');
    if (colon == std::string::npos) continue;
    data.Headers.emplace_back(Trim(text.substr(0, colon)), Trim(text.substr(colon + 1)));
  }
  return line;
}

void ReadChunkedBody(TConnectionReader& reader, std::string& body, int64_t maxBody) {
  while (true) {
    const auto size = ParseChunkSize(reader.ReadLine());
    if (!size) throw TStatusAnswer{400};
    if (*size == 0) break;
    if (*size > static_cast<uint64_t>(maxBody) - body.size()) throw TStatusAnswer{413};
    reader.ReadBytes(*size, body);
    reader.ReadLine();  // the line end after the chunk
  }
  while (!reader.ReadLine().empty()) {
  }  // trailer lines
}

// Reads the body the headers announce, or refuses it.
void ReadBody(TConnectionReader& reader, THttpRequestData& data, const TListenerLimits& limits) {
  const std::string encoding = HeaderValue(data, "Transfer-Encoding");
  if (SameTextAscii(encoding, "chunked")) {
    data.HasBody = true;
    ReadChunkedBody(reader, data.Body, limits.MaxBodyBytes);
    return;
  }
  if (!encoding.empty() && !SameTextAscii(encoding, "identity")) throw TStatusAnswer{400};
  if (HasHeader(data, "Content-Length")) {
    const std::string text = HeaderValue(data, "Content-Length");
    uint64_t length = 0;
    if (text.empty() || text.size() > 18) throw TStatusAnswer{400};
    for (char c : text) {
      if (c < '0' || c > '9') throw TStatusAnswer{400};
      length = length * 10 + static_cast<uint64_t>(c - '0');
    }
    if (length > static_cast<uint64_t>(limits.MaxBodyBytes)) throw TStatusAnswer{413};
    data.HasBody = true;
    // Room grows with the bytes that arrive, not with what was announced.
    data.Body.reserve(static_cast<size_t>(std::min<uint64_t>(length, 1 << 20)));
    reader.ReadBytes(length, data.Body);
    return;
  }
  // Bytes waiting without a length: the body cannot be delimited. GET and
  // HEAD carry no body, so bytes behind them are a next request.
  if (data.Method != "GET" && data.Method != "HEAD" && reader.BytesWaiting(1))
    throw TStatusAnswer{411};
}

// Answers "Expect" before the body is read: the interim 100 line, or 417.
void AnswerExpectation(TConnectionReader& reader, net::TSocketHandle socket,
                       THttpRequestData& data, const TListenerLimits& limits) {
  if (!HasHeader(data, "Expect") || reader.BytesWaiting(0)) return;
  if (!SameTextAscii(HeaderValue(data, "Expect"), "100-continue")) throw TStatusAnswer{417};
  // A body announced beyond the maximum is refused before it is invited.
  const std::string length = HeaderValue(data, "Content-Length");
  if (!length.empty() && length.size() <= 18 &&
      length.find_first_not_of("0123456789") == std::string::npos &&
      std::stoull(length) > static_cast<uint64_t>(limits.MaxBodyBytes))
    throw TStatusAnswer{413};
  const std::string interim = data.ProtocolVersion + " 100 Continue\r\n\r\n";
  if (!net::SendAll(socket, interim, 5000)) throw TQuietClose{};
}

void ApplyTarget(THttpRequestData& data, const TRequestLine& line) {
  data.RawURI = line.URI;
  TRequestTarget target = ParseRequestTarget(line.URI);
  data.RawPath = std::move(target.RawPath);
  data.Query = std::move(target.Query);
  data.PathInfoW = std::move(target.Document);
  data.PathInfo = Utf16ToWin1252(data.PathInfoW);
  data.Host = HeaderValue(data, "Host");
  if (!HasHeader(data, "Host") && !target.Host.empty()) data.Host = target.Host;
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
  if (!SameTextAscii(scheme, "Basic")) throw Exception(MsgUnsupportedAuthorization);
  const std::string decoded =
      Base64Decode(blank == std::string::npos ? std::string() : Trim(value.substr(blank + 1)));
  const size_t colon = decoded.find(':');
  data.AuthUserName = decoded.substr(0, colon);
  if (colon != std::string::npos) data.AuthPassword = decoded.substr(colon + 1);
}

void AnswerWithStatus(TWebResponse& response, int status) {
  response.SetStatusCode(status);
  response.Finish();
}

// Closes gracefully: the answer is flushed before the socket goes, even when
// the client still has unread bytes on their way.
void CloseGracefully(net::TSocketHandle socket, TConnectionReader& reader) {
  if (!reader.BytesWaiting(0)) return;
  net::ShutdownSend(socket);
  char sink[16384];
  size_t drained = 0;
  while (drained < LingerMaxBytes) {
    const long n = net::Receive(socket, sink, sizeof sink, LingerMs);
    if (n <= 0) break;
    drained += static_cast<size_t>(n);
  }
}

}  // namespace

void ServeConnection(net::TSocketHandle socket, TWebRequestHandler& handler,
                     const TListenerLimits& limits) {
  // The kernel sizes the socket buffers itself. Fixing them at 32 KiB, as a
  // connection's buffers were once set, made a large answer wait for the
  // client's delayed acknowledgement after every 64 KiB: a 33 MiB client
  // list took 20 s instead of 1 s.
  const int timeoutMs = limits.ReadTimeoutSeconds > 0 ? limits.ReadTimeoutSeconds * 1000 : -1;
  TConnectionReader reader(socket, timeoutMs);
  auto write = [socket, timeoutMs](std::string_view bytes) {
    if (!net::SendAll(socket, bytes, timeoutMs)) throw TSocketError("connection lost");
  };
  try {
    THttpRequestData data;
    TRequestLine line;
    try {
      line = ReadHead(reader, data);
    } catch (const Exception&) {
      return;  // malformed request line, too many or too long lines
    }
    data.Method = line.Method;
    data.ProtocolVersion = line.Version;
    data.VersionMajor = line.Major;
    data.VersionMinor = line.Minor;
    TWebResponse response(line.Version, write);
    try {
      const std::string override = HeaderValue(data, "X-HTTP-Method-Override");
      if (!override.empty()) data.Method = AsciiUpper(override);
      data.RemoteAddr = net::PeerAddress(socket);
      data.LocalPort = net::LocalPort(socket);
      ApplyTarget(data, line);
      const bool atLeast11 = line.Major > 1 || (line.Major == 1 && line.Minor >= 1);
      if (atLeast11 && data.Host.empty()) throw TStatusAnswer{400};
      AnswerExpectation(reader, socket, data, limits);
      ReadBody(reader, data, limits);
      DecodeFormBody(data);
      CollectCookies(data);
      try {
        ReadAuthorization(data);
      } catch (const Exception&) {
        return;  // any scheme but Basic: no answer
      }
      TWebRequest request(std::move(data));
      handler.HandleRequest(request, response);
    } catch (const TStatusAnswer& answer) {
      if (!response.HeadWritten()) AnswerWithStatus(response, answer.Status);
      CloseGracefully(socket, reader);
      return;
    } catch (const TSocketError&) {
      return;
    } catch (const std::exception& e) {
      if (response.HeadWritten()) return;
      response.SetStatusCode(500);
      response.SetContentType("text/plain");
      response.SetContent(Utf16ToWin1252(Utf8ToUtf16(e.what())));
    }
    response.Finish();
    CloseGracefully(socket, reader);
  } catch (const TQuietClose&) {
  } catch (const TSocketError&) {
  } catch (const std::exception&) {
    // Nothing is left to answer on; the connection just ends.
  }
}

void RefuseConnection(net::TSocketHandle socket) {
  TWebResponse response("HTTP/1.1", [socket](std::string_view bytes) {
    net::SendAll(socket, bytes, 1000);  // a peer that takes nothing is left
  });
  response.SetStatusCode(503);
  response.Finish();
  // What the client has sent already is read away (without waiting, since
  // the accepting thread runs this), so that closing does not reset the
  // connection under the answer.
  net::ShutdownSend(socket);
  char sink[16384];
  while (net::Receive(socket, sink, sizeof sink, 0) > 0) {
  }
}

}  // namespace fieldsync
