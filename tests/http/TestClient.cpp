#include "TestClient.h"

#include <cstring>

#include "TestSocket.h"

#include "core/Text.h"
#include "http/WebModule.h"
#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync::test {

std::string THttpAnswer::Header(const std::string& name) const {
  for (const auto& [key, value] : Headers)
    if (SameTextAscii(key, name)) return value;
  return {};
}

std::vector<std::string> THttpAnswer::HeaderNames() const {
  std::vector<std::string> names;
  for (const auto& header : Headers) names.push_back(header.first);
  return names;
}

THttpRequestData RequestTo(const std::string& method, const std::string& path,
                           const std::string& remoteAddr, const std::string& host) {
  THttpRequestData data;
  data.Method = method;
  data.ProtocolVersion = "HTTP/1.1";
  data.PathInfo = path;
  data.RawPath = path;
  data.Host = host;
  data.RemoteAddr = remoteAddr;
  data.LocalPort = 8081;
  return data;
}

THttpAnswer DispatchInProcess(TWebModule& module, const std::string& method, const std::string& path,
                              std::vector<std::pair<std::string, std::string>> headers) {
  THttpRequestData data = RequestTo(method, path);
  data.Headers = std::move(headers);
  std::string wire;
  TWebRequest request(std::move(data));
  TWebResponse response("HTTP/1.1", [&wire](std::string_view b) { wire.append(b); });
  if (module.HandleRequest(request, response) && !response.Sent()) response.SendResponse();
  response.Finish();
  return ParseAnswer(wire);
}

THttpAnswer ParseAnswer(const std::string& raw) {
  THttpAnswer answer;
  answer.Raw = raw;
  answer.Received = !raw.empty();
  const size_t headEnd = raw.find("\r\n\r\n");
  if (headEnd == std::string::npos) return answer;
  const std::string head = raw.substr(0, headEnd);
  answer.Body = raw.substr(headEnd + 4);
  size_t lineEnd = head.find("\r\n");
  const std::string statusLine = head.substr(0, lineEnd);
  const size_t s1 = statusLine.find(' ');
  const size_t s2 = statusLine.find(' ', s1 + 1);
  answer.Status = std::atoi(statusLine.substr(s1 + 1, s2 - s1 - 1).c_str());
  answer.Reason = s2 == std::string::npos ? "" : statusLine.substr(s2 + 1);
  while (lineEnd != std::string::npos) {
    const size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos
                                                                             : lineEnd - start);
    const size_t colon = line.find(": ");
    if (colon != std::string::npos)
      answer.Headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
  }
  return answer;
}

TTestConnection::TTestConnection(uint16_t port, bool ipv6) : FSocket(sock::ConnectLoopback(port, ipv6)) {}

TTestConnection::~TTestConnection() {
  if (FSocket != sock::None) sock::Close(FSocket);
}

void TTestConnection::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = sock::SendSome(FSocket, bytes.data() + sent, bytes.size() - sent);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

void TTestConnection::FinishSending() { sock::ShutdownSend(FSocket); }

std::string TTestConnection::ReadSome(size_t count, int timeoutMs) {
  std::string out;
  std::vector<char> buffer(65536);
  while (out.size() < count) {
    if (!sock::WaitReadable(FSocket, timeoutMs)) break;
    const long n = sock::ReceiveSome(FSocket, buffer.data(), buffer.size());
    if (n <= 0) break;
    out.append(buffer.data(), static_cast<size_t>(n));
  }
  return out;
}

std::string TTestConnection::ReadAll(int timeoutMs) { return ReadSome(SIZE_MAX, timeoutMs); }

bool TTestConnection::ClosedWithin(int timeoutMs) {
  char buffer[4096];
  while (true) {
    if (!sock::WaitReadable(FSocket, timeoutMs)) return false;
    if (sock::ReceiveSome(FSocket, buffer, sizeof buffer) <= 0) return true;
  }
}

THttpAnswer Exchange(uint16_t port, const std::string& request, bool ipv6) {
  TTestConnection connection(port, ipv6);
  connection.Send(request);
  return ParseAnswer(connection.ReadAll());
}

}  // namespace fieldsync::test
