#include "http/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
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

TSocketHandle Accept(TSocketHandle listener, bool& retry) {
  retry = false;
  const int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (s >= 0) return s;
  switch (errno) {
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EAGAIN:
      retry = true;
      break;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      // Out of descriptors or memory: back off briefly, then try again.
      ::usleep(10000);
      retry = true;
      break;
    default:
      break;
  }
  return InvalidSocket;
}

std::string PeerAddress(TSocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
  char text[64];
  if (address.ss_family == AF_INET) {
    const auto* a = reinterpret_cast<const sockaddr_in*>(&address);
    ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
    return text;
  }
  const auto* a = reinterpret_cast<const sockaddr_in6*>(&address);
  std::string out;
  for (int i = 0; i < 8; ++i) {
    const unsigned group = (a->sin6_addr.s6_addr[2 * i] << 8) | a->sin6_addr.s6_addr[2 * i + 1];
    std::snprintf(text, sizeof text, i == 0 ? "%X" : ":%X", group);
    out += text;
  }
  return out;
}

uint16_t LocalPort(TSocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
  return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
}

bool WaitReadable(TSocketHandle socket, int timeoutMs) {
  pollfd p{socket, POLLIN, 0};
  int r;
  do r = ::poll(&p, 1, timeoutMs);
  while (r < 0 && errno == EINTR);
  return r > 0;
}

long Receive(TSocketHandle socket, char* buffer, size_t size, int timeoutMs) {
  // Bytes that are already there need no wait.
  ssize_t ready;
  do ready = ::recv(socket, buffer, size, MSG_DONTWAIT);
  while (ready < 0 && errno == EINTR);
  if (ready >= 0) return static_cast<long>(ready);
  if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
  if (timeoutMs >= 0) {
    pollfd p{socket, POLLIN, 0};
    int r;
    do r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    if (r == 0) return -2;
    if (r < 0) return -1;
  }
  ssize_t n;
  do n = ::recv(socket, buffer, size, 0);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<long>(n);
}

bool SendAll(TSocketHandle socket, std::string_view bytes, int timeoutMs) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd p{socket, POLLOUT, 0};
    int r;
    do r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    if (r <= 0) return false;  // timed out or failed
  }
  return true;
}

void Shutdown(TSocketHandle socket) { ::shutdown(socket, SHUT_RDWR); }
void ShutdownSend(TSocketHandle socket) { ::shutdown(socket, SHUT_WR); }
void Close(TSocketHandle socket) { ::close(socket); }

}  // namespace fieldsync::net
