#include "http/internal/Socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>

namespace fieldsync::net {

bool IPv6Available() {
  // A system can make IPv6 sockets and still have IPv6 switched off; only a
  // bind to the IPv6 wildcard address tells.
  const int s = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_any;
  const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return ok;
}

TSocketHandle Listen(const std::string& ip, bool ipv6, uint16_t port, int backlog,
                     uint16_t& boundPort) {
  const int family = ipv6 ? AF_INET6 : AF_INET;
  const int s = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return InvalidSocket;
  const int on = 1;
  // Lets a restarted listener take its port while old connections linger in
  // TIME_WAIT; a port that another socket listens on still fails to bind.
  ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_storage address{};
  socklen_t length = 0;
  if (ipv6) {
    ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    auto* a = reinterpret_cast<sockaddr_in6*>(&address);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(port);
    if (::inet_pton(AF_INET6, ip.c_str(), &a->sin6_addr) != 1) {
      ::close(s);
      return InvalidSocket;
    }
    length = sizeof *a;
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&address);
    a->sin_family = AF_INET;
    a->sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &a->sin_addr) != 1) {
      ::close(s);
      return InvalidSocket;
    }
    length = sizeof *a;
  }
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(s, backlog) != 0) {
    ::close(s);
    return InvalidSocket;
  }
  boundPort = LocalPort(s);
  return s;
}

TSocketHandle AcceptNow(TSocketHandle listener, TAcceptFailure& failure) {
  failure = TAcceptFailure::None;
  const int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (s >= 0) return s;
  switch (errno) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      failure = TAcceptFailure::Again;
      break;
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:
      failure = TAcceptFailure::Retry;
      break;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      failure = TAcceptFailure::Backoff;
      break;
    default:
      failure = TAcceptFailure::Fatal;
      break;
  }
  return InvalidSocket;
}

void SetNonBlocking(TSocketHandle socket) {
  const int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags >= 0) ::fcntl(socket, F_SETFL, flags | O_NONBLOCK);
}

TSocketHandle Duplicate(TSocketHandle socket) {
  const int s = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
  return s < 0 ? InvalidSocket : s;
}

bool WaitReadable(TSocketHandle socket, int timeoutMs) {
  pollfd p{socket, POLLIN, 0};
  int r;
  do r = ::poll(&p, 1, timeoutMs);
  while (r < 0 && errno == EINTR);
  return r > 0;
}

long ReceiveNow(TSocketHandle socket, char* buffer, size_t size) {
  ssize_t n;
  do n = ::recv(socket, buffer, size, MSG_DONTWAIT);
  while (n < 0 && errno == EINTR);
  if (n >= 0) return static_cast<long>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? -2 : -1;
}

long SendNow(TSocketHandle socket, const std::string_view* pieces, size_t count) {
  iovec vectors[64];
  count = std::min<size_t>(count, std::size(vectors));
  for (size_t i = 0; i < count; ++i)
    vectors[i] = {const_cast<char*>(pieces[i].data()), pieces[i].size()};
  msghdr message{};
  message.msg_iov = vectors;
  message.msg_iovlen = count;
  ssize_t n;
  do n = ::sendmsg(socket, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
  while (n < 0 && errno == EINTR);
  if (n >= 0) return static_cast<long>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? -2 : -1;
}

void Shutdown(TSocketHandle socket) { ::shutdown(socket, SHUT_RDWR); }
void ShutdownSend(TSocketHandle socket) { ::shutdown(socket, SHUT_WR); }
void Close(TSocketHandle socket) { ::close(socket); }

}  // namespace fieldsync::net
