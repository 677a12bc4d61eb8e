#pragma once
// Values the metrics page reads from parts of the program that only its
// start-up can see: the listener's open connections and the database
// attachments held by a pool of reused attachments. Each source is set once
// at start-up, before the listener starts; one that is not set reports
// nothing, and the page then leaves its metric out.
//
// Thread-safe: sources are set and read under FLock; a source itself must
// be callable from any request thread.

#include <cstdint>
#include <functional>
#include <optional>

#include "core/Mutex.h"

namespace fieldsync {

struct TAttachmentCounts {
  int64_t InUse = 0;
  int64_t Idle = 0;
};

class TActivityGauges {
 public:
  using TCountSource = std::function<int64_t()>;
  // Answers nothing while there is no pool of attachments.
  using TAttachmentSource = std::function<std::optional<TAttachmentCounts>()>;

  void SetConnectionsOpen(TCountSource source);
  void SetDatabaseAttachments(TAttachmentSource source);

  std::optional<int64_t> ConnectionsOpen() const;
  std::optional<TAttachmentCounts> DatabaseAttachments() const;

 private:
  mutable TMutex FLock;
  TCountSource FConnectionsOpen GUARDED_BY(FLock);
  TAttachmentSource FDatabaseAttachments GUARDED_BY(FLock);
};

// The program's gauges.
TActivityGauges& ActivityGauges();

}  // namespace fieldsync
