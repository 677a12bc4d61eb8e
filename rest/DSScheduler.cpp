#include "rest/DSScheduler.h"

#include "core/Platform.h"

namespace fieldsync {

TDSScheduler::~TDSScheduler() {
  std::thread worker;
  {
    TMutexLock lock(FLock);
    FStopping = true;
    FEvents.clear();
    worker = std::move(FThread);
  }
  FWake.notify_all();
  if (worker.joinable()) worker.join();
}

TDSScheduler::TEventId TDSScheduler::Schedule(int64_t delayMs, std::function<void()> action) {
  std::thread finished;
  TEventId id;
  bool first = false;
  {
    TMutexLock lock(FLock);
    id = FNextId++;
    const auto added =
        FEvents.emplace(TClock::now() + std::chrono::milliseconds(delayMs), TEvent{id, std::move(action)});
    if (!FRunning && !FStopping) {
      // The previous thread (if any) has left its loop; collect it before
      // starting the next one.
      finished = std::move(FThread);
      FRunning = true;
      FThread = std::thread([this] { Run(); });
    } else {
      // The running thread waits for the earliest event: it needs waking
      // only when this one is now the earliest (a session's expiry, added
      // with every new session, seldom is).
      first = added == FEvents.begin();
    }
  }
  if (first) FWake.notify_all();
  if (finished.joinable()) finished.join();
  return id;
}

void TDSScheduler::Cancel(TEventId id) {
  TMutexLock lock(FLock);
  for (auto it = FEvents.begin(); it != FEvents.end(); ++it) {
    if (it->second.Id == id) {
      FEvents.erase(it);
      break;
    }
  }
  FWake.notify_all();
}

size_t TDSScheduler::PendingCount() {
  TMutexLock lock(FLock);
  return FEvents.size();
}

void TDSScheduler::Run() {
  SetCurrentThreadName("DBXSchedulerThread");
  TUniqueLock lock(FLock);
  while (!FStopping && !FEvents.empty()) {
    // The due time is copied out of the queue: while the thread waits, the
    // event can be cancelled or the queue cleared, which frees its node, and
    // the wait reads the time again when it wakes.
    const TClock::time_point due = FEvents.begin()->first;
    if (due > TClock::now()) {
      FWake.wait_until(lock.Native(), due);
      continue;
    }
    auto first = FEvents.begin();
    auto action = std::move(first->second.Action);
    FEvents.erase(first);
    lock.Unlock();
    try {
      action();
    } catch (...) {
      // A failing check must not end the scheduler.
    }
    lock.Lock();
  }
  FRunning = false;
}

}  // namespace fieldsync
