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
#include <string>
#include <utility>
#include <vector>

#include "core/Mutex.h"

namespace fieldsync {

// Refused logins by reason ("no_credentials", "wrong_credentials",
// "throttled") and their counts since the start.
using TLoginRefusals = std::vector<std::pair<std::string, uint64_t>>;

struct TAttachmentCounts {
  int64_t InUse = 0;
  int64_t Idle = 0;
};

class TActivityGauges {
 public:
  using TCountSource = std::function<int64_t()>;
  // Answers nothing while there is no pool of attachments.
  using TAttachmentSource = std::function<std::optional<TAttachmentCounts>()>;

  // Set only while the service requires a login.
  using TLoginRefusalSource = std::function<TLoginRefusals()>;

  void SetConnectionsOpen(TCountSource source);
  void SetDatabaseAttachments(TAttachmentSource source);
  void SetLoginRefusals(TLoginRefusalSource source);
  // The service listens beyond this machine and requires no login: anyone
  // who reaches its port can read and write (the operator's page says so).
  void SetOpenToAnyone(bool value);

  std::optional<int64_t> ConnectionsOpen() const;
  std::optional<TAttachmentCounts> DatabaseAttachments() const;
  std::optional<TLoginRefusals> LoginRefusals() const;
  bool OpenToAnyone() const;

 private:
  mutable TMutex FLock;
  TCountSource FConnectionsOpen GUARDED_BY(FLock);
  TAttachmentSource FDatabaseAttachments GUARDED_BY(FLock);
  TLoginRefusalSource FLoginRefusals GUARDED_BY(FLock);
  bool FOpenToAnyone GUARDED_BY(FLock) = false;
};

// The program's gauges.
TActivityGauges& ActivityGauges();

}  // namespace fieldsync
