#pragma once
// Routes a request whose path starts with the "datasnap" context to its
// protocol (REST calls here) and answers it: session handling, the call,
// the "Pragma" session header and every error answer.

#include <cstdint>
#include <string>

#include "rest/DSHTTPView.h"
#include "rest/DSServer.h"
#include "rest/DSSession.h"

namespace fieldsync {

class TDSHTTPServer {
 public:
  // Sessions created by REST calls end after this much inactivity.
  static constexpr int64_t DefaultSessionTimeoutMs = 1200000;

  explicit TDSHTTPServer(TDSServer& server, TDSSessionManager& sessions = TDSSessionManager::Instance());

  // Contexts as configured; exactly one trailing "/" is dropped.
  void SetDSContext(const std::string& context);
  void SetRESTContext(const std::string& context);
  void SetCacheContext(const std::string& context);
  void SetSessionTimeout(int64_t ms) { FSessionTimeout = ms; }

  // Answers the request into `response`.
  void DoCommand(TDSHTTPRequest& request, TDSHTTPResponse& response);

 private:
  void DoDSRESTCommand(TDSHTTPRequest& request, TDSHTTPResponse& response, const std::string& remainder);
  void AnswerUnsupportedProtocol(TDSHTTPResponse& response, const std::string& remainder);

  TDSServer& FServer;
  TDSSessionManager& FSessions;
  std::string FDSContext = "datasnap";
  std::string FRESTContext = "rest";
  std::string FCacheContext = "cache";
  int64_t FSessionTimeout = DefaultSessionTimeoutMs;
};

}  // namespace fieldsync
