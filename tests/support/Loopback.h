#pragma once
// Ports for servers that a test starts: one that is free, and whether
// something listens on one.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <stdexcept>

namespace fieldsync::test {

// A TCP port that is free now on every local address. It lies between
// 20000 and 31999: it fits the branch row's 16-bit signed column, and stays
// clear of the ephemeral ports that outgoing connections take.
inline uint16_t FreePort() {
  static std::mt19937 random(std::random_device{}());
  for (;;) {
    const auto port = static_cast<uint16_t>(20000 + random() % 12000);
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) throw std::runtime_error("no socket for a free port");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    if (free) return port;
  }
}

// Whether something accepts connections on the loopback port.
inline bool Listening(uint16_t port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool accepted = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(s);
  return accepted;
}

}  // namespace fieldsync::test
