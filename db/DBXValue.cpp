#include "db/DBXValue.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/Text.h"
#include "db/DBXError.h"
#include "db/DBXReader.h"

namespace fieldsync {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

std::string DoubleText(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

}  // namespace

std::string DateText(const TDBXDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.Year, d.Month, d.Day);
  return buf;
}

std::string TimeText(const TDBXTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
  return buf;
}

std::string TimeStampText(const TDBXTimeStamp& ts) {
  std::string text = DateText(ts.Date);
  if (ts.Time.Hour != 0 || ts.Time.Minute != 0 || ts.Time.Second != 0) {
    text += ' ';
    text += TimeText(ts.Time);
  }
  text += '.';
  text += std::to_string(ts.Time.Millisecond);
  return text;
}

void TDBXValue::TReaderDeleter::operator()(TDBXReader* reader) const { delete reader; }

TDBXValue::~TDBXValue() = default;
TDBXValue::TDBXValue(TDBXValue&&) noexcept = default;
TDBXValue& TDBXValue::operator=(TDBXValue&&) noexcept = default;

void TDBXValue::SetReader(std::unique_ptr<TDBXReader> reader) {
  FContent = std::unique_ptr<TDBXReader, TReaderDeleter>(reader.release());
}

const char* TDBXValue::KindName() const {
  static const char* const names[] = {"Null",   "Boolean", "Int64",  "Double",   "Single",
                                      "BCD",    "Currency", "WideString", "Date", "Time",
                                      "TimeStamp", "Bytes", "Reader", "Object"};
  return names[FContent.index()];
}

void TDBXValue::FailConversion(const char* wanted) const {
  throw TDBXError(TDBXErrorCodes::InvalidType,
                  FormatText(DBXMessages::InvalidConversion, {KindName(), wanted}));
}

bool TDBXValue::GetBoolean() const {
  if (auto* b = std::get_if<bool>(&FContent)) return *b;
  if (auto* i = std::get_if<int64_t>(&FContent)) return *i != 0;
  FailConversion("Boolean");
}

int64_t TDBXValue::GetInt64() const {
  return std::visit(Overloaded{
                        [&](bool v) -> int64_t { return v ? 1 : 0; },
                        [&](int64_t v) -> int64_t { return v; },
                        [&](const TDBXBcd& v) -> int64_t {
                          int64_t r = v.Unscaled;
                          for (int32_t s = v.Scale; s > 0; --s) r /= 10;
                          return r;
                        },
                        [&](const TCurrency& v) -> int64_t { return v.Scaled / 10000; },
                        [&](const auto&) -> int64_t { FailConversion("Int64"); },
                    },
                    FContent);
}

int32_t TDBXValue::GetInt32() const {
  const int64_t v = GetInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    FailConversion("Int32");
  return static_cast<int32_t>(v);
}

double TDBXValue::GetDouble() const {
  return std::visit(Overloaded{
                        [&](bool v) -> double { return v ? 1 : 0; },
                        [&](int64_t v) -> double { return static_cast<double>(v); },
                        [&](double v) -> double { return v; },
                        [&](float v) -> double { return v; },
                        [&](const TDBXBcd& v) -> double { return v.ToDouble(); },
                        [&](const TCurrency& v) -> double { return v.ToDouble(); },
                        [&](const auto&) -> double { FailConversion("Double"); },
                    },
                    FContent);
}

float TDBXValue::GetSingle() const {
  if (auto* f = std::get_if<float>(&FContent)) return *f;
  return static_cast<float>(GetDouble());
}

TDBXBcd TDBXValue::GetBcd() const {
  if (auto* b = std::get_if<TDBXBcd>(&FContent)) return *b;
  if (auto* c = std::get_if<TCurrency>(&FContent)) return TDBXBcd{c->Scaled, 4};
  if (auto* i = std::get_if<int64_t>(&FContent)) return TDBXBcd{*i, 0};
  FailConversion("BCD");
}

TCurrency TDBXValue::GetCurrency() const {
  if (auto* c = std::get_if<TCurrency>(&FContent)) return *c;
  if (auto* i = std::get_if<int64_t>(&FContent)) return TCurrency{*i * 10000};
  if (auto* b = std::get_if<TDBXBcd>(&FContent)) {
    int64_t v = b->Unscaled;
    int32_t s = b->Scale;
    for (; s < 4; ++s) v *= 10;
    for (; s > 4; --s) v /= 10;
    return TCurrency{v};
  }
  return TCurrency::FromDouble(GetDouble());
}

std::u16string TDBXValue::GetWideString() const {
  return std::visit(
      Overloaded{
          [&](const std::u16string& v) { return v; },
          [&](bool v) { return std::u16string(v ? u"True" : u"False"); },
          [&](int64_t v) { return Latin1ToUtf16(std::to_string(v)); },
          [&](double v) { return Latin1ToUtf16(DoubleText(v)); },
          [&](float v) { return Latin1ToUtf16(DoubleText(v)); },
          [&](const TDBXBcd& v) { return Latin1ToUtf16(v.ToString()); },
          [&](const TCurrency& v) { return Latin1ToUtf16(TDBXBcd{v.Scaled, 4}.ToString()); },
          [&](const TDBXDate& v) { return Latin1ToUtf16(DateText(v)); },
          [&](const TDBXTime& v) { return Latin1ToUtf16(TimeText(v)); },
          [&](const TDBXTimeStamp& v) { return Latin1ToUtf16(TimeStampText(v)); },
          [&](const std::vector<uint8_t>& v) {
            return Win1252ToUtf16(std::string_view(reinterpret_cast<const char*>(v.data()), v.size()));
          },
          [&](const auto&) -> std::u16string { FailConversion("WideString"); },
      },
      FContent);
}

TDBXDate TDBXValue::GetDate() const {
  if (auto* d = std::get_if<TDBXDate>(&FContent)) return *d;
  if (auto* ts = std::get_if<TDBXTimeStamp>(&FContent)) return ts->Date;
  FailConversion("Date");
}

TDBXTime TDBXValue::GetTime() const {
  if (auto* t = std::get_if<TDBXTime>(&FContent)) return *t;
  if (auto* ts = std::get_if<TDBXTimeStamp>(&FContent)) return ts->Time;
  FailConversion("Time");
}

TDBXTimeStamp TDBXValue::GetTimeStamp() const {
  if (auto* ts = std::get_if<TDBXTimeStamp>(&FContent)) return *ts;
  if (auto* d = std::get_if<TDBXDate>(&FContent)) return TDBXTimeStamp{*d, TDBXTime{}};
  FailConversion("TimeStamp");
}

const std::vector<uint8_t>& TDBXValue::GetBytes() const {
  if (auto* b = std::get_if<std::vector<uint8_t>>(&FContent)) return *b;
  FailConversion("Bytes");
}

std::unique_ptr<TDBXReader> TDBXValue::TakeReader() const {
  auto* r = std::get_if<std::unique_ptr<TDBXReader, TReaderDeleter>>(&FContent);
  if (!r) FailConversion("Reader");
  return std::unique_ptr<TDBXReader>(r->release());
}

const std::shared_ptr<TDBXValueObject>& TDBXValue::GetObject() const {
  if (auto* o = std::get_if<std::shared_ptr<TDBXValueObject>>(&FContent)) return *o;
  FailConversion("Object");
}

// ---- TDBXMemoryReader ----

TDBXMemoryReader::TDBXMemoryReader(std::vector<TDBXValueType> columns) : FColumns(std::move(columns)) {
  for (size_t i = 0; i < FColumns.size(); ++i) FColumns[i].Ordinal = static_cast<int32_t>(i);
}

void TDBXMemoryReader::AddRow(std::vector<TDBXValue> row) {
  if (row.size() != FColumns.size())
    throw TDBXError(TDBXErrorCodes::InvalidParameter,
                    FormatText(DBXMessages::RowSizeMismatch, {std::to_string(row.size()), std::to_string(FColumns.size())}));
  FRows.push_back(std::move(row));
}

int32_t TDBXMemoryReader::ColumnCount() const { return static_cast<int32_t>(FColumns.size()); }

const TDBXValueType& TDBXMemoryReader::ValueType(int32_t ordinal) const {
  if (ordinal < 0 || ordinal >= ColumnCount())
    throw TDBXError(TDBXErrorCodes::InvalidParameter,
                      FormatText(DBXMessages::ColumnOutOfRange, {std::to_string(ordinal)}));
  return FColumns[ordinal];
}

const TDBXValue& TDBXMemoryReader::Value(int32_t ordinal) {
  ValueType(ordinal);
  if (FClosed || FCurrent < 0 || FCurrent >= static_cast<int64_t>(FRows.size()))
    throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoCurrentRow));
  return FRows[FCurrent][ordinal];
}

bool TDBXMemoryReader::Next() {
  ++FNextCalls;
  if (FClosed) return false;
  if (FCurrent < static_cast<int64_t>(FRows.size())) ++FCurrent;
  return FCurrent < static_cast<int64_t>(FRows.size());
}

void TDBXMemoryReader::Close() { FClosed = true; }

}  // namespace fieldsync
