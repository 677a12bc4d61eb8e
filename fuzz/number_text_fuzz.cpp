// libFuzzer target for the service's date and number texts: the JSON number
// texts (JSONTextToInt32/64, JSONTextToDouble, JSONFloatText), the REST
// argument numbers (ParseIntegerText, ParseFloatText), Currency, the
// handheld's short dates (StrToDate), HTTP dates and the regional date
// texts. Traps when a property breaks:
// - the throwing and the answering forms agree;
// - a number's own text reads back to the same number (a double to 15
//   significant digits), a date's own text to the same date;
// - no text is longer than its bound.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "core/Currency.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Regional.h"
#include "core/Text.h"
#include "http/internal/HttpDate.h"
#include "json/JSONNumberText.h"
#include "rest/DSConvert.h"
#include "service/internal/SqlText.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

std::u16string Ascii(std::string_view text) { return Latin1ToUtf16(text); }

bool Close(double a, double b) {
  if (a == b) return true;
  return std::fabs(a - b) <= 1e-14 * std::max(std::fabs(a), std::fabs(b));
}

void Integers(const std::u16string& text) {
  try {
    const int32_t value = JSONTextToInt32(text);
    Check(JSONTextToInt32(Ascii(JSONIntText(value))) == value);
    Check(JSONTextToInt64(text) == value);
  } catch (const Exception&) {
  }
  try {
    const int64_t value = JSONTextToInt64(text);
    Check(JSONTextToInt64(Ascii(JSONIntText(value))) == value);
  } catch (const Exception&) {
  }
  if (const auto value = TextToInt32(SkipLeadingBlanks(text))) Check(TextToInt32(Ascii(JSONIntText(*value))) == value);
}

void Doubles(const std::u16string& text) {
  double tried = 0;
  const bool ok = TryJSONTextToDouble(text, tried);
  try {
    const double value = JSONTextToDouble(text);
    Check(ok && (value == tried || (std::isnan(value) && std::isnan(tried))));
  } catch (const Exception&) {
    Check(!ok);
  }
  if (const auto value = ParseFloatText(text)) {
    Check(std::isfinite(*value));
    // Below 1e11 a double holds four decimals exactly enough to round-trip.
    if (std::fabs(*value) >= 1e11) return;
    try {
      const TCurrency currency = TCurrency::FromDouble(*value);
      const std::string back = currency.ToString();
      Check(back.size() <= 26);
      Check(TCurrency::FromDouble(*ParseFloatText(Ascii(back))) == currency);
    } catch (const Exception&) {
    }
  }
}

void FloatText(double value) {
  const std::string text = JSONFloatText(value);
  Check(text.size() <= 24);
  // Past 1.79769313486231E308 the text's 15 digits round beyond the
  // largest double, so the text does not read back (overflow).
  if (!std::isfinite(value) || std::fabs(value) >= 1.797693134862315e308) return;
  double back = 0;
  Check(TryJSONTextToDouble(Ascii(text), back));
  Check(Close(back, value));
  Check(JSONFloatText(back) == text);
}

void Dates(const std::u16string& text, std::string_view bytes) {
  try {
    const TDBXDate date = StrToDate(text);
    Check(date.Month >= 1 && date.Month <= 12 && date.Day >= 1 && date.Day <= 31);
    const std::string again = FormatShortDate(EncodeDateTime(date.Year, date.Month, date.Day));
    Check(StrToDate(Ascii(again)) == date);
  } catch (const Exception&) {
  }
  const TDateTime http = ParseHttpDate(bytes);
  if (http != -1) {
    const std::string again = FormatHttpDate(http);
    Check(std::fabs(ParseHttpDate(again) - http) < 1.0 / 86400);
  }
}

void Moments(int64_t seconds) {
  // Years 1 to 9999 hold the service's dates.
  seconds %= 253402300800;
  if (seconds < -62135596800) return;
  const TDateTime moment = UnixToDateTime(seconds);
  Check(DateTimeToUnix(moment) == seconds);
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(moment, year, month, day, hour, minute, second, millisecond);
  // The same moment, to the millisecond (day fractions are not exact).
  Check(std::fabs(EncodeDateTime(year, month, day, hour, minute, second, millisecond) - moment) <
        0.5 / 86400000);
  Check(DateTimeToStr(moment).size() <= 19);
  Check(FormatHttpDate(moment).size() == 29);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  for (const std::u16string& text : {Ascii(bytes), Utf8ToUtf16(bytes)}) {
    Integers(text);
    Doubles(text);
    Dates(text, bytes);
  }
  if (size >= 8) {
    uint64_t bits = 0;
    std::memcpy(&bits, data, 8);
    FloatText(std::bit_cast<double>(bits));
    Moments(static_cast<int64_t>(bits));
  }
  return 0;
}
