#include "rest/DSHTTPServer.h"

#include <memory>

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSActivity.h"
#include "rest/DSInvocationMetadata.h"
#include "rest/DSRESTGrammar.h"
#include "rest/DSRESTService.h"
#include "rest/DSResponseHandler.h"

namespace fieldsync {

namespace {

constexpr const char* ExpectedContextMessage = "Expected datasnap context in request %s";
constexpr const char* UnsupportedProtocolMessage =
    "Specified protocol in request %s is not supported. Current supported protocols are: %s, json, tunnel";
constexpr const char* NoRESTContextText = "none specified (uses rest)";
constexpr const char* RefusedParameterMessage =
    "Query parameter %s (%s) is not accepted as a valid converter. The converter type might not be registered yet "
    "hence the request is rejected";
constexpr const char* ConflictingParametersMessage =
    "Query parameters are conflicting. This is usually due to references on the same output parameter";
constexpr const char* SessionExpiredReason = "Session has expired";
constexpr const char* SessionExpiredBody =
    "{\"SessionExpired\":\"The specified session has expired due to inactivity or was an invalid Session ID\"}";
constexpr const char* CommandNotSupportedMessage =
    "Command %s in request is not supported. Accepted commands are: GET, POST, PUT and DELETE";
constexpr const char* CloseSessionPath = "/CloseSession/";
constexpr const char* CloseSessionReason = "{\"result\":[true]}";

std::string WithoutTrailingSlash(const std::string& context) {
  if (!context.empty() && context.back() == '/') return context.substr(0, context.size() - 1);
  return context;
}

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// Discards the thread's invocation metadata when the request ends.
struct TMetadataScope {
  ~TMetadataScope() { TDSInvocationMetadata::Discard(); }
};

}  // namespace

TDSHTTPServer::TDSHTTPServer(TDSServer& server, TDSSessionManager& sessions) : FServer(server), FSessions(sessions) {}

void TDSHTTPServer::SetDSContext(const std::string& context) { FDSContext = WithoutTrailingSlash(context); }
void TDSHTTPServer::SetRESTContext(const std::string& context) { FRESTContext = WithoutTrailingSlash(context); }
void TDSHTTPServer::SetCacheContext(const std::string& context) { FCacheContext = WithoutTrailingSlash(context); }

void TDSHTTPServer::DoCommand(TDSHTTPRequest& request, TDSHTTPResponse& response) {
  TMetadataScope metadataScope;
  const std::string path = request.RawPath();
  const auto afterDS = Consume(FDSContext, path);
  if (!afterDS) {
    response.SetResponseNo(404);
    response.SetResponseText(FormatText(ExpectedContextMessage, {path}));
    response.SetCloseConnection(true);
    return;
  }
  // The "json" and "cache" contexts and the binary tunnel are not offered:
  // they are answered as protocols this server does not support.
  if (Consume("json", *afterDS) || Consume("tunnel", *afterDS)) {
    AnswerUnsupportedProtocol(response, *afterDS);
  } else if (auto afterREST = Consume(FRESTContext, *afterDS)) {
    DoDSRESTCommand(request, response, *afterREST);
  } else {
    AnswerUnsupportedProtocol(response, *afterDS);
  }
}

void TDSHTTPServer::AnswerUnsupportedProtocol(TDSHTTPResponse& response, const std::string& remainder) {
  std::string rest = Trimmed(FRESTContext);
  if (rest.empty()) rest = NoRESTContextText;
  response.SetResponseNo(501);
  response.SetContentText(FormatText(UnsupportedProtocolMessage, {remainder, rest}));
  response.SetCloseConnection(true);
}

void TDSHTTPServer::DoDSRESTCommand(TDSHTTPRequest& request, TDSHTTPResponse& response,
                                    const std::string& remainder) {
  const TDSHTTPCommandType commandType = request.CommandType();
  int pendingStatus = 200;
  std::string pendingReason;
  auto service = std::make_unique<TDSRESTService>(FServer, std::string(), std::string());
  std::unique_ptr<TDSServiceResponseHandler> handler;

  // Whatever happens, the handler (or the service) goes, a session that the
  // call asked to close is closed and the thread forgets its session.
  struct TEndOfRequest {
    TDSSessionManager& Sessions;
    std::unique_ptr<TDSServiceResponseHandler>& Handler;
    ~TEndOfRequest() {
      Handler.reset();
      auto* metadata = TDSInvocationMetadata::Find();
      auto session = TDSSessionManager::GetThreadSession();
      if (metadata && metadata->CloseSession && session) Sessions.CloseSession(session->SessionName());
      TDSSessionManager::ClearThreadSession();
    }
  } endOfRequest{FSessions, handler};

  const TDSHTTPParams& params = request.Params();
  std::string sessionId;
  bool sessionFromQuery = false;
  for (const auto& [name, value] : params) {
    if (pendingStatus >= 300) break;
    const std::string upper = AsciiUpper(name);
    if (upper == "SESSIONID" || upper == "SID") {
      for (const auto& [otherName, otherValue] : params) {
        if (SameTextAscii(otherName, name)) {
          sessionId = otherValue;
          break;
        }
      }
      sessionFromQuery = true;
    } else if (!service->ProcessQueryParameter(name, value)) {
      pendingStatus = 409;
      pendingReason = FormatText(RefusedParameterMessage, {name, value});
    }
  }
  if (pendingStatus < 300 && !service->CheckConvertersForConsistency()) {
    pendingStatus = 409;
    pendingReason = ConflictingParametersMessage;
  }
  if (!sessionFromQuery) sessionId = SessionIdFromPragma(request.Pragma());

  const auto load = FSessions.LoadSessionUpdate(
      sessionId, request.AuthUserName(), FSessionTimeout,
      TDSSessionOrigin{request.RemoteIP(), request.UserAgent(), request.ProtocolVersion()});
  // A stream result kept from the session's previous request would be freed here.

  if (load.Success && remainder.size() >= std::string_view(CloseSessionPath).size() &&
      SameTextAscii(remainder.substr(0, std::string_view(CloseSessionPath).size()), CloseSessionPath)) {
    try {
      FSessions.CloseSession(TDSSessionManager::GetThreadSession()->SessionName());
    } catch (...) {
      // Closing never spoils the answer.
    }
    response.SetResponseNo(200);
    response.SetResponseText(CloseSessionReason);
    return;
  }
  if (!load.Success) {
    response.SetResponseNo(403);
    response.SetResponseText(SessionExpiredReason);
    response.SetContentText(SessionExpiredBody);
    return;
  }
  if (pendingStatus >= 300) {
    response.SetResponseNo(pendingStatus);
    response.SetResponseText(pendingReason);
    return;
  }

  const auto session = TDSSessionManager::GetThreadSession();
  NoteSession(session->SessionName());
  response.SetPragma("dssession=" + session->SessionName() +
                     ",dssessionexpires=" + std::to_string(session->ExpiresIn(FSessions.Now())));

  // A request that accepts "application/rest" would get the cached-result
  // handler here.
  const bool streamAsJSON = service->StreamAsJSON();
  handler = std::make_unique<TDSDefaultResponseHandler>(commandType, std::move(service));
  handler->AllowStream = !streamAsJSON;

  if (!params.empty()) TDSInvocationMetadata::Get().QueryParams = params;

  switch (commandType) {
    case TDSHTTPCommandType::hcGET:
      handler->Service().ProcessGETRequest(remainder, *handler);
      break;
    case TDSHTTPCommandType::hcPOST:
      handler->Service().ProcessPOSTRequest(remainder, params, request.PostStream(), *handler);
      break;
    case TDSHTTPCommandType::hcDELETE:
      handler->Service().ProcessDELETERequest(remainder, *handler);
      break;
    case TDSHTTPCommandType::hcPUT:
      handler->Service().ProcessPUTRequest(remainder, request.PostStream(), *handler);
      break;
    default:
      response.SetResponseNo(501);
      response.SetResponseText(FormatText(CommandNotSupportedMessage, {request.Command()}));
      return;
  }
  handler->PopulateResponse(response);
}

}  // namespace fieldsync
