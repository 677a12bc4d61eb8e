#pragma once
// Private to db/ (and its tests): idle database attachments kept for reuse.
//
// A connection that closes gives its attachment back here instead of
// detaching; the next connection made with the same resolved settings takes
// it instead of attaching anew (attaching costs milliseconds: the server's
// authentication, reading the database header and metadata). Rules:
// - An attachment is handed out only for exactly the settings it was made
//   with (the key); idle ones made under other settings are closed at the
//   next take, so a changed definitions file never hands out an attachment
//   made under the old one.
// - Only clean attachments are kept: no transaction open (every statement has
//   committed or rolled back) and no call that failed for a lost connection.
// - Before one is handed out it is asked whether it still answers; one that
//   does not (server restarted, network cut) is dropped and the next idle one
//   or a new attachment is used, before any statement runs on it.
// - Idle ones are closed after IdleTime (60 s by default), and at most
//   MaxIdle are kept; attachments in use are the callers' own and are counted
//   only.
// - FIELDSYNC_DB_REUSE=0 turns it off: each connection attaches and detaches.
// Thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <thread>

#include "core/Mutex.h"

namespace fieldsync {

struct TFbAttachment;

inline constexpr const char* DbReuseVariable = "FIELDSYNC_DB_REUSE";

// Whether attachments are reused: FIELDSYNC_DB_REUSE is not "0".
bool AttachmentReuseEnabled();

struct TAttachmentPoolCounts {
  size_t Idle = 0;
  size_t Taken = 0;     // handed out again since the process started
  size_t Dropped = 0;   // found not answering when about to be handed out
};

class TAttachmentPool {
 public:
  // 32 web modules and the host's own connection.
  static constexpr size_t MaxIdle = 33;

  static TAttachmentPool& Process();

  // An idle attachment made with `key` that still answers, or nullptr.
  std::unique_ptr<TFbAttachment> Take(const std::string& key);
  // Keeps a clean attachment for reuse (a dirty one, or one beyond MaxIdle,
  // is detached here).
  void Give(std::unique_ptr<TFbAttachment> attachment);
  // Detaches every idle attachment (at stop, and for tests).
  void CloseIdle();

  void SetIdleTime(std::chrono::milliseconds idleTime);
  TAttachmentPoolCounts Counts();

  TAttachmentPool() = default;
  ~TAttachmentPool();
  TAttachmentPool(const TAttachmentPool&) = delete;
  TAttachmentPool& operator=(const TAttachmentPool&) = delete;

 private:
  using TClock = std::chrono::steady_clock;
  struct TIdle {
    std::unique_ptr<TFbAttachment> Attachment;
    TClock::time_point Since;
  };
  void Expire();  // the thread that closes attachments idle for too long

  TMutex FLock;
  std::condition_variable FWake;
  std::deque<TIdle> FIdle GUARDED_BY(FLock);  // most recently given last
  std::chrono::milliseconds FIdleTime GUARDED_BY(FLock) = std::chrono::milliseconds{60000};
  TAttachmentPoolCounts FCounts GUARDED_BY(FLock);
  bool FStopping GUARDED_BY(FLock) = false;
  // The expiry thread waits with no time set: none was idle when it looked.
  bool FExpiryWaitsForAny GUARDED_BY(FLock) = false;
  std::thread FExpiry;
};

}  // namespace fieldsync
