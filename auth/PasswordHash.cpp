#include "auth/PasswordHash.h"

#include <sodium.h>

#include <mutex>
#include <stdexcept>

namespace fieldsync {

namespace {

void InitSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) throw std::runtime_error("libsodium could not be initialised");
  });
}

}  // namespace

std::string HashPassword(std::string_view password) {
  InitSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw std::runtime_error("out of memory while hashing the password");
  return hash;
}

bool VerifyPassword(const std::string& hash, std::string_view password) {
  InitSodium();
  if (!IsPasswordHash(hash)) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

bool IsPasswordHash(std::string_view text) {
  return (text.starts_with("$argon2id$") || text.starts_with("$argon2i$")) && text.size() < crypto_pwhash_STRBYTES &&
         text.find_first_of(": \t\r\n") == std::string_view::npos;
}

TKeyedDigest::TKeyedDigest() {
  InitSodium();
  randombytes_buf(FKey.data(), FKey.size());
}

TKeyedDigest::TDigest TKeyedDigest::Digest(std::initializer_list<std::string_view> pieces) const {
  crypto_generichash_state state;
  crypto_generichash_init(&state, FKey.data(), FKey.size(), sizeof(TDigest));
  for (std::string_view piece : pieces) {
    const uint64_t length = piece.size();
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&length), sizeof length);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
  }
  TDigest digest;
  crypto_generichash_final(&state, digest.data(), digest.size());
  return digest;
}

}  // namespace fieldsync
