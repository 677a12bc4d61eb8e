#include "db/internal/AttachmentPool.h"

#include <cstdlib>
#include <vector>

#include "core/Platform.h"
#include "db/internal/Firebird.h"

namespace fieldsync {

bool AttachmentReuseEnabled() { return EnvironmentVariable(DbReuseVariable) != "0"; }

TAttachmentPool& TAttachmentPool::Process() {
  static TAttachmentPool pool;
  return pool;
}

namespace {

// At exit the idle attachments are detached before the Firebird client shuts
// down: left to the client's own exit handler, which runs first otherwise,
// an embedded engine with open attachments can take minutes to stop. This
// handler is registered after the client's (at the first attachment kept),
// so it runs before it.
void CloseIdleAtExit() { TAttachmentPool::Process().CloseIdle(); }

}  // namespace

TAttachmentPool::~TAttachmentPool() {
  {
    TMutexLock guard(FLock);
    FStopping = true;
  }
  FWake.notify_all();
  if (FExpiry.joinable()) FExpiry.join();
  CloseIdle();
}

std::unique_ptr<TFbAttachment> TAttachmentPool::Take(const std::string& key) {
  std::vector<std::unique_ptr<TFbAttachment>> stale;  // detached outside the lock
  std::unique_ptr<TFbAttachment> found;
  {
    TMutexLock guard(FLock);
    for (auto it = FIdle.begin(); it != FIdle.end();) {
      if (it->Attachment->PoolKey != key) {
        stale.push_back(std::move(it->Attachment));
        it = FIdle.erase(it);
      } else {
        ++it;
      }
    }
    if (!FIdle.empty()) {
      // The most recently given one: the least likely to have gone stale.
      found = std::move(FIdle.back().Attachment);
      FIdle.pop_back();
    }
  }
  stale.clear();
  while (found) {
    if (found->Alive()) {
      TMutexLock guard(FLock);
      ++FCounts.Taken;
      return found;
    }
    found.reset();  // releases the broken handle
    TMutexLock guard(FLock);
    ++FCounts.Dropped;
    if (!FIdle.empty()) {
      found = std::move(FIdle.back().Attachment);
      FIdle.pop_back();
    }
  }
  return nullptr;
}

void TAttachmentPool::Give(std::unique_ptr<TFbAttachment> attachment) {
  if (!attachment) return;
  if (!attachment->Clean()) return;  // detached on return
  std::unique_ptr<TFbAttachment> surplus;
  bool wake = false;
  {
    TMutexLock guard(FLock);
    if (FStopping) return;
    wake = FExpiryWaitsForAny;
    if (FIdle.size() >= MaxIdle) {
      surplus = std::move(FIdle.front().Attachment);
      FIdle.pop_front();
    }
    FIdle.push_back({std::move(attachment), TClock::now()});
    if (!FExpiry.joinable()) {
      FExpiry = std::thread([this] { Expire(); });
      std::atexit(CloseIdleAtExit);
    }
  }
  // The expiry thread needs waking only when it waits with no time set: a
  // time it waits for is never later than this attachment's (when that one
  // has been taken meanwhile, the thread wakes, finds this one and waits
  // again), so an attachment taken and given back by every call costs no
  // wake-up of it.
  if (wake) FWake.notify_all();
}

void TAttachmentPool::CloseIdle() {
  std::deque<TIdle> idle;
  {
    TMutexLock guard(FLock);
    idle.swap(FIdle);
  }
}

void TAttachmentPool::SetIdleTime(std::chrono::milliseconds idleTime) {
  {
    TMutexLock guard(FLock);
    FIdleTime = idleTime;
  }
  FWake.notify_all();
}

TAttachmentPoolCounts TAttachmentPool::Counts() {
  TMutexLock guard(FLock);
  TAttachmentPoolCounts counts = FCounts;
  counts.Idle = FIdle.size();
  return counts;
}

void TAttachmentPool::Expire() {
  TUniqueLock lock(FLock);
  while (!FStopping) {
    if (FIdle.empty()) {
      FExpiryWaitsForAny = true;
      FWake.wait(lock.Native());
      FExpiryWaitsForAny = false;
      continue;
    }
    // The oldest idle attachment is at the front.
    const TClock::time_point due = FIdle.front().Since + FIdleTime;
    if (TClock::now() < due) {
      FWake.wait_until(lock.Native(), due);
      continue;
    }
    std::vector<std::unique_ptr<TFbAttachment>> expired;
    const TClock::time_point now = TClock::now();
    while (!FIdle.empty() && FIdle.front().Since + FIdleTime <= now) {
      expired.push_back(std::move(FIdle.front().Attachment));
      FIdle.pop_front();
    }
    lock.Unlock();
    expired.clear();  // detaches without holding the lock
    lock.Lock();
  }
}

}  // namespace fieldsync
