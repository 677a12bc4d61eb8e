#pragma once
// REST sessions and their process-wide registry.
//
// A session is created by a request that names none, refreshed by every
// request that names it, and ends when it is closed, when its inactivity check
// finds it unused for longer than its duration (so 20 to 40 minutes after its
// last request with the service's 20-minute timeout), or when the server is
// stopped. A removed session's id is never valid again.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/Mutex.h"
#include "rest/DSScheduler.h"
#include "rest/DSSessionCache.h"

namespace fieldsync {

enum class TDSSessionStatus { Active, Closed, Idle, Terminated, Connected, Expired };

// What a REST caller tells about itself when its session is created.
struct TDSSessionOrigin {
  std::string RemoteIP;
  std::string UserAgent;
  std::string ProtocolVersion;
};

// One session. Fields other than the status and the activity time are set
// when the session is created and read-only afterwards; the session data is
// guarded by its own lock since two requests may carry the same id at once.
class TDSSession {
 public:
  TDSSession(std::string name, std::string userName, int64_t nowMs,
             int64_t cacheLimit = TDSSessionCache::MaxSessionBytes);

  const std::string& SessionName() const { return FSessionName; }
  const std::string& UserName() const { return FUserName; }
  TDSSessionStatus Status() const { return FStatus.load(); }
  void SetStatus(TDSSessionStatus status) { FStatus.store(status); }
  bool IsValid() const;

  int64_t Duration() const { return FDuration; }
  void SetDuration(int64_t ms) { FDuration = ms; }
  int64_t LastActivity() const { return FLastActivity.load(); }
  // Marks the session active and its last activity as `nowMs`.
  void MarkActivity(int64_t nowMs);
  // Duration minus the milliseconds since the last activity, never below 0.
  int64_t ExpiresIn(int64_t nowMs) const;

  void PutData(const std::string& key, const std::string& value);
  std::string GetData(const std::string& key) const;
  bool HasData(const std::string& key) const;

  // The results kept for this session's "Accept: application/rest" calls;
  // freed with the session.
  TDSSessionCache& Cache() { return FCache; }

 private:
  friend class TDSSessionManager;

  const std::string FSessionName;
  const std::string FUserName;
  const std::chrono::system_clock::time_point FStartDateTime;
  int64_t FDuration = 0;
  std::atomic<TDSSessionStatus> FStatus{TDSSessionStatus::Idle};
  std::atomic<int64_t> FLastActivity;
  mutable TMutex FDataLock;
  std::map<std::string, std::string> FData GUARDED_BY(FDataLock);
  // Guarded by the registry's lock: the registry reaches it only through
  // its CheckId(), which requires that lock.
  TDSScheduler::TEventId FCheckId = 0;
  TDSSessionCache FCache;
};

// The process-wide registry of sessions, with the per-thread current session.
// A request holds its current session through a shared pointer, so a session
// removed while a request still uses it is freed only when that request ends.
// Thread-safe: the dictionary is guarded by FLock; listeners run outside it.
class TDSSessionManager {
 public:
  using TClock = std::function<int64_t()>;  // milliseconds, monotonic
  using TListener = std::function<void(const TDSSession&, const char* event)>;

  static TDSSessionManager& Instance();
  // True once Instance() has been called.
  static bool HasInstance();

  // A registry with its own clock; for tests.
  explicit TDSSessionManager(TClock clock);
  ~TDSSessionManager();
  TDSSessionManager(const TDSSessionManager&) = delete;
  TDSSessionManager& operator=(const TDSSessionManager&) = delete;

  struct TLoadResult {
    bool Success = false;
    bool IsNew = false;
  };
  // Finds the session named `sessionId` (which must exist and be valid) and
  // marks it active, or, with an empty id, creates one that expires after
  // `timeoutMs` of inactivity (0 = never). On success the session becomes the
  // calling thread's current session.
  TLoadResult LoadSessionUpdate(const std::string& sessionId, const std::string& userName, int64_t timeoutMs,
                                const TDSSessionOrigin& origin);

  std::shared_ptr<TDSSession> CreateSession(const std::string& userName);
  std::shared_ptr<TDSSession> GetSession(const std::string& id);
  void CloseSession(const std::string& id);
  void TerminateSession(const std::string& id);
  void TerminateAllSessions();
  size_t SessionCount();

  void AddListener(TListener listener);

  static std::shared_ptr<TDSSession> GetThreadSession();
  static void SetAsThreadSession(std::shared_ptr<TDSSession> session);
  static void ClearThreadSession();

  int64_t Now() const { return FClock(); }
  // The most bytes of cached results that a session created from now on may
  // hold (TDSSessionCache::MaxSessionBytes unless set).
  void SetSessionCacheLimit(int64_t bytes) { FSessionCacheLimit = bytes; }
  // Pending inactivity checks; for tests.
  size_t PendingChecks() { return FScheduler.PendingCount(); }

 private:
  std::string NewSessionId() REQUIRES(FLock);
  TDSScheduler::TEventId& CheckId(TDSSession& session) REQUIRES(FLock) { return session.FCheckId; }
  void ScheduleCheck(const std::string& id, int64_t delayMs);
  void CheckInactivity(const std::string& id);
  std::shared_ptr<TDSSession> Remove(const std::string& id);
  void Notify(const TDSSession& session, const char* event);

  TClock FClock;
  TMutex FLock;
  std::map<std::string, std::shared_ptr<TDSSession>> FSessions GUARDED_BY(FLock);
  std::vector<TListener> FListeners GUARDED_BY(FLock);
  std::mt19937_64 FRandom GUARDED_BY(FLock);
  TDSScheduler FScheduler;
  std::atomic<int64_t> FSessionCacheLimit{TDSSessionCache::MaxSessionBytes};
};

}  // namespace fieldsync
