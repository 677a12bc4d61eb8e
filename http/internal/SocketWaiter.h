#pragma once
// What an I/O thread's event loop waits on for a socket of net::: Asio's
// descriptor on POSIX systems, its socket object on Windows (where
// descriptors do not exist). Either takes the handle with assign(handle,
// error), waits with async_wait(wait_read or wait_write, ...) and closes the
// socket on close() or destruction.

#include "http/internal/Socket.h"

#ifdef _WIN32
#include <asio/ip/tcp.hpp>
#else
#include <asio/posix/stream_descriptor.hpp>
#endif

namespace fieldsync::net {

#ifdef _WIN32
class TSocketWaiter : public asio::ip::tcp::socket {
 public:
  explicit TSocketWaiter(asio::io_context& io) : asio::ip::tcp::socket(io) {}
  // Takes `handle` over; its address family tells the protocol.
  void assign(TSocketHandle handle, asio::error_code& error);
};
#else
using TSocketWaiter = asio::posix::stream_descriptor;
#endif

}  // namespace fieldsync::net
