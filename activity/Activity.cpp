#include "activity/Activity.h"

#include "activity/ActivityMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"

namespace fieldsync {

namespace {

constexpr const char* RecordsVariable = "FIELDSYNC_ACTIVITY_RECORDS";

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
  // Digits only, at most 9 of them.
  const auto records = text.size() <= 9 ? DigitsToUInt64(text) : std::nullopt;
  if (!records || *records > TActivity::MaxRecords)
    throw Exception(FormatText(BadRecordsMessage, {RecordsVariable, std::to_string(TActivity::MaxRecords), text}));
  return static_cast<size_t>(*records);
}

TActivity& Activity() {
  static TActivity activity(ActivityRecordsFromEnvironment());
  return activity;
}

}  // namespace fieldsync
