#pragma once
// The HTTP listener: binds every local IPv4 (and, where the system has it,
// IPv6) address on a port and serves the accepted connections (one request
// each, then close) on a few I/O threads that never block; each complete
// request goes to a dispatch worker, which lends it a module of the web
// module pool. Start, stop and settings are called from one controlling
// thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "http/ListenerLimits.h"
#include "http/WebRequestHandler.h"

namespace fieldsync {

// One listening address. Port 0 asks the system for a free port (the port
// taken is written back on activation).
struct TSocketBinding {
  std::string IP;       // "0.0.0.0" every IPv4 address, "::" every IPv6 address
  uint16_t Port = 0;
  bool IPv6 = false;
};

class TIdHTTPWebBrokerBridge {
 public:
  static constexpr int ListenBacklog = TListenerLimits::DefaultListenBacklog;

  // `handler` receives every request; it must outlive the listener.
  explicit TIdHTTPWebBrokerBridge(TWebRequestHandler& handler = WebRequestHandler());
  ~TIdHTTPWebBrokerBridge();  // stops
  TIdHTTPWebBrokerBridge(const TIdHTTPWebBrokerBridge&) = delete;
  TIdHTTPWebBrokerBridge& operator=(const TIdHTTPWebBrokerBridge&) = delete;

  uint16_t DefaultPort() const { return FDefaultPort; }
  void SetDefaultPort(uint16_t port) { FDefaultPort = port; }

  // Empty until activation, which adds "0.0.0.0" and, with IPv6, "::" on the
  // default port when the list is empty. Clear it to let a new port count.
  std::vector<TSocketBinding>& Bindings() { return FBindings; }

  // Limits in force from the next activation. Unless set here, activation
  // reads them with TListenerLimits::FromEnvironment().
  const TListenerLimits& Limits() const { return FLimits; }
  void SetLimits(const TListenerLimits& limits) { FLimits = limits, FLimitsSet = true; }

  bool Active() const;
  // true: bind and listen (raises "Could not bind socket. Address and port
  // are already in use." and stays inactive when a binding fails); false:
  // close the listening sockets, end every connection, idle or busy, and
  // return when no request is being dispatched any more and every thread of
  // the listener has ended.
  void SetActive(bool value);

  // Connections open now.
  int ConnectionCount() const;

 private:
  struct TImpl;
  TWebRequestHandler& FHandler;
  uint16_t FDefaultPort = 80;
  std::vector<TSocketBinding> FBindings;
  TListenerLimits FLimits;
  bool FLimitsSet = false;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace fieldsync
