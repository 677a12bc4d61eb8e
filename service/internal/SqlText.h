#pragma once
// Building blocks of the SQL texts that the read methods assemble at run time,
// and the conversion of the dates that the handheld sends as text.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "db/DBXTypes.h"
#include "service/ServiceMessages.h"

namespace fieldsync {

// An integer as a quoted SQL literal: Q(42) is '42', Q(-7) is '-7'. Integers
// always reach the SQL text quoted, never bare.
std::u16string Q(int32_t value);

// A text as a quoted SQL literal with every single quote doubled:
// S(u"O'Neil") is 'O''Neil', S(u"") is ''. The argument cannot end the
// literal early.
std::u16string S(std::u16string_view text);

// Replaces each marker "{0}" .. "{9}" of `pattern` with the argument of that
// index (already quoted with Q or S). A marker without an argument, or an
// argument without a marker, is a programming error and raises Exception.
std::u16string FillSql(std::u16string_view pattern, std::initializer_list<std::u16string_view> args);

// Converts a date in the regional short-date form dd/mm/yyyy (day and month
// may have one digit; blanks around the text are ignored) to a calendar date.
// Anything else, including a day that the month does not have, raises
// Exception with InvalidDateMessage ("''%s'' is not a valid date") naming
// the text.
TDBXDate StrToDate(std::u16string_view text);

// The server's local calendar date, and its local time of day (no date part).
TDBXDate Today();
TDBXTime TimeOfDayNow();

}  // namespace fieldsync
