#pragma once
// The records of the most recent requests, in a ring of fixed size: the
// newest record takes the place of the oldest.
//
// Thread-safe. Adding never waits for another writer: each request takes
// its own place with one atomic step and copies its record under that
// place's own lock, which a reader holds only to copy that one record.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "activity/RequestRecord.h"
#include "core/Mutex.h"

namespace fieldsync {

class TActivityLog {
 public:
  // Holds the last `capacity` records; 0 holds none.
  explicit TActivityLog(size_t capacity);
  ~TActivityLog();
  TActivityLog(const TActivityLog&) = delete;
  TActivityLog& operator=(const TActivityLog&) = delete;

  void Add(const TRequestRecord& record);

  // The records held now, oldest first.
  std::vector<TRequestRecord> Snapshot() const;

  size_t Capacity() const { return FCapacity; }
  // Records added since the log was made (held or already replaced).
  uint64_t Total() const { return FNext.load(std::memory_order_relaxed); }

 private:
  struct TSlot {
    mutable TMutex Lock;
    uint64_t Sequence GUARDED_BY(Lock) = 0;  // 0: empty
    TRequestRecord Record GUARDED_BY(Lock);
  };

  size_t FCapacity;
  std::unique_ptr<TSlot[]> FSlots;
  std::atomic<uint64_t> FNext{0};
};

}  // namespace fieldsync
