#pragma once
// HTTP dates: "Sun, 06 Nov 1994 08:49:37 GMT" and the two older forms
// (RFC 850 and asctime), in UTC.

#include <string>
#include <string_view>

#include "core/Regional.h"

namespace fieldsync {

// The date in UTC; -1 when the text is empty or not a date.
TDateTime ParseHttpDate(std::string_view text);
// "Www, dd Mmm yyyy hh:nn:ss GMT" for a UTC date-time.
std::string FormatHttpDate(TDateTime utc);

}  // namespace fieldsync
