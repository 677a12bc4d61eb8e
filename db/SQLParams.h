#pragma once
// Parameters (TParam, TParams) and result fields (TField) of the statement
// components. A parameter keeps the type of the setter that bound it; one
// that was never bound (or was cleared) goes to the database as NULL.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DBXTypes.h"
#include "db/DBXValue.h"

namespace fieldsync {

// Declared type of a parameter or field.
enum class TFieldType { ftUnknown, ftInteger, ftSmallint, ftLargeint, ftWideString, ftMemo,
                        ftDate, ftTime, ftDateTime, ftCurrency, ftFloat, ftBCD, ftBlob, ftBoolean };

enum class TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
 public:
  TParam(std::string name, TFieldType dataType = TFieldType::ftUnknown,
         TParamType paramType = TParamType::ptInput)
      : FName(std::move(name)), FDataType(dataType), FParamType(paramType) {}

  const std::string& Name() const { return FName; }
  TFieldType DataType() const { return FDataType; }
  void SetDataType(TFieldType type) { FDataType = type; }
  TParamType ParamType() const { return FParamType; }
  void SetParamType(TParamType type) { FParamType = type; }

  // Setters: bind a value and its type.
  void AsInteger(int32_t value);            // 32-bit signed integer
  void AsSmallInt(int16_t value);
  void AsString(std::u16string_view value); // every character preserved
  void AsMemo(std::u16string_view value);   // Windows-1252; other characters become '?'
  void AsDate(const TDBXDate& value);       // the day only
  void AsTime(const TDBXTime& value);
  void AsDateTime(const TDBXTimeStamp& value);
  // A decimal with four digits when the database reports the parameter as
  // NUMERIC/DECIMAL, a double otherwise.
  void AsCurrency(TCurrency value);
  void AsFloat(double value);
  void Clear();                              // back to NULL, type kept

  // Getters (output parameters after ExecProc, or what was bound).
  bool IsNull() const { return FValue.IsNull(); }
  int32_t AsInteger() const;
  std::u16string AsString() const;
  TCurrency AsCurrency() const;
  double AsFloat() const;
  TDBXDate AsDate() const;
  const TDBXValue& Value() const { return FValue; }
  TDBXValue& Value() { return FValue; }

 private:
  std::string FName;
  TFieldType FDataType;
  TParamType FParamType;
  TDBXValue FValue;  // NULL until bound
};

class TParams {
 public:
  // Appends a parameter; names are not required to be unique.
  TParam& CreateParam(TFieldType dataType, std::string_view name, TParamType paramType);
  // The first parameter of that name (ASCII case ignored); nullptr when none.
  TParam* FindParam(std::string_view name);
  // The same, failing with "Parameter '%s' not found".
  TParam& ParamByName(std::string_view name);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TParam& operator[](int32_t index) { return *FItems.at(index); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TParam>> FItems;
};

// A column of the current row of an open data set.
class TField {
 public:
  TField(TDBXValueType type) : FType(std::move(type)) {}
  const std::u16string& FieldName() const { return FType.Name; }
  const TDBXValueType& ValueType() const { return FType; }

  bool IsNull() const { return FValue.IsNull(); }
  std::u16string AsString() const;  // NULL reads as the empty text
  int32_t AsInteger() const;        // NULL reads as 0; text must be a decimal integer
  double AsFloat() const;
  TCurrency AsCurrency() const;
  TDBXDate AsDate() const;
  const TDBXValue& Value() const { return FValue; }
  TDBXValue& Value() { return FValue; }

 private:
  TDBXValueType FType;
  TDBXValue FValue;
};

}  // namespace fieldsync
