#pragma once
// Result filters: query parameters that crop what a call answers. A request
// names a filter "<kind><range>" and sets its fields with parameters of the
// form "<filter>.<field>=<value>" (?t.r=0,50, ?ss1.c=10):
//   kind "t"  (TDBXReaderRequestFilter): a table's rows, skip "o", then at
//             most "c" rows;
//   kind "ss" (TDBXSubStringRequestFilter): a text's characters after the
//             first "o", at most "c" of them.
// "r" sets both as "offset,count". A filter without a range applies to the
// method's result; a range lists output positions 0 to 71 of the parameter
// list ("t1", "ss0,2-3").

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "rest/DSValue.h"

namespace fieldsync {

class TDBXRequestFilter {
 public:
  // Output positions a range may name: 0 to MaxPosition.
  static constexpr int MaxPosition = 71;
  static constexpr int32_t AllItems = 2147483647;
  using TRange = std::bitset<MaxPosition + 1>;

  virtual ~TDBXRequestFilter() = default;
  virtual std::unique_ptr<TDBXRequestFilter> Clone() const = 0;

  // The registered kind ("t", "ss").
  virtual std::string TypeName() const = 0;
  // Whether the filter converts outputs of this data-type code.
  virtual bool CanConvert(int dataType) const = 0;
  // Appends the byte form of the cropped value; a reader is consumed and
  // freed. Raises "The output parameter (%d) cannot be converted by the
  // selected converter (%s)" for a type the filter does not take.
  virtual void WriteBytes(TDSValue& value, int dataType, size_t position, std::string& out) const = 0;

  // Fields "o", "c" and "r", letter case ignored.
  bool HasParameter(std::string_view field) const;
  // Sets a field from its text: false when "r" has no comma with text on
  // both sides; a part that is not a decimal integer raises "''%s'' is not a
  // valid integer value".
  bool SetParameterValue(std::string_view field, const std::string& value);

  // Whether the filter applies to the output at `position` of the parameter
  // list (`isResult`: that output is the method's result).
  bool Targets(size_t position, bool isResult) const;
  // Both apply to the result, or their ranges share a position.
  bool Overlaps(const TDBXRequestFilter& other) const;
  // Raises "The output parameter (%d) cannot be converted by the selected
  // converter (%s)" unless the filter takes this data type.
  void CheckCanConvert(int dataType, size_t position) const;

  std::string Name;  // the key the request stores it under
  TRange Range;
  bool OnResult = false;
  int32_t Off = 0;
  int32_t Count = AllItems;
};

// Kind "t": a row window over a table.
class TDBXReaderRequestFilter : public TDBXRequestFilter {
 public:
  std::unique_ptr<TDBXRequestFilter> Clone() const override;
  std::string TypeName() const override { return "t"; }
  bool CanConvert(int dataType) const override;
  // Skips Off rows, writes at most Count rows; the reader is advanced one
  // row past the window and then closed, so the database stops there.
  void WriteBytes(TDSValue& value, int dataType, size_t position, std::string& out) const override;
};

// Kind "ss": a substring of a text (or a byte range of a byte stream).
class TDBXSubStringRequestFilter : public TDBXRequestFilter {
 public:
  std::unique_ptr<TDBXRequestFilter> Clone() const override;
  std::string TypeName() const override { return "ss"; }
  bool CanConvert(int dataType) const override;
  void WriteBytes(TDSValue& value, int dataType, size_t position, std::string& out) const override;
};

// The parts of a filter name "<kind><range>".
struct TFilterName {
  std::string Kind;  // the text before the first digit, lower-cased
  TDBXRequestFilter::TRange Range;
  bool OnResult = false;  // no range given
};

// Splits a filter name; a range that is not a list of positions 0 to 71 and
// spans "a-b" (a <= b) raises "Invalid parameter naming. Expected
// [dcname.]field[numeric range] instead of %s" with `parameterName`.
TFilterName ParseFilterName(std::string_view filterName, std::string_view parameterName);

// A new filter of a registered kind (letter case ignored), or nullptr for
// an unknown kind. The registry is filled once and only read afterwards.
std::unique_ptr<TDBXRequestFilter> CreateRequestFilter(std::string_view kind);

}  // namespace fieldsync
