#include "activity/Activity.h"

#include "core/Error.h"
#include "core/Platform.h"

namespace fieldsync {

namespace {

constexpr const char* RecordsVariable = "FIELDSYNC_ACTIVITY_RECORDS";
constexpr const char* BadRecordsMessage = "%s must be a whole number from 0 to %s, not \"%s\"";

}  // namespace

TActivity::TActivity(size_t records) : FLog(records) {}

void TActivity::Record(const TRequestRecord& record) {
  if (!Enabled()) return;
  FMetrics.Observe(MethodLabel(record), record.Status, record.DurationUs);
  if (!record.Unlisted) FLog.Add(record);
}

std::string_view MethodLabel(const TRequestRecord& record) {
  if (record.MethodResolved) return record.MethodName.View();
  if (!record.MethodName.Empty()) return TActivity::UnknownMethodLabel;
  return TActivity::NoMethodLabel;
}

size_t ActivityRecordsFromEnvironment() {
  const std::string text = EnvironmentVariable(RecordsVariable);
  if (text.empty()) return TActivity::DefaultRecords;
  const bool digits = text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoul(text) > TActivity::MaxRecords)
    throw Exception(FormatText(BadRecordsMessage, {RecordsVariable, std::to_string(TActivity::MaxRecords), text}));
  return std::stoul(text);
}

TActivity& Activity() {
  static TActivity activity(ActivityRecordsFromEnvironment());
  return activity;
}

}  // namespace fieldsync
