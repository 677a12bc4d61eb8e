#include "auth/LoginThrottle.h"

namespace fieldsync {

std::optional<int> TLoginThrottle::RetryAfter(const std::string& address, int64_t nowMs) {
  TMutexLock lock(FLock);
  const auto it = FAddresses.find(address);
  if (it == FAddresses.end() || it->second.BlockedUntilMs <= nowMs) return std::nullopt;
  return static_cast<int>((it->second.BlockedUntilMs - nowMs + 999) / 1000);
}

void TLoginThrottle::Failed(const std::string& address, int64_t nowMs) {
  TMutexLock lock(FLock);
  if (FAddresses.size() >= FSettings.MaxAddresses && !FAddresses.count(address)) Prune(nowMs);
  TAddress& entry = FAddresses[address];
  if (entry.Failures == 0 || nowMs - entry.WindowStartMs > FSettings.WindowMs) {
    entry.Failures = 0;
    entry.WindowStartMs = nowMs;
  }
  if (++entry.Failures >= FSettings.MaxFailures) {
    entry.BlockedUntilMs = nowMs + FSettings.BlockMs;
    entry.Failures = 0;
  }
}

void TLoginThrottle::Prune(int64_t nowMs) {
  std::erase_if(FAddresses, [&](const auto& item) {
    const TAddress& entry = item.second;
    return entry.BlockedUntilMs <= nowMs && nowMs - entry.WindowStartMs > FSettings.WindowMs;
  });
  // Still full (a spread-out storm): the oldest knowledge goes rather than
  // the memory.
  if (FAddresses.size() >= FSettings.MaxAddresses)
    std::erase_if(FAddresses, [&](const auto& item) { return item.second.BlockedUntilMs <= nowMs; });
}

}  // namespace fieldsync
