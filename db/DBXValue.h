#pragma once
// One value of a column or parameter (TDBXValue): NULL or a typed content.
// Readers fill one per column for the current row; parameters hold one each.
// The getters convert between compatible kinds (every number reads as a
// double, every integer as Int64, every text as a string) and raise TDBXError
// for anything else.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "db/DBXTypes.h"

namespace fieldsync {

class TDBXReader;

// Base of an opaque object carried by a value of code JsonValueType; the JSON
// library derives its holder from it, so that this layer needs no JSON types.
class TDBXValueObject {
 public:
  virtual ~TDBXValueObject() = default;
};

class TDBXValue {
 public:
  TDBXValue() = default;  // NULL
  TDBXValue(TDBXValue&&) noexcept;
  TDBXValue& operator=(TDBXValue&&) noexcept;
  TDBXValue(const TDBXValue&) = delete;  // may own a nested reader
  TDBXValue& operator=(const TDBXValue&) = delete;
  ~TDBXValue();

  bool IsNull() const { return FContent.index() == 0; }

  void SetNull() { FContent = std::monostate{}; }
  void SetBoolean(bool v) { FContent = v; }
  void SetInt64(int64_t v) { FContent = v; }
  void SetInt32(int32_t v) { FContent = static_cast<int64_t>(v); }
  void SetDouble(double v) { FContent = v; }
  void SetSingle(float v) { FContent = v; }
  void SetBcd(TDBXBcd v) { FContent = v; }
  void SetCurrency(TCurrency v) { FContent = v; }
  void SetWideString(std::u16string v) { FContent = std::move(v); }
  void SetDate(TDBXDate v) { FContent = v; }
  void SetTime(TDBXTime v) { FContent = v; }
  void SetTimeStamp(TDBXTimeStamp v) { FContent = v; }
  void SetBytes(std::vector<uint8_t> v) { FContent = std::move(v); }
  // A nested result (code TableType); the value owns it until TakeReader.
  void SetReader(std::unique_ptr<TDBXReader> reader);
  void SetObject(std::shared_ptr<TDBXValueObject> object) { FContent = std::move(object); }

  bool GetBoolean() const;
  int32_t GetInt32() const;  // fails when the integer does not fit
  int64_t GetInt64() const;
  double GetDouble() const;
  float GetSingle() const;
  TDBXBcd GetBcd() const;
  TCurrency GetCurrency() const;
  // Texts as they are; numbers, dates and times in their plain text form
  // (10.5, 2013-05-07, 14:05:09, 2013-05-07 14:05:09.250).
  std::u16string GetWideString() const;
  TDBXDate GetDate() const;
  TDBXTime GetTime() const;
  TDBXTimeStamp GetTimeStamp() const;
  const std::vector<uint8_t>& GetBytes() const;
  // Hands over the nested reader; a second call gives nullptr.
  std::unique_ptr<TDBXReader> TakeReader() const;
  const std::shared_ptr<TDBXValueObject>& GetObject() const;

  // Kind names for conversion messages ("Int64", "WideString", ...).
  const char* KindName() const;

 private:
  struct TReaderDeleter {
    void operator()(TDBXReader* reader) const;  // defined where TDBXReader is complete
  };
  using Content = std::variant<std::monostate, bool, int64_t, double, float, TDBXBcd, TCurrency,
                               std::u16string, TDBXDate, TDBXTime, TDBXTimeStamp,
                               std::vector<uint8_t>, std::unique_ptr<TDBXReader, TReaderDeleter>,
                               std::shared_ptr<TDBXValueObject>>;
  [[noreturn]] void FailConversion(const char* wanted) const;

  // Mutable so that TakeReader can hand a nested reader over from a const
  // value (readers give their values out as const).
  mutable Content FContent;
};

// Text forms used by GetWideString and by the JSON table writer.
std::string DateText(const TDBXDate& d);            // 2013-05-07
std::string TimeText(const TDBXTime& t);            // 14:05:09
std::string TimeStampText(const TDBXTimeStamp& ts); // 2013-05-07 14:05:09.250, 2013-05-07.0

}  // namespace fieldsync
