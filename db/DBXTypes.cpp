#include "db/DBXTypes.h"

#include <cmath>
#include <cstdlib>

namespace fieldsync {

namespace TDBXDataTypes {

std::string TypeName(int32_t code) {
  static const char* const names[] = {
      "UNKNOWN", "ZSTRING", "DATE", "BLOB", "BOOL", "INT16", "INT32", "DOUBLE", "BCD",
      "BYTES", "TIME", "DATETIME", "UINT16", "UINT32", nullptr, "VARBYTES", nullptr,
      "CURSOR", "INT64", "UINT64", "ADT", "ARRAY_TYPE", "REF", "TABLE", "TIMESTAMP",
      "Currency", "WideString", "SINGLE", "INT8", "UINT8", nullptr, nullptr, nullptr,
      "BINARYBLOB", nullptr, "Variant", "TIMESTAMPOFFSET", "JSON"};
  constexpr int32_t count = static_cast<int32_t>(std::size(names));
  if (code >= 0 && code < count && names[code]) return std::string("TDBXTypes.") + names[code];
  return "TDBXTypes.UNKNOWN(" + std::to_string(code) + ")";
}

}  // namespace TDBXDataTypes

double TDBXBcd::ToDouble() const {
  // Dividing two exactly held numbers gives the correctly rounded double:
  // 1050 / 100 is exactly the double nearest to 10.5.
  if (Scale <= 0) return static_cast<double>(Unscaled) * std::pow(10.0, -Scale);
  return static_cast<double>(Unscaled) / std::pow(10.0, Scale);
}

std::string TDBXBcd::ToString() const {
  const bool negative = Unscaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(Unscaled) : static_cast<uint64_t>(Unscaled);
  std::string digits = std::to_string(magnitude);
  if (Scale > 0) {
    if (digits.size() <= static_cast<size_t>(Scale)) digits.insert(0, Scale - digits.size() + 1, '0');
    digits.insert(digits.size() - Scale, 1, '.');
  } else if (Scale < 0 && magnitude != 0) {
    digits.append(-Scale, '0');
  }
  if (negative) digits.insert(digits.begin(), '-');
  return digits;
}


}  // namespace fieldsync
