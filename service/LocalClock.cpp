// The server's local calendar date and time of day, as the write methods
// store them; the local-time conversion itself is the core's (Now()).
#include "core/Regional.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

TDBXDate Today() {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(Now(), year, month, day, hour, minute, second, millisecond);
  return TDBXDate{year, month, day};
}

TDBXTime TimeOfDayNow() {
  int year, month, day, hour, minute, second, millisecond;
  DecodeDateTime(Now(), year, month, day, hour, minute, second, millisecond);
  return TDBXTime{hour, minute, second, 0};
}

}  // namespace fieldsync
