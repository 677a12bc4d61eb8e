// The "cache" context (/datasnap/cache/<id>/<command>/<parameter>): reads
// and deletes the results that calls made with "Accept: application/rest"
// left in the caller's session. Every answer closes the connection and
// carries no "Pragma" header.
#include <optional>
#include <vector>

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSHTTPServer.h"
#include "rest/DSMessages.h"
#include "rest/DSSession.h"

namespace fieldsync {

namespace {

constexpr size_t MaxCacheParts = 3;  // item id, command index, parameter index

// The decimal integers of "/id/command/parameter" (a trailing "/" allowed);
// nothing when a part is not one or there are more than three.
std::optional<std::vector<int>> ParseCacheReference(std::string_view remainder) {
  if (!remainder.empty() && remainder.front() == '/') remainder.remove_prefix(1);
  if (!remainder.empty() && remainder.back() == '/') remainder.remove_suffix(1);
  std::vector<int> parts;
  if (remainder.empty()) return parts;
  while (true) {
    const size_t slash = remainder.find('/');
    const std::string_view part = remainder.substr(0, slash);
    if (part.empty() || part.size() > 9 || parts.size() == MaxCacheParts) return std::nullopt;
    int value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    parts.push_back(value);
    if (slash == std::string_view::npos) return parts;
    remainder.remove_prefix(slash + 1);
  }
}

std::string ErrorObject(const std::string& message) {
  TJSONObject error;
  error.AddPair(u"error", Utf8ToUtf16(message));
  return error.ToBytes();
}

std::string ResultObject(std::unique_ptr<TJSONValue> value) {
  TJSONObject result;
  result.AddPair(u"result", value ? std::move(value) : std::make_unique<TJSONNull>());
  return result.ToBytes();
}

// GET with id, command and parameter: the cached value, cropped by the
// request's filters like a call's output.
void AnswerCachedValue(TDSSessionCache& cache, const TDSRESTService& service, const std::vector<int>& parts,
                       TDSHTTPResponse& response) {
  // Held here, the value outlives a DELETE or the session's end meanwhile.
  const auto parameter = cache.Parameter(parts[0], parts[1], parts[2]);
  if (!parameter) {
    response.SetContentText(
        cache.HasItem(parts[0])
            ? ErrorObject(FormatText(NoParameterMessage, {std::to_string(parts[1]), std::to_string(parts[2])}))
            : ErrorObject(FormatText(NoItemMessage, {std::to_string(parts[0])})));
    return;
  }
  int64_t offset = 0;
  int64_t count = TDBXRequestFilter::AllItems;
  try {
    if (const TDBXRequestFilter* filter = service.FilterFor(parameter->Position, parameter->IsResult)) {
      filter->CheckCanConvert(parameter->DataType, parameter->Position);
      offset = filter->Off;
      count = filter->Count;
    }
  } catch (const std::exception& e) {
    response.SetResponseNo(500);
    response.SetContentText(ErrorObject(ErrorMessage(e)));
    return;
  }
  std::string body = "{\"result\":";
  parameter->Table->WriteBytes(offset, count, body);
  body += '}';
  response.SetContentText(std::move(body));
}

}  // namespace

void TDSHTTPServer::DoDSCacheCommand(TDSHTTPRequest& request, TDSHTTPResponse& response,
                                     const std::string& remainder, const TRights& rights) {
  response.SetCloseConnection(true);
  std::unique_ptr<TDSServiceResponseHandler> noHandler;
  TEndOfRequest endOfRequest{FSessions, noHandler};
  const auto session = LoadSession(request, SessionIdOf(request), rights) ? TDSSessionManager::GetThreadSession() : nullptr;
  if (!session) {
    AnswerSessionExpired(response);
    return;
  }
  // The filters crop values read back; what they answer is not checked here.
  TDSRESTService service(FServer, std::string(), std::string());
  for (const auto& [name, value] : request.Params()) service.ProcessQueryParameter(name, value);

  const auto parts = ParseCacheReference(remainder);
  const TDSHTTPCommandType commandType = request.CommandType();
  if (!parts || (commandType == TDSHTTPCommandType::hcDELETE && parts->size() > 1)) {
    response.SetResponseNo(400);
    response.SetResponseText(FormatText(InvalidFormatMessage, {remainder}));
    return;
  }
  TDSSessionCache& cache = session->Cache();
  switch (commandType) {
    case TDSHTTPCommandType::hcGET:
      response.SetResponseNo(200);
      switch (parts->size()) {
        case 0:
          response.SetContentText(ResultObject(cache.Listing()));
          break;
        case 1:
          response.SetContentText(ResultObject(cache.ItemDescription((*parts)[0])));
          break;
        case 2:
          response.SetContentText(ResultObject(cache.CommandDescription((*parts)[0], (*parts)[1])));
          break;
        default:
          AnswerCachedValue(cache, service, *parts, response);
      }
      break;
    case TDSHTTPCommandType::hcDELETE:
      if (parts->empty()) {
        cache.Clear();
      } else {
        cache.Remove((*parts)[0]);
      }
      response.SetResponseNo(200);
      break;
    default:
      response.SetResponseNo(501);
      response.SetContentText(CommandNotSupportedText(request.Command()));
  }
}

}  // namespace fieldsync
