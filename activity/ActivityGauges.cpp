#include "activity/ActivityGauges.h"

namespace fieldsync {

void TActivityGauges::SetConnectionsOpen(TCountSource source) {
  TMutexLock lock(FLock);
  FConnectionsOpen = std::move(source);
}

void TActivityGauges::SetDatabaseAttachments(TAttachmentSource source) {
  TMutexLock lock(FLock);
  FDatabaseAttachments = std::move(source);
}

std::optional<int64_t> TActivityGauges::ConnectionsOpen() const {
  TCountSource source;
  {
    TMutexLock lock(FLock);
    source = FConnectionsOpen;
  }
  if (!source) return std::nullopt;
  return source();
}

std::optional<TAttachmentCounts> TActivityGauges::DatabaseAttachments() const {
  TAttachmentSource source;
  {
    TMutexLock lock(FLock);
    source = FDatabaseAttachments;
  }
  if (!source) return std::nullopt;
  return source();
}

void TActivityGauges::SetLoginRefusals(TLoginRefusalSource source) {
  TMutexLock lock(FLock);
  FLoginRefusals = std::move(source);
}

void TActivityGauges::SetOpenToAnyone(bool value) {
  TMutexLock lock(FLock);
  FOpenToAnyone = value;
}

std::optional<TLoginRefusals> TActivityGauges::LoginRefusals() const {
  TLoginRefusalSource source;
  {
    TMutexLock lock(FLock);
    source = FLoginRefusals;
  }
  if (!source) return std::nullopt;
  return source();
}

bool TActivityGauges::OpenToAnyone() const {
  TMutexLock lock(FLock);
  return FOpenToAnyone;
}

TActivityGauges& ActivityGauges() {
  static TActivityGauges gauges;
  return gauges;
}

}  // namespace fieldsync
