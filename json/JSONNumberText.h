#pragma once
// Number texts: the text of a double by the JSON floating-point rule, and the
// conversions of a number's text back to binary values with the system's
// conversion-error messages. None of this depends on the C locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace fieldsync {

// General format with 15 significant digits, "." as decimal separator, no
// group separators. Plain form when the decimal exponent E (value =
// 0.d1d2... x 10^E) lies in -3..15, else scientific: 10.5, 100, 0.0001, 1E-5,
// 999999999999999, 1E15, 1.23456789012346E15. Zero (either sign) is "0";
// NaN and the infinities are "NAN", "INF" and "-INF".
std::string JSONFloatText(double value);
std::string JSONIntText(int64_t value);

// An optional sign and decimal digits only, within range; anything else
// (blanks, a fraction, an exponent, an empty text) throws fieldsync::Exception
// with the quoted integer message (core/CoreMessages.h).
int32_t JSONTextToInt32(std::u16string_view text);
int64_t JSONTextToInt64(std::u16string_view text);

// An optional sign, digits with an optional "." and fraction (at least one
// digit in all), an optional exponent (e or E, optional sign, digits); no
// blanks. Overflow and anything else throw fieldsync::Exception with
// the floating-point message (core/CoreMessages.h); the Try form answers false instead.
double JSONTextToDouble(std::u16string_view text);
bool TryJSONTextToDouble(std::u16string_view text, double& value);

}  // namespace fieldsync
