#include "rest/DSValue.h"

#include "db/DBXReader.h"

namespace fieldsync {

TDSValue::TDSValue() = default;
TDSValue::~TDSValue() = default;
TDSValue::TDSValue(TDSValue&&) noexcept = default;
TDSValue& TDSValue::operator=(TDSValue&&) noexcept = default;

TDSValue TDSValue::Int32(int32_t value) {
  TDSValue v;
  v.FValue = value;
  return v;
}

TDSValue TDSValue::String(std::u16string value) {
  TDSValue v;
  v.FValue = std::move(value);
  return v;
}

TDSValue TDSValue::Currency(TCurrency value) {
  TDSValue v;
  v.FValue = value;
  return v;
}

TDSValue TDSValue::Double(double value) {
  TDSValue v;
  v.FValue = value;
  return v;
}

TDSValue TDSValue::Boolean(bool value) {
  TDSValue v;
  v.FValue = value;
  return v;
}

TDSValue TDSValue::Reader(std::unique_ptr<TDBXReader> reader) {
  TDSValue v;
  if (reader) v.FValue = std::move(reader);
  return v;
}

bool TDSValue::IsNull() const { return std::holds_alternative<std::monostate>(FValue); }

int32_t TDSValue::AsInt32() const {
  if (auto p = std::get_if<int32_t>(&FValue)) return *p;
  return 0;
}

std::u16string TDSValue::AsString() const {
  if (auto p = std::get_if<std::u16string>(&FValue)) return *p;
  return {};
}

TCurrency TDSValue::AsCurrency() const {
  if (auto p = std::get_if<TCurrency>(&FValue)) return *p;
  return {};
}

double TDSValue::AsDouble() const {
  if (auto p = std::get_if<double>(&FValue)) return *p;
  return 0;
}

bool TDSValue::AsBoolean() const {
  if (auto p = std::get_if<bool>(&FValue)) return *p;
  return false;
}

std::unique_ptr<TDBXReader> TDSValue::TakeReader() {
  if (auto p = std::get_if<std::unique_ptr<TDBXReader>>(&FValue)) {
    auto reader = std::move(*p);
    FValue = std::monostate{};
    return reader;
  }
  return nullptr;
}

}  // namespace fieldsync
