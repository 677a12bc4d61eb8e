#include "http/internal/DispatchWorkers.h"

#include <system_error>

#include "core/Platform.h"

namespace fieldsync {

TDispatchWorkers::TDispatchWorkers(int maxThreads, std::chrono::milliseconds idleLifetime)
    : FMaxThreads(maxThreads), FIdleLifetime(idleLifetime) {}

TDispatchWorkers::~TDispatchWorkers() { Stop(); }

void TDispatchWorkers::Stop() {
  {
    TMutexLock lock(FLock);
    FStopping = true;
  }
  FWork.notify_all();
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

void TDispatchWorkers::Submit(TJob job) {
  JoinEnded();
  bool wake = false;
  {
    TMutexLock lock(FLock);
    FQueue.push_back(std::move(job));
    if (FIdle >= static_cast<int>(FQueue.size())) {
      wake = true;
    } else if (static_cast<int>(FThreads.size()) < FMaxThreads) {
      try {
        FThreads.emplace_back([this] { Run(); });
      } catch (const std::system_error&) {
        wake = true;  // no thread to be had: the job waits for one
      }
    }
  }
  if (wake) FWork.notify_one();
}

void TDispatchWorkers::Run() {
  SetCurrentThreadName("http-dispatch");
  TUniqueLock lock(FLock);
  while (true) {
    if (FQueue.empty()) {
      if (FStopping) break;
      ++FIdle;
      const bool woken = FWork.wait_for(lock.Native(), FIdleLifetime, [this] {
        FLock.AssertHeld();
        return !FQueue.empty() || FStopping;
      });
      --FIdle;
      if (!woken) break;  // idle too long
      continue;
    }
    TJob job = std::move(FQueue.front());
    FQueue.pop_front();
    lock.Unlock();
    job();
    job = nullptr;
    lock.Lock();
  }
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
