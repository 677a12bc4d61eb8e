#include "auth/UsersAuthentication.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

#include "auth/AuthMessages.h"
#include "auth/UsersFile.h"
#include "core/Error.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Half the cores (at least one): the other half stays with the requests of
// handhelds already logged in, which a wave of first logins would otherwise
// starve while they hold their web modules.
std::ptrdiff_t HashCheckSlots() {
  return std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(std::thread::hardware_concurrency()) / 2, 1, 8);
}

}  // namespace

size_t TUsersAuthentication::TDigestHash::operator()(const TKeyedDigest::TDigest& digest) const {
  size_t value;
  std::memcpy(&value, digest.data(), sizeof value);  // the digest is keyed: any part of it is spread
  return value;
}

TUsersAuthentication::TUsersAuthentication(std::filesystem::path usersFile, TLoginThrottle::TSettings throttle)
    : FUsersFile(std::move(usersFile)), FThrottle(throttle), FHashChecks(HashCheckSlots()) {
  const auto stamp = FileStamp(FUsersFile);
  auto users = Load(FUsersFile);
  TMutexLock lock(FUsersLock);
  FUsers = std::move(users);
  FStamp = stamp;
}

std::shared_ptr<const TUsersAuthentication::TUsers> TUsersAuthentication::Load(const std::filesystem::path& path) {
  auto users = std::make_shared<TUsers>();
  for (const TUserEntry& entry : TUsersFile::Read(path).Users()) {
    auto rights = std::make_shared<TDSUserRights>();
    rights->UserName = entry.Name;
    rights->Representative = entry.Representative;
    for (const std::string& method : entry.Methods) rights->Methods.push_back(AsciiUpper(Latin1ToUtf16(method)));
    users->emplace(entry.Name, TUser{entry.Hash, std::move(rights)});
  }
  return users;
}

std::shared_ptr<const TUsersAuthentication::TUsers> TUsersAuthentication::CurrentUsers() {
  const auto stamp = FileStamp(FUsersFile);
  {
    TMutexLock lock(FUsersLock);
    if (stamp == FStamp) return FUsers;
  }
  std::shared_ptr<const TUsers> users;
  std::string failure;
  try {
    if (!stamp) throw Exception(FormatText(UsersFileUnreadableMessage, {FUsersFile.string(), "it is missing"}));
    users = Load(FUsersFile);
  } catch (const std::exception& e) {
    failure = e.what();
  }
  TMutexLock lock(FUsersLock);
  if (users) {
    FUsers = std::move(users);
  } else if (stamp != FStamp) {
    // Said once for each state of the file that cannot be used.
    std::cerr << FormatText(UsersFileKeptMessage, {FUsersFile.string(), failure}) << std::endl;
  }
  FStamp = stamp;
  return FUsers;
}

bool TUsersAuthentication::CheckHash(const std::string& hash, const std::string& password) {
  FHashChecks.acquire();
  struct TRelease {
    std::counting_semaphore<64>& Slots;
    ~TRelease() { Slots.release(); }
  } release{FHashChecks};
  return VerifyPassword(hash, password);
}

bool TUsersAuthentication::TRemembered::Has(const TKeyedDigest::TDigest& digest, int64_t nowMs) {
  TMutexLock lock(FLock);
  const auto it = FUntil.find(digest);
  return it != FUntil.end() && it->second > nowMs;
}

void TUsersAuthentication::TRemembered::Put(const TKeyedDigest::TDigest& digest, int64_t untilMs, int64_t nowMs) {
  TMutexLock lock(FLock);
  if (FUntil.size() >= MaxVerified) {
    std::erase_if(FUntil, [nowMs](const auto& item) { return item.second <= nowMs; });
    if (FUntil.size() >= MaxVerified) FUntil.clear();
  }
  FUntil[digest] = untilMs;
}

void TUsersAuthentication::Prepare(const std::string& userName, const std::string& password,
                                   const std::string& clientAddress) {
  if (userName.empty()) return;
  const int64_t now = SteadyMs();
  if (FThrottle.RetryAfter(clientAddress, now)) return;
  const auto users = CurrentUsers();
  const auto it = users->find(userName);
  if (it == users->end()) return;
  const auto digest = FDigest.Digest({userName, password, it->second.Hash});
  if (FVerified.Has(digest, now) || FFailed.Has(digest, now)) return;
  if (CheckHash(it->second.Hash, password)) {
    FVerified.Put(digest, SteadyMs() + VerifiedMs, now);
  } else {
    FFailed.Put(digest, SteadyMs() + FailedMs, now);
  }
}

TDSLogin TUsersAuthentication::Login(const std::string& userName, const std::string& password,
                                     const std::string& clientAddress) {
  TDSLogin login;
  if (userName.empty() && password.empty()) {
    FNoCredentials.fetch_add(1, std::memory_order_relaxed);
    return login;
  }
  const int64_t now = SteadyMs();
  if (const auto retry = FThrottle.RetryAfter(clientAddress, now)) {
    FThrottled.fetch_add(1, std::memory_order_relaxed);
    login.Verdict = TDSLoginVerdict::Throttled;
    login.RetryAfterSeconds = *retry;
    return login;
  }
  const auto users = CurrentUsers();
  const auto it = users->find(userName);
  if (it != users->end()) {
    const TUser& user = it->second;
    const auto digest = FDigest.Digest({userName, password, user.Hash});
    if (FVerified.Has(digest, now) || (!FFailed.Has(digest, now) && CheckHash(user.Hash, password))) {
      FVerified.Put(digest, SteadyMs() + VerifiedMs, now);
      login.Verdict = TDSLoginVerdict::Accepted;
      login.Rights = user.Rights;
      return login;
    }
  } else {
    std::call_once(FDecoyOnce, [this] { FDecoyHash = HashPassword("fieldsync decoy password"); });
    CheckHash(FDecoyHash, password);
  }
  FWrongCredentials.fetch_add(1, std::memory_order_relaxed);
  FThrottle.Failed(clientAddress, SteadyMs());
  return login;
}

TUsersAuthentication::TRefusals TUsersAuthentication::Refusals() const {
  return {FNoCredentials.load(std::memory_order_relaxed), FWrongCredentials.load(std::memory_order_relaxed),
          FThrottled.load(std::memory_order_relaxed)};
}

}  // namespace fieldsync
