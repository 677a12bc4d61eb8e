#pragma once
// A typed value of a server method's parameter or result, as the method
// server binds it: null, or one of the interface's types.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "core/Currency.h"
#include "db/DBXTypes.h"

namespace fieldsync {

class TDBXReader;

class TDSValue {
 public:
  TDSValue();  // null
  ~TDSValue();
  TDSValue(TDSValue&&) noexcept;
  TDSValue& operator=(TDSValue&&) noexcept;

  static TDSValue Null() { return TDSValue(); }
  static TDSValue Int32(int32_t value);
  static TDSValue String(std::u16string value);
  static TDSValue Currency(TCurrency value);
  static TDSValue Double(double value);
  static TDSValue Boolean(bool value);
  static TDSValue Reader(std::unique_ptr<TDBXReader> reader);

  bool IsNull() const;
  // The value read as its type; a null reads as the type's zero value or
  // the empty text.
  int32_t AsInt32() const;
  std::u16string AsString() const;
  TCurrency AsCurrency() const;
  double AsDouble() const;
  bool AsBoolean() const;
  // Hands the reader over; null when the value holds none.
  std::unique_ptr<TDBXReader> TakeReader();

 private:
  std::variant<std::monostate, int32_t, std::u16string, TCurrency, double, bool, std::unique_ptr<TDBXReader>> FValue;
};

}  // namespace fieldsync
