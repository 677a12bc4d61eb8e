#include "service/internal/SqlText.h"

#include <chrono>

#include "core/Error.h"
#include "core/Text.h"
#include "service/ServiceMessages.h"

namespace fieldsync {


std::u16string Q(int32_t value) {
  std::u16string quoted(1, u'\'');
  quoted += Latin1ToUtf16(std::to_string(value));
  quoted += u'\'';
  return quoted;
}

std::u16string S(std::u16string_view text) {
  std::u16string quoted;
  quoted.reserve(text.size() + 2);
  quoted += u'\'';
  for (char16_t c : text) {
    if (c == u'\'') quoted += u'\'';
    quoted += c;
  }
  quoted += u'\'';
  return quoted;
}

std::u16string FillSql(std::u16string_view pattern, std::initializer_list<std::u16string_view> args) {
  std::u16string sql;
  size_t used = 0;  // bit i set when marker {i} occurred
  size_t pos = 0;
  while (pos < pattern.size()) {
    const size_t open = pattern.find(u'{', pos);
    if (open == std::u16string_view::npos) {
      sql.append(pattern.substr(pos));
      break;
    }
    sql.append(pattern.substr(pos, open - pos));
    if (open + 2 >= pattern.size() || pattern[open + 2] != u'}' || pattern[open + 1] < u'0' ||
        pattern[open + 1] > u'9')
      throw Exception("Malformed SQL marker");
    const size_t index = static_cast<size_t>(pattern[open + 1] - u'0');
    if (index >= args.size()) throw Exception("SQL marker without argument");
    sql.append(args.begin()[index]);
    used |= size_t{1} << index;
    pos = open + 3;
  }
  if (used != (size_t{1} << args.size()) - 1) throw Exception("SQL argument without marker");
  return sql;
}

namespace {

bool ParseNumber(std::u16string_view text, size_t& pos, size_t minDigits, size_t maxDigits, int& value) {
  size_t digits = 0;
  value = 0;
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9' && digits < maxDigits) {
    value = value * 10 + (text[pos] - u'0');
    ++pos;
    ++digits;
  }
  return digits >= minDigits;
}

}  // namespace

TDBXDate StrToDate(std::u16string_view text) {
  auto fail = [&]() -> TDBXDate {
    throw Exception(FormatText(InvalidDateMessage, {Utf16ToUtf8(text)}));
  };
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  const std::u16string_view date = text.substr(begin, end - begin);
  size_t pos = 0;
  int day = 0, month = 0, year = 0;
  if (!ParseNumber(date, pos, 1, 2, day) || pos >= date.size() || date[pos++] != u'/') return fail();
  if (!ParseNumber(date, pos, 1, 2, month) || pos >= date.size() || date[pos++] != u'/') return fail();
  if (!ParseNumber(date, pos, 4, 4, year) || pos != date.size()) return fail();
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                        std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 1 || !ymd.ok()) return fail();
  return TDBXDate{year, month, day};
}

}  // namespace fieldsync
