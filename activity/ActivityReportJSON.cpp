// The report as JSON for scripts.
#include "activity/ActivityReport.h"

#include "core/Text.h"
#include "json/JSONValue.h"

namespace fieldsync {

namespace {

std::unique_ptr<TJSONString> Str(std::string_view utf8) { return std::make_unique<TJSONString>(Utf8ToUtf16(utf8)); }
std::unique_ptr<TJSONNumber> Num(int64_t value) { return std::make_unique<TJSONNumber>(value); }
std::unique_ptr<TJSONNumber> Count(size_t value) { return Num(static_cast<int64_t>(value)); }
std::unique_ptr<TJSONNumber> Ms(int64_t microseconds) {
  return std::make_unique<TJSONNumber>(static_cast<double>(microseconds) / 1000.0);
}
std::unique_ptr<TJSONValue> StrOrNull(std::string_view utf8) {
  if (utf8.empty()) return std::make_unique<TJSONNull>();
  return Str(utf8);
}
std::unique_ptr<TJSONArray> Texts(const std::vector<std::string>& texts) {
  auto array = std::make_unique<TJSONArray>();
  for (const std::string& text : texts) array->AddElement(Str(text));
  return array;
}

std::unique_ptr<TJSONObject> CallJSON(const TRequestRecord& record) {
  auto call = std::make_unique<TJSONObject>();
  call->AddPair(u"time", Str(LocalIsoText(record.StartUnixUs)));
  call->AddPair(u"unixMs", Num(record.StartUnixUs / 1000));
  call->AddPair(u"address", Str(record.RemoteAddr.View()));
  call->AddPair(u"session", Str(record.SessionId.View()));
  call->AddPair(u"representative", Str(record.Representative.View()));
  call->AddPair(u"user", Str(RecordUser(record)));
  call->AddPair(u"httpMethod", Str(record.HttpMethod.View()));
  call->AddPair(u"path", Str(record.Path.View()));
  call->AddPair(u"method", Str(record.MethodName.View()));
  call->AddPair(u"arguments", Num(record.ArgumentCount));
  call->AddPair(u"argumentBytes", Num(static_cast<int64_t>(record.ArgumentBytes)));
  call->AddPair(u"status", Num(record.Status));
  call->AddPair(u"durationMs", Ms(record.DurationUs));
  call->AddPair(u"bytesSent", Num(record.BytesSent));
  if (record.WriteResult == TWriteResult::None)
    call->AddPair(u"result", std::make_unique<TJSONNull>());
  else if (record.WriteResult == TWriteResult::True)
    call->AddPair(u"result", std::make_unique<TJSONTrue>());
  else
    call->AddPair(u"result", std::make_unique<TJSONFalse>());
  call->AddPair(u"error", Str(record.ErrorText.View()));
  return call;
}

std::unique_ptr<TJSONObject> RowJSON(const TActivityReport& report, const TSyncRow& row) {
  auto item = std::make_unique<TJSONObject>();
  if (!row.Representative.empty()) {
    item->AddPair(u"representative", Str(row.Representative));
    if (row.HasId)
      item->AddPair(u"id", Num(row.Id));
    else
      item->AddPair(u"id", std::make_unique<TJSONNull>());
    item->AddPair(u"name", StrOrNull(row.Name));
  }
  item->AddPair(u"users", Texts(row.Users));
  item->AddPair(u"addresses", Texts(row.Addresses));
  item->AddPair(u"session", Str(row.LastSession));
  item->AddPair(u"sessions", Count(row.Sessions));
  item->AddPair(u"callsToday", Count(row.CallsToday));
  item->AddPair(u"lastCall", CallJSON(report.Records[row.LastCall]));
  auto downloads = std::make_unique<TJSONObject>();
  for (size_t k = 0; k < DownloadKindCount; ++k) {
    const int64_t index = row.LastDownloads[k];
    const std::u16string kind = Latin1ToUtf16(DownloadKindName(static_cast<TDownloadKind>(k)));
    if (index < 0)
      downloads->AddPair(kind, std::make_unique<TJSONNull>());
    else
      downloads->AddPair(kind, CallJSON(report.Records[static_cast<size_t>(index)]));
  }
  item->AddPair(u"lastDownloads", std::move(downloads));
  auto uploads = std::make_unique<TJSONObject>();
  for (size_t k = 0; k < UploadKindCount; ++k)
    uploads->AddPair(Latin1ToUtf16(UploadKindName(static_cast<TUploadKind>(k))), Count(row.UploadsToday[k]));
  item->AddPair(u"uploadsToday", std::move(uploads));
  auto failed = std::make_unique<TJSONArray>();
  for (size_t index : row.FailedUploads) failed->AddElement(CallJSON(report.Records[index]));
  item->AddPair(u"failedUploads", std::move(failed));
  return item;
}

std::unique_ptr<TJSONArray> RowsJSON(const TActivityReport& report, const std::vector<TSyncRow>& rows) {
  auto array = std::make_unique<TJSONArray>();
  for (const TSyncRow& row : rows) array->AddElement(RowJSON(report, row));
  return array;
}

}  // namespace

std::string ActivityReportJSON(const TActivityReport& report) {
  TJSONObject root;
  root.AddPair(u"serverTime", Str(LocalIsoText(report.NowUnixUs)));
  auto recordsInfo = std::make_unique<TJSONObject>();
  recordsInfo->AddPair(u"held", Count(report.Records.size()));
  recordsInfo->AddPair(u"capacity", Count(report.Capacity));
  recordsInfo->AddPair(u"total", Num(static_cast<int64_t>(report.Total)));
  if (report.Records.empty())
    recordsInfo->AddPair(u"oldest", std::make_unique<TJSONNull>());
  else
    recordsInfo->AddPair(u"oldest", Str(LocalIsoText(report.Records.front().StartUnixUs)));
  root.AddPair(u"records", std::move(recordsInfo));

  auto names = std::make_unique<TJSONObject>();
  if (report.Names.ReadUnixUs == 0)
    names->AddPair(u"read", std::make_unique<TJSONNull>());
  else
    names->AddPair(u"read", Str(LocalIsoText(report.Names.ReadUnixUs)));
  names->AddPair(u"representatives", Count(report.Names.Rows.size()));
  names->AddPair(u"error", StrOrNull(report.Names.Error));
  root.AddPair(u"names", std::move(names));

  root.AddPair(u"syncedToday", Count(report.SyncedToday));
  auto notSynced = std::make_unique<TJSONArray>();
  for (const TNotSynced& entry : report.NotSyncedToday) {
    auto item = std::make_unique<TJSONObject>();
    item->AddPair(u"representative", Str(entry.Representative));
    item->AddPair(u"name", StrOrNull(entry.Name));
    item->AddPair(u"noCallToday", entry.NoCallToday ? std::unique_ptr<TJSONValue>(std::make_unique<TJSONTrue>())
                                                    : std::make_unique<TJSONFalse>());
    item->AddPair(u"failedUploads", Count(entry.FailedUploads));
    if (entry.LastCall < 0)
      item->AddPair(u"lastCall", std::make_unique<TJSONNull>());
    else
      item->AddPair(u"lastCall", Str(LocalIsoText(report.Records[static_cast<size_t>(entry.LastCall)].StartUnixUs)));
    notSynced->AddElement(std::move(item));
  }
  root.AddPair(u"notSyncedToday", std::move(notSynced));
  root.AddPair(u"representatives", RowsJSON(report, report.Representatives));
  root.AddPair(u"withoutRepresentative", RowsJSON(report, report.WithoutRepresentative));

  auto methods = std::make_unique<TJSONArray>();
  for (const TMethodActivity& method : report.Methods) {
    auto item = std::make_unique<TJSONObject>();
    item->AddPair(u"method", Str(method.Method));
    item->AddPair(u"count", Count(method.Count));
    item->AddPair(u"errors", Count(method.Errors));
    item->AddPair(u"p50Ms", Ms(method.P50Us));
    item->AddPair(u"p99Ms", Ms(method.P99Us));
    methods->AddElement(std::move(item));
  }
  root.AddPair(u"methods", std::move(methods));

  auto slowest = std::make_unique<TJSONArray>();
  for (size_t index : report.Slowest) slowest->AddElement(CallJSON(report.Records[index]));
  root.AddPair(u"slowest", std::move(slowest));
  return root.ToBytes();
}

}  // namespace fieldsync
