#pragma once
// Date and time as the system keeps them (a day count from 30/12/1899 with
// the time as its fraction, local time unless said otherwise) and their
// texts in the program's regional settings: short date dd/mm/yyyy, long time
// hh:nn:ss.

#include <cstdint>
#include <string>

namespace fieldsync {

using TDateTime = double;

// Days from 30/12/1899 to 01/01/1970.
constexpr double UnixDateDelta = 25569.0;

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int millisecond = 0);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond);

// Whole seconds since 01/01/1970 in UTC to a UTC date-time and back.
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime value);

// The current local date and time.
TDateTime Now();
// Conversions between local time and UTC at the given moment.
TDateTime LocalToUtc(TDateTime local);
TDateTime UtcToLocal(TDateTime utc);

// "dd/mm/yyyy".
std::string FormatShortDate(TDateTime value);
// "hh:nn:ss".
std::string FormatLongTime(TDateTime value);
// The date, then a blank and the time unless the time is exactly midnight.
std::string DateTimeToStr(TDateTime value);

}  // namespace fieldsync
