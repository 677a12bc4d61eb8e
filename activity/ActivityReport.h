#pragma once
// What the operator's page shows, worked out from the records held: per
// handheld (remote address) its sessions, last call, calls today, last
// successful download of each kind and every failed upload; per method the
// count, errors and the 50th and 99th percentile durations; the slowest
// calls. Written as JSON for scripts and as HTML tables for the page.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "activity/RequestRecord.h"

namespace fieldsync {

// The kinds of download whose last success the page shows per handheld.
enum class TDownloadKind { Clients, Products, Prices, Orders };
constexpr size_t DownloadKindCount = 4;

// The kind of a server method's download; false for other methods.
bool DownloadKindOf(std::string_view method, TDownloadKind& kind);
// "clients", "products", "prices", "orders".
const char* DownloadKindName(TDownloadKind kind);

struct THandheldActivity {
  std::string Address;
  std::string LastSession;
  size_t Sessions = 0;
  size_t CallsToday = 0;
  size_t LastCall = 0;  // index into the report's records
  std::array<int64_t, DownloadKindCount> LastDownloads;  // record index, -1: none
  std::vector<size_t> FailedUploads;                     // record indexes, oldest first
};

struct TMethodActivity {
  std::string Method;
  size_t Count = 0;
  size_t Errors = 0;
  int64_t P50Us = 0;
  int64_t P99Us = 0;
};

struct TActivityReport {
  static constexpr size_t SlowestShown = 20;

  std::vector<TRequestRecord> Records;  // oldest first
  size_t Capacity = 0;
  uint64_t Total = 0;
  int64_t NowUnixUs = 0;
  std::vector<THandheldActivity> Handhelds;  // latest call first
  std::vector<TMethodActivity> Methods;      // most calls first
  std::vector<size_t> Slowest;               // record indexes, slowest first
};

// Works out the report from `records` (oldest first). "Today" is the local
// date of `nowUnixUs`.
TActivityReport BuildActivityReport(std::vector<TRequestRecord> records, size_t capacity, uint64_t total,
                                    int64_t nowUnixUs);

// A write that answered false, or a write call answered with an error.
bool IsFailedUpload(const TRequestRecord& record);
// An answer of status 400 or more, or a write that answered false.
bool IsError(const TRequestRecord& record);

// The report as one JSON object (7-bit ASCII bytes).
std::string ActivityReportJSON(const TActivityReport& report);

// The page's parts as HTML (ASCII; other characters as references).
std::string HandheldsHTML(const TActivityReport& report);
std::string MethodsHTML(const TActivityReport& report);
std::string SlowestHTML(const TActivityReport& report);
std::string SummaryHTML(const TActivityReport& report);

// Local date and time of a record's moment: "dd/mm/yyyy hh:nn:ss".
std::string LocalTimeText(int64_t unixUs);
// Local date and time with milliseconds, "yyyy-mm-ddThh:nn:ss.zzz".
std::string LocalIsoText(int64_t unixUs);

}  // namespace fieldsync
