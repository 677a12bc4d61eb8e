#include "rest/DSHTTPServer.h"

#include <memory>

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSMessages.h"
#include "rest/internal/DSActivity.h"
#include "rest/internal/DSCacheResponseHandler.h"
#include "rest/internal/DSInvocationMetadata.h"
#include "rest/internal/DSRESTGrammar.h"
#include "rest/internal/DSSharedReads.h"

namespace fieldsync {

namespace {

constexpr const char* CloseSessionPath = "/CloseSession/";
constexpr const char* CloseSessionReason = "{\"result\":[true]}";

std::string WithoutTrailingSlash(const std::string& context) {
  if (!context.empty() && context.back() == '/') return context.substr(0, context.size() - 1);
  return context;
}

// {"error":"<message>"} in the answers' byte form.
std::string ErrorEnvelope(const std::string& message) {
  TJSONObject error;
  error.AddPair(u"error", Utf8ToUtf16(message));
  return error.ToBytes();
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
  // The binary tunnel is not offered: it is answered as a protocol this
  // server does not support.
  if (Consume("json", *afterDS)) {
    if (const auto rights = Admit(request, response)) DoJSONCommand(request, response, *rights);
  } else if (Consume("tunnel", *afterDS)) {
    AnswerUnsupportedProtocol(response, *afterDS);
  } else if (auto afterREST = Consume(FRESTContext, *afterDS)) {
    if (const auto rights = Admit(request, response)) DoDSRESTCommand(request, response, *afterREST, *rights);
  } else if (auto afterCache = Consume(FCacheContext, *afterDS)) {
    if (const auto rights = Admit(request, response)) DoDSCacheCommand(request, response, *afterCache, *rights);
  } else {
    AnswerUnsupportedProtocol(response, *afterDS);
  }
}

TDSHTTPServer::TEndOfRequest::~TEndOfRequest() {
  Handler.reset();
  auto* metadata = TDSInvocationMetadata::Find();
  auto session = TDSSessionManager::GetThreadSession();
  if (metadata && metadata->CloseSession && session) Sessions.CloseSession(session->SessionName());
  TDSSessionManager::ClearThreadSession();
}

std::optional<TDSHTTPServer::TRights> TDSHTTPServer::Admit(TDSHTTPRequest& request, TDSHTTPResponse& response) {
  if (!FAuthenticationManager) return TRights();
  const TDSLogin login =
      FAuthenticationManager->Login(request.AuthUserName(), request.AuthPassword(), request.ClientAddress());
  switch (login.Verdict) {
    case TDSLoginVerdict::Accepted:
      if (!login.Rights) break;  // accepted as nobody: refused
      request.SetAuthenticatedUser(login.Rights->UserName);
      NoteUser(login.Rights->UserName);
      return login.Rights;
    case TDSLoginVerdict::Throttled: {
      const std::string seconds = std::to_string(login.RetryAfterSeconds);
      const std::string message = FormatText(TooManyFailuresMessage, {seconds});
      NoteError(message);
      response.SetResponseNo(429);
      response.SetCustomHeader("Retry-After", seconds);
      response.SetContentText(ErrorEnvelope(message));
      return std::nullopt;
    }
    case TDSLoginVerdict::Refused:
      break;
  }
  const char* message = request.AuthUserName().empty() ? LoginRequiredMessage : LoginFailedMessage;
  NoteError(message);
  response.SetResponseNo(401);
  response.SetHeaderAuthentication(std::string("Basic realm=\"") + AuthenticationRealm + "\"");
  response.SetContentText(ErrorEnvelope(message));
  return std::nullopt;
}

void TDSHTTPServer::AnswerForbidden(TDSHTTPResponse& response, const std::string& message) {
  NoteError(message);
  response.SetResponseNo(403);
  response.SetContentText(ErrorEnvelope(message));
}

bool TDSHTTPServer::LoadSession(TDSHTTPRequest& request, const std::string& sessionId, const TRights& rights) {
  if (rights && !sessionId.empty()) {
    // Another user's session answers as an unknown one does.
    const auto session = FSessions.GetSession(sessionId);
    if (session && session->UserName() != rights->UserName) return false;
  }
  return FSessions
      .LoadSessionUpdate(sessionId, rights ? rights->UserName : request.AuthUserName(), FSessionTimeout,
                         TDSSessionOrigin{request.RemoteIP(), request.UserAgent(), request.ProtocolVersion()})
      .Success;
}

std::string TDSHTTPServer::SessionIdOf(const TDSHTTPRequest& request) {
  for (const char* name : {"SESSIONID", "sid"})
    for (const auto& [parameter, value] : request.Params())
      if (SameTextAscii(parameter, name)) return value;
  return SessionIdFromPragma(request.Pragma());
}

void TDSHTTPServer::AnswerSessionExpired(TDSHTTPResponse& response) {
  response.SetResponseNo(403);
  response.SetResponseText(SessionExpiredReason);
  response.SetContentText(SessionExpiredBody);
}

std::string TDSHTTPServer::CommandNotSupportedText(const std::string& verb) {
  return FormatText(CommandNotSupportedMessage, {verb});
}

std::unique_ptr<TDSServiceResponseHandler> TDSHTTPServer::CreateResponseHandler(const TDSHTTPRequest& request,
                                                                                TDSHTTPCommandType commandType,
                                                                                const TDSRESTService& service) {
  if (request.Accept().find("application/rest") != std::string::npos)
    return std::make_unique<TDSCacheResponseHandler>(commandType, service);
  auto handler = std::make_unique<TDSDefaultResponseHandler>(commandType, service);
  handler->AllowStream = !service.StreamAsJSON();
  return handler;
}

void TDSHTTPServer::AnswerUnsupportedProtocol(TDSHTTPResponse& response, const std::string& remainder) {
  std::string rest = Trimmed(FRESTContext);
  if (rest.empty()) rest = NoRESTContextText;
  response.SetResponseNo(501);
  response.SetContentText(FormatText(UnsupportedProtocolMessage, {remainder, rest}));
  response.SetCloseConnection(true);
}

void TDSHTTPServer::DoDSRESTCommand(TDSHTTPRequest& request, TDSHTTPResponse& response,
                                    const std::string& remainder, const TRights& rights) {
  // The service holds the query's filters, which the handler reads while
  // writing the answer: it outlives the handler.
  TDSRESTService service(FServer, std::string(), std::string());
  service.SetRights(rights);
  std::unique_ptr<TDSServiceResponseHandler> handler;
  TEndOfRequest endOfRequest{FSessions, handler};

  const TRESTQuery query = ReadRESTQuery(request, service);
  if (!EnterRESTSession(request, response, remainder, query, rights)) return;
  handler = CreateResponseHandler(request, request.CommandType(), service);
  if (!request.Params().empty()) TDSInvocationMetadata::Get().QueryParams = request.Params();
  DispatchRESTVerb(request, response, remainder, rights, service, *handler);
}

TDSHTTPServer::TRESTQuery TDSHTTPServer::ReadRESTQuery(const TDSHTTPRequest& request, TDSRESTService& service) {
  TRESTQuery query;
  query.SessionId = SessionIdOf(request);
  for (const auto& [name, value] : request.Params()) {
    if (SameTextAscii(name, "SESSIONID") || SameTextAscii(name, "sid")) continue;
    if (!service.ProcessQueryParameter(name, value)) {
      query.RefusedStatus = 409;
      query.RefusedReason = FormatText(RefusedParameterMessage, {name, value});
      return query;
    }
  }
  if (!service.CheckConvertersForConsistency()) {
    query.RefusedStatus = 409;
    query.RefusedReason = ConflictingParametersMessage;
  }
  return query;
}

bool TDSHTTPServer::EnterRESTSession(TDSHTTPRequest& request, TDSHTTPResponse& response,
                                     const std::string& remainder, const TRESTQuery& query, const TRights& rights) {
  const bool loaded = LoadSession(request, query.SessionId, rights);
  // A stream result kept from the session's previous request would be freed here.

  if (loaded && remainder.size() >= std::string_view(CloseSessionPath).size() &&
      SameTextAscii(remainder.substr(0, std::string_view(CloseSessionPath).size()), CloseSessionPath)) {
    try {
      FSessions.CloseSession(TDSSessionManager::GetThreadSession()->SessionName());
    } catch (...) {
      // Closing never spoils the answer.
    }
    response.SetResponseNo(200);
    response.SetResponseText(CloseSessionReason);
    return false;
  }
  if (!loaded) {
    AnswerSessionExpired(response);
    return false;
  }
  if (query.RefusedStatus != 0) {
    response.SetResponseNo(query.RefusedStatus);
    response.SetResponseText(query.RefusedReason);
    return false;
  }

  const auto session = TDSSessionManager::GetThreadSession();
  NoteSession(session->SessionName());
  response.SetPragma("dssession=" + session->SessionName() +
                     ",dssessionexpires=" + std::to_string(session->ExpiresIn(FSessions.Now())));
  return true;
}

void TDSHTTPServer::DispatchRESTVerb(TDSHTTPRequest& request, TDSHTTPResponse& response,
                                     const std::string& remainder, const TRights& rights, TDSRESTService& service,
                                     TDSServiceResponseHandler& handler) {
  try {
    switch (request.CommandType()) {
      case TDSHTTPCommandType::hcGET: {
        // An identical read running now may answer this call too. A user
        // whose rights are limited shares only its own fetches: its rights
        // were checked on those, and would not be on another user's.
        const bool shareable = !service.HasFilters() && !service.StreamAsJSON() &&
                               dynamic_cast<TDSDefaultResponseHandler*>(&handler) != nullptr;
        const std::string scope =
            rights && (rights->Representative || !rights->Methods.empty()) ? rights->UserName : std::string();
        TDSSharedReads::Process().Serve(
            FServer, remainder, shareable, response,
            [&](TDSHTTPResponse& answer) {
              service.ProcessGETRequest(remainder, handler);
              handler.PopulateResponse(answer);
            },
            scope);
        return;
      }
      case TDSHTTPCommandType::hcPOST:
        service.ProcessPOSTRequest(remainder, request.Params(), request.PostStream(), handler);
        break;
      case TDSHTTPCommandType::hcDELETE:
        service.ProcessDELETERequest(remainder, handler);
        break;
      case TDSHTTPCommandType::hcPUT:
        service.ProcessPUTRequest(remainder, request.PostStream(), handler);
        break;
      default:
        response.SetResponseNo(501);
        response.SetResponseText(CommandNotSupportedText(request.Command()));
        return;
    }
  } catch (const EDSForbidden& e) {
    AnswerForbidden(response, e.what());
    return;
  }
  handler.PopulateResponse(response);
}

}  // namespace fieldsync
