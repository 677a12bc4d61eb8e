#pragma once
// Slows password guessing: an address that failed to log in a few times
// within a minute is refused for a while without its password being
// checked, so a storm of wrong passwords costs one hash check per failure
// allowed, not one per attempt. Other addresses are not affected.
//
// Thread-safe: every member function takes FLock.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/Mutex.h"

namespace fieldsync {

class TLoginThrottle {
 public:
  struct TSettings {
    int MaxFailures = 5;           // failures within the window that block
    int64_t WindowMs = 60000;      // the window starts with the first failure
    int64_t BlockMs = 60000;       // how long a blocked address waits
    size_t MaxAddresses = 65536;   // addresses remembered at once
  };

  TLoginThrottle() : TLoginThrottle(TSettings{}) {}
  explicit TLoginThrottle(TSettings settings) : FSettings(settings) {}

  // Seconds (at least 1) until `address` may try again; nothing when it
  // may try now.
  std::optional<int> RetryAfter(const std::string& address, int64_t nowMs);
  // Counts a failed login from `address`.
  void Failed(const std::string& address, int64_t nowMs);

 private:
  struct TAddress {
    int Failures = 0;
    int64_t WindowStartMs = 0;
    int64_t BlockedUntilMs = 0;
  };
  // Forgets addresses whose window and block have passed.
  void Prune(int64_t nowMs) REQUIRES(FLock);

  const TSettings FSettings;
  TMutex FLock;
  std::unordered_map<std::string, TAddress> FAddresses GUARDED_BY(FLock);
};

}  // namespace fieldsync
