#pragma once
// The test clients' own sockets to the loopback listener, independent of
// the listener's socket layer: POSIX sockets (TestSocketPosix.cpp) or
// Winsock (TestSocketWindows.cpp), the only files of the tests that differ.

#include <cstddef>
#include <cstdint>

namespace fieldsync::test::sock {

// A socket handle (a Winsock SOCKET fits; its invalid value reads as -1).
using THandle = intptr_t;
constexpr THandle None = -1;

// Lets the process hold at least `count` sockets (POSIX: raises the
// descriptor limit where the hard limit allows; Windows has no such limit).
void AllowSockets(int count);

// A blocking TCP connection to 127.0.0.1 (or ::1) on `port`; None when refused.
THandle ConnectLoopback(uint16_t port, bool ipv6);
// Sends what the socket takes; the count, or <= 0 on a failure.
long SendSome(THandle socket, const char* data, size_t size);
// Whether bytes (or the peer's close) can be read within `timeoutMs`.
bool WaitReadable(THandle socket, int timeoutMs);
// The count received, 0 when the peer closed, < 0 on a failure.
long ReceiveSome(THandle socket, char* buffer, size_t size);
void ShutdownSend(THandle socket);
void Close(THandle socket);

}  // namespace fieldsync::test::sock
