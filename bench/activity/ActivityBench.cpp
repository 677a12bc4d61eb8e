// What recording one request costs the request: filling a record as the
// bridge and the REST layer do, then keeping it (ring and counters).
// Anchor in the same run: filling the record alone, without keeping it.
#include <benchmark/benchmark.h>

#include "activity/Activity.h"
#include "activity/SyncKinds.h"

namespace fieldsync {
namespace {

TRequestRecord FilledRecord(int64_t n) {
  TRequestRecord record;
  record.StartUnixUs = n;
  record.DurationUs = 1500 + n % 1000;
  record.Status = 200;
  record.BytesSent = 120;
  record.RemoteAddr.Assign("192.168.10.23");
  record.HttpMethod.Assign("GET");
  record.Path.Assign("/datasnap/rest/TServerMethods1/SetPedido/1/71001/1/1/1/1/1/1/1/1/1/1/10%2F12%2F2026");
  record.SessionId.Assign("123456.654321.987654");
  record.MethodName.Assign("SetPedido");
  record.MethodResolved = true;
  record.WriteMethod = true;
  record.WriteResult = TWriteResult::False;
  record.ErrorText.Assign("''32/13/2026'' is not a valid date");
  record.Representative.Assign("1");
  record.UploadKey = FoldUploadKey(UploadKeySeed, "71001");
  return record;
}

// Anchor: the record is filled and thrown away.
void FillOnly(benchmark::State& state) {
  int64_t n = 0;
  for (auto _ : state) {
    TRequestRecord record = FilledRecord(++n);
    benchmark::DoNotOptimize(record);
  }
}
BENCHMARK(FillOnly)->Threads(1)->Threads(2);

// The record is filled and kept: into the ring of 10,000 and the counters.
void FillAndRecord(benchmark::State& state) {
  static TActivity activity(TActivity::DefaultRecords);
  int64_t n = 0;
  for (auto _ : state) activity.Record(FilledRecord(++n));
}
BENCHMARK(FillAndRecord)->Threads(1)->Threads(2);

}  // namespace
}  // namespace fieldsync

BENCHMARK_MAIN();
