#pragma once
// The database layer's vocabulary: data-type codes, column and parameter
// descriptions (TDBXValueType), the date, time and decimal value forms, and
// the Currency type in which amounts travel.

#include <cstdint>
#include <string>

#include "core/Currency.h"

namespace fieldsync {

// Data-type codes of columns and parameters. The numbers are interface: they
// appear in every JSON column description.
namespace TDBXDataTypes {
constexpr int32_t UnknownType = 0;
constexpr int32_t AnsiStringType = 1;  // ZSTRING
constexpr int32_t DateType = 2;
constexpr int32_t BlobType = 3;
constexpr int32_t BooleanType = 4;
constexpr int32_t Int16Type = 5;
constexpr int32_t Int32Type = 6;
constexpr int32_t DoubleType = 7;
constexpr int32_t BcdType = 8;
constexpr int32_t BytesType = 9;
constexpr int32_t TimeType = 10;
constexpr int32_t DateTimeType = 11;
constexpr int32_t UInt16Type = 12;
constexpr int32_t UInt32Type = 13;
constexpr int32_t VarBytesType = 15;
constexpr int32_t CursorType = 17;
constexpr int32_t Int64Type = 18;
constexpr int32_t UInt64Type = 19;
constexpr int32_t AdtType = 20;
constexpr int32_t ArrayType = 21;
constexpr int32_t RefType = 22;
constexpr int32_t TableType = 23;
constexpr int32_t TimeStampType = 24;
constexpr int32_t CurrencyType = 25;
constexpr int32_t WideStringType = 26;
constexpr int32_t SingleType = 27;
constexpr int32_t Int8Type = 28;
constexpr int32_t UInt8Type = 29;
constexpr int32_t BinaryBlobType = 33;
constexpr int32_t VariantType = 35;
constexpr int32_t TimeStampOffsetType = 36;
constexpr int32_t JsonValueType = 37;

// The name of a code as messages write it: "TDBXTypes.INT32",
// "TDBXTypes.WideString"; a code without a name gives "TDBXTypes.UNKNOWN(14)".
std::string TypeName(int32_t code);
}  // namespace TDBXDataTypes

// Flag bits of a column or parameter description.
namespace TDBXValueTypeFlags {
constexpr int32_t Nullable = 0x1;
constexpr int32_t ReadOnly = 0x2;
constexpr int32_t Searchable = 0x4;
constexpr int32_t AutoIncrement = 0x8;
constexpr int32_t ReadOnlyByTable = 0x10;
constexpr int32_t Hidden = 0x40;
constexpr int32_t ValueParameter = 0x100;
constexpr int32_t Literal = 0x200;
}  // namespace TDBXValueTypeFlags

// Directions of a parameter description; 0 for result columns.
namespace TDBXParameterDirections {
constexpr int32_t Unknown = 0;
constexpr int32_t InParameter = 1;
constexpr int32_t OutParameter = 2;
constexpr int32_t InOutParameter = 3;
constexpr int32_t ReturnParameter = 4;
}  // namespace TDBXParameterDirections

// Description of one result column or parameter, as the driver reports it.
struct TDBXValueType {
  std::u16string Name;       // for a result column, its alias (upper case unless quoted)
  int32_t DataType = TDBXDataTypes::UnknownType;
  int32_t SubType = 0;       // the driver's refinement of the type, 0 when none
  int32_t Ordinal = 0;       // 0-based position
  int32_t Scale = 0;         // digits after the decimal point (decimal columns)
  int64_t Size = 0;
  int64_t Precision = 0;
  int32_t ChildPosition = 0;
  int32_t ParameterDirection = TDBXParameterDirections::Unknown;
  int32_t Flags = 0;         // TDBXValueTypeFlags bits

  bool Nullable() const { return (Flags & TDBXValueTypeFlags::Nullable) != 0; }
};

// A calendar day.
struct TDBXDate {
  int32_t Year = 1;
  int32_t Month = 1;
  int32_t Day = 1;
  friend bool operator==(const TDBXDate&, const TDBXDate&) = default;
};

// A time of day, to the millisecond.
struct TDBXTime {
  int32_t Hour = 0;
  int32_t Minute = 0;
  int32_t Second = 0;
  int32_t Millisecond = 0;
  friend bool operator==(const TDBXTime&, const TDBXTime&) = default;
};

struct TDBXTimeStamp {
  TDBXDate Date;
  TDBXTime Time;
  friend bool operator==(const TDBXTimeStamp&, const TDBXTimeStamp&) = default;
};

// An exact decimal: Unscaled / 10^Scale (NUMERIC and DECIMAL values).
struct TDBXBcd {
  int64_t Unscaled = 0;
  int32_t Scale = 0;
  double ToDouble() const;
  std::string ToString() const;  // "10.50", "-0.0100": all Scale digits kept
  friend bool operator==(const TDBXBcd&, const TDBXBcd&) = default;
};

// TCurrency (amounts, prices, quantities) is the program-wide type of core.


}  // namespace fieldsync
