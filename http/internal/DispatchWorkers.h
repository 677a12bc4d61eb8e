#pragma once
// The threads that run requests for the listener's I/O threads: a request
// whose bytes have all arrived is handed here, so that a web module waiting
// on the database never holds up reading and writing other connections.
// Threads are made when every one is busy (up to a maximum, beyond which
// requests wait their turn) and end after a while without work.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <thread>
#include <vector>

#include "core/Mutex.h"

namespace fieldsync {

class TDispatchWorkers {
 public:
  using TJob = std::function<void()>;

  TDispatchWorkers(int maxThreads, std::chrono::milliseconds idleLifetime);
  ~TDispatchWorkers();  // stops

  // Runs what is queued, then joins every thread; no job may be submitted
  // after it.
  void Stop();
  TDispatchWorkers(const TDispatchWorkers&) = delete;
  TDispatchWorkers& operator=(const TDispatchWorkers&) = delete;

  // Runs `job` on a worker thread; a job must not raise.
  void Submit(TJob job);

  // Threads alive now.
  int Threads() const;

 private:
  void Run();
  void JoinEnded();

  const int FMaxThreads;
  const std::chrono::milliseconds FIdleLifetime;
  mutable TMutex FLock;
  std::condition_variable FWork;
  std::deque<TJob> FQueue GUARDED_BY(FLock);
  std::list<std::thread> FThreads GUARDED_BY(FLock);
  std::vector<std::thread> FEnded GUARDED_BY(FLock);  // threads that have returned
  int FIdle GUARDED_BY(FLock) = 0;
  bool FStopping GUARDED_BY(FLock) = false;
};

}  // namespace fieldsync
