// The bare fetch of GetTodosClientes: a service instance (its own connection,
// as a REST call gets) runs the method, and the reader it hands back is
// advanced to the end with every value read as text; nothing is written.
// This is the database's share of the call, which bench/service/run.sh sets
// against the whole answer over HTTP.
//
// The connection is the one named DMESTOQUE in the files that
// FIELDSYNC_DRIVERS_FILE and FIELDSYNC_CONNECTIONS_FILE point at (or the
// files beside the executable).
//
// Usage: todosclientes_fetch [repetitions, default 3] [rows]
// With rows, each repetition reads at most that many rows and then closes
// the reader, as a row window of the REST call does (bench/rest/window.sh).
// Prints one line per repetition:
//   fetch rep=N connect_ms=... query_ms=... fetch_ms=... total_ms=... cpu_ms=... rows=... text_units=...
// and at the end the process's peak resident size (VmHWM, KiB).
// With FETCH_THREADS=N (2..64), N threads each make one whole fetch at once,
// as N handhelds downloading the client list together; prints
//   burst threads=N total_ms=... cpu_ms=... rows=...

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "db/DBXReader.h"
#include "service/ServerMethodsUnit1.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double CpuMilliseconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

std::string PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return line.substr(6);
  return "?";
}

}  // namespace

// One whole fetch on a service instance of its own; the rows read.
int64_t FetchAll(const fieldsync::THostValues& host) {
  fieldsync::TServerMethods1 service(host);
  std::unique_ptr<fieldsync::TDBXReader> reader = service.GetTodosClientes();
  int64_t rows = 0;
  const int32_t columns = reader->ColumnCount();
  while (reader->Next()) {
    ++rows;
    for (int32_t i = 0; i < columns; ++i) {
      const fieldsync::TDBXValue& value = reader->Value(i);
      if (!value.IsNull()) value.GetWideString();
    }
  }
  return rows;
}

int Burst(const fieldsync::THostValues& host, int threads) {
  const double cpuStart = CpuMilliseconds();
  const auto start = Clock::now();
  std::atomic<int64_t> rows{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> fetches;
  for (int i = 0; i < threads; ++i)
    fetches.emplace_back([&] {
      try {
        rows += FetchAll(host);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "todosclientes_fetch: %s\n", e.what());
        failed = true;
      }
    });
  for (auto& fetch : fetches) fetch.join();
  std::printf("burst threads=%d total_ms=%.1f cpu_ms=%.0f rows=%lld\n", threads, Milliseconds(start, Clock::now()),
              CpuMilliseconds() - cpuStart, static_cast<long long>(rows.load()));
  std::printf("fetch_vmhwm_kib=%s\n", PeakResidentKiB().c_str());
  return failed ? 1 : 0;
}

int main(int argc, char** argv) {
  using namespace fieldsync;
  if (const char* burst = std::getenv("FETCH_THREADS")) {
    const int threads = std::atoi(burst);
    if (threads < 2 || threads > 64) {
      std::fprintf(stderr, "FETCH_THREADS: 2..64\n");
      return 2;
    }
    THostValues host;
    host.IDFilial = 1;
    host.DiasEmAtraso = 30;
    return Burst(host, threads);
  }
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 3;
  const long long rowLimit = argc > 2 ? std::atoll(argv[2]) : -1;  // -1: every row
  if (repetitions < 1 || repetitions > 100 || (argc > 2 && rowLimit < 0)) {
    std::fprintf(stderr, "usage: todosclientes_fetch [repetitions 1..100] [rows]\n");
    return 2;
  }
  THostValues host;
  host.IDFilial = 1;
  host.DiasEmAtraso = 30;
  try {
    for (int rep = 1; rep <= repetitions; ++rep) {
      const double cpuStart = CpuMilliseconds();
      const auto start = Clock::now();
      TServerMethods1 service(host);
      const auto connected = Clock::now();
      std::unique_ptr<TDBXReader> reader = service.GetTodosClientes();
      const auto opened = Clock::now();
      int64_t rows = 0;
      int64_t textUnits = 0;  // UTF-16 code units of every value, to show each was read
      const int32_t columns = reader->ColumnCount();
      while ((rowLimit < 0 || rows < rowLimit) && reader->Next()) {
        ++rows;
        for (int32_t i = 0; i < columns; ++i) {
          const TDBXValue& value = reader->Value(i);
          if (!value.IsNull()) textUnits += static_cast<int64_t>(value.GetWideString().size());
        }
      }
      const auto fetched = Clock::now();
      reader.reset();
      std::printf("fetch rep=%d connect_ms=%.1f query_ms=%.1f fetch_ms=%.1f total_ms=%.1f cpu_ms=%.0f rows=%lld "
                  "text_units=%lld\n",
                  rep, Milliseconds(start, connected), Milliseconds(connected, opened), Milliseconds(opened, fetched),
                  Milliseconds(start, fetched), CpuMilliseconds() - cpuStart, static_cast<long long>(rows),
                  static_cast<long long>(textUnits));
      std::fflush(stdout);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "todosclientes_fetch: %s\n", e.what());
    return 1;
  }
  std::printf("fetch_vmhwm_kib=%s\n", PeakResidentKiB().c_str());
  return 0;
}
