// The budget for large tables: who waits, who never does, and that waiting
// ends when memory is given back.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "json/internal/TableMemoryBudget.h"

namespace fieldsync {
namespace {

constexpr size_t MiB = size_t{1} << 20;

// Waits until `budget` has counted `waits` waits (the other thread is then
// blocked inside Hold).
void AwaitWaits(TTableMemoryBudget& budget, size_t waits) {
  while (budget.Waits() < waits) std::this_thread::yield();
}

TEST(TableMemoryBudget, ALargeTableWaitsUntilTheOthersFitThenProceeds) {
  TTableMemoryBudget budget(10 * MiB);
  auto first = std::make_unique<TTableMemoryBudget::TReservation>(budget);
  first->Hold(6 * MiB);
  EXPECT_EQ(budget.InUse(), 6 * MiB);

  std::atomic<bool> admitted{false};
  std::thread second([&] {
    TTableMemoryBudget::TReservation r(budget);
    r.Hold(1 * MiB);  // small: never waits
    r.Hold(5 * MiB);  // 6 + 5 > 10: waits
    admitted = true;
    EXPECT_EQ(budget.InUse(), 5 * MiB);
  });
  AwaitWaits(budget, 1);
  EXPECT_FALSE(admitted);
  first->Hold(7 * MiB);  // an admitted table grows without waiting
  EXPECT_EQ(budget.InUse(), 7 * MiB);
  first.reset();  // done: its bytes are given back
  second.join();
  EXPECT_TRUE(admitted);
  EXPECT_EQ(budget.InUse(), 0u);
  EXPECT_EQ(budget.PeakInUse(), 7 * MiB);
}

// Two admitted tables that outgrow the budget together: the younger waits
// while the older is being written, and goes on as the oldest writer once the
// older is written (whose bytes still count while they are sent).
TEST(TableMemoryBudget, TheOldestWriterGrowsTheYoungerWaits) {
  TTableMemoryBudget budget(16 * MiB);
  auto older = std::make_unique<TTableMemoryBudget::TReservation>(budget);
  older->Hold(5 * MiB);
  std::atomic<bool> grown{false};
  std::thread younger([&] {
    TTableMemoryBudget::TReservation r(budget);
    r.Hold(5 * MiB);   // 10 of 16: admitted at once
    r.Hold(10 * MiB);  // 15 of 16: grows at once
    r.Hold(12 * MiB);  // 17 of 16: waits for the older
    grown = true;
  });
  AwaitWaits(budget, 1);
  EXPECT_FALSE(grown);
  older->Hold(9 * MiB);  // the oldest writer past the budget: no wait
  EXPECT_EQ(budget.InUse(), 19 * MiB);
  older->Written();
  younger.join();
  EXPECT_TRUE(grown);
  EXPECT_EQ(budget.InUse(), 9 * MiB);  // the older's, until it is sent
  older.reset();
  EXPECT_EQ(budget.Waits(), 1u);
  EXPECT_EQ(budget.InUse(), 0u);
}

TEST(TableMemoryBudget, WhoWaits) {
  const struct {
    const char* Name;
    size_t Budget;
    size_t Held;   // by an admitted table, 0 = none
    size_t Asked;  // by the next table
    bool Waits;
  } cases[] = {
      {"small tables never wait", 8 * MiB, 8 * MiB, TTableMemoryBudget::LargeAnswerBytes - 1, false},
      {"fits in what is left", 16 * MiB, 6 * MiB, 10 * MiB, false},
      {"alone, larger than the whole budget", 8 * MiB, 0, 64 * MiB, false},
      {"does not fit beside another", 16 * MiB, 6 * MiB, 11 * MiB, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTableMemoryBudget budget(c.Budget);
    auto holder = std::make_unique<TTableMemoryBudget::TReservation>(budget);
    if (c.Held) holder->Hold(c.Held);
    std::thread asker([&] {
      TTableMemoryBudget::TReservation r(budget);
      r.Hold(c.Asked);
    });
    if (c.Waits) {
      AwaitWaits(budget, 1);
      holder.reset();
    }
    asker.join();
    EXPECT_EQ(budget.Waits(), c.Waits ? 1u : 0u);
  }
}

}  // namespace
}  // namespace fieldsync
