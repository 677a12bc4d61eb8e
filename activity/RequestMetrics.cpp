#include "activity/RequestMetrics.h"

#include <cstdio>
#include <cstring>

namespace fieldsync {

namespace {

constexpr size_t TableRows = TRequestMetrics::MaxRows;

size_t Hash(std::string_view text) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  return static_cast<size_t>(h);
}

std::string SecondsText(uint64_t microseconds) {
  char text[40];
  std::snprintf(text, sizeof text, "%llu.%06llu", static_cast<unsigned long long>(microseconds / 1000000),
                static_cast<unsigned long long>(microseconds % 1000000));
  return text;
}

std::string BoundText(int64_t microseconds) {
  std::string text = SecondsText(static_cast<uint64_t>(microseconds));
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

std::string PrometheusLabelValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '"') out += "\\\"";
    else if (c == '\n') out += "\\n";
    else out.push_back(c);
  }
  return out;
}

TRequestMetrics::TRequestMetrics() {
  TRow& overflow = FRows[MaxRows];
  overflow.NameLength = std::strlen(OverflowLabel);
  std::memcpy(overflow.Name, OverflowLabel, overflow.NameLength);
  overflow.Used.store(true, std::memory_order_release);
}

TRequestMetrics::~TRequestMetrics() = default;

const TRequestMetrics::TRow* TRequestMetrics::FindRow(std::string_view method) const {
  if (method.size() >= sizeof(TRow::Name)) method = method.substr(0, sizeof(TRow::Name) - 1);
  const size_t start = Hash(method) % TableRows;
  for (size_t i = 0; i < TableRows; ++i) {
    const TRow& row = FRows[(start + i) % TableRows];
    if (!row.Used.load(std::memory_order_acquire)) return nullptr;
    if (std::string_view(row.Name, row.NameLength) == method) return &row;
  }
  return nullptr;
}

TRequestMetrics::TRow& TRequestMetrics::Row(std::string_view method) {
  if (method.size() >= sizeof(TRow::Name)) method = method.substr(0, sizeof(TRow::Name) - 1);
  if (const TRow* row = FindRow(method)) return const_cast<TRow&>(*row);
  TMutexLock lock(FInsert);
  if (const TRow* row = FindRow(method)) return const_cast<TRow&>(*row);
  if (FUsed == TableRows) return FRows[MaxRows];
  // Rows are only ever added, so the first free place on the probe path is
  // where readers stop looking.
  const size_t start = Hash(method) % TableRows;
  for (size_t i = 0; i < TableRows; ++i) {
    TRow& row = FRows[(start + i) % TableRows];
    if (row.Used.load(std::memory_order_relaxed)) continue;
    method.copy(row.Name, method.size());
    row.NameLength = method.size();
    row.Used.store(true, std::memory_order_release);
    ++FUsed;
    return row;
  }
  return FRows[MaxRows];
}

void TRequestMetrics::Observe(std::string_view method, int status, int64_t durationUs) {
  TRow& row = Row(method);
  bool counted = false;
  for (TStatusCell& cell : row.Statuses) {
    int32_t code = cell.Code.load(std::memory_order_acquire);
    if (code == 0 && cell.Code.compare_exchange_strong(code, status, std::memory_order_acq_rel)) code = status;
    if (code == status) {
      cell.Count.fetch_add(1, std::memory_order_relaxed);
      counted = true;
      break;
    }
  }
  if (!counted) row.OtherStatus.fetch_add(1, std::memory_order_relaxed);
  if (durationUs < 0) durationUs = 0;
  size_t bucket = 0;
  while (bucket < BucketBoundsUs.size() && durationUs > BucketBoundsUs[bucket]) ++bucket;
  row.Buckets[bucket].fetch_add(1, std::memory_order_relaxed);
  row.SumUs.fetch_add(static_cast<uint64_t>(durationUs), std::memory_order_relaxed);
  row.Total.fetch_add(1, std::memory_order_relaxed);
}

uint64_t TRequestMetrics::Count(std::string_view method, int status) const {
  const TRow* row = method == OverflowLabel ? &FRows[MaxRows] : FindRow(method);
  if (!row) return 0;
  for (const TStatusCell& cell : row->Statuses)
    if (cell.Code.load(std::memory_order_acquire) == status) return cell.Count.load(std::memory_order_relaxed);
  return 0;
}

void TRequestMetrics::WritePrometheus(std::string& out) const {
  out += "# HELP fieldsync_requests_total Requests answered, by server method and status.\n"
         "# TYPE fieldsync_requests_total counter\n";
  for (const TRow& row : FRows) {
    if (!row.Used.load(std::memory_order_acquire) || row.Total.load(std::memory_order_relaxed) == 0) continue;
    const std::string label = "method=\"" + PrometheusLabelValue({row.Name, row.NameLength}) + "\"";
    for (const TStatusCell& cell : row.Statuses) {
      const int32_t code = cell.Code.load(std::memory_order_acquire);
      if (code == 0) continue;
      out += "fieldsync_requests_total{" + label + ",status=\"" + std::to_string(code) + "\"} " +
             std::to_string(cell.Count.load(std::memory_order_relaxed)) + "\n";
    }
    if (const uint64_t other = row.OtherStatus.load(std::memory_order_relaxed))
      out += "fieldsync_requests_total{" + label + ",status=\"other\"} " + std::to_string(other) + "\n";
  }
  out += "# HELP fieldsync_request_duration_seconds Time from a request's arrival until its answer was written, "
         "by server method.\n"
         "# TYPE fieldsync_request_duration_seconds histogram\n";
  for (const TRow& row : FRows) {
    if (!row.Used.load(std::memory_order_acquire)) continue;
    // The count is the sum of the buckets read here, so that the +Inf
    // bucket and the count agree although requests go on meanwhile.
    std::array<uint64_t, BucketBoundsUs.size() + 1> buckets;
    uint64_t count = 0;
    for (size_t i = 0; i < buckets.size(); ++i) count += buckets[i] = row.Buckets[i].load(std::memory_order_relaxed);
    if (count == 0) continue;
    const std::string label = "method=\"" + PrometheusLabelValue({row.Name, row.NameLength}) + "\"";
    uint64_t cumulative = 0;
    for (size_t i = 0; i < buckets.size(); ++i) {
      cumulative += buckets[i];
      const std::string le = i < BucketBoundsUs.size() ? BoundText(BucketBoundsUs[i]) : "+Inf";
      out += "fieldsync_request_duration_seconds_bucket{" + label + ",le=\"" + le + "\"} " +
             std::to_string(cumulative) + "\n";
    }
    out += "fieldsync_request_duration_seconds_sum{" + label + "} " +
           SecondsText(row.SumUs.load(std::memory_order_relaxed)) + "\n";
    out += "fieldsync_request_duration_seconds_count{" + label + "} " + std::to_string(count) + "\n";
  }
}

}  // namespace fieldsync
