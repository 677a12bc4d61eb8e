#pragma once
// A listener on a free loopback port with a probe module that writes back
// what it saw of the request, and a gate that can hold modules mid-request.

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TestClient.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/WebModule.h"
#include "http/WebRequestHandler.h"

namespace fieldsync::test {

// Holds requests until opened; counts how many are waiting.
class TGate {
 public:
  void Close() {
    std::lock_guard lock(FLock);
    FOpen = false;
  }
  void Open() {
    std::lock_guard lock(FLock);
    FOpen = true;
    FChanged.notify_all();
  }
  void Pass() {
    std::unique_lock lock(FLock);
    ++FWaiting;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return FOpen; });
    --FWaiting;
  }
  bool WaitForWaiting(int count, int timeoutMs = 10000) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return FWaiting >= count; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FOpen = true;
  int FWaiting = 0;
};

// `count` buffers of about `size` bytes each, of a recognisable pattern.
std::vector<std::string> PatternPieces(int count, int size);

// Answers every request with "name=value" lines describing it; "/throw"
// raises, "/pieces?count=C&size=S" answers PatternPieces(C, S) as buffers,
// "/filled?count=C&size=S" C buffers of S times "x".
class TProbeModule : public TWebModule {
 public:
  explicit TProbeModule(TGate* gate) : FGate(gate) {}
  bool HandleRequest(TWebRequest& request, TWebResponse& response) override;

 private:
  TGate* FGate;
};

class ListenerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Restarts the listener with these limits.
  void Restart(const TListenerLimits& limits);
  // Whether the listener took an IPv6 binding and ::1 answers.
  bool HasIPv6Loopback() const;
  THttpAnswer Get(const std::string& request, bool ipv6 = false) {
    return Exchange(FPort, request, ipv6);
  }

  TGate FGate;
  TWebRequestHandler FHandler;
  std::unique_ptr<TIdHTTPWebBrokerBridge> FListener;
  uint16_t FPort = 0;
};

}  // namespace fieldsync::test
