// The server's local calendar date and time of day. The one place of the
// service that needs the C library's local-time conversion, which differs
// between systems.
#include <ctime>

#include "service/internal/SqlText.h"

namespace fieldsync {

namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

}  // namespace

TDBXDate Today() {
  const std::tm local = LocalNow();
  return TDBXDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

TDBXTime TimeOfDayNow() {
  const std::tm local = LocalNow();
  return TDBXTime{local.tm_hour, local.tm_min, local.tm_sec, 0};
}

}  // namespace fieldsync
