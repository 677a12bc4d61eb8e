#include "json/JSONNumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr int SignificantDigits = 15;
// Plain form for decimal exponents in this range (value = 0.d1d2... x 10^E).
constexpr int PlainExponentMin = -3;
constexpr int PlainExponentMax = 15;

[[noreturn]] void ThrowConversion(std::string_view message, std::u16string_view text) {
  throw Exception(FormatText(message, {Utf16ToUtf8(text)}));
}

// Narrows text that holds only ASCII; false otherwise.
bool NarrowAscii(std::u16string_view text, std::string& out) {
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] >= 0x80) return false;
    out[i] = static_cast<char>(text[i]);
  }
  return true;
}

// The floating-point grammar of JSONTextToDouble.
bool IsFloatText(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

// Roughly log10 of the magnitude of a text that IsFloatText accepted: the
// position of its first significant digit relative to the decimal point,
// plus the exponent. Tells an overflow from an underflow.
long DecimalMagnitude(std::string_view s) {
  size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  long position = 0;
  bool significant = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (s[i] != '0') significant = true;
    if (significant) ++position;
  }
  if (i < s.size() && s[i] == '.') {
    for (++i; !significant && i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      if (s[i] != '0') significant = true;
      else --position;
    }
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  }
  long exponent = 0;
  if (i < s.size()) {
    const bool negative = s[i + 1] == '-';
    for (i += (s[i + 1] == '+' || s[i + 1] == '-') ? 2 : 1; i < s.size(); ++i)
      if (exponent < 100000000) exponent = exponent * 10 + (s[i] - '0');
    if (negative) exponent = -exponent;
  }
  return position + exponent;
}

}  // namespace

std::string JSONFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";

  // d.dddddddddddddde[+-]x: correctly rounded to 15 significant digits.
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                               SignificantDigits - 1);
  const std::string_view sci(buf, static_cast<size_t>(r.ptr - buf));
  const bool negative = sci[0] == '-';
  const size_t ePos = sci.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (sci[i] != '.') digits.push_back(sci[i]);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  // to_chars always writes a signed exponent ("e+05", "e-12").
  const int32_t exp10 = TextToInt32(sci.substr(ePos + 1)).value();
  const int e = exp10 + 1;

  std::string out;
  if (negative) out.push_back('-');
  if (e >= PlainExponentMin && e <= PlainExponentMax) {
    if (e <= 0) {
      out += "0.";
      out.append(static_cast<size_t>(-e), '0');
      out += digits;
    } else {
      const auto whole = static_cast<size_t>(e);
      if (digits.size() <= whole) {
        out += digits;
        out.append(whole - digits.size(), '0');
      } else {
        out.append(digits, 0, whole);
        out.push_back('.');
        out.append(digits, whole);
      }
    }
  } else {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1);
    }
    out.push_back('E');
    out += std::to_string(e - 1);
  }
  return out;
}

std::string JSONIntText(int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

int64_t JSONTextToInt64(std::u16string_view text) {
  const auto value = TextToInt64(text);
  if (!value) ThrowConversion(InvalidIntegerQuotedMessage, text);
  return *value;
}

int32_t JSONTextToInt32(std::u16string_view text) {
  const auto value = TextToInt32(text);
  if (!value) ThrowConversion(InvalidIntegerQuotedMessage, text);
  return *value;
}

bool TryJSONTextToDouble(std::u16string_view text, double& value) {
  std::string s;
  if (!NarrowAscii(text, s) || !IsFloatText(s)) return false;
  const char* first = s.data();
  if (*first == '+') ++first;
  double parsed = 0;
  const auto r = std::from_chars(first, s.data() + s.size(), parsed, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero (of the text's sign); overflow does not convert.
    if (DecimalMagnitude(s) > 0) return false;
    value = s[0] == '-' ? -0.0 : 0.0;
    return true;
  }
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  value = parsed;
  return true;
}

double JSONTextToDouble(std::u16string_view text) {
  double value = 0;
  if (!TryJSONTextToDouble(text, value)) ThrowConversion(InvalidFloatMessage, text);
  return value;
}

}  // namespace fieldsync
