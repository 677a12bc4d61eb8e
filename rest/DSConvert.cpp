#include "rest/DSConvert.h"

#include <charconv>
#include <cmath>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"
#include "db/DBXReader.h"
#include "json/DBXJSONTools.h"
#include "json/JSONMessages.h"
#include "rest/DSMessages.h"

namespace fieldsync {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

[[noreturn]] void Fail(const char* message, std::u16string_view text) {
  throw Exception(FormatText(message, {Utf16ToUtf8(text)}));
}

int32_t IntegerOrFail(std::u16string_view text) {
  // Blanks may stand before the number, as in a path argument " 12".
  auto value = TextToInt32(SkipLeadingBlanks(text));
  if (!value) Fail(InvalidIntegerQuotedMessage, text);
  return *value;
}

double FloatOrFail(std::u16string_view text) {
  auto value = ParseFloatText(text);
  if (!value) Fail(InvalidFloatMessage, text);
  return *value;
}

// "true"/"false" in any letter case, as 1 or 0.
std::optional<int> TruthWord(std::u16string_view text) {
  const std::u16string upper = AsciiUpper(text);
  if (upper == u"TRUE") return 1;
  if (upper == u"FALSE") return 0;
  return std::nullopt;
}

bool IsNumber(const TJSONValue& json) { return dynamic_cast<const TJSONNumber*>(&json) != nullptr; }
bool IsString(const TJSONValue& json) { return !IsNumber(json) && dynamic_cast<const TJSONString*>(&json); }

TDSValue FromNumber(const std::u16string& text, int dataType) {
  using namespace TDBXDataTypes;
  switch (dataType) {
    case Int32Type:
      return TDSValue::Int32(IntegerOrFail(text));
    case WideStringType:
      return TDSValue::String(text);
    case CurrencyType:
      return TDSValue::Currency(TCurrency::FromDouble(FloatOrFail(text)));
    case DoubleType:
      return TDSValue::Double(FloatOrFail(text));
    case BooleanType:
      return TDSValue::Boolean(std::trunc(FloatOrFail(text)) == 1);
  }
  throw Exception(FormatText(NoConversionMessage, {Utf16ToUtf8(text)}));
}

TDSValue FromString(const std::u16string& text, int dataType) {
  using namespace TDBXDataTypes;
  switch (dataType) {
    case Int32Type:
      if (auto word = TruthWord(text)) return TDSValue::Int32(*word);
      return TDSValue::Int32(IntegerOrFail(text));
    case WideStringType:
      return TDSValue::String(text);
    case CurrencyType:
      if (auto word = TruthWord(text)) return TDSValue::Currency(TCurrency::FromScaled(*word * TCurrency::Scale));
      return TDSValue::Currency(TCurrency::FromDouble(FloatOrFail(text)));
    case DoubleType:
      if (auto word = TruthWord(text)) return TDSValue::Double(*word);
      return TDSValue::Double(FloatOrFail(text));
    case BooleanType:
      if (auto number = ParseFloatText(text)) return TDSValue::Boolean(*number != 0);
      if (auto word = TruthWord(text)) return TDSValue::Boolean(*word == 1);
      Fail(InvalidBooleanMessage, text);
  }
  throw Exception(FormatText(NoConversionMessage, {Utf16ToUtf8(text)}));
}

TDSValue FromBoolean(bool value, int dataType) {
  using namespace TDBXDataTypes;
  switch (dataType) {
    case Int32Type:
      return TDSValue::Int32(value ? 1 : 0);
    case WideStringType:
      return TDSValue::String(value ? u"-1" : u"0");
    case CurrencyType:
      return TDSValue::Currency(TCurrency::FromScaled(value ? TCurrency::Scale : 0));
    case DoubleType:
      return TDSValue::Double(value ? 1 : 0);
    case BooleanType:
      return TDSValue::Boolean(value);
  }
  throw Exception(FormatText(NoConversionMessage, {value ? "true" : "false"}));
}

}  // namespace

std::optional<double> ParseFloatText(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  std::string ascii;
  size_t i = begin;
  bool negative = false;
  if (i < end && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  size_t digits = 0;
  auto takeDigits = [&] {
    while (i < end && text[i] >= u'0' && text[i] <= u'9') {
      ascii.push_back(static_cast<char>(text[i++]));
      ++digits;
    }
  };
  takeDigits();
  if (i < end && text[i] == u'.') {
    ascii.push_back('.');
    ++i;
    takeDigits();
  }
  if (digits == 0) return std::nullopt;
  if (i < end && (text[i] == u'e' || text[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(static_cast<char>(text[i++]));
    const size_t before = digits;
    takeDigits();
    if (digits == before) return std::nullopt;
  }
  if (i != end) return std::nullopt;
  double value = 0;
  auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::unique_ptr<TJSONValue> ArgumentToJSON(const std::u16string& text) {
  if (auto word = TruthWord(text)) {
    if (*word == 1) return std::make_unique<TJSONTrue>();
    return std::make_unique<TJSONFalse>();
  }
  if (text == u"null") return std::make_unique<TJSONNull>();
  if (ParseFloatText(text)) return std::make_unique<TJSONNumber>(text);
  return std::make_unique<TJSONString>(text);
}

TDSValue JSONToValue(const TJSONValue* json, int dataType) {
  if (json == nullptr || dynamic_cast<const TJSONNull*>(json)) return TDSValue::Null();
  if (IsNumber(*json)) return FromNumber(static_cast<const TJSONNumber*>(json)->Text(), dataType);
  if (IsString(*json)) {
    if (json->IsNull()) return TDSValue::Null();
    return FromString(static_cast<const TJSONString*>(json)->Text(), dataType);
  }
  if (dynamic_cast<const TJSONTrue*>(json)) return FromBoolean(true, dataType);
  if (dynamic_cast<const TJSONFalse*>(json)) return FromBoolean(false, dataType);
  if (dynamic_cast<const TJSONObject*>(json) || dynamic_cast<const TJSONArray*>(json)) {
    throw Exception(FormatText(CannotConvertInputMessage, {json->ToBytes(), TDBXDataTypes::TypeName(dataType)}));
  }
  throw Exception(FormatText(NoConversionMessage, {json->ToBytes()}));
}

std::unique_ptr<TJSONValue> ValueToJSON(TDSValue& value, int dataType) {
  using namespace TDBXDataTypes;
  if (dataType == TableType) {
    auto reader = value.TakeReader();
    if (!reader) return std::make_unique<TJSONNull>();
    return TDBXJSONTools::TableToJSON(std::move(reader), TDBXJSONTools::AllRows);
  }
  if (value.IsNull()) return std::make_unique<TJSONNull>();
  switch (dataType) {
    case BooleanType:
      if (value.AsBoolean()) return std::make_unique<TJSONTrue>();
      return std::make_unique<TJSONFalse>();
    case Int32Type:
      return std::make_unique<TJSONNumber>(static_cast<double>(value.AsInt32()));
    case CurrencyType:
      return std::make_unique<TJSONNumber>(value.AsCurrency().ToDouble());
    case DoubleType:
      return std::make_unique<TJSONNumber>(value.AsDouble());
    case WideStringType:
      return std::make_unique<TJSONString>(value.AsString());
  }
  throw Exception(FormatText(CannotConvertDBXTypeMessage, {TDBXDataTypes::TypeName(dataType)}));
}


}  // namespace fieldsync
