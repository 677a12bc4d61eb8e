#include "TestSocket.h"

#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "TestSocketLoopback.h"

namespace fieldsync::test::sock {

void AllowSockets(int count) {
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  const auto wanted = static_cast<rlim_t>(count);
  if (limit.rlim_cur < wanted && limit.rlim_max >= wanted) {
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 2 * wanted);
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

THandle ConnectLoopback(uint16_t port, bool ipv6) {
  const int s = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (s < 0) return None;
  if (ConnectToLoopback(s, port, ipv6) != 0) {
    ::close(s);
    return None;
  }
  return s;
}

long SendSome(THandle socket, const char* data, size_t size) {
  return static_cast<long>(::send(static_cast<int>(socket), data, size, MSG_NOSIGNAL));
}

bool WaitReadable(THandle socket, int timeoutMs) {
  pollfd p{static_cast<int>(socket), POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

long ReceiveSome(THandle socket, char* buffer, size_t size) {
  return static_cast<long>(::recv(static_cast<int>(socket), buffer, size, 0));
}

void ShutdownSend(THandle socket) { ::shutdown(static_cast<int>(socket), SHUT_WR); }
void Close(THandle socket) { ::close(static_cast<int>(socket)); }

}  // namespace fieldsync::test::sock
