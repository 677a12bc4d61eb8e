#pragma once
// The system's socket headers for the functions that both socket files share
// (SocketAddress.cpp): Winsock on Windows, BSD sockets elsewhere, and the
// system's own handle of a socket.

#include "http/internal/Socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace fieldsync::net {

#ifdef _WIN32
inline SOCKET NativeSocket(TSocketHandle socket) { return static_cast<SOCKET>(socket); }
#else
inline int NativeSocket(TSocketHandle socket) { return socket; }
#endif

}  // namespace fieldsync::net
