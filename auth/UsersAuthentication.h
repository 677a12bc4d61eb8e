#pragma once
// The service's authentication manager: the users of a users file
// (UsersFile.h), their passwords checked against their Argon2 hashes, their
// rights handed to the REST dispatcher.
//
// - The file is looked at (its identity, size and time) on every login; a
//   changed file is read again, so a user added, changed or removed counts
//   from the next request on. A changed file that cannot be read or is
//   malformed leaves the users read before in force (and says so on
//   standard error): the service never opens up because of a bad edit.
// - A name and password that passed the hash check are remembered for
//   VerifiedMs under a keyed digest of name, password and hash (the key is
//   drawn anew by every process), so a handheld's next calls cost no hash
//   check; a new password (a new hash) or a removed user is never matched
//   by what was remembered.
// - Failures are slowed per address (LoginThrottle.h): a blocked address is
//   answered at once, whatever it sends. An unknown user costs the same hash
//   check as a wrong password, so the answer's time tells nothing.
// - At most as many hash checks as the machine has cores run at once (each
//   takes 64 MiB for its time).
//
// Thread-safe.

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <unordered_map>

#include "auth/LoginThrottle.h"
#include "auth/PasswordHash.h"
#include "core/Mutex.h"
#include "core/Platform.h"
#include "rest/DSAuthentication.h"

namespace fieldsync {

class TUsersAuthentication : public TDSAuthenticationManager {
 public:
  static constexpr int64_t VerifiedMs = 5 * 60 * 1000;
  static constexpr size_t MaxVerified = 16384;

  // Reads the users file; raises with its message when it cannot be read or
  // is malformed.
  explicit TUsersAuthentication(std::filesystem::path usersFile,
                                TLoginThrottle::TSettings throttle = TLoginThrottle::TSettings{});

  TDSLogin Login(const std::string& userName, const std::string& password,
                 const std::string& clientAddress) override;

  const std::filesystem::path& UsersFile() const { return FUsersFile; }

  // Refused logins since the start, by reason.
  struct TRefusals {
    uint64_t NoCredentials = 0;     // no Basic credentials sent
    uint64_t WrongCredentials = 0;  // unknown user or wrong password
    uint64_t Throttled = 0;         // answered 429
  };
  TRefusals Refusals() const;

 private:
  struct TUser {
    std::string Hash;
    std::shared_ptr<const TDSUserRights> Rights;
  };
  using TUsers = std::map<std::string, TUser, std::less<>>;

  static std::shared_ptr<const TUsers> Load(const std::filesystem::path& path);
  // The users now in force, read again when the file changed.
  std::shared_ptr<const TUsers> CurrentUsers();
  bool CheckHash(const std::string& hash, const std::string& password);
  bool RememberedAsVerified(const TKeyedDigest::TDigest& digest, int64_t nowMs);
  void RememberVerified(const TKeyedDigest::TDigest& digest, int64_t nowMs);

  const std::filesystem::path FUsersFile;
  TLoginThrottle FThrottle;
  TKeyedDigest FDigest;
  std::counting_semaphore<64> FHashChecks;
  std::once_flag FDecoyOnce;
  std::string FDecoyHash;  // checked for unknown users; set once

  TMutex FUsersLock;
  std::shared_ptr<const TUsers> FUsers GUARDED_BY(FUsersLock);
  // The state of the file last looked at (nothing: missing).
  std::optional<TFileStamp> FStamp GUARDED_BY(FUsersLock);

  struct TDigestHash {
    size_t operator()(const TKeyedDigest::TDigest& digest) const;
  };
  TMutex FVerifiedLock;
  std::unordered_map<TKeyedDigest::TDigest, int64_t, TDigestHash> FVerified GUARDED_BY(FVerifiedLock);

  std::atomic<uint64_t> FNoCredentials{0};
  std::atomic<uint64_t> FWrongCredentials{0};
  std::atomic<uint64_t> FThrottled{0};
};

}  // namespace fieldsync
