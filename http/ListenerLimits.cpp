#include "http/ListenerLimits.h"

#include <limits>
#include <optional>
#include <string>

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

namespace {

int64_t LimitFromEnvironment(const char* name, int64_t fallback, int64_t min, int64_t max) {
  const std::string text = EnvironmentVariable(name);
  if (text.empty()) return fallback;
  // Digits only, at most 18 of them.
  const auto digits = text.size() <= 18 ? DigitsToUInt64(text) : std::nullopt;
  const auto value = static_cast<int64_t>(digits.value_or(0));
  if (!digits || value < min || value > max)
    throw Exception(FormatText(BadLimitMessage, {name, std::to_string(min), std::to_string(max), text}));
  return value;
}

}  // namespace

TListenerLimits TListenerLimits::FromEnvironment() {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_READ_TIMEOUT", DefaultReadTimeoutSeconds, 0, 24 * 3600 * 7));
  limits.MaxConnections = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_MAX_CONNECTIONS", DefaultMaxConnections, 1, 1000000));
  limits.MaxBodyBytes = LimitFromEnvironment("FIELDSYNC_MAX_BODY", DefaultMaxBodyBytes, 0,
                                             std::numeric_limits<int64_t>::max() / 2);
  limits.ListenBacklog = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_LISTEN_BACKLOG", DefaultListenBacklog, 1, 65535));
  limits.RequestTimeoutSeconds = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_REQUEST_TIMEOUT", DefaultRequestTimeoutSeconds, 0, 24 * 3600 * 7));
  return limits;
}

}  // namespace fieldsync
