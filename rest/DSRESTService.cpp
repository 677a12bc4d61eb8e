#include "rest/DSRESTService.h"

#include <exception>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/Text.h"
#include "rest/internal/DSActivity.h"
#include "rest/DSConvert.h"
#include "rest/DSMessages.h"
#include "rest/internal/DSRESTGrammar.h"
#include "rest/internal/DSSharedReads.h"
#include "core/ScopeExit.h"

namespace fieldsync {

namespace {

// Bytes of the text in UTF-8.
size_t Utf8Length(std::u16string_view text) {
  size_t length = 0;
  for (char16_t c : text) length += c < 0x80 ? 1 : c < 0x800 || (c >= 0xD800 && c < 0xE000) ? 2 : 3;
  return length;
}

bool TakesArgument(TDSParamDirection direction) {
  return direction == TDSParamDirection::In || direction == TDSParamDirection::InOut;
}

// The call of one command object of a posted list,
// {"execute":{"Class.Method":[args]}}; arguments that are not an array count
// as none.
TDSCommand CommandOf(const TJSONValue& element) {
  const auto* command = dynamic_cast<const TJSONObject*>(&element);
  if (!command || command->Size() == 0) throw Exception(FormatText(CommandNotImplementedMessage, {""}));
  const TJSONPair* first = command->Get(0);
  const std::u16string name = first->GetJsonString()->Text();
  if (name != u"execute") throw Exception(FormatText(CommandNotImplementedMessage, {Utf16ToUtf8(name)}));
  const auto* call = dynamic_cast<const TJSONObject*>(first->GetJsonValue());
  if (!call || call->Size() == 0) throw Exception(FormatText(CommandNotImplementedMessage, {Utf16ToUtf8(name)}));
  return {call->Get(0)->GetJsonString()->Text(), dynamic_cast<const TJSONArray*>(call->Get(0)->GetJsonValue())};
}

}  // namespace

TDSRESTService::TDSRESTService(TDSServer& server, std::string userName, std::string password)
    : FServer(server), FUserName(std::move(userName)), FPassword(std::move(password)) {}

TDSRESTService::~TDSRESTService() = default;

bool TDSRESTService::ProcessQueryParameter(const std::string& name, const std::string& value) {
  if (name.empty()) return true;
  if (SameTextAscii(name, "json")) {
    const std::u16string text = Latin1ToUtf16(value);
    if (auto number = ParseFloatText(text)) {
      FStreamAsJSON = *number != 0;
    } else if (AsciiUpper(text) == u"TRUE" || AsciiUpper(text) == u"FALSE") {
      FStreamAsJSON = AsciiUpper(text) == u"TRUE";
    } else {
      throw Exception(FormatText(InvalidBooleanMessage, {value}));
    }
    return true;
  }
  const size_t dot = name.find('.');
  if (dot == std::string::npos) {
    bool accepted = true;
    for (auto& [key, filter] : FFilters)
      if (filter->HasParameter(name) && !filter->SetParameterValue(name, value)) accepted = false;
    return accepted;
  }
  const std::string filterName = name.substr(0, dot);
  const std::string field = name.substr(dot + 1);
  const TFilterName parsed = ParseFilterName(filterName, name);
  const std::string key = AsciiLower(filterName);
  auto it = FFilters.find(key);
  if (it == FFilters.end()) {
    auto filter = CreateRequestFilter(parsed.Kind);
    if (!filter || !filter->HasParameter(field)) return true;
    filter->Name = key;
    filter->Range = parsed.Range;
    filter->OnResult = parsed.OnResult;
    // A refused value leaves no filter behind.
    if (!filter->SetParameterValue(field, value)) return false;
    FFilters.emplace(key, std::move(filter));
    return true;
  }
  if (!it->second->HasParameter(field)) return true;
  return it->second->SetParameterValue(field, value);
}

bool TDSRESTService::CheckConvertersForConsistency() const {
  for (auto a = FFilters.begin(); a != FFilters.end(); ++a)
    for (auto b = std::next(a); b != FFilters.end(); ++b)
      if (a->second->Overlaps(*b->second)) return false;
  return true;
}

const TDBXRequestFilter* TDSRESTService::FilterFor(size_t position, bool isResult) const {
  const TDBXRequestFilter* found = nullptr;
  for (const auto& [key, filter] : FFilters) {
    if (!filter->Targets(position, isResult)) continue;
    if (found) return nullptr;
    found = filter.get();
  }
  return found;
}

void TDSRESTService::ProcessGETRequest(std::string_view remainder, TDSExecutionSink& sink) {
  ProcessREST("GET", remainder, nullptr, sink);
}

void TDSRESTService::ProcessPOSTRequest(std::string_view remainder, const TDSHTTPParams& params, std::string body,
                                        TDSExecutionSink& sink) {
  // A form post whose single unnamed field holds the JSON text.
  if (body.size() > 1 && body[0] != '[' && body[0] != '{' && params.size() == 1 && params[0].first.empty())
    body = params[0].second;
  ProcessREST("POST", remainder, &body, sink);
}

void TDSRESTService::ProcessPUTRequest(std::string_view remainder, const std::string& body,
                                       TDSExecutionSink& sink) {
  ProcessREST("PUT", remainder, &body, sink);
}

void TDSRESTService::ProcessDELETERequest(std::string_view remainder, TDSExecutionSink& sink) {
  ProcessREST("DELETE", remainder, nullptr, sink);
}

void TDSRESTService::ProcessREST(std::string_view verb, std::string_view remainder, const std::string* body,
                                 TDSExecutionSink& sink) {
  std::vector<TCommandOrError> commands(1);
  auto arguments = std::make_unique<TJSONArray>();
  try {
    const TRESTRequestParts parts = ParseRequest(remainder);
    size_t argumentBytes = body ? body->size() : 0;
    for (const auto& text : parts.Arguments) argumentBytes += Utf8Length(text);
    NoteMethodAsked(parts.MethodName);
    for (const auto& text : parts.Arguments) arguments->AddElement(ArgumentToJSON(text));

    if (body && !body->empty()) {
      auto value = TJSONObject::ParseJSONValue(*body, 0);
      if (!value) throw Exception(InvalidJSONContentMessage);
      auto* object = dynamic_cast<TJSONObject*>(value.get());
      TJSONArray* list = nullptr;
      if (object && object->Size() == 1 && object->Get(0)->GetJsonString()->Text() == u"_parameters")
        list = dynamic_cast<TJSONArray*>(object->Get(0)->GetJsonValue());
      if (list) {
        for (const auto& element : *list) arguments->AddElement(element.Clone());
      } else {
        arguments->AddElement(std::move(value));
      }
    }

    NoteArguments(static_cast<size_t>(arguments->Size()), argumentBytes);
    commands[0].Command = {SetMethodNameWithPrefix(verb, parts.ClassName, parts.MethodName), arguments.get()};
  } catch (const std::exception& e) {
    sink.AddCommandError(ErrorMessage(e));
    return;
  }
  Run(commands, sink);
}

void TDSRESTService::ProcessRequest(const TJSONArray& commands, TDSExecutionSink& sink) {
  std::vector<TCommandOrError> read;
  for (const auto& element : commands) {
    TCommandOrError item;
    try {
      item.Command = CommandOf(element);
    } catch (const std::exception& e) {
      item.Error = ErrorMessage(e);
    }
    read.push_back(std::move(item));
  }
  Run(read, sink);
}

void TDSRESTService::Run(const std::vector<TCommandOrError>& commands, TDSExecutionSink& sink) {
  struct TPrepared {
    std::unique_ptr<TDSExecutionResponse> Entry;  // null: preparing failed with Error
    std::string Error;
  };
  std::vector<TPrepared> prepared;
  for (const TCommandOrError& command : commands) {
    TPrepared item;
    try {
      if (command.Error) item.Error = *command.Error;
      else item.Entry = Prepare(command.Command);
    } catch (const EDSForbidden&) {
      throw;
    } catch (const std::exception& e) {
      item.Error = ErrorMessage(e);
    }
    prepared.push_back(std::move(item));
  }
  for (TPrepared& item : prepared) {
    if (!item.Entry) {
      sink.AddCommandError(item.Error);
      continue;
    }
    try {
      Execute(std::move(item.Entry), sink);
    } catch (const std::exception& e) {
      sink.AddCommandError(ErrorMessage(e));
    }
  }
}

std::unique_ptr<TDSExecutionResponse> TDSRESTService::Prepare(const TDSCommand& command) {
  const std::u16string& qualified = command.QualifiedName;
  const TJSONArray* arguments = command.Arguments;
  const int argumentCount = arguments ? arguments->Size() : 0;

  auto entry = std::make_unique<TDSExecutionResponse>();
  entry->Connection = std::make_unique<TDSServerConnection>(FServer);
  const TDSMethodEntry& method = FServer.Resolve(qualified);
  entry->Method = &method;
  NoteMethodResolved(method);
  NoteRepresentative(method, arguments);
  // A method outside the user's list is refused before its arguments are read.
  if (FRights) {
    const std::string refusal = FRights->Refusal(method, {});
    if (!refusal.empty()) throw EDSForbidden(refusal);
  }

  const std::string text = Utf16ToUtf8(qualified);
  const auto& parameters = method.Parameters;
  if (static_cast<int>(parameters.size()) < argumentCount) {
    throw Exception(FormatText(TooManyArgumentsMessage, {text, std::to_string(parameters.size()),
                                                         std::to_string(argumentCount)}));
  }
  int taken = 0;
  entry->Values.resize(parameters.size());
  // An argument that does not convert fails the call, but only once the
  // user's rights have seen the others (the unconverted one as null).
  std::exception_ptr conversionError;
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (!TakesArgument(parameters[i].Direction)) continue;
    const TJSONValue* argument = taken < argumentCount ? arguments->Get(taken++) : nullptr;
    try {
      entry->Values[i] = JSONToValue(argument, parameters[i].DataType);
    } catch (...) {
      if (!conversionError) conversionError = std::current_exception();
      if (!FRights) break;
    }
  }
  if (FRights) {
    const std::string refusal = FRights->Refusal(method, entry->Values);
    if (!refusal.empty()) throw EDSForbidden(refusal);
  }
  if (conversionError) std::rethrow_exception(conversionError);
  if (taken < argumentCount) {
    throw Exception(FormatText(UnusedArgumentsMessage, {text, std::to_string(taken), std::to_string(argumentCount)}));
  }
  return entry;
}

void TDSRESTService::Execute(std::unique_ptr<TDSExecutionResponse> entry, TDSExecutionSink& sink) {
  const TDSMethodEntry& method = *entry->Method;
  {
    // A call that may write ends the reads that identical calls may join,
    // whether it committed all, some or none of its statements.
    TScopeExit wrote([&method]() noexcept {
      if (!IsReadMethod(method)) TDSSharedReads::Process().NoteWrite();
    });
    entry->Connection->Invoke(method, entry->Values);
  }
  NoteOutcome(method, entry->Values);
  sink.AddCommand(std::move(entry));
}

}  // namespace fieldsync
