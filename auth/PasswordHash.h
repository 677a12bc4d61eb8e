#pragma once
// Password hashes and keyed digests, from libsodium: a password is stored
// only as its Argon2id hash (crypto_pwhash_str), which costs tens of
// milliseconds and tens of megabytes to check; a verified name and password
// may be remembered under a keyed digest whose key is drawn anew by every
// process, never under the password itself.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fieldsync {

// The Argon2id hash of `password`, as crypto_pwhash_str writes it
// ("$argon2id$v=19$m=65536,t=2,p=1$..."), with a fresh salt.
std::string HashPassword(std::string_view password);

// Whether `password` matches `hash`; false for a hash that is not one.
bool VerifyPassword(const std::string& hash, std::string_view password);

// Whether `text` has the form of an Argon2 hash the verifier takes.
bool IsPasswordHash(std::string_view text);

// A keyed digest (BLAKE2b) under a key drawn at random when the object is
// made. Thread-safe once made.
class TKeyedDigest {
 public:
  using TDigest = std::array<uint8_t, 32>;
  TKeyedDigest();
  // The digest of the pieces, each preceded by its length so that no two
  // different lists of pieces give the same input.
  TDigest Digest(std::initializer_list<std::string_view> pieces) const;

 private:
  std::array<uint8_t, 32> FKey;
};

}  // namespace fieldsync
