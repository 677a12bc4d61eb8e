#pragma once
// A raw HTTP client for black-box tests against a listener on loopback.

#include <cstdint>
#include <string>
#include <vector>

#include "http/WebRequest.h"

namespace fieldsync {
class TWebModule;
}

namespace fieldsync::test {

struct THttpAnswer {
  bool Received = false;           // any bytes came back
  std::string Raw;                 // everything read until the server closed
  int Status = 0;
  std::string Reason;
  std::vector<std::pair<std::string, std::string>> Headers;  // in order
  std::string Body;

  std::string Header(const std::string& name) const;  // first of that name
  std::vector<std::string> HeaderNames() const;
};

THttpAnswer ParseAnswer(const std::string& raw);

// A request of `method` for `path` as the listener hands it to a module:
// HTTP/1.1 for `host`, on port 8081, from `remoteAddr`.
THttpRequestData RequestTo(const std::string& method, const std::string& path,
                           const std::string& remoteAddr = "127.0.0.1",
                           const std::string& host = "127.0.0.1:8081");

// Dispatches a GET-like request to `module` in process, as the pool would
// (from 127.0.0.1 to port 8081), and answers what it wrote on the wire.
THttpAnswer DispatchInProcess(TWebModule& module, const std::string& method, const std::string& path,
                              std::vector<std::pair<std::string, std::string>> headers = {});

// A connected socket to 127.0.0.1 (or ::1) on `port`; closes on destruction.
class TTestConnection {
 public:
  TTestConnection(uint16_t port, bool ipv6 = false);
  ~TTestConnection();
  TTestConnection(const TTestConnection&) = delete;
  TTestConnection& operator=(const TTestConnection&) = delete;

  bool Connected() const { return FSocket != -1; }
  void Send(const std::string& bytes);
  // Tells the server that nothing more will come.
  void FinishSending();
  // Reads until the server closes (or `timeoutMs` passes without bytes).
  std::string ReadAll(int timeoutMs = 10000);
  // Reads until `count` bytes have arrived or the server closes.
  std::string ReadSome(size_t count, int timeoutMs = 10000);
  // Whether the server closed the connection within `timeoutMs`.
  bool ClosedWithin(int timeoutMs);

 private:
  intptr_t FSocket = -1;  // a handle of TestSocket.h
};

// Sends `request` and returns the parsed answer.
THttpAnswer Exchange(uint16_t port, const std::string& request, bool ipv6 = false);

}  // namespace fieldsync::test
