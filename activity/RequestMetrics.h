#pragma once
// Counters since the program started: requests by server method and status,
// and their durations by method as histogram buckets, written in the
// Prometheus text format.
//
// Thread-safe and free of locks on the request path: a method's row is
// found in a fixed open-addressing table; a row is filled in under FInsert
// the first time its method is seen and only read after that. Counters are
// atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Mutex.h"

namespace fieldsync {

class TRequestMetrics {
 public:
  // Upper bounds of the duration buckets, in microseconds; a last bucket
  // ("+Inf") takes the rest.
  static constexpr std::array<int64_t, 15> BucketBoundsUs = {
      1000, 2500, 5000, 10000, 25000, 50000, 100000, 250000,
      500000, 1000000, 2500000, 5000000, 10000000, 30000000, 60000000};
  // Rows: distinct method labels; a label past the last row is counted
  // under OverflowLabel.
  static constexpr size_t MaxRows = 256;
  static constexpr const char* OverflowLabel = "(other)";
  // Distinct status codes per method; further codes count as status "other".
  static constexpr size_t MaxStatuses = 16;

  TRequestMetrics();
  ~TRequestMetrics();
  TRequestMetrics(const TRequestMetrics&) = delete;
  TRequestMetrics& operator=(const TRequestMetrics&) = delete;

  // Counts one answered request. `method` is the label: a server method's
  // name, or one of the labels the caller uses for other requests.
  void Observe(std::string_view method, int status, int64_t durationUs);

  // The counters: "fieldsync_requests_total" and
  // "fieldsync_request_duration_seconds", with their HELP and TYPE lines.
  void WritePrometheus(std::string& out) const;

  // Requests counted for a method and status; for the page and tests.
  uint64_t Count(std::string_view method, int status) const;

 private:
  struct TStatusCell {
    std::atomic<int32_t> Code{0};  // 0: free
    std::atomic<uint64_t> Count{0};
  };
  struct TRow {
    std::atomic<bool> Used{false};  // Name is set and stays
    char Name[64] = {};
    size_t NameLength = 0;
    std::array<TStatusCell, MaxStatuses> Statuses;
    std::atomic<uint64_t> OtherStatus{0};
    std::array<std::atomic<uint64_t>, BucketBoundsUs.size() + 1> Buckets{};
    std::atomic<uint64_t> SumUs{0};
    std::atomic<uint64_t> Total{0};
  };

  TRow& Row(std::string_view method);
  const TRow* FindRow(std::string_view method) const;

  std::array<TRow, MaxRows + 1> FRows;  // the last one is the overflow row
  TMutex FInsert;                       // serialises filling in a row
  size_t FUsed GUARDED_BY(FInsert) = 0;
};

// A label value as the text format wants it: back-slash, double quote and
// line feed escaped.
std::string PrometheusLabelValue(std::string_view text);

}  // namespace fieldsync
