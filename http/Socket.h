#pragma once
// The small platform module of the listener: TCP sockets behind a handful of
// functions, so that the rest of the HTTP code carries no system calls.
// A socket is a plain handle; its owner closes it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fieldsync::net {

using TSocketHandle = int;
constexpr TSocketHandle InvalidSocket = -1;

// Whether the system can listen on IPv6 addresses.
bool IPv6Available();

// A socket bound to `ip` (numeric) and `port` and listening; `port` 0 lets
// the system choose, and `boundPort` receives the port taken. Returns
// InvalidSocket when binding fails.
TSocketHandle Listen(const std::string& ip, bool ipv6, uint16_t port, int backlog,
                     uint16_t& boundPort);

// Waits for a connection; InvalidSocket once the listening socket has been
// shut down or failed for good. `retry` is set for passing failures.
TSocketHandle Accept(TSocketHandle listener, bool& retry);

// Peer address: IPv4 dotted decimal, IPv6 as eight upper-case hexadecimal
// groups without leading zeros, never shortened.
std::string PeerAddress(TSocketHandle socket);
uint16_t LocalPort(TSocketHandle socket);

// Receives up to `size` bytes, waiting at most `timeoutMs` (negative: no
// limit). Returns the count, 0 when the peer closed, -1 on an error, -2 on
// time-out.
long Receive(TSocketHandle socket, char* buffer, size_t size, int timeoutMs);
// Whether bytes can be read within `timeoutMs`.
bool WaitReadable(TSocketHandle socket, int timeoutMs);
// Sends everything, waiting at most `timeoutMs` (negative: no limit) each
// time the peer takes nothing; false when the connection failed or stalled.
bool SendAll(TSocketHandle socket, std::string_view bytes, int timeoutMs = -1);

// Ends both directions, waking any thread blocked on the socket.
void Shutdown(TSocketHandle socket);
// Ends the sending direction only.
void ShutdownSend(TSocketHandle socket);
void Close(TSocketHandle socket);

}  // namespace fieldsync::net
