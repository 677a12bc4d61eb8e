#include "activity/ActivityReport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "activity/Activity.h"
#include "core/NumberText.h"
#include "core/Regional.h"

namespace fieldsync {

namespace {

TDateTime LocalDateTime(int64_t unixUs) {
  const int64_t seconds = unixUs >= 0 ? unixUs / 1000000 : -((-unixUs + 999999) / 1000000);
  const int64_t micros = unixUs - seconds * 1000000;
  return UtcToLocal(UnixToDateTime(seconds)) + static_cast<double>(micros) / 86400e6;
}

bool Succeeded(const TRequestRecord& record) { return record.Status >= 200 && record.Status < 300; }

bool SucceededUpload(const TRequestRecord& record) {
  return record.WriteMethod && Succeeded(record) && record.WriteResult == TWriteResult::True;
}

bool IsRESTCaller(const TRequestRecord& record) {
  return !record.MethodName.Empty() || !record.SessionId.Empty();
}

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  if (rank == 0) rank = 1;
  return sorted[std::min(rank, sorted.size()) - 1];
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The id a representative's text stands for: a whole number, or the name
// of a representative.
std::optional<int32_t> IdOf(std::string_view text, const TRepresentativeList& names) {
  if (text.size() <= 9)
    if (const auto digits = DigitsToUInt64(text)) return static_cast<int32_t>(*digits);
  for (const TRepresentative& row : names.Rows)
    if (!row.Name.empty() && Trimmed(row.Name) == text) return row.Id;
  return std::nullopt;
}

template <class T>
void PutFirst(std::vector<T>& list, const T& value) {
  const auto it = std::find(list.begin(), list.end(), value);
  if (it != list.end()) list.erase(it);
  list.insert(list.begin(), value);
}

// Gathers one row's calls; Close fills what needs them all.
struct TRowBuilder {
  TSyncRow Row;
  std::set<std::string> Sessions;
  std::array<std::set<uint64_t>, UploadKindCount> Uploads;
  std::vector<size_t> Writes;  // record indexes of its write calls

  void Add(const TRequestRecord& record, size_t index, int64_t today) {
    if (!record.SessionId.Empty()) {
      Sessions.insert(record.SessionId.Str());
      Row.LastSession = record.SessionId.Str();
    }
    PutFirst(Row.Addresses, record.RemoteAddr.Str());
    if (const std::string_view user = RecordUser(record); !user.empty()) PutFirst(Row.Users, std::string(user));
    Row.LastCall = index;
    const bool isToday = LocalDay(record.StartUnixUs) == today;
    if (isToday) ++Row.CallsToday;
    if (record.MethodResolved && record.Download && Succeeded(record))
      Row.LastDownloads[static_cast<size_t>(*record.Download)] = static_cast<int64_t>(index);
    TUploadKind upload;
    if (isToday && SucceededUpload(record) && UploadKindOf(record.MethodName.View(), upload))
      Uploads[static_cast<size_t>(upload)].insert(record.UploadKey);
    if (record.WriteMethod) Writes.push_back(index);
  }

  // The failed uploads that no later success of the same method with the
  // same identifying arguments has put right.
  void Close(const std::vector<TRequestRecord>& records) {
    Row.Sessions = Sessions.size();
    for (size_t k = 0; k < UploadKindCount; ++k) Row.UploadsToday[k] = Uploads[k].size();
    std::set<std::pair<std::string_view, uint64_t>> putRight;
    for (auto it = Writes.rbegin(); it != Writes.rend(); ++it) {
      const TRequestRecord& write = records[*it];
      const std::pair<std::string_view, uint64_t> upload{write.MethodName.View(), write.UploadKey};
      if (SucceededUpload(write)) putRight.insert(upload);
      else if (IsFailedUpload(write) && !putRight.count(upload)) Row.FailedUploads.push_back(*it);
    }
    std::reverse(Row.FailedUploads.begin(), Row.FailedUploads.end());
  }
};

}  // namespace

int64_t LocalDay(int64_t unixUs) { return static_cast<int64_t>(std::floor(LocalDateTime(unixUs))); }

bool IsFailedUpload(const TRequestRecord& record) {
  return record.WriteMethod && (record.WriteResult == TWriteResult::False || record.Status >= 400);
}

bool IsError(const TRequestRecord& record) {
  return record.Status >= 400 || record.Status == 0 || record.WriteResult == TWriteResult::False;
}

// The logged-in user of the call; empty without a login.
std::string_view RecordUser(const TRequestRecord& record) { return record.UserName.View(); }

std::string LocalTimeText(int64_t unixUs) {
  const TDateTime local = LocalDateTime(unixUs);
  return FormatShortDate(local) + " " + FormatLongTime(local);
}

std::string LocalIsoText(int64_t unixUs) {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(LocalDateTime(unixUs), year, month, day, hour, minute, second, ms);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day, hour, minute, second, ms);
  return text;
}

namespace {

// The representative of each record: its own, its session's, or none.
std::vector<std::string> RepresentativeKeys(const std::vector<TRequestRecord>& records,
                                            const TRepresentativeList& names) {
  std::vector<std::string> keys(records.size());
  std::map<std::string, std::string> sessionKeys;
  for (size_t i = 0; i < records.size(); ++i) {
    const std::string_view text = Trimmed(records[i].Representative.View());
    if (text.empty() || !IsRESTCaller(records[i])) continue;
    const auto id = IdOf(text, names);
    keys[i] = id ? std::to_string(*id) : std::string(text);
    if (!records[i].SessionId.Empty()) sessionKeys[records[i].SessionId.Str()] = keys[i];
  }
  for (size_t i = 0; i < records.size(); ++i) {
    if (!keys[i].empty() || records[i].SessionId.Empty()) continue;
    const auto it = sessionKeys.find(records[i].SessionId.Str());
    if (it != sessionKeys.end()) keys[i] = it->second;
  }
  return keys;
}

std::vector<TSyncRow> Rows(std::map<std::string, TRowBuilder>& builders, const std::vector<TRequestRecord>& records) {
  std::vector<TSyncRow> rows;
  for (auto& [key, builder] : builders) {
    builder.Close(records);
    rows.push_back(std::move(builder.Row));
  }
  std::stable_sort(rows.begin(), rows.end(), [](const TSyncRow& a, const TSyncRow& b) { return a.LastCall > b.LastCall; });
  return rows;
}

void AddNotSynced(TActivityReport& report) {
  std::map<std::string, TNotSynced> notSynced;
  std::set<std::string> seenToday;
  for (const TSyncRow& row : report.Representatives) {
    const TRepresentative* known = row.HasId ? report.Names.Find(row.Id) : nullptr;
    if (known && known->Deleted) continue;
    if (row.CallsToday > 0) seenToday.insert(row.Representative);
    if (row.CallsToday > 0 && row.FailedUploads.empty()) ++report.SyncedToday;
    if (row.FailedUploads.empty()) continue;
    TNotSynced& entry = notSynced[row.Representative];
    entry.Representative = row.Representative;
    entry.Name = row.Name;
    entry.FailedUploads = row.FailedUploads.size();
    entry.NoCallToday = row.CallsToday == 0;
    entry.LastCall = static_cast<int64_t>(row.LastCall);
  }
  for (const TRepresentative& known : report.Names.Rows) {
    const std::string key = std::to_string(known.Id);
    if (known.Deleted || !known.OfBranch || seenToday.count(key)) continue;
    TNotSynced& entry = notSynced[key];
    entry.Representative = key;
    entry.Name = known.Name;
    entry.NoCallToday = true;
  }
  for (TSyncRow& row : report.Representatives) {
    const auto it = notSynced.find(row.Representative);
    if (it != notSynced.end() && it->second.LastCall < 0) it->second.LastCall = static_cast<int64_t>(row.LastCall);
  }
  std::vector<TNotSynced> list;
  for (auto& [key, entry] : notSynced) list.push_back(std::move(entry));
  // Representatives by id, then the texts of devices.
  std::stable_sort(list.begin(), list.end(), [](const TNotSynced& a, const TNotSynced& b) {
    const bool aId = DigitsToUInt64(a.Representative).has_value(), bId = DigitsToUInt64(b.Representative).has_value();
    if (aId != bId) return aId;
    if (aId) return *DigitsToUInt64(a.Representative) < *DigitsToUInt64(b.Representative);
    return a.Representative < b.Representative;
  });
  report.NotSyncedToday = std::move(list);
}

}  // namespace

TActivityReport BuildActivityReport(std::vector<TRequestRecord> records, size_t capacity, uint64_t total,
                                    int64_t nowUnixUs, TRepresentativeList names) {
  TActivityReport report;
  report.Records = std::move(records);
  report.Capacity = capacity;
  report.Total = total;
  report.NowUnixUs = nowUnixUs;
  report.Names = std::move(names);
  const int64_t today = LocalDay(nowUnixUs);
  const std::vector<std::string> keys = RepresentativeKeys(report.Records, report.Names);

  std::map<std::string, TRowBuilder> byRepresentative, byAddress;
  std::map<std::string, std::vector<int64_t>> durations;
  std::map<std::string, TMethodActivity> methods;
  for (size_t i = 0; i < report.Records.size(); ++i) {
    const TRequestRecord& record = report.Records[i];

    const std::string label(MethodLabel(record));
    TMethodActivity& method = methods[label];
    method.Method = label;
    ++method.Count;
    if (IsError(record)) ++method.Errors;
    durations[label].push_back(record.DurationUs);

    if (!IsRESTCaller(record)) continue;
    const bool named = !keys[i].empty();
    const std::string key = named ? keys[i] : record.RemoteAddr.Str();
    auto [it, added] = (named ? byRepresentative : byAddress).try_emplace(key);
    TRowBuilder& builder = it->second;
    if (added) {
      builder.Row.LastDownloads.fill(-1);
      if (named) {
        builder.Row.Representative = key;
        if (const auto id = DigitsToUInt64(key)) {
          builder.Row.HasId = true;
          builder.Row.Id = static_cast<int32_t>(*id);
          if (const TRepresentative* known = report.Names.Find(builder.Row.Id)) builder.Row.Name = known->Name;
        }
      }
    }
    builder.Add(record, i, today);
  }
  report.Representatives = Rows(byRepresentative, report.Records);
  report.WithoutRepresentative = Rows(byAddress, report.Records);
  AddNotSynced(report);

  for (auto& [label, method] : methods) {
    std::vector<int64_t>& values = durations[label];
    std::sort(values.begin(), values.end());
    method.P50Us = Percentile(values, 0.50);
    method.P99Us = Percentile(values, 0.99);
    report.Methods.push_back(method);
  }
  std::stable_sort(report.Methods.begin(), report.Methods.end(),
                   [](const TMethodActivity& a, const TMethodActivity& b) { return a.Count > b.Count; });

  std::vector<size_t> order(report.Records.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  const size_t shown = std::min(order.size(), TActivityReport::SlowestShown);
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                    [&](size_t a, size_t b) {
                      const int64_t da = report.Records[a].DurationUs, db = report.Records[b].DurationUs;
                      return da != db ? da > db : a > b;
                    });
  order.resize(shown);
  report.Slowest = std::move(order);
  return report;
}

TActivityReport CurrentActivityReport() {
  const TActivity& activity = Activity();
  const int64_t now =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  return BuildActivityReport(activity.Log().Snapshot(), activity.Log().Capacity(), activity.Log().Total(), now,
                             RepresentativeNames().Current());
}

}  // namespace fieldsync
