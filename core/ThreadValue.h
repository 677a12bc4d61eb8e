#pragma once
// One value of type T per thread, without a thread-local object that has a
// destructor: MinGW's GCC runs such destructors at thread exit in an order
// that crashes the process, so every ending worker thread would take the
// service down on Windows. The values are owned here, in one registry per
// Tag; each thread keeps only a plain pointer to its own.
//
// A thread's value lives from its first Get until Reset on that thread (the
// request's end). One left by a thread that ended before its Reset stays
// owned here and goes with the registry at the program's end: it is never
// seen by another thread, since a new thread starts with no value.
// Thread-safe: the registry is guarded by its lock; Find, Get and Reset
// touch only the calling thread's value.

#include <memory>
#include <unordered_map>

#include "core/Mutex.h"

namespace fieldsync {

template <class T, class Tag>
class TThreadValue {
 public:
  // The calling thread's value; null when it has none.
  static T* Find() { return Current; }

  // The calling thread's value, made (value-initialised) when it has none.
  static T& Get() {
    if (!Current) {
      auto value = std::make_unique<T>();
      T* raw = value.get();
      TRegistry& registry = Registry();
      TMutexLock lock(registry.Lock);
      registry.Values.emplace(raw, std::move(value));
      Current = raw;
    }
    return *Current;
  }

  // Frees the calling thread's value, if any.
  static void Reset() {
    T* raw = Current;
    if (!raw) return;
    Current = nullptr;
    std::unique_ptr<T> owned;
    {
      TRegistry& registry = Registry();
      TMutexLock lock(registry.Lock);
      auto it = registry.Values.find(raw);
      owned = std::move(it->second);
      registry.Values.erase(it);
    }
    // `owned` is freed here, outside the lock: its destructor may take others.
  }

  // Values held, by every thread (for tests).
  static size_t Count() {
    TRegistry& registry = Registry();
    TMutexLock lock(registry.Lock);
    return registry.Values.size();
  }

 private:
  struct TRegistry {
    TMutex Lock;
    std::unordered_map<T*, std::unique_ptr<T>> Values GUARDED_BY(Lock);
  };
  static TRegistry& Registry() {
    static TRegistry registry;
    return registry;
  }
  // A plain pointer: nothing runs for it when the thread ends.
  static inline thread_local T* Current = nullptr;
};

}  // namespace fieldsync
