#pragma once
// Routes a request whose path starts with the "datasnap" context to its
// protocol and answers it: REST calls (with their session handling, the
// "Pragma" session header and every error answer), the "json" context that
// runs a posted array of commands, and the "cache" context that reads and
// deletes the results sessions keep.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "rest/DSAuthentication.h"
#include "rest/DSHTTPView.h"
#include "rest/DSRESTService.h"
#include "rest/DSResponseHandler.h"
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
  // Attaches the authentication manager that checks every request to the
  // REST, json and cache contexts (nullptr: none, requests are served
  // without a login). `manager` must outlive this object.
  void SetAuthenticationManager(TDSAuthenticationManager* manager) { FAuthenticationManager = manager; }
  TDSAuthenticationManager* AuthenticationManager() const { return FAuthenticationManager; }

  // Answers the request into `response`.
  void DoCommand(TDSHTTPRequest& request, TDSHTTPResponse& response);

 private:
  using TRights = std::shared_ptr<const TDSUserRights>;

  // A REST call: ReadRESTQuery, then EnterRESTSession, then DispatchRESTVerb.
  void DoDSRESTCommand(TDSHTTPRequest& request, TDSHTTPResponse& response, const std::string& remainder,
                       const TRights& rights);

  // What a REST call's query says besides its arguments: the session it
  // names (SessionIdOf) and, when a result filter refuses its value or two
  // filters conflict, the status and reason phrase to answer with. The
  // filters and "json" go into `service`; after a refused one the remaining
  // parameters are not read.
  struct TRESTQuery {
    std::string SessionId;
    int RefusedStatus = 0;  // 0: nothing refused
    std::string RefusedReason;
  };
  static TRESTQuery ReadRESTQuery(const TDSHTTPRequest& request, TDSRESTService& service);
  // Loads the call's session and answers what ends a REST call before any
  // method runs: "CloseSession" (200, the session closed), an unknown or
  // expired session (403), a refused query (409). True when the call goes
  // on: its session is the thread's and the "Pragma" header names it.
  bool EnterRESTSession(TDSHTTPRequest& request, TDSHTTPResponse& response, const std::string& remainder,
                        const TRESTQuery& query, const TRights& rights);
  // Runs the call by its verb (GET through the shared reads) and writes the
  // answer; 501 for a verb the REST context does not serve, 403 for a call
  // the user may not make.
  void DispatchRESTVerb(TDSHTTPRequest& request, TDSHTTPResponse& response, const std::string& remainder,
                        const TRights& rights, TDSRESTService& service, TDSServiceResponseHandler& handler);
  void DoJSONCommand(TDSHTTPRequest& request, TDSHTTPResponse& response, const TRights& rights);
  void DoDSCacheCommand(TDSHTTPRequest& request, TDSHTTPResponse& response, const std::string& remainder,
                        const TRights& rights);
  void AnswerUnsupportedProtocol(TDSHTTPResponse& response, const std::string& remainder);

  // With an authentication manager: the rights of the user whose
  // credentials the request carries, or nothing when the request has been
  // answered 401 (no or wrong credentials) or 429 (too many failures from
  // its address). Without one: null rights.
  std::optional<TRights> Admit(TDSHTTPRequest& request, TDSHTTPResponse& response);
  // A call the user may not make: 403 with the error envelope.
  static void AnswerForbidden(TDSHTTPResponse& response, const std::string& message);

  // Finds the session `sessionId` or, with an empty id, creates one; on
  // success it is the thread's current session. With `rights`, a session
  // another user created is not found, and a new one belongs to that user.
  bool LoadSession(TDSHTTPRequest& request, const std::string& sessionId, const TRights& rights);
  // The session id a request names: the query parameter "SESSIONID", else
  // "sid" (names in any letter case; the first of a name repeated), else
  // the "Pragma" header. Every context reads it so.
  static std::string SessionIdOf(const TDSHTTPRequest& request);
  static void AnswerSessionExpired(TDSHTTPResponse& response);
  // "Command <verb> in request is not supported. ..."
  static std::string CommandNotSupportedText(const std::string& verb);
  // The cached-result handler when the request accepts "application/rest",
  // else the default one.
  static std::unique_ptr<TDSServiceResponseHandler> CreateResponseHandler(const TDSHTTPRequest& request,
                                                                          TDSHTTPCommandType commandType,
                                                                          const TDSRESTService& service);

  // Ends a request whatever happens: frees the handler (and with it the
  // call's instance), closes the session when the call asked for it, and
  // makes the thread forget its session.
  struct TEndOfRequest {
    TDSSessionManager& Sessions;
    std::unique_ptr<TDSServiceResponseHandler>& Handler;
    ~TEndOfRequest();
  };

  TDSServer& FServer;
  TDSSessionManager& FSessions;
  std::string FDSContext = "datasnap";
  std::string FRESTContext = "rest";
  std::string FCacheContext = "cache";
  int64_t FSessionTimeout = DefaultSessionTimeoutMs;
  TDSAuthenticationManager* FAuthenticationManager = nullptr;
};

// Calls that joined an identical download being fetched, instead of
// fetching, since the process started (rest/README.md).
uint64_t SharedReadsJoined();

}  // namespace fieldsync
