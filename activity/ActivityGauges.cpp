#include "activity/ActivityGauges.h"

namespace fieldsync {

void TActivityGauges::SetConnectionsOpen(TCountSource source) {
  std::lock_guard lock(FLock);
  FConnectionsOpen = std::move(source);
}

void TActivityGauges::SetDatabaseAttachments(TAttachmentSource source) {
  std::lock_guard lock(FLock);
  FDatabaseAttachments = std::move(source);
}

std::optional<int64_t> TActivityGauges::ConnectionsOpen() const {
  TCountSource source;
  {
    std::lock_guard lock(FLock);
    source = FConnectionsOpen;
  }
  if (!source) return std::nullopt;
  return source();
}

std::optional<TAttachmentCounts> TActivityGauges::DatabaseAttachments() const {
  TAttachmentSource source;
  {
    std::lock_guard lock(FLock);
    source = FDatabaseAttachments;
  }
  if (!source) return std::nullopt;
  return source();
}

TActivityGauges& ActivityGauges() {
  static TActivityGauges gauges;
  return gauges;
}

}  // namespace fieldsync
