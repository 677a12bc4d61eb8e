#include "rest/DSRequestFilter.h"

#include <map>

#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXReader.h"
#include "db/DBXTypes.h"
#include "db/DBXValue.h"
#include "json/DBXJSONTools.h"
#include "json/JSONNumberText.h"
#include "rest/DSMessages.h"

namespace fieldsync {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a position (decimal digits, 0 to MaxPosition) at `i`; false when there
// is none or it is out of range.
bool ReadPosition(std::string_view text, size_t& i, int& position) {
  const size_t start = i;
  position = 0;
  while (i < text.size() && IsDigit(text[i])) {
    position = position * 10 + (text[i] - '0');
    if (position > TDBXRequestFilter::MaxPosition) return false;
    ++i;
  }
  return i > start;
}

// Reads "n" or "a-b" items separated by ","; false when malformed.
bool ReadRange(std::string_view text, TDBXRequestFilter::TRange& range) {
  size_t i = 0;
  while (true) {
    int first = 0;
    if (!ReadPosition(text, i, first)) return false;
    int last = first;
    if (i < text.size() && text[i] == '-') {
      ++i;
      if (!ReadPosition(text, i, last) || last < first) return false;
    }
    for (int p = first; p <= last; ++p) range.set(static_cast<size_t>(p));
    if (i == text.size()) return true;
    if (text[i] != ',') return false;
    ++i;
  }
}

}  // namespace

bool TDBXRequestFilter::HasParameter(std::string_view field) const {
  return SameTextAscii(field, "o") || SameTextAscii(field, "c") || SameTextAscii(field, "r");
}

bool TDBXRequestFilter::SetParameterValue(std::string_view field, const std::string& value) {
  const std::u16string text = Latin1ToUtf16(value);
  if (SameTextAscii(field, "o")) {
    Off = JSONTextToInt32(text);
  } else if (SameTextAscii(field, "c")) {
    Count = JSONTextToInt32(text);
  } else if (SameTextAscii(field, "r")) {
    int32_t off = 0;
    int32_t count = 0;
    if (!TDBXJSONTools::ParseRange(text, off, count)) return false;
    Off = off;
    Count = count;
  } else {
    return false;
  }
  return true;
}

bool TDBXRequestFilter::Targets(size_t position, bool isResult) const {
  if (OnResult) return isResult;
  return position < Range.size() && Range.test(position);
}

bool TDBXRequestFilter::Overlaps(const TDBXRequestFilter& other) const {
  return (OnResult && other.OnResult) || (Range & other.Range).any();
}

void TDBXRequestFilter::CheckCanConvert(int dataType, size_t position) const {
  if (CanConvert(dataType)) return;
  throw Exception(FormatText(CannotConvertOutputMessage, {std::to_string(position), Name}));
}

std::unique_ptr<TDBXRequestFilter> TDBXReaderRequestFilter::Clone() const {
  return std::make_unique<TDBXReaderRequestFilter>(*this);
}

bool TDBXReaderRequestFilter::CanConvert(int dataType) const { return dataType == TDBXDataTypes::TableType; }

void TDBXReaderRequestFilter::WriteBytes(TDSValue& value, int dataType, size_t position, std::string& out) const {
  CheckCanConvert(dataType, position);
  auto reader = value.TakeReader();
  if (!reader) {
    out += "null";
    return;
  }
  TDBXJSONTools::TableWindowToBytes(std::move(reader), Off, Count, out);
}

std::unique_ptr<TDBXRequestFilter> TDBXSubStringRequestFilter::Clone() const {
  return std::make_unique<TDBXSubStringRequestFilter>(*this);
}

bool TDBXSubStringRequestFilter::CanConvert(int dataType) const {
  return dataType == TDBXDataTypes::AnsiStringType || dataType == TDBXDataTypes::WideStringType ||
         dataType == TDBXDataTypes::BlobType || dataType == TDBXDataTypes::BinaryBlobType;
}

void TDBXSubStringRequestFilter::WriteBytes(TDSValue& value, int dataType, size_t position, std::string& out) const {
  CheckCanConvert(dataType, position);
  // The method layer's values carry texts only; a null stays null.
  TDBXValue text;
  if (!value.IsNull()) text.SetWideString(value.AsString());
  out += TDBXJSONTools::SubStringToJSON(&text, TDBXDataTypes::WideStringType, Off, Count)->ToBytes();
}

TFilterName ParseFilterName(std::string_view filterName, std::string_view parameterName) {
  TFilterName parsed;
  size_t digit = 0;
  while (digit < filterName.size() && !IsDigit(filterName[digit])) ++digit;
  parsed.Kind = AsciiLower(filterName.substr(0, digit));
  const std::string_view range = filterName.substr(digit);
  parsed.OnResult = range.empty();
  if (!parsed.OnResult && !ReadRange(range, parsed.Range))
    throw Exception(FormatText(InvalidNamingMessage, {parameterName}));
  return parsed;
}

std::unique_ptr<TDBXRequestFilter> CreateRequestFilter(std::string_view kind) {
  // Filled once, on first use, and only read afterwards.
  static const std::map<std::string, std::unique_ptr<TDBXRequestFilter>> Registered = [] {
    std::map<std::string, std::unique_ptr<TDBXRequestFilter>> kinds;
    kinds.emplace("t", std::make_unique<TDBXReaderRequestFilter>());
    kinds.emplace("ss", std::make_unique<TDBXSubStringRequestFilter>());
    return kinds;
  }();
  auto it = Registered.find(AsciiLower(kind));
  return it == Registered.end() ? nullptr : it->second->Clone();
}

}  // namespace fieldsync
