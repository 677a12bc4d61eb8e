#pragma once
// The threads that run requests for the listener's I/O threads: a request
// whose bytes have all arrived is handed here, so that a web module waiting
// on the database never holds up reading and writing other connections.
// Threads are made when every one is busy (up to a maximum, beyond which
// requests wait their turn) and end after a while without work.
//
// At most `concurrency` jobs start running at once: a job beyond that waits
// in the queue until a running one ends, or until one has run for `slowAfter`
// (a job that long is waiting on something, the database or a lock, rather
// than using the processor), when another thread is made for it. So a burst
// of short requests on a machine with few cores queues here instead of
// having every request started and held (with its web module) while it
// waits for a processor, and jobs that block still get a thread each.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <set>
#include <thread>
#include <vector>

#include "core/Mutex.h"

namespace fieldsync {

class TDispatchWorkers {
 public:
  using TJob = std::function<void()>;

  // `concurrency` 0 means no limit but `maxThreads`.
  TDispatchWorkers(int maxThreads, std::chrono::milliseconds idleLifetime, int concurrency = 0,
                   std::chrono::milliseconds slowAfter = std::chrono::milliseconds(50));
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
  using TClock = std::chrono::steady_clock;
  void Run();
  void Watch();
  void JoinEnded();
  // Makes threads for queued jobs while fewer than FConcurrency jobs have
  // started recently; FLock held.
  void AddThreads(TClock::time_point now) REQUIRES(FLock);
  int Recent(TClock::time_point now) const REQUIRES(FLock);
  bool MayStart() const REQUIRES(FLock);

  const int FMaxThreads;
  const std::chrono::milliseconds FIdleLifetime;
  const int FConcurrency;
  const std::chrono::milliseconds FSlowAfter;
  mutable TMutex FLock;
  std::condition_variable FWork;
  std::condition_variable FWatchWake;
  std::deque<TJob> FQueue GUARDED_BY(FLock);
  std::list<std::thread> FThreads GUARDED_BY(FLock);
  std::vector<std::thread> FEnded GUARDED_BY(FLock);  // threads that have returned
  std::multiset<TClock::time_point> FRunningSince GUARDED_BY(FLock);  // start of each running job
  int FNew GUARDED_BY(FLock) = 0;  // threads made that have not taken a job yet
  int FIdle GUARDED_BY(FLock) = 0;
  bool FStopping GUARDED_BY(FLock) = false;
  std::thread FWatcher;  // makes threads when running jobs turn slow
};

}  // namespace fieldsync
