#include "http/HTTPWebBrokerBridge.h"

#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <thread>

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "http/internal/HttpConnection.h"
#include "http/internal/HttpMessages.h"
#include "http/internal/Socket.h"

namespace fieldsync {

namespace {

// I/O threads: enough to keep the cores busy with reading and writing; the
// requests themselves run on the dispatch workers.
int IoThreadCount() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
}

// One I/O thread: its event loop, its own handle on every listening socket
// (all loops wait on all of them, and the first to wake takes what waits)
// and the connections it accepted.
class TAcceptLoop : public TConnectionLoop {
 public:
  TAcceptLoop(TListenerState& state, const std::vector<net::TSocketHandle>& listeners)
      : TConnectionLoop(state), FWork(asio::make_work_guard(Io)) {
    for (const auto listener : listeners) {
      const net::TSocketHandle handle = net::Duplicate(listener);
      if (handle == net::InvalidSocket) continue;
      auto& binding = FBindings.emplace_back(std::make_unique<TBinding>(Io));
      asio::error_code error;
      binding->Socket.assign(handle, error);
      if (error) {
        net::Close(handle);
        FBindings.pop_back();
      }
    }
  }

  void Start() {
    for (auto& binding : FBindings) WaitAccept(*binding);
    FThread = std::thread([this] {
      SetCurrentThreadName("http-io");
      while (true) {
        try {
          Io.run();
          return;
        } catch (const std::exception&) {
          // A handler that raised loses its connection's turn, not the loop.
        }
      }
    });
  }

  // No more accepting; every connection ends. Runs on this loop's thread.
  void StopAccepting() {
    for (auto& binding : FBindings) {
      asio::error_code ignored;
      binding->Socket.close(ignored);
      binding->Backoff.cancel();
    }
    const std::vector<THttpConnection*> open(Connections.begin(), Connections.end());
    for (auto* connection : open) connection->Abort();
  }

  void Join() {
    FWork.reset();
    Io.stop();
    if (FThread.joinable()) FThread.join();
  }

 private:
  struct TBinding {
    explicit TBinding(asio::io_context& io) : Socket(io), Backoff(io) {}
    net::TSocketWaiter Socket;
    asio::steady_timer Backoff;
  };

  void WaitAccept(TBinding& binding) {
    binding.Socket.async_wait(net::TSocketWaiter::wait_read,
                              [this, &binding](const asio::error_code& error) {
                                if (!error) AcceptReady(binding);
                              });
  }

  // Takes the connections that wait, a bounded number per turn.
  void AcceptReady(TBinding& binding) {
    for (int taken = 0; taken < 64; ++taken) {
      net::TAcceptFailure failure = net::TAcceptFailure::None;
      const net::TSocketHandle socket = net::AcceptNow(binding.Socket.native_handle(), failure);
      if (socket != net::InvalidSocket) {
        Admit(socket);
        continue;
      }
      if (failure == net::TAcceptFailure::Again) break;
      if (failure == net::TAcceptFailure::Retry) continue;
      if (failure == net::TAcceptFailure::Backoff) {
        // Out of descriptors or memory: try again shortly.
        binding.Backoff.expires_after(std::chrono::milliseconds(10));
        binding.Backoff.async_wait([this, &binding](const asio::error_code& error) {
          if (!error) WaitAccept(binding);
        });
        return;
      }
      return;  // the listening socket failed for good
    }
    WaitAccept(binding);
  }

  void Admit(net::TSocketHandle socket) {
    if (!State.AllowFrom.Empty()) {
      const auto peer = net::PeerAddressBytes(socket);
      if (!peer || !State.AllowFrom.Allows(*peer)) {
        RefuseConnection(socket, 403, AddressNotAllowedMessage);
        net::Close(socket);
        return;
      }
    }
    switch (State.Admit()) {
      case TListenerState::TAdmission::Stopping:
        net::Close(socket);
        return;
      case TListenerState::TAdmission::Full:
        RefuseConnection(socket);
        net::Close(socket);
        return;
      case TListenerState::TAdmission::Admitted:
        break;
    }
    std::shared_ptr<THttpConnection> connection;
    try {
      connection = std::make_shared<THttpConnection>(*this, socket);
    } catch (const std::exception&) {
      net::Close(socket);
      State.Leave();
      return;
    }
    connection->Start();
  }

  asio::executor_work_guard<asio::io_context::executor_type> FWork;
  std::vector<std::unique_ptr<TBinding>> FBindings;
  std::thread FThread;
};

}  // namespace

// One activation: the shared state of its connections and the I/O loops.
struct TIdHTTPWebBrokerBridge::TImpl {
  std::unique_ptr<TListenerState> State;
  std::vector<std::unique_ptr<TAcceptLoop>> Loops;
};

TIdHTTPWebBrokerBridge::TIdHTTPWebBrokerBridge(TWebRequestHandler& handler)
    : FHandler(handler) {}

TIdHTTPWebBrokerBridge::~TIdHTTPWebBrokerBridge() { SetActive(false); }

bool TIdHTTPWebBrokerBridge::Active() const { return FImpl != nullptr; }

int TIdHTTPWebBrokerBridge::ConnectionCount() const {
  if (!FImpl) return 0;
  return FImpl->State->Connections();
}

void TIdHTTPWebBrokerBridge::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    const TListenerLimits limits = FLimitsSet ? FLimits : TListenerLimits::FromEnvironment();
    TAddressAllowList allowFrom = TAddressAllowList::FromEnvironment();
    if (FBindings.empty()) {
      FBindings.push_back({"0.0.0.0", FDefaultPort, false});
      if (net::IPv6Available()) FBindings.push_back({"::", FDefaultPort, true});
    }
    // With port 0 the first binding's port is taken for the others, so that
    // all addresses answer on one port.
    std::vector<net::TSocketHandle> listeners;
    uint16_t chosenPort = 0;
    for (auto& binding : FBindings) {
      uint16_t bound = 0;
      const uint16_t port = binding.Port == 0 ? chosenPort : binding.Port;
      const net::TSocketHandle s =
          net::Listen(binding.IP, binding.IPv6, port, limits.ListenBacklog, bound);
      if (s == net::InvalidSocket) {
        for (auto listener : listeners) net::Close(listener);
        throw Exception(CouldNotBindMessage);
      }
      net::SetNonBlocking(s);
      if (binding.Port == 0 && chosenPort == 0) chosenPort = bound;
      binding.Port = bound;
      listeners.push_back(s);
    }
    auto impl = std::make_unique<TImpl>();
    impl->State = std::make_unique<TListenerState>(FHandler, limits, std::move(allowFrom));
    for (int i = 0; i < IoThreadCount(); ++i)
      impl->Loops.push_back(std::make_unique<TAcceptLoop>(*impl->State, listeners));
    // Each loop holds its own handles; the sockets close with the last.
    for (auto listener : listeners) net::Close(listener);
    for (auto& loop : impl->Loops) loop->Start();
    FImpl = std::move(impl);
    return;
  }

  // Stop: no new connections, then end every open one and wait until none
  // is left and no request is being dispatched.
  std::unique_ptr<TImpl> impl = std::move(FImpl);
  impl->State->BeginStop();
  for (auto& loop : impl->Loops) {
    TAcceptLoop* raw = loop.get();
    asio::post(raw->Io, [raw] { raw->StopAccepting(); });
  }
  impl->State->WaitUntilIdle();
  for (auto& loop : impl->Loops) loop->Join();
  // The workers end before the loops whose connections they served.
  impl->State->Workers.Stop();
}

}  // namespace fieldsync
