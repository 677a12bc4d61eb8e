#include "TestSocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "TestSocketLoopback.h"

namespace fieldsync::test::sock {

namespace {
// Winsock is started before the first test and stopped after the last.
struct TWinsock {
  TWinsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~TWinsock() { WSACleanup(); }
} Winsock;

SOCKET Native(THandle socket) { return static_cast<SOCKET>(socket); }
int Bounded(size_t size) { return static_cast<int>(std::min<size_t>(size, INT_MAX)); }
}  // namespace

void AllowSockets(int) {}

THandle ConnectLoopback(uint16_t port, bool ipv6) {
  const SOCKET s = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return None;
  if (ConnectToLoopback(s, port, ipv6) != 0) {
    ::closesocket(s);
    return None;
  }
  return static_cast<THandle>(s);
}

long SendSome(THandle socket, const char* data, size_t size) { return ::send(Native(socket), data, Bounded(size), 0); }

bool WaitReadable(THandle socket, int timeoutMs) {
  WSAPOLLFD p{};
  p.fd = Native(socket);
  p.events = POLLRDNORM;
  return ::WSAPoll(&p, 1, timeoutMs) > 0;
}

long ReceiveSome(THandle socket, char* buffer, size_t size) { return ::recv(Native(socket), buffer, Bounded(size), 0); }

void ShutdownSend(THandle socket) { ::shutdown(Native(socket), SD_SEND); }
void Close(THandle socket) { ::closesocket(Native(socket)); }

}  // namespace fieldsync::test::sock
