#pragma once
// Currency: a signed fixed-point decimal with four fractional digits, held as a
// 64-bit integer scaled by 10000. Amounts, prices and quantities travel as it.

#include <cstdint>
#include <string>

namespace fieldsync {

struct TCurrency {
  int64_t Scaled = 0;  // value x 10000

  static constexpr int64_t Scale = 10000;

  // Rounds half away from zero to four decimals; values beyond the 64-bit
  // range raise fieldsync::Exception.
  static TCurrency FromDouble(double value);
  static TCurrency FromScaled(int64_t scaled) { return TCurrency{scaled}; }
  double ToDouble() const { return static_cast<double>(Scaled) / Scale; }
  // Plain decimal text with "." and no trailing zeros: "10.5", "-0.0001", "3".
  std::string ToString() const;

  friend bool operator==(TCurrency a, TCurrency b) { return a.Scaled == b.Scaled; }
};

}  // namespace fieldsync
