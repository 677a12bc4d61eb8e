// A client-sized result (100,000 rows of 25 text columns, some accented) read
// from an embedded database three ways in the same run:
//   BareFetch       advance the reader and read every value, nothing written
//   TableTree       the table object as a tree, then its bytes
//   TableStreamed   the same bytes written column by column from the reader
// Each reports its peak heap (bytes allocated through operator new above
// what was in use when the iteration started) as peak_MiB, and the body size.
// Run: build/bench/db/dbxjson_bench  (makes its database in a temp directory
// first, which takes a few seconds).

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "db/internal/ConnectionDefinitions.h"
#include "db/internal/Firebird.h"
#include "db/SQLConnection.h"
#include "json/DBXJSONTools.h"

namespace {

// ---- heap accounting ----
std::atomic<int64_t> heapInUse{0};
std::atomic<int64_t> heapPeak{0};

void Track(int64_t delta) {
  const int64_t now = heapInUse.fetch_add(delta, std::memory_order_relaxed) + delta;
  int64_t peak = heapPeak.load(std::memory_order_relaxed);
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

}  // namespace

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  Track(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  Track(-static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

using namespace fieldsync;
namespace fs = std::filesystem;

constexpr int Rows = 100000;
constexpr int Columns = 25;

struct TBenchDatabase {
  fs::path Dir;
  TBenchDatabase() {
    Dir = fs::temp_directory_path() / ("fieldsync-bench-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    const std::string database = (Dir / "bench.fdb").string();
    CreateFirebirdDatabase("fbclient.dll", database, "SYSDBA", "", "UTF8");
    std::ofstream(Dir / "dbxdrivers.ini") << "[Installed Drivers]\nFirebird=1\n[Firebird]\nVendorLib=fbclient.dll\n";
    std::ofstream(Dir / "dbxconnections.ini")
        << "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" << database << "\nUser_Name=SYSDBA\nServerCharSet=UTF8\n";
    ::setenv(DriversFileVariable, (Dir / "dbxdrivers.ini").c_str(), 1);
    ::setenv(ConnectionsFileVariable, (Dir / "dbxconnections.ini").c_str(), 1);
    Fill();
  }
  ~TBenchDatabase() {
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }

  void Fill() {
    TSQLConnection connection;
    connection.Open();
    TDBXConnection& dbx = connection.DBXConnection();
    std::string create = "create table CLIENTE_BENCH (C01 varchar(10)";
    for (int c = 2; c <= Columns; ++c) create += ", C" + std::string(c < 10 ? "0" : "") + std::to_string(c) + " varchar(60)";
    create += ")";
    TDBXCommand& ddl = dbx.CreateCommand();
    ddl.SetText(create);
    ddl.ExecuteUpdate();
    // Texts like a client row: names, streets, districts, with accents.
    std::string values = "cast(:i as varchar(10))";
    const char* const samples[] = {"'Comércio de Alimentos São João Ltda ' || :i", "'Mercearia Conceição'",
                                   "'Rua Marechal Deodoro, ' || mod(:i, 2000)", "'Centro Histórico'",
                                   "'89' || lpad(mod(:i, 1000000), 6, '0')", "'Florianópolis'", "'SC'",
                                   "lpad(:i, 14, '0')", "'(48) 3222-' || lpad(mod(:i, 10000), 4, '0')",
                                   "'cliente' || :i || '@exemplo.com.br'", "'S'", "'N'", "''", "'0'"};
    for (int c = 2; c <= Columns; ++c) values += ", " + std::string(samples[(c - 2) % std::size(samples)]);
    std::string block = "execute block as declare i integer = 0; begin while (i < " + std::to_string(Rows) +
                        ") do begin insert into CLIENTE_BENCH values (" + values + "); i = i + 1; end end";
    TDBXCommand& fill = dbx.CreateCommand();
    fill.SetText(block);
    fill.ExecuteUpdate();
    // One full read first, so that no path pays for a cold page cache.
    TDBXCommand& warm = dbx.CreateCommand();
    warm.SetText("select * from CLIENTE_BENCH");
    auto reader = warm.ExecuteQuery();
    while (reader->Next()) {
    }
  }
};

TBenchDatabase& Database() {
  static TBenchDatabase db;
  return db;
}

const char* const Query = "select * from CLIENTE_BENCH";

std::unique_ptr<TDBXReader> OpenQuery(TSQLConnection& connection) {
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText(Query);
  command.Prepare();
  return command.ExecuteQuery();
}

template <class F>
void Measure(benchmark::State& state, F body) {
  Database();
  TSQLConnection connection;
  connection.Open();
  int64_t bytes = 0;
  int64_t peak = 0;
  for (auto _ : state) {
    auto reader = OpenQuery(connection);
    const int64_t base = heapInUse.load();
    heapPeak.store(base);
    bytes = body(std::move(reader));
    peak = std::max(peak, heapPeak.load() - base);
  }
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
  state.counters["body_MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
  state.counters["rows"] = Rows;
}

void BareFetch(benchmark::State& state) {
  Measure(state, [](std::unique_ptr<TDBXReader> reader) {
    int64_t units = 0;
    while (reader->Next())
      for (int32_t i = 0; i < reader->ColumnCount(); ++i) units += reader->Value(i).GetWideString().size();
    benchmark::DoNotOptimize(units);
    return int64_t{0};
  });
}

void TableTree(benchmark::State& state) {
  Measure(state, [](std::unique_ptr<TDBXReader> reader) {
    auto tree = TDBXJSONTools::TableToJSON(std::move(reader));
    const std::string body = tree->ToBytes();
    return static_cast<int64_t>(body.size());
  });
}

void TableStreamed(benchmark::State& state) {
  Measure(state, [](std::unique_ptr<TDBXReader> reader) {
    std::string body;
    TDBXJSONTools::TableToBytes(std::move(reader), TDBXJSONTools::AllRows, body);
    return static_cast<int64_t>(body.size());
  });
}

BENCHMARK(BareFetch)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(TableTree)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(TableStreamed)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
