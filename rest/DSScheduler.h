#pragma once
// Runs callbacks at due times on one background thread, "DBXSchedulerThread".
// The thread sleeps until the earliest event is due (woken early when an
// earlier one is added), stops itself when no event is left, and is started
// again by the next Schedule. Callbacks run outside the lock; an exception
// from a callback is swallowed so that the thread goes on.
// Thread-safe: every member function takes FLock.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <thread>

#include "core/Mutex.h"

namespace fieldsync {

class TDSScheduler {
 public:
  using TClock = std::chrono::steady_clock;
  using TEventId = uint64_t;

  TDSScheduler() = default;
  ~TDSScheduler();
  TDSScheduler(const TDSScheduler&) = delete;
  TDSScheduler& operator=(const TDSScheduler&) = delete;

  // Runs `action` on the scheduler thread `delayMs` milliseconds from now.
  TEventId Schedule(int64_t delayMs, std::function<void()> action);
  // Forgets a pending event; no effect when it already ran or is unknown.
  void Cancel(TEventId id);
  // Number of events still pending; for tests and diagnostics.
  size_t PendingCount();

 private:
  void Run();

  struct TEvent {
    TEventId Id;
    std::function<void()> Action;
  };

  TMutex FLock;
  std::condition_variable FWake;
  std::multimap<TClock::time_point, TEvent> FEvents GUARDED_BY(FLock);
  TEventId FNextId GUARDED_BY(FLock) = 1;
  bool FRunning GUARDED_BY(FLock) = false;
  bool FStopping GUARDED_BY(FLock) = false;
  std::thread FThread GUARDED_BY(FLock);
};

}  // namespace fieldsync
