#pragma once
// The loopback connect both test clients make, written once. Included after
// the system's socket headers (POSIX or Winsock), whose names it uses.

#include <cstdint>

namespace fieldsync::test::sock {

// Connects the socket `s` to 127.0.0.1 (or ::1) on `port`; the system's
// connect result (0 on success).
template <typename TSocket>
int ConnectToLoopback(TSocket s, uint16_t port, bool ipv6) {
  if (ipv6) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = in6addr_loopback;
    return ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
}

}  // namespace fieldsync::test::sock
