#include "activity/ActivityLog.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace fieldsync {
namespace {

TRequestRecord Numbered(int64_t n) {
  TRequestRecord record;
  record.StartUnixUs = n;
  record.Path.Assign("/" + std::to_string(n));
  return record;
}

TEST(ActivityLog, HoldsTheNewestRecordsOldestFirst) {
  struct TCase {
    size_t Capacity;
    int Added;
  };
  const TCase cases[] = {{4, 0}, {4, 3}, {4, 4}, {4, 5}, {4, 23}, {1, 3}};
  for (const auto& c : cases) {
    TActivityLog log(c.Capacity);
    for (int i = 1; i <= c.Added; ++i) log.Add(Numbered(i));
    const auto records = log.Snapshot();
    const int held = std::min<int>(c.Added, static_cast<int>(c.Capacity));
    ASSERT_EQ(records.size(), static_cast<size_t>(held)) << c.Capacity << " " << c.Added;
    for (int i = 0; i < held; ++i) {
      EXPECT_EQ(records[i].StartUnixUs, c.Added - held + 1 + i);
      EXPECT_EQ(records[i].Path.View(), "/" + std::to_string(c.Added - held + 1 + i));
    }
    EXPECT_EQ(log.Total(), static_cast<uint64_t>(c.Added));
  }
}

TEST(ActivityLog, WithoutCapacityHoldsNothing) {
  TActivityLog log(0);
  log.Add(Numbered(1));
  EXPECT_TRUE(log.Snapshot().empty());
}

TEST(ActivityLog, WritersAtOnceLoseNothingButTheOldest) {
  constexpr int Threads = 4, PerThread = 5000;
  constexpr size_t Capacity = 1000;
  TActivityLog log(Capacity);
  std::vector<std::thread> writers;
  for (int t = 0; t < Threads; ++t)
    writers.emplace_back([&log, t] {
      for (int i = 0; i < PerThread; ++i) log.Add(Numbered(t * PerThread + i));
    });
  // A reader at the same time sees whole records only.
  for (int round = 0; round < 20; ++round)
    for (const auto& record : log.Snapshot()) ASSERT_EQ(record.Path.View(), "/" + std::to_string(record.StartUnixUs));
  for (auto& writer : writers) writer.join();

  EXPECT_EQ(log.Total(), static_cast<uint64_t>(Threads * PerThread));
  const auto records = log.Snapshot();
  ASSERT_EQ(records.size(), Capacity);
  std::set<int64_t> distinct;
  for (const auto& record : records) distinct.insert(record.StartUnixUs);
  EXPECT_EQ(distinct.size(), Capacity);
}

}  // namespace
}  // namespace fieldsync
