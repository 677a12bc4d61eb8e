#pragma once
// The listener's limits (TIdHTTPWebBrokerBridge::SetLimits), with their
// defaults and the environment variables that set them.

#include <cstdint>

namespace fieldsync {

// Limits against clients that hold connections or send too much.
struct TListenerLimits {
  static constexpr int DefaultReadTimeoutSeconds = 60;
  static constexpr int DefaultMaxConnections = 1024;
  static constexpr int64_t DefaultMaxBodyBytes = 64ll * 1024 * 1024;
  static constexpr int DefaultListenBacklog = 15;
  static constexpr int DefaultRequestTimeoutSeconds = 120;

  // Idle wait for request bytes before the connection is closed; 0: none.
  int ReadTimeoutSeconds = DefaultReadTimeoutSeconds;
  // Connections open at once; one more is answered 503 and closed.
  int MaxConnections = DefaultMaxConnections;
  // Largest request body; a larger one is answered 413 unread.
  int64_t MaxBodyBytes = DefaultMaxBodyBytes;
  // Connections the system holds for the listener before it takes them; a
  // client beyond it waits for its connect to be retried (about 1 s).
  int ListenBacklog = DefaultListenBacklog;
  // Time from the connection's start until its whole request (head and
  // body) has arrived; a slower request is answered 408 and closed. 0: none.
  int RequestTimeoutSeconds = DefaultRequestTimeoutSeconds;

  // FIELDSYNC_READ_TIMEOUT (seconds), FIELDSYNC_MAX_CONNECTIONS,
  // FIELDSYNC_MAX_BODY (bytes), FIELDSYNC_LISTEN_BACKLOG, FIELDSYNC_REQUEST_TIMEOUT
  // (seconds); unset or empty keeps the default, anything
  // but a whole number in range raises.
  static TListenerLimits FromEnvironment();
};

}  // namespace fieldsync
