// The dispatch workers: every job runs once, no more threads than allowed
// run at once, idle threads end, and stopping runs what is queued.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "http/internal/DispatchWorkers.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

using namespace std::chrono_literals;

// The limit is the thread maximum, or the concurrency when jobs are quick
// (they never turn slow within the 10 s given here).
TEST(DispatchWorkers, RunsEveryJobOnceWithinTheThreadLimit) {
  struct TCase {
    int MaxThreads;
    int Jobs;
    int Concurrency;
  };
  for (const TCase c : {TCase{1, 20, 0}, TCase{4, 200, 0}, TCase{64, 100, 0}, TCase{64, 200, 3}}) {
    SCOPED_TRACE(c.Concurrency);
    const int limit = c.Concurrency > 0 ? c.Concurrency : c.MaxThreads;
    std::atomic<int> running{0}, mostAtOnce{0}, done{0};
    {
      TDispatchWorkers workers(c.MaxThreads, 10s, c.Concurrency, 10s);
      for (int i = 0; i < c.Jobs; ++i) {
        workers.Submit([&] {
          const int now = ++running;
          int seen = mostAtOnce.load();
          while (now > seen && !mostAtOnce.compare_exchange_weak(seen, now)) {
          }
          std::this_thread::sleep_for(1ms);
          --running;
          ++done;
        });
      }
      EXPECT_LE(workers.Threads(), c.MaxThreads);
    }  // stopping runs what is still queued
    EXPECT_EQ(done.load(), c.Jobs) << c.MaxThreads;
    EXPECT_LE(mostAtOnce.load(), limit);
    EXPECT_GE(mostAtOnce.load(), 1);
  }
}

TEST(DispatchWorkers, MakesAThreadForEachBlockedJobAndEndsIdleOnes) {
  // Without a concurrency limit, and with one of 2 that blocked jobs exceed
  // once they have run for 20 ms.
  for (const int concurrency : {0, 2}) {
  SCOPED_TRACE(concurrency);
  TDispatchWorkers workers(8, 50ms, concurrency, 20ms);
  std::mutex lock;
  std::condition_variable changed;
  int waiting = 0;
  bool open = false;
  for (int i = 0; i < 5; ++i) {
    workers.Submit([&] {
      std::unique_lock held(lock);
      ++waiting;
      changed.notify_all();
      changed.wait(held, [&] { return open; });
    });
  }
  {
    // Five jobs that wait for each other need five threads.
    std::unique_lock held(lock);
    ASSERT_TRUE(changed.wait_for(held, 10s, [&] { return waiting == 5; }));
    open = true;
    changed.notify_all();
  }
  EXPECT_TRUE(WaitUntil([&] { return workers.Threads() == 0; }, 10s)) << workers.Threads();
  // A later job gets a thread again.
  std::atomic<bool> ran{false};
  workers.Submit([&] { ran = true; });
  workers.Stop();
  EXPECT_TRUE(ran.load());
  }
}

}  // namespace
}  // namespace fieldsync::test
