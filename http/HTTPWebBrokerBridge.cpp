#include "http/HTTPWebBrokerBridge.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <set>
#include <thread>

#include "core/Error.h"
#include "core/Platform.h"
#include "http/HttpConnection.h"
#include "http/HttpMessages.h"
#include "http/Socket.h"

namespace fieldsync {

namespace {

int64_t LimitFromEnvironment(const char* name, int64_t fallback, int64_t min, int64_t max) {
  const std::string text = EnvironmentVariable(name);
  if (text.empty()) return fallback;
  int64_t value = 0;
  bool ok = text.size() <= 18 && text.find_first_not_of("0123456789") == std::string::npos;
  if (ok) value = std::stoll(text);
  if (!ok || value < min || value > max)
    throw Exception(FormatText(MsgBadLimit, {name, std::to_string(min), std::to_string(max), text}));
  return value;
}

// The open connections and the threads that serve them. Shared by the
// listener and every connection thread, so that a thread can sign off after
// the listener has stopped waiting for it. Guarded by Lock.
//
// Each connection has a thread of its own for its whole life; a thread whose
// connection has ended waits a while for the next one instead of exiting,
// which spares creating a thread for every request.
struct TConnectionRegistry {
  static constexpr int MaxIdleThreads = 64;
  static constexpr auto IdleThreadLifetime = std::chrono::seconds(30);

  std::mutex Lock;
  std::condition_variable Ended;    // a connection or a thread ended
  std::condition_variable Work;     // a connection waits in Pending, or stop
  std::set<net::TSocketHandle> Sockets;
  std::deque<net::TSocketHandle> Pending;
  int Count = 0;     // connections admitted and not yet ended
  int Threads = 0;   // connection threads alive
  int Idle = 0;      // of those, waiting for a connection
  bool Stopping = false;
};

// Serves `socket`, then further connections handed over while it waits.
void ConnectionThread(std::shared_ptr<TConnectionRegistry> registry, net::TSocketHandle socket,
                      TWebRequestHandler& handler, TListenerLimits limits) {
  while (true) {
    ServeConnection(socket, handler, limits);
    std::unique_lock lock(registry->Lock);
    registry->Sockets.erase(socket);
    net::Close(socket);
    --registry->Count;
    registry->Ended.notify_all();
    if (registry->Idle < TConnectionRegistry::MaxIdleThreads && !registry->Stopping) {
      ++registry->Idle;
      registry->Work.wait_for(lock, TConnectionRegistry::IdleThreadLifetime, [&] {
        return !registry->Pending.empty() || registry->Stopping;
      });
      --registry->Idle;
    }
    if (registry->Pending.empty()) {
      --registry->Threads;
      registry->Ended.notify_all();
      return;
    }
    socket = registry->Pending.front();
    registry->Pending.pop_front();
  }
}

}  // namespace

TListenerLimits TListenerLimits::FromEnvironment() {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_READ_TIMEOUT", DefaultReadTimeoutSeconds, 0, 24 * 3600 * 7));
  limits.MaxConnections = static_cast<int>(LimitFromEnvironment(
      "FIELDSYNC_MAX_CONNECTIONS", DefaultMaxConnections, 1, 1000000));
  limits.MaxBodyBytes = LimitFromEnvironment("FIELDSYNC_MAX_BODY", DefaultMaxBodyBytes, 0,
                                             std::numeric_limits<int64_t>::max() / 2);
  return limits;
}

struct TIdHTTPWebBrokerBridge::TImpl {
  std::vector<net::TSocketHandle> Listeners;
  std::vector<std::thread> AcceptThreads;
  std::shared_ptr<TConnectionRegistry> Registry = std::make_shared<TConnectionRegistry>();
  TListenerLimits Limits;

  void AcceptLoop(net::TSocketHandle listener, TWebRequestHandler& handler);
};

void TIdHTTPWebBrokerBridge::TImpl::AcceptLoop(net::TSocketHandle listener,
                                               TWebRequestHandler& handler) {
  const std::shared_ptr<TConnectionRegistry> registry = Registry;
  const TListenerLimits limits = Limits;
  while (true) {
    bool retry = false;
    const net::TSocketHandle socket = net::Accept(listener, retry);
    if (socket == net::InvalidSocket) {
      std::lock_guard lock(registry->Lock);
      if (registry->Stopping || !retry) return;
      continue;
    }
    bool admitted = false;
    bool handedOver = false;
    {
      std::lock_guard lock(registry->Lock);
      if (registry->Stopping) {
        net::Close(socket);
        return;
      }
      if (registry->Count < limits.MaxConnections) {
        admitted = true;
        ++registry->Count;
        registry->Sockets.insert(socket);
        // An idle thread takes the connection when there is one.
        if (registry->Idle > static_cast<int>(registry->Pending.size())) {
          registry->Pending.push_back(socket);
          handedOver = true;
        } else {
          ++registry->Threads;
        }
      }
    }
    if (!admitted) {
      RefuseConnection(socket);
      net::Close(socket);
      continue;
    }
    if (handedOver) {
      registry->Work.notify_one();  // outside the lock: the woken thread needs it
      continue;
    }
    try {
      std::thread(ConnectionThread, registry, socket, std::ref(handler), limits).detach();
    } catch (const std::system_error&) {
      RefuseConnection(socket);  // no thread to be had
      std::lock_guard lock(registry->Lock);
      registry->Sockets.erase(socket);
      net::Close(socket);
      --registry->Count;
      --registry->Threads;
      registry->Ended.notify_all();
    }
  }
}

TIdHTTPWebBrokerBridge::TIdHTTPWebBrokerBridge(TWebRequestHandler& handler)
    : FHandler(handler) {}

TIdHTTPWebBrokerBridge::~TIdHTTPWebBrokerBridge() { SetActive(false); }

bool TIdHTTPWebBrokerBridge::Active() const { return FImpl != nullptr; }

int TIdHTTPWebBrokerBridge::ConnectionCount() const {
  if (!FImpl) return 0;
  std::lock_guard lock(FImpl->Registry->Lock);
  return FImpl->Registry->Count;
}

void TIdHTTPWebBrokerBridge::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    auto impl = std::make_unique<TImpl>();
    impl->Limits = FLimitsSet ? FLimits : TListenerLimits::FromEnvironment();
    if (FBindings.empty()) {
      FBindings.push_back({"0.0.0.0", FDefaultPort, false});
      if (net::IPv6Available()) FBindings.push_back({"::", FDefaultPort, true});
    }
    // With port 0 the first binding's port is taken for the others, so that
    // all addresses answer on one port.
    uint16_t chosenPort = 0;
    for (auto& binding : FBindings) {
      uint16_t bound = 0;
      const uint16_t port = binding.Port == 0 ? chosenPort : binding.Port;
      const net::TSocketHandle s =
          net::Listen(binding.IP, binding.IPv6, port, ListenBacklog, bound);
      if (s == net::InvalidSocket) {
        for (auto listener : impl->Listeners) net::Close(listener);
        throw Exception(MsgCouldNotBind);
      }
      if (binding.Port == 0 && chosenPort == 0) chosenPort = bound;
      binding.Port = bound;
      impl->Listeners.push_back(s);
    }
    for (auto listener : impl->Listeners)
      impl->AcceptThreads.emplace_back(
          [raw = impl.get(), listener, this] { raw->AcceptLoop(listener, FHandler); });
    FImpl = std::move(impl);
    return;
  }

  // Stop: no new connections, then end every open one and wait for all.
  std::unique_ptr<TImpl> impl = std::move(FImpl);
  TConnectionRegistry& registry = *impl->Registry;
  {
    std::lock_guard lock(registry.Lock);
    registry.Stopping = true;
  }
  for (auto listener : impl->Listeners) net::Shutdown(listener);
  for (auto& thread : impl->AcceptThreads) thread.join();
  for (auto listener : impl->Listeners) net::Close(listener);
  std::unique_lock lock(registry.Lock);
  for (auto socket : registry.Sockets) net::Shutdown(socket);
  registry.Work.notify_all();
  registry.Ended.wait(lock, [&] { return registry.Count == 0 && registry.Threads == 0; });
}

}  // namespace fieldsync
