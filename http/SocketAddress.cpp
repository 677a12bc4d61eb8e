// The socket functions that read and write addresses: the same on POSIX
// systems and on Windows, over the system headers that SocketSystem.h picks.

#include "http/internal/Socket.h"
#include "http/internal/SocketSystem.h"

#include <cstdio>
#include <cstring>

namespace fieldsync::net {

std::string PeerAddress(TSocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(NativeSocket(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
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

std::optional<TAddress> PeerAddressBytes(TSocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(NativeSocket(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return std::nullopt;
  TAddress peer;
  if (address.ss_family == AF_INET) {
    std::memcpy(peer.Bytes.data(), &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr, 4);
    return peer;
  }
  if (address.ss_family != AF_INET6) return std::nullopt;
  const auto& a = reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr;
  if (IN6_IS_ADDR_V4MAPPED(&a)) {
    std::memcpy(peer.Bytes.data(), a.s6_addr + 12, 4);
    return peer;
  }
  peer.IPv6 = true;
  std::memcpy(peer.Bytes.data(), a.s6_addr, 16);
  return peer;
}

std::optional<TAddress> ParseAddress(const std::string& text) {
  TAddress address;
  if (::inet_pton(AF_INET, text.c_str(), address.Bytes.data()) == 1) return address;
  if (::inet_pton(AF_INET6, text.c_str(), address.Bytes.data()) == 1) {
    address.IPv6 = true;
    return address;
  }
  return std::nullopt;
}

uint16_t LocalPort(TSocketHandle socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(NativeSocket(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
  return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
}

}  // namespace fieldsync::net
