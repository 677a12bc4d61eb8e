#include "rest/DSResponseHandler.h"

#include "core/Error.h"
#include "core/Text.h"
#include "rest/internal/DSActivity.h"
#include "rest/DSConvert.h"
#include "rest/internal/DSInvocationMetadata.h"
#include "json/DBXJSONTools.h"
#include "rest/DSMessages.h"

namespace fieldsync {

namespace {

bool IsOutput(TDSParamDirection direction) { return direction != TDSParamDirection::In; }

}  // namespace

// The answer's bytes as a list of buffers whose concatenation is the body:
// short texts are gathered in the last buffer, a table's column buffers are
// taken over as they are (a large table is then never copied into one body).
struct TAnswerPieces {
  std::vector<std::string> Buffers;
  std::vector<std::shared_ptr<void>> Holds;  // the tables' shares of the memory budget
  bool HasTable = false;

  std::string& Tail() {
    if (Buffers.empty()) Buffers.emplace_back();
    return Buffers.back();
  }
  void AddTable(std::unique_ptr<TDBXReader> reader) {
    std::shared_ptr<void> hold;
    TDBXJSONTools::TableToBuffers(std::move(reader), TDBXJSONTools::AllRows, Buffers, &hold);
    if (hold) Holds.push_back(std::move(hold));
    HasTable = true;
  }
  void Append(TAnswerPieces&& other) {
    for (size_t i = 0; i < other.Buffers.size(); ++i) {
      if (i == 0) Tail() += other.Buffers[0];
      else Buffers.push_back(std::move(other.Buffers[i]));
    }
    for (auto& hold : other.Holds) Holds.push_back(std::move(hold));
    HasTable = HasTable || other.HasTable;
  }
};

TDSServiceResponseHandler::TDSServiceResponseHandler(TDSHTTPCommandType commandType, const TDSRESTService& service)
    : FCommandType(commandType), FService(service) {}

// Entries go first: they hold the instances whose connections the service's
// readers came from.
TDSServiceResponseHandler::~TDSServiceResponseHandler() { ClearCommands(); }

void TDSServiceResponseHandler::AddCommand(std::unique_ptr<TDSExecutionResponse> entry) {
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
  FEntries.clear();
}

int TDSServiceResponseHandler::GetResultCount() {
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

// The byte form of one entry's answer, appended to `out`. A table is written
// straight from its reader into column buffers (the same bytes its tree
// would give), so a large result is not held twice; should writing fail
// half-way, the partial bytes are dropped and the entry answers the error
// text.
void TDSServiceResponseHandler::WriteEntry(TDSExecutionResponse& entry, size_t commandIndex,
                                           bool& containsErrors, TAnswerPieces& out) {
  if (entry.IsError) {
    containsErrors = true;
    TJSONObject error;
    error.AddPair(u"error", Utf8ToUtf16(entry.ErrorMessage));
    out.Tail() += error.ToBytes();
    return;
  }
  try {
    TAnswerPieces pieces;
    pieces.Tail() = "{\"result\":[";
    bool first = true;
    const auto& parameters = entry.Method->Parameters;
    for (size_t i = 0; i < parameters.size(); ++i) {
      if (!IsOutput(parameters[i].Direction)) continue;
      std::unique_ptr<TJSONValue> value;
      const bool handled = HandleParameter(entry, commandIndex, i, value);
      if (handled && !value) continue;  // an absent value is left out
      if (!first) pieces.Tail().push_back(',');
      first = false;
      if (handled) {
        pieces.Tail() += value->ToBytes();
        continue;
      }
      const bool isResult = parameters[i].Direction == TDSParamDirection::Return;
      if (const TDBXRequestFilter* filter = FService.FilterFor(i, isResult)) {
        filter->WriteBytes(entry.Values[i], parameters[i].DataType, i, pieces.Tail());
        continue;
      }
      if (parameters[i].DataType == TDBXDataTypes::TableType) {
        if (auto reader = entry.Values[i].TakeReader()) {
          pieces.AddTable(std::move(reader));
          continue;
        }
      }
      pieces.Tail() += ValueToJSON(entry.Values[i], parameters[i].DataType)->ToBytes();
    }
    pieces.Tail() += ']';
    AppendEntryPairs(commandIndex, pieces.Tail());
    pieces.Tail() += '}';
    out.Append(std::move(pieces));
  } catch (const std::exception& e) {
    containsErrors = true;
    out.Tail() += TJSONString(Utf8ToUtf16(ErrorMessage(e))).ToBytes();
  }
}

void TDSServiceResponseHandler::PopulateResponse(TDSHTTPResponse& response) {
  AllowStream = GetResultCount() == 1;
  if (FEntries.empty()) throw Exception(CommandClosedMessage);

  TDSInvocationMetadata* metadata = TDSInvocationMetadata::Find();
  bool containsErrors = false;
  if (metadata && !metadata->ResponseContent.empty()) {
    response.SetContentText(metadata->ResponseContent == " " ? std::string() : metadata->ResponseContent);
  } else {
    TAnswerPieces body;
    if (FEntries.size() == 1 && !ForceResultArray) {
      WriteEntry(*FEntries[0], 0, containsErrors, body);
    } else {
      body.Tail() = "[";
      for (size_t i = 0; i < FEntries.size(); ++i) {
        if (i > 0) body.Tail().push_back(',');
        WriteEntry(*FEntries[i], i, containsErrors, body);
      }
      body.Tail().push_back(']');
    }
    if (!body.HasTable) {
      response.SetContentText(std::move(body.Tail()));
    } else {
      // The buffers go out as they are; the tables' shares of the memory
      // budget stay taken until the last buffer has been sent.
      auto holds = std::make_shared<std::vector<std::shared_ptr<void>>>(std::move(body.Holds));
      response.SetContentBuffers(std::move(body.Buffers), std::move(holds));
    }
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
