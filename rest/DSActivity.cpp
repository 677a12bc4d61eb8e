#include "rest/internal/DSActivity.h"

#include "activity/RequestRecord.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* ErroParameter = "Erro";

bool AnswersTrueOrFalse(const TDSMethodEntry& method) {
  return !method.Parameters.empty() && method.Parameters.back().Direction == TDSParamDirection::Return &&
         method.Parameters.back().DataType == TDBXDataTypes::BooleanType;
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
