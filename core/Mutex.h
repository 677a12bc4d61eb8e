#pragma once
// A mutex whose rules the compiler checks. Under clang with -Wthread-safety
// (scripts/thread-safety.sh), a member declared GUARDED_BY(FLock) may be
// read or written only while FLock is held, a function declared
// REQUIRES(FLock) may be called only with it held, and EXCLUDES(FLock) only
// without it; other compilers see plain declarations.
//
//   TMutex FLock;
//   int FCount GUARDED_BY(FLock) = 0;
//   void Add() { TMutexLock lock(FLock); ++FCount; }
//
// A condition variable waits on a TUniqueLock's Native() lock; its predicate
// runs with the mutex held, which the predicate states with AssertHeld()
// since the analysis cannot see through the wait.

#include <mutex>

#if defined(__clang__)
#define FIELDSYNC_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define FIELDSYNC_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) FIELDSYNC_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY FIELDSYNC_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) FIELDSYNC_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) FIELDSYNC_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRE(...) FIELDSYNC_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) FIELDSYNC_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define REQUIRES(...) FIELDSYNC_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) FIELDSYNC_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) FIELDSYNC_THREAD_ANNOTATION(assert_capability(x))
#define RETURN_CAPABILITY(x) FIELDSYNC_THREAD_ANNOTATION(lock_returned(x))

namespace fieldsync {

// A std::mutex the analysis knows as a capability.
class CAPABILITY("mutex") TMutex {
 public:
  TMutex() = default;
  TMutex(const TMutex&) = delete;
  TMutex& operator=(const TMutex&) = delete;

  void Lock() ACQUIRE() { FMutex.lock(); }
  void Unlock() RELEASE() { FMutex.unlock(); }
  // Tells the analysis the mutex is held where it cannot see the locking
  // (a condition variable's predicate); does nothing at run time.
  void AssertHeld() const ASSERT_CAPABILITY(this) {}

 private:
  friend class TUniqueLock;
  std::mutex FMutex;
};

// Holds a TMutex for its scope.
class SCOPED_CAPABILITY TMutexLock {
 public:
  explicit TMutexLock(TMutex& mutex) ACQUIRE(mutex) : FMutex(mutex) { mutex.Lock(); }
  ~TMutexLock() RELEASE() { FMutex.Unlock(); }
  TMutexLock(const TMutexLock&) = delete;
  TMutexLock& operator=(const TMutexLock&) = delete;

 private:
  TMutex& FMutex;
};

// Holds a TMutex for its scope, may give it up and take it again on the
// way, and lends its std::unique_lock to a std::condition_variable.
class SCOPED_CAPABILITY TUniqueLock {
 public:
  explicit TUniqueLock(TMutex& mutex) ACQUIRE(mutex) : FLock(mutex.FMutex) {}
  ~TUniqueLock() RELEASE() {}
  TUniqueLock(const TUniqueLock&) = delete;
  TUniqueLock& operator=(const TUniqueLock&) = delete;

  void Lock() ACQUIRE() { FLock.lock(); }
  void Unlock() RELEASE() { FLock.unlock(); }
  // For std::condition_variable's waits: they return with the mutex held.
  std::unique_lock<std::mutex>& Native() { return FLock; }

 private:
  std::unique_lock<std::mutex> FLock;
};

}  // namespace fieldsync
