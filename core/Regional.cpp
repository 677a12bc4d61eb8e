#include "core/Regional.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/Platform.h"

namespace fieldsync {

namespace {

// Days from 01/01/1970 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

// Milliseconds since 30/12/1899 00:00, rounded to the nearest.
int64_t ToMilliseconds(TDateTime value) {
  return static_cast<int64_t>(std::llround(value * 86400000.0));
}

// Seconds that local time is ahead of UTC at the UTC moment `t`.
int64_t UtcOffsetAt(time_t t) {
  std::tm local{};
  if (!LocalBreakdown(t, local)) return 0;
  const int64_t localDays = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const int64_t localSeconds =
      localDays * 86400 + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  return localSeconds - static_cast<int64_t>(t);
}

// A date's or a time's three fields in their fixed-width text.
std::string FormatThreeFields(const char* format, int first, int second, int third) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, first, second, third);
  return buffer;
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month),
                                     static_cast<unsigned>(day));
  const double fraction = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) /
                          86400000.0;
  return static_cast<double>(days) + UnixDateDelta + fraction;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond) {
  const int64_t ms = ToMilliseconds(value);
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) rest += 86400000, --days;
  CivilFromDays(days - static_cast<int64_t>(UnixDateDelta), year, month, day);
  hour = static_cast<int>(rest / 3600000);
  minute = static_cast<int>(rest / 60000 % 60);
  second = static_cast<int>(rest / 1000 % 60);
  millisecond = static_cast<int>(rest % 1000);
}

TDateTime UnixToDateTime(int64_t seconds) {
  return UnixDateDelta + static_cast<double>(seconds) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime value) {
  return static_cast<int64_t>(std::floor(static_cast<double>(ToMilliseconds(value) + 500) / 1000.0)) -
         static_cast<int64_t>(UnixDateDelta) * 86400;
}

TDateTime Now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  const int64_t offset = UtcOffsetAt(static_cast<time_t>(ms / 1000));
  return UnixDateDelta + static_cast<double>(ms + offset * 1000) / 86400000.0;
}

TDateTime LocalToUtc(TDateTime local) {
  // The offset at the local moment read as UTC is right except within the
  // hour of a change; a second look settles it.
  const int64_t asUtc = DateTimeToUnix(local);
  int64_t offset = UtcOffsetAt(static_cast<time_t>(asUtc));
  offset = UtcOffsetAt(static_cast<time_t>(asUtc - offset));
  return local - static_cast<double>(offset) / 86400.0;
}

TDateTime UtcToLocal(TDateTime utc) {
  const int64_t offset = UtcOffsetAt(static_cast<time_t>(DateTimeToUnix(utc)));
  return utc + static_cast<double>(offset) / 86400.0;
}

std::string FormatShortDate(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  return FormatThreeFields("%02d/%02d/%04d", d, m, y);
}

std::string FormatLongTime(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  return FormatThreeFields("%02d:%02d:%02d", h, n, s);
}

std::string DateTimeToStr(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  std::string text = FormatShortDate(value);
  if (h != 0 || n != 0 || s != 0) text += " " + FormatLongTime(value);
  return text;
}

}  // namespace fieldsync
