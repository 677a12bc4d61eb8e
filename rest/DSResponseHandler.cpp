#include "rest/DSResponseHandler.h"

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSActivity.h"
#include "rest/DSConvert.h"
#include "rest/DSInvocationMetadata.h"
#include "json/DBXJSONTools.h"
#include "rest/DSMessages.h"

namespace fieldsync {

namespace {

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

bool TDSServiceResponseHandler::HandleParameter(TDSExecutionResponse&, size_t, size_t,
                                                std::unique_ptr<TJSONValue>&) {
  return false;
}

void TDSServiceResponseHandler::AppendEntryPairs(size_t, std::string&) {}

// The byte form of one entry's answer. A table is written straight from its
// reader into the bytes (the same bytes its tree would give), so a large
// result is not held twice; should writing fail half-way, the partial bytes
// are dropped and the entry answers the error text.
std::string TDSServiceResponseHandler::EntryBytes(TDSExecutionResponse& entry, size_t commandIndex,
                                                  bool& containsErrors) {
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
      const bool handled = HandleParameter(entry, commandIndex, i, value);
      if (handled && !value) continue;  // an absent value is left out
      if (!first) out.push_back(',');
      first = false;
      if (handled) {
        out += value->ToBytes();
        continue;
      }
      const bool isResult = parameters[i].Direction == TDSParamDirection::Return;
      if (const TDBXRequestFilter* filter = FService->FilterFor(i, isResult)) {
        filter->WriteBytes(entry.Values[i], parameters[i].DataType, i, out);
        continue;
      }
      if (parameters[i].DataType == TDBXDataTypes::TableType) {
        if (auto reader = entry.Values[i].TakeReader()) {
          TDBXJSONTools::TableToBytes(std::move(reader), TDBXJSONTools::AllRows, out);
          continue;
        }
      }
      out += ValueToJSON(entry.Values[i], parameters[i].DataType)->ToBytes();
    }
    out += ']';
    AppendEntryPairs(commandIndex, out);
    out += '}';
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
      body = EntryBytes(*FEntries[0], 0, containsErrors);
    } else {
      body = "[";
      for (size_t i = 0; i < FEntries.size(); ++i) {
        if (i > 0) body.push_back(',');
        body += EntryBytes(*FEntries[i], i, containsErrors);
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
  if (metadata && !metadata->ResponseContentType.empty()) {
    response.SetContentType(metadata->ResponseContentType);
  } else if (const std::string type = ContentType(); !type.empty()) {
    response.SetContentType(type);
  }
}

}  // namespace fieldsync
