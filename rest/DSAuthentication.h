#pragma once
// The REST dispatcher's authentication manager: when one is attached, every
// request to the REST, json and cache contexts must carry the HTTP Basic
// credentials of a known user, a session serves only the user who created
// it, and each call is checked against the user's rights before it runs.
// Without one, requests are served as they always were.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Error.h"
#include "rest/DSServer.h"

namespace fieldsync {

// What one user may call. Read-only once made; shared by the requests of
// that user.
struct TDSUserRights {
  // The argument that names the representative a call is made for.
  static constexpr const char* RepresentativeParameter = "IDRepresentante";

  std::string UserName;
  // Bound to a representative: every argument named IDRepresentante must
  // carry this id.
  std::optional<int32_t> Representative;
  // The methods the user may call, upper-cased; empty: every method.
  std::vector<std::u16string> Methods;

  // Empty when the user may call `method` with `values` (one per parameter
  // entry, as bound for the call); otherwise the reason why not.
  std::string Refusal(const TDSMethodEntry& method, const std::vector<TDSValue>& values) const;
};

// A call the user may not make: answered 403, and nothing of the request runs.
class EDSForbidden : public Exception {
 public:
  using Exception::Exception;
};

enum class TDSLoginVerdict { Accepted, Refused, Throttled };

struct TDSLogin {
  TDSLoginVerdict Verdict = TDSLoginVerdict::Refused;
  // Throttled: seconds until the address may try again.
  int RetryAfterSeconds = 0;
  // Accepted: the user's rights.
  std::shared_ptr<const TDSUserRights> Rights;
};

// Thread-safe: called by every request thread at once.
class TDSAuthenticationManager {
 public:
  virtual ~TDSAuthenticationManager() = default;
  // Checks the Basic credentials of a request from `clientAddress` (both
  // empty when the request sent none).
  virtual TDSLogin Login(const std::string& userName, const std::string& password,
                         const std::string& clientAddress) = 0;
};

}  // namespace fieldsync
