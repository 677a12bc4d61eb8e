#include "json/TableMemoryBudget.h"

#include <malloc.h>

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
  std::unique_lock<std::mutex> lock(b.FLock);
  if (!FAdmitted) {
    if (b.FAdmitted > 0 && b.FInUse + bytes > b.FBudget) {
      ++b.FWaits;
      b.FFreed.wait(lock, [&] { return b.FAdmitted == 0 || b.FInUse + bytes <= b.FBudget; });
    }
    FAdmitted = true;
    ++b.FAdmitted;
    FBytes = 0;
  }
  b.FInUse = b.FInUse - FBytes + bytes;
  b.FPeak = std::max(b.FPeak, b.FInUse);
  const bool shrank = bytes < FBytes;
  FBytes = bytes;
  lock.unlock();
  if (shrank) b.FFreed.notify_all();
}

TTableMemoryBudget::TReservation::~TReservation() {
  if (!FAdmitted) return;
  TTableMemoryBudget& b = FBudget;
  bool last = false;
  {
    std::lock_guard<std::mutex> lock(b.FLock);
    b.FInUse -= FBytes;
    last = --b.FAdmitted == 0;
  }
  b.FFreed.notify_all();
  // The column buffers of a large table lie in the allocator's heap, which
  // keeps freed memory for reuse; after a burst it goes back to the system.
  if (last) ::malloc_trim(0);
}

size_t TTableMemoryBudget::InUse() {
  std::lock_guard<std::mutex> lock(FLock);
  return FInUse;
}

size_t TTableMemoryBudget::PeakInUse() {
  std::lock_guard<std::mutex> lock(FLock);
  return FPeak;
}

size_t TTableMemoryBudget::Waits() {
  std::lock_guard<std::mutex> lock(FLock);
  return FWaits;
}

}  // namespace fieldsync
