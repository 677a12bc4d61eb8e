#include "json/internal/TableMemoryBudget.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/NumberText.h"
#include "core/Platform.h"

namespace fieldsync {

TTableMemoryBudget& TTableMemoryBudget::Process() {
  static TTableMemoryBudget budget([] {
    const std::string text = EnvironmentVariable(AnswerBudgetVariable);
    // Digits only; anything else, and 0, leaves the default. A number of
    // megabytes past what the address space holds means no limit in effect.
    const uint64_t megabytes = DigitsToUInt64(text).value_or(0);
    if (megabytes == 0) return DefaultBudgetBytes;
    constexpr uint64_t MaxMegabytes = std::numeric_limits<size_t>::max() >> 20;
    return static_cast<size_t>(std::min(megabytes, MaxMegabytes)) << 20;
  }());
  return budget;
}

void TTableMemoryBudget::TReservation::Hold(size_t bytes) {
  TTableMemoryBudget& b = FBudget;
  if (!FAdmitted && bytes < LargeAnswerBytes) {
    FBytes = bytes;
    return;
  }
  TUniqueLock lock(b.FLock);
  if (!FAdmitted) {
    if (b.FAdmitted > 0 && b.FInUse + bytes > b.FBudget) {
      ++b.FWaits;
      b.FFreed.wait(lock.Native(), [&] {
        b.FLock.AssertHeld();
        return b.FAdmitted == 0 || b.FInUse + bytes <= b.FBudget;
      });
    }
    FAdmitted = true;
    FWriting = true;
    FTicket = b.FNextTicket++;
    b.FWriting.insert(FTicket);
    ++b.FAdmitted;
    FBytes = 0;
  } else if (bytes > FBytes && FWriting && b.FInUse - FBytes + bytes > b.FBudget &&
             *b.FWriting.begin() != FTicket) {
    // Growing past the budget: the oldest writer goes on, the others wait.
    ++b.FWaits;
    b.FFreed.wait(lock.Native(), [&] {
      b.FLock.AssertHeld();
      return b.FInUse - FBytes + bytes <= b.FBudget || *b.FWriting.begin() == FTicket;
    });
  }
  b.FInUse = b.FInUse - FBytes + bytes;
  b.FPeak = std::max(b.FPeak, b.FInUse);
  const bool shrank = bytes < FBytes;
  FBytes = bytes;
  lock.Unlock();
  if (shrank) b.FFreed.notify_all();
}

void TTableMemoryBudget::TReservation::Written() {
  if (!FWriting) return;
  TTableMemoryBudget& b = FBudget;
  {
    TMutexLock lock(b.FLock);
    b.FWriting.erase(FTicket);
    FWriting = false;
  }
  b.FFreed.notify_all();
}

TTableMemoryBudget::TReservation::~TReservation() {
  if (!FAdmitted) return;
  TTableMemoryBudget& b = FBudget;
  bool last = false;
  {
    TMutexLock lock(b.FLock);
    if (FWriting) b.FWriting.erase(FTicket);
    b.FInUse -= FBytes;
    last = --b.FAdmitted == 0;
  }
  b.FFreed.notify_all();
  // The column buffers of a large table lie in the allocator's heap, which
  // keeps freed memory for reuse; after a burst it goes back to the system.
  if (last) ReleaseFreedMemory();
}

size_t TTableMemoryBudget::InUse() {
  TMutexLock lock(FLock);
  return FInUse;
}

size_t TTableMemoryBudget::PeakInUse() {
  TMutexLock lock(FLock);
  return FPeak;
}

size_t TTableMemoryBudget::Waits() {
  TMutexLock lock(FLock);
  return FWaits;
}

}  // namespace fieldsync
