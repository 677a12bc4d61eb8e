#include "http/internal/HttpDate.h"

#include <cctype>
#include <cstdio>
#include <vector>

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

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Digits of at most 9 characters, so that the value fits an int.
int ToInt(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

// "h:m" or "h:m:s", each one or two digits; false for anything else.
bool ReadTime(std::string_view w, int& hour, int& minute, int& second) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  size_t from = 0;
  while (true) {
    const size_t colon = w.find(':', from);
    const std::string_view part = w.substr(from, colon == std::string_view::npos ? w.npos : colon - from);
    if (count == 3 || part.size() > 2 || !AllDigits(part)) return false;
    parts[count++] = ToInt(part);
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }
  if (count < 2) return false;
  hour = parts[0], minute = parts[1], second = parts[2];
  return true;
}

int DaysInMonth(int year, int month) {
  static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : Days[month - 1];
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
      if (!ReadTime(w, hour, minute, second)) return -1;
    } else if ((w[0] == '+' || w[0] == '-') && w.size() == 5 && AllDigits(w.substr(1))) {
      const int v = ToInt(w.substr(1));
      zoneMinutes = (v / 100 * 60 + v % 100) * (w[0] == '-' ? -1 : 1);
    } else if (AllDigits(w)) {
      if (w.size() > 4) return -1;  // no year of the calendar the service keeps
      const int v = ToInt(w);
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
  if (day > DaysInMonth(year, month)) return -1;
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
