#include "http/internal/HttpDate.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/NumberText.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

int MonthOf(std::string_view word) {
  if (word.size() < 3) return 0;
  for (int i = 0; i < 12; ++i)
    if (SameTextAscii(word.substr(0, 3), MonthNames[i])) return i + 1;
  return 0;
}

// A number of one to nine digits (no sign, no blanks); -1 for anything else.
int DigitsValue(std::string_view s) {
  if (s.size() > 9) return -1;
  const auto value = DigitsToUInt64(s);
  return value ? static_cast<int>(*value) : -1;
}

// "hh:nn" or "hh:nn:ss", each part digits only; false for anything else.
bool ParseClock(std::string_view w, int& hour, int& minute, int& second) {
  int parts[3] = {0, 0, 0};
  size_t count = 0;
  for (size_t from = 0; from <= w.size();) {
    const size_t colon = std::min(w.find(':', from), w.size());
    if (count == 3) return false;
    parts[count] = DigitsValue(w.substr(from, colon - from));
    if (parts[count++] < 0) return false;
    from = colon + 1;
  }
  if (count < 2) return false;
  hour = parts[0], minute = parts[1], second = parts[2];
  return true;
}

}  // namespace

TDateTime ParseHttpDate(std::string_view text) {
  // Words are separated by blanks and commas; "06-Nov-94" (RFC 850) is
  // three words. A word starting with "+" or "-" is a numeric zone.
  std::vector<std::string> words;
  std::string word;
  auto flush = [&] {
    if (word.empty()) return;
    if (word[0] != '-' && word.find('-') != std::string::npos) {
      size_t from = 0;
      for (size_t at; (at = word.find('-', from)) != std::string::npos; from = at + 1)
        words.push_back(word.substr(from, at - from));
      words.push_back(word.substr(from));
    } else {
      words.push_back(word);
    }
    word.clear();
  };
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t') flush();
    else word.push_back(c);
  }
  flush();

  int day = 0, month = 0, year = -1, hour = -1, minute = 0, second = 0;
  int zoneMinutes = 0;
  for (const std::string& w : words) {
    if (w.empty()) continue;
    if (w.find(':') != std::string::npos) {
      if (!ParseClock(w, hour, minute, second)) return -1;
    } else if ((w[0] == '+' || w[0] == '-') && w.size() == 5 && DigitsValue(w.substr(1)) >= 0) {
      const int v = DigitsValue(w.substr(1));
      zoneMinutes = (v / 100 * 60 + v % 100) * (w[0] == '-' ? -1 : 1);
    } else if (w.find_first_not_of("0123456789") == std::string::npos) {
      const int v = DigitsValue(w);
      if (v < 0) return -1;  // a year of ten or more digits
      if (day == 0 && w.size() <= 2) day = v;
      else year = v;
    } else if (int m = MonthOf(w); m != 0) {
      month = m;
    }
  }
  if (day < 1 || day > 31 || month == 0 || year < 0 || hour < 0 || hour > 23 || minute > 59 ||
      second > 60)
    return -1;
  if (year < 100) year += year < 50 ? 2000 : 1900;
  if (second == 60) second = 59;
  return EncodeDateTime(year, month, day, hour, minute, second) -
         static_cast<double>(zoneMinutes) / 1440.0;
}

std::string FormatHttpDate(TDateTime utc) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(utc, y, m, d, h, n, s, ms);
  const int64_t days = DateTimeToUnix(utc) / 86400;
  const int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 01/01/1970 was a Thursday
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d GMT", DayNames[weekday],
                d, MonthNames[m - 1], y, h, n, s);
  return buffer;
}

}  // namespace fieldsync
