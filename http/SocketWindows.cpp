// The Winsock twin of Socket.cpp: the same functions over Windows sockets.
// Winsock is started when the program loads and stopped when it ends.

#include "http/internal/Socket.h"
#include "http/internal/SocketSystem.h"
#include "http/internal/SocketWaiter.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace fieldsync::net {

namespace {

struct TWinsock {
  TWinsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~TWinsock() { WSACleanup(); }
};
const TWinsock Winsock;

// A new socket that the program's child processes do not inherit.
TSocketHandle NewSocket(int family) {
  const SOCKET s = WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  return s == INVALID_SOCKET ? InvalidSocket : static_cast<TSocketHandle>(s);
}

}  // namespace

bool IPv6Available() {
  const TSocketHandle s = NewSocket(AF_INET6);
  if (s == InvalidSocket) return false;
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_any;
  const bool ok = ::bind(NativeSocket(s), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  Close(s);
  return ok;
}

TSocketHandle Listen(const std::string& ip, bool ipv6, uint16_t port, int backlog, uint16_t& boundPort) {
  const TSocketHandle s = NewSocket(ipv6 ? AF_INET6 : AF_INET);
  if (s == InvalidSocket) return InvalidSocket;
  const DWORD on = 1;
  // Windows lets SO_REUSEADDR take a port another socket listens on; the
  // exclusive option refuses that, while a port whose old connections linger
  // in TIME_WAIT binds as it does elsewhere.
  ::setsockopt(NativeSocket(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  sockaddr_storage address{};
  int length = 0;
  if (ipv6) {
    ::setsockopt(NativeSocket(s), IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&on), sizeof on);
    auto* a = reinterpret_cast<sockaddr_in6*>(&address);
    a->sin6_family = AF_INET6;
    a->sin6_port = htons(port);
    if (::inet_pton(AF_INET6, ip.c_str(), &a->sin6_addr) != 1) {
      Close(s);
      return InvalidSocket;
    }
    length = sizeof *a;
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&address);
    a->sin_family = AF_INET;
    a->sin_port = htons(port);
    if (::inet_pton(AF_INET, ip.c_str(), &a->sin_addr) != 1) {
      Close(s);
      return InvalidSocket;
    }
    length = sizeof *a;
  }
  if (::bind(NativeSocket(s), reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(NativeSocket(s), backlog) != 0) {
    Close(s);
    return InvalidSocket;
  }
  boundPort = LocalPort(s);
  return s;
}

TSocketHandle AcceptNow(TSocketHandle listener, TAcceptFailure& failure) {
  failure = TAcceptFailure::None;
  const SOCKET s = ::accept(NativeSocket(listener), nullptr, nullptr);
  if (s != INVALID_SOCKET) {
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    SetNonBlocking(static_cast<TSocketHandle>(s));
    return static_cast<TSocketHandle>(s);
  }
  switch (WSAGetLastError()) {
    case WSAEWOULDBLOCK:
      failure = TAcceptFailure::Again;
      break;
    case WSAEINTR:
    case WSAECONNRESET:
    case WSAECONNABORTED:
      failure = TAcceptFailure::Retry;
      break;
    case WSAEMFILE:
    case WSAENOBUFS:
      failure = TAcceptFailure::Backoff;
      break;
    default:
      failure = TAcceptFailure::Fatal;
      break;
  }
  return InvalidSocket;
}

void SetNonBlocking(TSocketHandle socket) {
  u_long on = 1;
  ::ioctlsocket(NativeSocket(socket), FIONBIO, &on);
}

TSocketHandle Duplicate(TSocketHandle socket) {
  WSAPROTOCOL_INFOW info{};
  if (WSADuplicateSocketW(NativeSocket(socket), GetCurrentProcessId(), &info) != 0) return InvalidSocket;
  const SOCKET s = WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0,
                              WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  return s == INVALID_SOCKET ? InvalidSocket : static_cast<TSocketHandle>(s);
}

bool WaitReadable(TSocketHandle socket, int timeoutMs) {
  WSAPOLLFD p{};
  p.fd = NativeSocket(socket);
  p.events = POLLRDNORM;
  return ::WSAPoll(&p, 1, timeoutMs) > 0;
}

// Sockets of this layer do not block (SetNonBlocking, AcceptNow), so a
// plain receive or send takes only what is there.
long ReceiveNow(TSocketHandle socket, char* buffer, size_t size) {
  const int n = ::recv(NativeSocket(socket), buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
  if (n >= 0) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? -2 : -1;
}

long SendNow(TSocketHandle socket, const std::string_view* pieces, size_t count) {
  WSABUF buffers[64];
  count = std::min<size_t>(count, std::size(buffers));
  for (size_t i = 0; i < count; ++i) {
    buffers[i].buf = const_cast<char*>(pieces[i].data());
    buffers[i].len = static_cast<ULONG>(pieces[i].size());
  }
  DWORD sent = 0;
  if (::WSASend(NativeSocket(socket), buffers, static_cast<DWORD>(count), &sent, 0, nullptr, nullptr) == 0)
    return static_cast<long>(sent);
  return WSAGetLastError() == WSAEWOULDBLOCK ? -2 : -1;
}

void Shutdown(TSocketHandle socket) { ::shutdown(NativeSocket(socket), SD_BOTH); }
void ShutdownSend(TSocketHandle socket) { ::shutdown(NativeSocket(socket), SD_SEND); }
void Close(TSocketHandle socket) { ::closesocket(NativeSocket(socket)); }

void TSocketWaiter::assign(TSocketHandle handle, asio::error_code& error) {
  sockaddr_storage address{};
  int length = sizeof address;
  ::getsockname(NativeSocket(handle), reinterpret_cast<sockaddr*>(&address), &length);
  const auto protocol = address.ss_family == AF_INET6 ? asio::ip::tcp::v6() : asio::ip::tcp::v4();
  asio::ip::tcp::socket::assign(protocol, NativeSocket(handle), error);
}

}  // namespace fieldsync::net
