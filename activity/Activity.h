#pragma once
// The program's record of what its callers did: the recent request records
// that the operator's page lists and the counters that the metrics page
// writes. Made on first use; FIELDSYNC_ACTIVITY_RECORDS sets how many
// records are held (default 10000, 0 turns recording off).
//
// Thread-safe: Record is called by every request thread at once.

#include <cstdint>
#include <string>
#include <string_view>

#include "activity/ActivityLog.h"
#include "activity/RequestMetrics.h"
#include "activity/RequestRecord.h"

namespace fieldsync {

class TActivity {
 public:
  static constexpr size_t DefaultRecords = 10000;
  static constexpr size_t MaxRecords = 200000;
  // Metric labels of requests that called no server method, and of calls
  // whose method does not exist.
  static constexpr const char* NoMethodLabel = "(none)";
  static constexpr const char* UnknownMethodLabel = "(unknown)";

  // Holds the last `records` records; 0 records nothing at all.
  explicit TActivity(size_t records);

  bool Enabled() const { return FLog.Capacity() > 0; }

  // Takes the record of an answered request: counts it, and keeps it in the
  // log unless it is unlisted.
  void Record(const TRequestRecord& record);

  const TActivityLog& Log() const { return FLog; }
  const TRequestMetrics& Metrics() const { return FMetrics; }

 private:
  TActivityLog FLog;
  TRequestMetrics FMetrics;
};

// The label a record is counted under: its server method, or one of the
// two labels above.
std::string_view MethodLabel(const TRequestRecord& record);

// FIELDSYNC_ACTIVITY_RECORDS: unset or empty gives the default; anything
// but a whole number from 0 to MaxRecords raises.
size_t ActivityRecordsFromEnvironment();

// The program's activity, made on first use with the size from the
// environment (which may raise then).
TActivity& Activity();

}  // namespace fieldsync
