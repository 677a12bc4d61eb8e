#pragma once
// What the operator's page shows, worked out from the records held and the
// representatives read from the ERP: per representative its name, users,
// addresses, sessions, last call, calls today, last successful download of
// each kind, uploads today and the failed uploads not yet put right; the
// calls that named no representative per address; who has not synced
// today; per method the count, errors and the 50th and 99th percentile
// durations; the slowest calls. Written as JSON for scripts and as HTML
// tables for the page.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "activity/RepresentativeNames.h"
#include "activity/RequestRecord.h"
#include "activity/SyncKinds.h"

namespace fieldsync {

// The calls of one representative, or the calls of one address that named
// none.
struct TSyncRow {
  std::string Representative;  // the id's digits or the device's text; empty: an address's row
  bool HasId = false;
  int32_t Id = 0;
  std::string Name;                    // from REPRESENTANTE; empty when it has no such row
  std::vector<std::string> Users;      // authenticated users of its calls, latest first
  std::vector<std::string> Addresses;  // latest first
  std::string LastSession;
  size_t Sessions = 0;
  size_t CallsToday = 0;
  size_t LastCall = 0;  // index into the report's records
  std::array<int64_t, DownloadKindCount> LastDownloads;  // record index, -1: none
  std::array<size_t, UploadKindCount> UploadsToday{};   // distinct uploads that succeeded today
  std::vector<size_t> FailedUploads;  // record indexes, oldest first, not put right by a later success
};

// A representative who has not synced today: no call since midnight, or an
// upload that failed and has not been put right.
struct TNotSynced {
  std::string Representative;
  std::string Name;
  bool NoCallToday = false;
  size_t FailedUploads = 0;
  int64_t LastCall = -1;  // record index, -1: none held
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
  TRepresentativeList Names;
  std::vector<TSyncRow> Representatives;        // latest call first
  std::vector<TSyncRow> WithoutRepresentative;  // one per address, latest call first
  std::vector<TNotSynced> NotSyncedToday;       // by representative
  size_t SyncedToday = 0;  // representatives with a call today and no failed upload left
  std::vector<TMethodActivity> Methods;  // most calls first
  std::vector<size_t> Slowest;           // record indexes, slowest first
};

// Works out the report from `records` (oldest first) and the
// representatives `names`. "Today" is the local date of `nowUnixUs`.
//
// A call is for the representative its arguments name; one that names none
// is for the representative its session last named (a session is one
// handheld's), and otherwise stays in its address's row. A text that is a
// whole number is that id; a text equal to a representative's name is that
// representative.
TActivityReport BuildActivityReport(std::vector<TRequestRecord> records, size_t capacity, uint64_t total,
                                    int64_t nowUnixUs, TRepresentativeList names = {});

// The report of the program's activity (Activity.h) and representatives
// (RepresentativeNames.h) now.
TActivityReport CurrentActivityReport();

// A write that answered false, or a write call answered with an error.
bool IsFailedUpload(const TRequestRecord& record);
// An answer of status 400 or more, or a write that answered false.
bool IsError(const TRequestRecord& record);

// The authenticated user of a record; empty while the record carries none.
std::string_view RecordUser(const TRequestRecord& record);

// The report as one JSON object (7-bit ASCII bytes).
std::string ActivityReportJSON(const TActivityReport& report);

// The page's parts as HTML (ASCII; other characters as references).
std::string NotSyncedHTML(const TActivityReport& report);
std::string RepresentativesHTML(const TActivityReport& report);
std::string WithoutRepresentativeHTML(const TActivityReport& report);
std::string NamesHTML(const TActivityReport& report);
std::string MethodsHTML(const TActivityReport& report);
std::string SlowestHTML(const TActivityReport& report);
std::string SummaryHTML(const TActivityReport& report);

// Local date and time of a record's moment: "dd/mm/yyyy hh:nn:ss".
std::string LocalTimeText(int64_t unixUs);
// Local date and time with milliseconds, "yyyy-mm-ddThh:nn:ss.zzz".
std::string LocalIsoText(int64_t unixUs);
// The local day number of a moment (days since 30/12/1899).
int64_t LocalDay(int64_t unixUs);

}  // namespace fieldsync
