#pragma once
// Numbers read from and written to text: every place that takes an integer
// or a fraction from a request, a file, a definition or the environment
// reads it here, and every fraction written for people goes through here,
// so that one text means the same number everywhere. Nothing here depends
// on the C locale (the operator's window lets the GUI library set it from
// the environment, and branches run with a decimal comma), and no text is
// silently read as 0: a text that is not a number answers std::nullopt and
// the caller raises its own message.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fieldsync {

// An optional "+" or "-" and then decimal digits, nothing else: no blanks,
// no "0x", no fraction, no group separators. A number outside the type's
// range answers nothing.
std::optional<int64_t> TextToInt64(std::string_view text);
std::optional<int64_t> TextToInt64(std::u16string_view text);
std::optional<int32_t> TextToInt32(std::string_view text);
std::optional<int32_t> TextToInt32(std::u16string_view text);

// Decimal digits only (no sign), as lengths and counts are written; a
// number past 2^64 - 1 answers nothing.
std::optional<uint64_t> DigitsToUInt64(std::string_view text);

// A decimal fraction with a point, as HTTP and JSON write them: an
// optional "-", digits with an optional "." and fraction, an optional
// exponent ("0.5", "1", ".5", "2e-3"); nothing else (no blanks, no comma, no
// "inf" or hexadecimal).
std::optional<double> TextToDouble(std::string_view text);

// `value` with `decimals` digits after a point, rounded to nearest ("1.5",
// "0.125"), whatever the locale.
std::string FixedText(double value, int decimals);

// The text without the spaces and tabs before it, for the readers that
// allow them ("  12").
std::u16string_view SkipLeadingBlanks(std::u16string_view text);

}  // namespace fieldsync
