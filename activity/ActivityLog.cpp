#include "activity/ActivityLog.h"

#include <algorithm>

namespace fieldsync {

TActivityLog::TActivityLog(size_t capacity)
    : FCapacity(capacity), FSlots(capacity > 0 ? std::make_unique<TSlot[]>(capacity) : nullptr) {}

TActivityLog::~TActivityLog() = default;

void TActivityLog::Add(const TRequestRecord& record) {
  if (FCapacity == 0) return;
  const uint64_t sequence = FNext.fetch_add(1, std::memory_order_relaxed) + 1;
  TSlot& slot = FSlots[(sequence - 1) % FCapacity];
  TMutexLock lock(slot.Lock);
  // A writer that was overtaken a whole ring later leaves the newer record.
  if (slot.Sequence > sequence) return;
  slot.Sequence = sequence;
  slot.Record = record;
}

std::vector<TRequestRecord> TActivityLog::Snapshot() const {
  std::vector<std::pair<uint64_t, size_t>> order;
  std::vector<TRequestRecord> records;
  records.reserve(std::min<uint64_t>(Total(), FCapacity));
  for (size_t i = 0; i < FCapacity; ++i) {
    const TSlot& slot = FSlots[i];
    TMutexLock lock(slot.Lock);
    if (slot.Sequence == 0) continue;
    order.emplace_back(slot.Sequence, records.size());
    records.push_back(slot.Record);
  }
  std::sort(order.begin(), order.end());
  std::vector<TRequestRecord> sorted;
  sorted.reserve(records.size());
  for (const auto& [sequence, index] : order) sorted.push_back(records[index]);
  return sorted;
}

}  // namespace fieldsync
