#pragma once
// The memory the process may spend at once on building large table answers.
//
// A table answer is built in memory (its column buffers, then the body);
// sixteen handhelds downloading the whole client list at once would otherwise
// hold gigabytes. Each table being written holds a reservation that grows
// with the bytes it holds. Below LargeAnswerBytes a reservation never waits.
// A table that grows past it must be admitted: it waits until its bytes fit
// in what the budget has left, or until no other admitted table is being
// written, so calls beyond the budget wait their turn rather than fail, and
// one table larger than the whole budget still gets written. An admitted
// table that grows past the budget waits too, until the others' bytes have
// been given back, unless it is the oldest admitted table still being
// written: that one grows without waiting (it may exceed the budget), so the
// oldest writer always finishes and no two writers wait on each other. A
// table's bytes count until its reservation ends, which may be after it is
// written (a writer that keeps the buffers until they are sent).
//
// When the last large table of a burst is done, the allocator is asked to
// give its free memory back to the system.
//
// The budget is FIELDSYNC_ANSWER_BUDGET_MB megabytes (default 512), read
// once. Thread-safe.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <set>

#include "core/Mutex.h"

namespace fieldsync {

inline constexpr const char* AnswerBudgetVariable = "FIELDSYNC_ANSWER_BUDGET_MB";

class TTableMemoryBudget {
 public:
  static constexpr size_t LargeAnswerBytes = size_t{4} << 20;
  static constexpr size_t DefaultBudgetBytes = size_t{512} << 20;

  explicit TTableMemoryBudget(size_t budgetBytes) : FBudget(budgetBytes) {}
  static TTableMemoryBudget& Process();

  class TReservation {
   public:
    explicit TReservation(TTableMemoryBudget& budget) : FBudget(budget) {}
    ~TReservation();
    TReservation(const TReservation&) = delete;
    TReservation& operator=(const TReservation&) = delete;
    // The table now holds `bytes` (more or less than before); may wait.
    void Hold(size_t bytes);
    // The table is written; it will not grow any more.
    void Written();

   private:
    TTableMemoryBudget& FBudget;
    size_t FBytes = 0;
    bool FAdmitted = false;
    bool FWriting = false;
    uint64_t FTicket = 0;  // order of admission
  };

  size_t Budget() const { return FBudget; }
  size_t InUse();           // bytes reserved by admitted tables
  size_t PeakInUse();       // the most InUse ever was
  size_t Waits();           // how often a table had to wait

 private:
  TMutex FLock;
  std::condition_variable FFreed;
  const size_t FBudget;
  size_t FInUse GUARDED_BY(FLock) = 0;
  size_t FPeak GUARDED_BY(FLock) = 0;
  size_t FAdmitted GUARDED_BY(FLock) = 0;  // admitted tables not yet given back
  std::set<uint64_t> FWriting GUARDED_BY(FLock);  // tickets of admitted tables still being written
  uint64_t FNextTicket GUARDED_BY(FLock) = 0;
  size_t FWaits GUARDED_BY(FLock) = 0;
};

}  // namespace fieldsync
