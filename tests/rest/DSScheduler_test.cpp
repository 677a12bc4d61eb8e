// The scheduler's own thread against cancellations and destruction that come
// while it waits for an event. A fault here frees what the waiting thread is
// about to read; under AddressSanitizer that is reported and the test fails.
#include "rest/DSScheduler.h"
#include "tests/support/Expect.h"
#include "tests/support/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace fieldsync;
using fieldsync::test::ThreadStates;
using fieldsync::test::ThreadWaits;
using fieldsync::test::WaitUntil;

namespace {

// Records the events that ran, in order.
struct TRunLog {
  std::mutex Lock;
  std::vector<int> Ran;
  std::function<void()> Entry(int event) {
    return [this, event] {
      std::lock_guard lock(Lock);
      Ran.push_back(event);
    };
  }
  std::vector<int> Snapshot() {
    std::lock_guard lock(Lock);
    return Ran;
  }
  bool Contains(int event) {
    const auto ran = Snapshot();
    return std::find(ran.begin(), ran.end(), event) != ran.end();
  }
};

// The scheduler thread's name as the kernel keeps it.
const char* const SchedulerThread = "DBXSchedulerThread";

// Waits until the scheduler thread has reached its wait for the earliest event.
void LetTheSchedulerWait() { ASSERT_TRUE(WaitUntil([] { return ThreadWaits(SchedulerThread); })); }

// Waits until the scheduler thread has left its loop, the queue being empty.
void LetTheSchedulerStop() { ASSERT_TRUE(WaitUntil([] { return ThreadStates(SchedulerThread).empty(); })); }

// Events far enough ahead that none falls due during a case.
struct TCancelCase {
  const char* Name;
  std::vector<int64_t> DelaysMs;  // event i is scheduled i-th, due after DelaysMs[i]
  int Cancelled;                  // the event cancelled while the thread waits; -1: an id never given
};

}  // namespace

TEST(DSScheduler, CancellingWhileTheThreadWaitsLeavesTheOtherEventsAndTheThreadGoingOn) {
  FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
  const TCancelCase cases[] = {
      {"the earliest event, which the thread waits for", {60000, 120000}, 0},
      {"the earliest event, scheduled after a later one", {120000, 60000}, 1},
      {"the only event", {60000}, 0},
      {"an event between two others", {60000, 90000, 120000}, 1},
      {"an id the scheduler never gave", {60000, 120000}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRunLog log;
    TDSScheduler scheduler;
    std::vector<TDSScheduler::TEventId> ids;
    for (size_t i = 0; i < c.DelaysMs.size(); ++i)
      ids.push_back(scheduler.Schedule(c.DelaysMs[i], log.Entry(static_cast<int>(i))));
    LetTheSchedulerWait();
    scheduler.Cancel(c.Cancelled < 0 ? ids.back() + 1000 : ids[static_cast<size_t>(c.Cancelled)]);
    const size_t left = c.DelaysMs.size() - (c.Cancelled < 0 ? 0 : 1);
    EXPECT_EQ(scheduler.PendingCount(), left);

    // The thread still serves an event that falls due now.
    const int sentinel = 99;
    scheduler.Schedule(5, log.Entry(sentinel));
    WaitUntil([&] { return log.Contains(sentinel); });
    EXPECT_EQ(log.Snapshot(), std::vector<int>{sentinel});
    EXPECT_EQ(scheduler.PendingCount(), left);
  }
}

TEST(DSScheduler, AnEarlierEventAddedWhileTheThreadWaitsRunsFirst) {
  FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
  TRunLog log;
  TDSScheduler scheduler;
  scheduler.Schedule(60000, log.Entry(0));
  LetTheSchedulerWait();
  scheduler.Schedule(10, log.Entry(1));
  WaitUntil([&] { return log.Contains(1); });
  EXPECT_EQ(log.Snapshot(), std::vector<int>{1});
  EXPECT_EQ(scheduler.PendingCount(), 1u);
}

TEST(DSScheduler, TheThreadStartsAgainAfterItRanOutOfEvents) {
  TRunLog log;
  TDSScheduler scheduler;
  for (int round = 0; round < 3; ++round) {
    scheduler.Schedule(5, log.Entry(round));
    WaitUntil([&] { return log.Contains(round); });
    LetTheSchedulerStop();
  }
  EXPECT_EQ(log.Snapshot(), (std::vector<int>{0, 1, 2}));
}

TEST(DSScheduler, AFailingEventDoesNotEndTheThread) {
  TRunLog log;
  TDSScheduler scheduler;
  scheduler.Schedule(5, [] { throw std::runtime_error("check failed"); });
  scheduler.Schedule(20, log.Entry(1));
  WaitUntil([&] { return log.Contains(1); });
  EXPECT_EQ(log.Snapshot(), std::vector<int>{1});
}

TEST(DSScheduler, DestroyingItWhileTheThreadWaitsRunsNothing) {
  FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
  TRunLog log;
  {
    TDSScheduler scheduler;
    scheduler.Schedule(60000, log.Entry(0));
    scheduler.Schedule(120000, log.Entry(1));
    LetTheSchedulerWait();
  }  // clears the queue under the waiting thread, wakes it and joins it
  EXPECT_TRUE(log.Snapshot().empty());
}
