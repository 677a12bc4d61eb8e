#include "core/Currency.h"

#include <cmath>

#include "core/CoreMessages.h"
#include "core/Error.h"

namespace fieldsync {

TCurrency TCurrency::FromDouble(double value) {
  const double scaled = std::round(value * Scale);
  if (!std::isfinite(scaled) || scaled >= 9.2233720368547758e18 || scaled < -9.2233720368547758e18)
    throw Exception(FloatOverflowMessage);
  return TCurrency{static_cast<int64_t>(scaled)};
}

std::string TCurrency::ToString() const {
  const bool negative = Scaled < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(Scaled) : static_cast<uint64_t>(Scaled);
  std::string text = std::to_string(magnitude / Scale);
  uint64_t fraction = magnitude % Scale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return negative ? "-" + text : text;
}

}  // namespace fieldsync
