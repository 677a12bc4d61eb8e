#include "db/SQLParams.h"

#include <algorithm>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"
#include "db/DBXError.h"

namespace fieldsync {

// ---- TParam ----

void TParam::AsInteger(int32_t value) {
  FDataType = TFieldType::ftInteger;
  FValue.SetInt32(value);
}

void TParam::AsSmallInt(int16_t value) {
  FDataType = TFieldType::ftSmallint;
  FValue.SetInt32(value);
}

void TParam::AsString(std::u16string_view value) {
  FDataType = TFieldType::ftWideString;
  FValue.SetWideString(std::u16string(value));
}

void TParam::AsMemo(std::u16string_view value) {
  // A memo is 8-bit text in the system's code page: what the code page
  // cannot hold is replaced before the value leaves.
  FDataType = TFieldType::ftMemo;
  FValue.SetWideString(Win1252ToUtf16(Utf16ToWin1252(value)));
}

void TParam::AsDate(const TDBXDate& value) {
  FDataType = TFieldType::ftDate;
  FValue.SetDate(value);
}

void TParam::AsTime(const TDBXTime& value) {
  FDataType = TFieldType::ftTime;
  FValue.SetTime(value);
}

void TParam::AsDateTime(const TDBXTimeStamp& value) {
  FDataType = TFieldType::ftDateTime;
  FValue.SetTimeStamp(value);
}

void TParam::AsCurrency(TCurrency value) {
  FDataType = TFieldType::ftCurrency;
  FValue.SetCurrency(value);
}

void TParam::AsFloat(double value) {
  FDataType = TFieldType::ftFloat;
  FValue.SetDouble(value);
}

void TParam::Clear() { FValue.SetNull(); }

int32_t TParam::AsInteger() const { return FValue.IsNull() ? 0 : FValue.GetInt32(); }
std::u16string TParam::AsString() const { return FValue.IsNull() ? std::u16string() : FValue.GetWideString(); }
TCurrency TParam::AsCurrency() const { return FValue.IsNull() ? TCurrency{} : FValue.GetCurrency(); }
double TParam::AsFloat() const { return FValue.IsNull() ? 0.0 : FValue.GetDouble(); }
TDBXDate TParam::AsDate() const { return FValue.IsNull() ? TDBXDate{1899, 12, 30} : FValue.GetDate(); }

// ---- TParams ----

TParam& TParams::CreateParam(TFieldType dataType, std::string_view name, TParamType paramType) {
  FItems.push_back(std::make_unique<TParam>(std::string(name), dataType, paramType));
  return *FItems.back();
}

TParam* TParams::FindParam(std::string_view name) {
  for (auto& p : FItems)
    if (SameTextAscii(p->Name(), name)) return p.get();
  return nullptr;
}

TParam& TParams::ParamByName(std::string_view name) {
  if (TParam* p = FindParam(name)) return *p;
  throw TDBXError(TDBXErrorCodes::InvalidParameter, FormatText(DBXMessages::ParameterNotFound, {name}));
}

// ---- TField ----

std::u16string TField::AsString() const { return FValue.IsNull() ? std::u16string() : FValue.GetWideString(); }

int32_t TField::AsInteger() const {
  if (FValue.IsNull()) return 0;
  try {
    return FValue.GetInt32();
  } catch (const TDBXError&) {
    const std::string text = Utf16ToUtf8(FValue.GetWideString());
    // White space may stand before the number (" 12", "\n12"), nothing after it.
    const size_t start = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size());
    const auto value = TextToInt32(std::string_view(text).substr(start));
    if (!value) throw TDBXError(TDBXErrorCodes::InvalidType, FormatText(InvalidIntegerMessage, {text}));
    return *value;
  }
}

double TField::AsFloat() const { return FValue.IsNull() ? 0.0 : FValue.GetDouble(); }
TCurrency TField::AsCurrency() const { return FValue.IsNull() ? TCurrency{} : FValue.GetCurrency(); }
TDBXDate TField::AsDate() const { return FValue.IsNull() ? TDBXDate{1899, 12, 30} : FValue.GetDate(); }

}  // namespace fieldsync
