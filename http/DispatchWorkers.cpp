#include "http/internal/DispatchWorkers.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "core/Platform.h"

namespace fieldsync {

TDispatchWorkers::TDispatchWorkers(int maxThreads, std::chrono::milliseconds idleLifetime, int concurrency,
                                   std::chrono::milliseconds slowAfter)
    : FMaxThreads(maxThreads),
      FIdleLifetime(idleLifetime),
      FConcurrency(concurrency > 0 && concurrency < maxThreads ? concurrency : maxThreads),
      FSlowAfter(slowAfter) {
  if (FConcurrency < FMaxThreads) FWatcher = std::thread([this] { Watch(); });
}

TDispatchWorkers::~TDispatchWorkers() { Stop(); }

void TDispatchWorkers::Stop() {
  {
    TMutexLock lock(FLock);
    FStopping = true;
  }
  FWork.notify_all();
  FWatchWake.notify_all();
  if (FWatcher.joinable()) FWatcher.join();
  // A thread that ends moves itself to FEnded, so take turns until none is
  // left in either list.
  while (true) {
    TUniqueLock lock(FLock);
    if (FThreads.empty() && FEnded.empty()) break;
    std::vector<std::thread> ended = std::move(FEnded);
    FEnded.clear();
    std::list<std::thread> running = std::move(FThreads);
    FThreads.clear();
    lock.Unlock();
    for (auto& thread : ended) thread.join();
    // The running ones find FStopping and an empty list; they end on their
    // own, and their handles are joined here.
    for (auto& thread : running) thread.join();
  }
}

int TDispatchWorkers::Threads() const {
  TMutexLock lock(FLock);
  return static_cast<int>(FThreads.size());
}

void TDispatchWorkers::JoinEnded() {
  std::vector<std::thread> ended;
  {
    TMutexLock lock(FLock);
    ended.swap(FEnded);
  }
  for (auto& thread : ended) thread.join();
}

// Jobs that started less than FSlowAfter ago.
int TDispatchWorkers::Recent(TClock::time_point now) const {
  const auto recent = FRunningSince.lower_bound(now - FSlowAfter);
  return static_cast<int>(std::distance(recent, FRunningSince.end()));
}

bool TDispatchWorkers::MayStart() const {
  return FStopping || FConcurrency >= FMaxThreads || Recent(TClock::now()) < FConcurrency;
}

void TDispatchWorkers::AddThreads(TClock::time_point now) {
  int starting = FNew + Recent(now);
  while (FIdle + FNew < static_cast<int>(FQueue.size()) && starting < FConcurrency &&
         static_cast<int>(FThreads.size()) < FMaxThreads) {
    try {
      FThreads.emplace_back([this] { Run(); });
    } catch (const std::system_error&) {
      return;  // no thread to be had: the job waits for one
    }
    ++FNew;
    ++starting;
  }
}

void TDispatchWorkers::Submit(TJob job) {
  JoinEnded();
  bool wake = false;
  bool watch = false;
  {
    TMutexLock lock(FLock);
    FQueue.push_back(std::move(job));
    if (FIdle >= static_cast<int>(FQueue.size())) {
      wake = true;
    } else {
      AddThreads(TClock::now());
      wake = FIdle > 0;
    }
    // Jobs that cannot start now are the watcher's to look after.
    watch = FIdle + FNew < static_cast<int>(FQueue.size()) || !MayStart();
  }
  if (wake) FWork.notify_one();
  if (watch) FWatchWake.notify_one();
}

// While jobs wait, looks every few milliseconds whether running ones have
// turned slow, and makes threads for the waiting ones if so.
void TDispatchWorkers::Watch() {
  SetCurrentThreadName("http-dispatch-watch");
  TUniqueLock lock(FLock);
  while (!FStopping) {
    if (FQueue.empty()) {
      FWatchWake.wait(lock.Native());
      continue;
    }
    if (MayStart()) {
      if (FIdle > 0) FWork.notify_one();
      AddThreads(TClock::now());
    }
    FWatchWake.wait_for(lock.Native(), std::max(FSlowAfter / 10, std::chrono::milliseconds(1)));
  }
}

void TDispatchWorkers::Run() {
  SetCurrentThreadName("http-dispatch");
  TUniqueLock lock(FLock);
  bool fresh = true;  // counted in FNew until it takes its first job or ends
  while (true) {
    // A job starts when fewer than FConcurrency others started recently.
    if (FQueue.empty() || !MayStart()) {
      if (FStopping) break;
      if (fresh) {
        fresh = false;
        --FNew;
      }
      ++FIdle;
      const bool woken = FWork.wait_for(lock.Native(), FIdleLifetime, [this] {
        FLock.AssertHeld();
        return (!FQueue.empty() && MayStart()) || FStopping;
      });
      --FIdle;
      if (!woken) break;  // idle too long
      continue;
    }
    if (fresh) {
      fresh = false;
      --FNew;
    }
    TJob job = std::move(FQueue.front());
    FQueue.pop_front();
    const auto running = FRunningSince.insert(TClock::now());
    lock.Unlock();
    job();
    job = nullptr;
    lock.Lock();
    FRunningSince.erase(running);
  }
  if (fresh) --FNew;
  // While stopping, the destructor owns the handles it took; otherwise this
  // thread hands its own handle over to be joined.
  for (auto it = FThreads.begin(); it != FThreads.end(); ++it) {
    if (it->get_id() == std::this_thread::get_id()) {
      FEnded.push_back(std::move(*it));
      FThreads.erase(it);
      break;
    }
  }
}

}  // namespace fieldsync
