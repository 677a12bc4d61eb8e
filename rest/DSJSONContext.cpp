// The "json" context (/datasnap/json): a POST whose body is a JSON array of
// commands {"execute":{"Class.Method":[arguments]}}, run one after the other
// as REST calls run (no verb prefix), answered with the array of their
// result or error objects.
#include "core/Error.h"
#include "rest/DSHTTPServer.h"
#include "rest/DSMessages.h"
#include "rest/internal/DSInvocationMetadata.h"

namespace fieldsync {

namespace {

const char* JSONClassName(const TJSONValue& value) {
  if (dynamic_cast<const TJSONObject*>(&value)) return "TJSONObject";
  if (dynamic_cast<const TJSONArray*>(&value)) return "TJSONArray";
  if (dynamic_cast<const TJSONNumber*>(&value)) return "TJSONNumber";
  if (dynamic_cast<const TJSONString*>(&value)) return "TJSONString";
  if (dynamic_cast<const TJSONTrue*>(&value)) return "TJSONTrue";
  if (dynamic_cast<const TJSONFalse*>(&value)) return "TJSONFalse";
  if (dynamic_cast<const TJSONNull*>(&value)) return "TJSONNull";
  return "TJSONValue";
}

}  // namespace

void TDSHTTPServer::DoJSONCommand(TDSHTTPRequest& request, TDSHTTPResponse& response, const TRights& rights) {
  TDSRESTService service(FServer, std::string(), std::string());
  service.SetRights(rights);
  std::unique_ptr<TDSServiceResponseHandler> handler;
  TEndOfRequest endOfRequest{FSessions, handler};
  // No "Pragma" answer header here, and query parameters are no filters.
  if (!LoadSession(request, SessionIdOf(request), rights)) {
    AnswerSessionExpired(response);
    return;
  }
  const TDSHTTPCommandType commandType = request.CommandType();
  handler = CreateResponseHandler(request, commandType, service);
  handler->ForceResultArray = true;
  // A failure of the request as a whole answers 500 with its message as
  // the reason phrase and no body.
  try {
    if (commandType != TDSHTTPCommandType::hcPOST)
      throw Exception(FormatText(ExpectsPostMessage, {request.Command()}));
    const std::string& body = request.PostStream();
    if (body.empty()) throw Exception(FormatText(EmptyContentMessage, {"POST"}));
    const std::unique_ptr<TJSONValue> value = TJSONObject::ParseJSONValue(body, 0);
    if (!value) throw Exception(InvalidJSONContentMessage);
    const auto* commands = dynamic_cast<const TJSONArray*>(value.get());
    if (!commands) throw Exception(FormatText(ExpectsArrayMessage, {JSONClassName(*value)}));
    if (!request.Params().empty()) TDSInvocationMetadata::Get().QueryParams = request.Params();
    service.ProcessRequest(*commands, *handler);
    handler->PopulateResponse(response);
  } catch (const EDSForbidden& e) {
    AnswerForbidden(response, e.what());
  } catch (const std::exception& e) {
    response.SetResponseNo(500);
    response.SetResponseText(ErrorMessage(e));
    response.SetContentText(std::string());
  }
}

}  // namespace fieldsync
