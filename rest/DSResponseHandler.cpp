#include "rest/DSResponseHandler.h"

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSConvert.h"
#include "rest/DSInvocationMetadata.h"

namespace fieldsync {

namespace {

constexpr const char* CommandClosedMessage = "Command closed or unassigned.";

bool IsOutput(TDSParamDirection direction) { return direction != TDSParamDirection::In; }

}  // namespace

TDSServiceResponseHandler::TDSServiceResponseHandler(TDSHTTPCommandType commandType,
                                                     std::unique_ptr<TDSRESTService> service)
    : FCommandType(commandType), FService(std::move(service)) {}

// Entries go first: they hold the instances whose connections the service's
// readers came from.
TDSServiceResponseHandler::~TDSServiceResponseHandler() { ClearCommands(); }

void TDSServiceResponseHandler::AddCommand(std::unique_ptr<TDSExecutionResponse> entry) {
  std::lock_guard lock(FLock);
  FEntries.push_back(std::move(entry));
}

void TDSServiceResponseHandler::AddCommandError(const std::string& message) {
  auto entry = std::make_unique<TDSExecutionResponse>();
  entry->IsError = true;
  entry->ErrorMessage = message;
  AddCommand(std::move(entry));
}

void TDSServiceResponseHandler::ClearCommands() {
  std::lock_guard lock(FLock);
  FEntries.clear();
}

int TDSServiceResponseHandler::GetResultCount() {
  std::lock_guard lock(FLock);
  int count = 0;
  for (const auto& entry : FEntries) {
    if (entry->IsError) {
      ++count;
      continue;
    }
    for (const auto& parameter : entry->Method->Parameters)
      if (IsOutput(parameter.Direction)) ++count;
  }
  return count;
}

int TDSServiceResponseHandler::GetOKStatus() const {
  switch (FCommandType) {
    case TDSHTTPCommandType::hcGET:
    case TDSHTTPCommandType::hcPOST:
    case TDSHTTPCommandType::hcDELETE:
      return 200;
    case TDSHTTPCommandType::hcPUT:
      return 201;
    default:
      return 501;
  }
}

bool TDSServiceResponseHandler::HandleParameter(TDSExecutionResponse&, size_t, std::unique_ptr<TJSONValue>&) {
  return false;
}

std::unique_ptr<TJSONValue> TDSServiceResponseHandler::EntryValue(TDSExecutionResponse& entry, bool& containsErrors) {
  if (entry.IsError) {
    containsErrors = true;
    auto error = std::make_unique<TJSONObject>();
    error->AddPair(u"error", Utf8ToUtf16(entry.ErrorMessage));
    return error;
  }
  try {
    auto results = std::make_unique<TJSONArray>();
    const auto& parameters = entry.Method->Parameters;
    for (size_t i = 0; i < parameters.size(); ++i) {
      if (!IsOutput(parameters[i].Direction)) continue;
      std::unique_ptr<TJSONValue> value;
      // Result filters of the request would be consulted here, after the
      // handler's own parameters.
      if (!HandleParameter(entry, i, value)) value = ValueToJSON(entry.Values[i], parameters[i].DataType);
      results->AddElement(std::move(value));
    }
    auto object = std::make_unique<TJSONObject>();
    object->AddPair(u"result", std::move(results));
    return object;
  } catch (const std::exception& e) {
    containsErrors = true;
    return std::make_unique<TJSONString>(Utf8ToUtf16(e.what()));
  }
}

void TDSServiceResponseHandler::PopulateResponse(TDSHTTPResponse& response) {
  AllowStream = GetResultCount() == 1;
  std::lock_guard lock(FLock);
  if (FEntries.empty()) throw Exception(CommandClosedMessage);

  TDSInvocationMetadata* metadata = TDSInvocationMetadata::Find();
  bool containsErrors = false;
  if (metadata && !metadata->ResponseContent.empty()) {
    response.SetContentText(metadata->ResponseContent == " " ? std::string() : metadata->ResponseContent);
  } else {
    std::unique_ptr<TJSONValue> body;
    if (FEntries.size() == 1 && !ForceResultArray) {
      body = EntryValue(*FEntries[0], containsErrors);
    } else {
      auto list = std::make_unique<TJSONArray>();
      for (auto& entry : FEntries) list->AddElement(EntryValue(*entry, containsErrors));
      body = std::move(list);
    }
    response.SetContentText(body->ToBytes());
  }

  if (metadata && metadata->ResponseCode != 0) {
    response.SetResponseNo(metadata->ResponseCode);
  } else {
    response.SetResponseNo(containsErrors ? 500 : GetOKStatus());
  }
  if (metadata && !metadata->ResponseMessage.empty()) response.SetResponseText(metadata->ResponseMessage);
  if (metadata && !metadata->ResponseContentType.empty()) response.SetContentType(metadata->ResponseContentType);
}

}  // namespace fieldsync
