#include "rest/internal/DSActivity.h"

#include "activity/RequestRecord.h"
#include "activity/SyncKinds.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* ErroParameter = "Erro";

bool AnswersTrueOrFalse(const TDSMethodEntry& method) {
  return !method.Parameters.empty() && method.Parameters.back().Direction == TDSParamDirection::Return &&
         method.Parameters.back().DataType == TDBXDataTypes::BooleanType;
}

// The argument a call sends for an in parameter, by name: arguments go to
// the parameters that take one, in order. Null when there is none.
const TJSONValue* ArgumentFor(const TDSMethodEntry& method, const TJSONArray* arguments, std::string_view name) {
  int taken = 0;
  for (const TDSParameter& parameter : method.Parameters) {
    if (parameter.Direction != TDSParamDirection::In && parameter.Direction != TDSParamDirection::InOut) continue;
    if (parameter.Name == name) return arguments && taken < arguments->Size() ? arguments->Get(taken) : nullptr;
    ++taken;
  }
  return nullptr;
}

// The argument as sent: the text of a string or a number (a number's Value()
// reads its text as a floating-point number, which a text the conversion
// still takes, such as " 1", is not), the text form of any other value.
std::u16string SentText(const TJSONValue& argument) {
  if (const auto* text = dynamic_cast<const TJSONString*>(&argument)) return text->Text();
  return argument.Value();
}

}  // namespace

void NoteSession(const std::string& sessionId) {
  if (TRequestRecord* record = CurrentRequestRecord()) record->SessionId.Assign(sessionId);
}

void NoteUser(const std::string& userName) {
  if (TRequestRecord* record = CurrentRequestRecord()) record->UserName.Assign(userName);
}

void NoteMethodAsked(std::u16string_view methodName) {
  if (TRequestRecord* record = CurrentRequestRecord()) record->MethodName.Assign(Utf16ToUtf8(methodName));
}

void NoteArguments(size_t count, size_t bytes) {
  TRequestRecord* record = CurrentRequestRecord();
  if (!record) return;
  record->ArgumentCount = static_cast<uint32_t>(count);
  record->ArgumentBytes = bytes;
}

void NoteMethodResolved(const TDSMethodEntry& method) {
  TRequestRecord* record = CurrentRequestRecord();
  if (!record) return;
  record->MethodName.Assign(Utf16ToUtf8(method.MethodName));
  record->MethodResolved = true;
  record->WriteMethod = AnswersTrueOrFalse(method);
  record->Download = method.Download;
}

void NoteRepresentative(const TDSMethodEntry& method, const TJSONArray* arguments) {
  TRequestRecord* record = CurrentRequestRecord();
  if (!record) return;
  const TJSONValue* representative = ArgumentFor(method, arguments, RepresentativeIdParameter);
  if (!representative) representative = ArgumentFor(method, arguments, RepresentativeTextParameter);
  if (representative) record->Representative.Assign(Utf16ToUtf8(SentText(*representative)));
  uint64_t key = 0;
  for (const char* name : UploadKeyParameters(record->MethodName.View()))
    if (const TJSONValue* argument = ArgumentFor(method, arguments, name))
      key = FoldUploadKey(key ? key : UploadKeySeed, Utf16ToUtf8(SentText(*argument)));
  record->UploadKey = key;
}

void NoteOutcome(const TDSMethodEntry& method, const std::vector<TDSValue>& values) {
  TRequestRecord* record = CurrentRequestRecord();
  if (!record || values.size() != method.Parameters.size()) return;
  for (size_t i = 0; i < values.size(); ++i) {
    const TDSParameter& parameter = method.Parameters[i];
    if (parameter.Direction == TDSParamDirection::Out && parameter.Name == ErroParameter && !values[i].IsNull())
      record->ErrorText.Assign(Utf16ToUtf8(values[i].AsString()));
  }
  if (AnswersTrueOrFalse(method))
    record->WriteResult = values.back().AsBoolean() ? TWriteResult::True : TWriteResult::False;
}

void NoteError(const std::string& message) {
  if (TRequestRecord* record = CurrentRequestRecord()) record->ErrorText.Assign(message);
}

}  // namespace fieldsync
