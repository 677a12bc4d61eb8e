#include "core/NumberText.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace fieldsync {

namespace {

template <typename Char>
std::optional<int64_t> SignedDigits(std::basic_string_view<Char> text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == Char('+') || text[i] == Char('-'))) negative = text[i++] == Char('-');
  if (i == text.size()) return std::nullopt;
  // Accumulated as a negative number so that the minimum value fits.
  constexpr int64_t Min = std::numeric_limits<int64_t>::min();
  int64_t acc = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < Char('0') || text[i] > Char('9')) return std::nullopt;
    const int digit = static_cast<int>(text[i] - Char('0'));
    if (acc < (Min + digit) / 10) return std::nullopt;
    acc = acc * 10 - digit;
  }
  if (negative) return acc;
  if (acc == Min) return std::nullopt;
  return -acc;
}

template <typename Char>
std::optional<int32_t> NarrowToInt32(std::basic_string_view<Char> text) {
  const auto value = SignedDigits(text);
  if (!value || *value < std::numeric_limits<int32_t>::min() || *value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(*value);
}

}  // namespace

std::optional<int64_t> TextToInt64(std::string_view text) { return SignedDigits(text); }
std::optional<int64_t> TextToInt64(std::u16string_view text) { return SignedDigits(text); }
std::optional<int32_t> TextToInt32(std::string_view text) { return NarrowToInt32(text); }
std::optional<int32_t> TextToInt32(std::u16string_view text) { return NarrowToInt32(text); }

std::optional<uint64_t> DigitsToUInt64(std::string_view text) {
  if (text.empty()) return std::nullopt;
  constexpr uint64_t Max = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (Max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::u16string_view SkipLeadingBlanks(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  return text.substr(i);
}

std::optional<double> TextToDouble(std::string_view text) {
  // from_chars takes no "+", and reads "inf", "nan" and hexadecimal forms,
  // which are no numbers here.
  if (text.empty() || text[0] == '+') return std::nullopt;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
      return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string FixedText(double value, int decimals) {
  char text[400];  // the widest double in fixed notation, with its fraction
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return "0";
  return std::string(text, end);
}

}  // namespace fieldsync
