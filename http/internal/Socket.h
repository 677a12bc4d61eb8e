#pragma once
// The small platform module of the listener: TCP sockets behind a handful of
// functions, so that the rest of the HTTP code carries no system calls.
// A socket is a plain handle; its owner closes it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fieldsync::net {

#ifdef _WIN32
// A Winsock SOCKET (SocketWindows.cpp holds the Winsock twin of Socket.cpp).
using TSocketHandle = uintptr_t;
constexpr TSocketHandle InvalidSocket = ~static_cast<uintptr_t>(0);
#else
using TSocketHandle = int;
constexpr TSocketHandle InvalidSocket = -1;
#endif

// Whether the system can listen on IPv6 addresses.
bool IPv6Available();

// A socket bound to `ip` (numeric) and `port` and listening; `port` 0 lets
// the system choose, and `boundPort` receives the port taken. Returns
// InvalidSocket when binding fails.
TSocketHandle Listen(const std::string& ip, bool ipv6, uint16_t port, int backlog,
                     uint16_t& boundPort);

// Takes a waiting connection without blocking; the new socket does not
// block either. InvalidSocket when there is none: `failure` tells whether to
// try again at once (Again: nothing waits; Retry: a passing failure),
// after a pause (Backoff: out of descriptors or memory) or never (Fatal).
enum class TAcceptFailure { None, Again, Retry, Backoff, Fatal };
TSocketHandle AcceptNow(TSocketHandle listener, TAcceptFailure& failure);

// Makes `socket` non-blocking (shared by its duplicates).
void SetNonBlocking(TSocketHandle socket);
// A second handle on the same socket; InvalidSocket on failure.
TSocketHandle Duplicate(TSocketHandle socket);

// Peer address: IPv4 dotted decimal, IPv6 as eight upper-case hexadecimal
// groups without leading zeros, never shortened.
std::string PeerAddress(TSocketHandle socket);
uint16_t LocalPort(TSocketHandle socket);

// An IP address as bytes: IPv4 in the first four, IPv6 in all sixteen.
struct TAddress {
  bool IPv6 = false;
  std::array<uint8_t, 16> Bytes{};
};
// The peer's address; an IPv4 peer reaching an IPv6 socket (::ffff:a.b.c.d)
// reads as IPv4. Nothing when the socket has no peer.
std::optional<TAddress> PeerAddressBytes(TSocketHandle socket);
// A numeric IPv4 or IPv6 address; nothing when `text` is not one.
std::optional<TAddress> ParseAddress(const std::string& text);

// Receives what is there without waiting. Returns the count, 0 when the
// peer closed, -1 on an error, -2 when nothing has arrived.
long ReceiveNow(TSocketHandle socket, char* buffer, size_t size);
// Whether bytes can be read within `timeoutMs` (0: right now).
bool WaitReadable(TSocketHandle socket, int timeoutMs);
// Sends from `count` pieces in one gathered write without waiting. Returns
// the bytes taken, -1 on an error, -2 when the socket takes nothing now.
long SendNow(TSocketHandle socket, const std::string_view* pieces, size_t count);

// Ends both directions, waking any thread blocked on the socket.
void Shutdown(TSocketHandle socket);
// Ends the sending direction only.
void ShutdownSend(TSocketHandle socket);
void Close(TSocketHandle socket);

}  // namespace fieldsync::net
