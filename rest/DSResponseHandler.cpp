#include "rest/DSResponseHandler.h"

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSActivity.h"
#include "rest/DSConvert.h"
#include "rest/DSInvocationMetadata.h"
#include "json/DBXJSONTools.h"

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
  NoteError(message);
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

// The byte form of one entry's answer. A table is written straight from its
// reader into the bytes (the same bytes its tree would give), so a large
// result is not held twice; should writing fail half-way, the partial bytes
// are dropped and the entry answers the error text.
std::string TDSServiceResponseHandler::EntryBytes(TDSExecutionResponse& entry, bool& containsErrors) {
  if (entry.IsError) {
    containsErrors = true;
    TJSONObject error;
    error.AddPair(u"error", Utf8ToUtf16(entry.ErrorMessage));
    return error.ToBytes();
  }
  try {
    std::string out = "{\"result\":[";
    bool first = true;
    const auto& parameters = entry.Method->Parameters;
    for (size_t i = 0; i < parameters.size(); ++i) {
      if (!IsOutput(parameters[i].Direction)) continue;
      std::unique_ptr<TJSONValue> value;
      // Result filters of the request would be consulted here, after the
      // handler's own parameters.
      const bool handled = HandleParameter(entry, i, value);
      if (handled && !value) continue;  // an absent value is left out
      if (!first) out.push_back(',');
      first = false;
      if (!handled && parameters[i].DataType == TDBXDataTypes::TableType) {
        if (auto reader = entry.Values[i].TakeReader()) {
          TDBXJSONTools::TableToBytes(std::move(reader), TDBXJSONTools::AllRows, out);
          continue;
        }
      }
      if (!handled) value = ValueToJSON(entry.Values[i], parameters[i].DataType);
      out += value->ToBytes();
    }
    out += "]}";
    return out;
  } catch (const std::exception& e) {
    containsErrors = true;
    return TJSONString(Utf8ToUtf16(e.what())).ToBytes();
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
    std::string body;
    if (FEntries.size() == 1 && !ForceResultArray) {
      body = EntryBytes(*FEntries[0], containsErrors);
    } else {
      body = "[";
      for (size_t i = 0; i < FEntries.size(); ++i) {
        if (i > 0) body.push_back(',');
        body += EntryBytes(*FEntries[i], containsErrors);
      }
      body.push_back(']');
    }
    response.SetContentText(std::move(body));
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
