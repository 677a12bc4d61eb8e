#pragma once
// One accepted connection, served by the I/O thread that accepted it
// without ever blocking: the request is read as its bytes arrive, handed to
// a dispatch worker once complete, and the answer is written as the client
// takes it; then the connection closes. Idle and slow clients cost memory
// and a timer, no thread.

#include <asio/io_context.hpp>
#include "http/internal/SocketWaiter.h"
#include <asio/steady_timer.hpp>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/Mutex.h"
#include "http/internal/AddressAllowList.h"
#include "http/internal/DispatchWorkers.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/internal/HttpRequestReader.h"
#include "http/internal/Socket.h"
#include "http/WebResponse.h"

namespace fieldsync {

// What the connections of one activation of the listener share: the
// handler, the limits, the dispatch workers and the counts that stopping
// waits for.
class TListenerState {
 public:
  TListenerState(TWebRequestHandler& handler, const TListenerLimits& limits,
                 TAddressAllowList allowFrom = TAddressAllowList());

  TWebRequestHandler& Handler;
  const TListenerLimits Limits;
  // The peers served; any other is answered 403 when accepted.
  const TAddressAllowList AllowFrom;
  TDispatchWorkers Workers;

  enum class TAdmission { Admitted, Full, Stopping };
  // Counts a new connection in unless the cap is reached or stopping began.
  TAdmission Admit();
  void Leave();
  void BeginDispatch();
  void EndDispatch();
  // From now on no connection is admitted.
  void BeginStop();
  // Waits until no connection is open and no dispatch runs.
  void WaitUntilIdle();
  int Connections() const;

 private:
  mutable TMutex FLock;
  std::condition_variable FChanged;
  int FConnections GUARDED_BY(FLock) = 0;
  int FDispatching GUARDED_BY(FLock) = 0;
  bool FStopping GUARDED_BY(FLock) = false;
};

class THttpConnection;

// An I/O thread's event loop and the connections it serves; the set is
// touched only on that thread.
struct TConnectionLoop {
  explicit TConnectionLoop(TListenerState& state) : State(state) {}
  asio::io_context Io{1};
  TListenerState& State;
  std::unordered_set<THttpConnection*> Connections;
};

class THttpConnection : public std::enable_shared_from_this<THttpConnection> {
 public:
  // Takes over `socket` (non-blocking), counted in by the caller.
  THttpConnection(TConnectionLoop& loop, net::TSocketHandle socket);
  THttpConnection(const THttpConnection&) = delete;
  THttpConnection& operator=(const THttpConnection&) = delete;

  void Start();
  // Ends the connection now, or as soon as its dispatch returns. On the
  // loop's thread.
  void Abort();

  // What a dispatch worker hands back: the answer's pieces, and whether
  // the connection then closes gracefully. No pieces and no grace: the
  // connection ends without an answer.
  struct TOutcome {
    std::vector<TWireBuffer> Pieces;
    bool Graceful = false;
  };

 private:
  using TClock = std::chrono::steady_clock;
  enum class TState { Reading, Dispatching, Writing, Lingering, Closed };

  void WaitReadable();
  void OnReadable();
  void Advance();
  bool OnHead();
  void Dispatch();
  void OnDispatched(TOutcome outcome);
  void Answer(std::vector<TWireBuffer> pieces, bool graceful);
  void WriteSome();
  void Linger();
  void OnLingerReadable();
  void Close();
  bool BytesWaiting() const;
  TClock::time_point TimeoutFromNow() const;
  TClock::time_point ReadDeadline() const;
  void SetDeadline(TClock::time_point deadline);
  void OnTimer();

  TConnectionLoop& FLoop;
  const net::TSocketHandle FHandle;
  net::TSocketWaiter FSocket;
  asio::steady_timer FTimer;
  TClock::time_point FDeadline = TClock::time_point::max();
  // When the whole request must have arrived; max: no limit.
  TClock::time_point FArrivalDeadline = TClock::time_point::max();
  TClock::time_point FLingerEnd;  // the latest end of a graceful close
  TClock::time_point FTimerAt = TClock::time_point::max();  // max: not armed
  TState FState = TState::Reading;
  bool FPeerClosed = false;
  bool FAborted = false;
  bool FCheckStrayBytes = false;
  bool FGraceful = false;
  THttpRequestReader FReader;
  std::vector<TWireBuffer> FOut;
  size_t FOutIndex = 0;
  size_t FOutOffset = 0;
  size_t FDrained = 0;
};

// Answers "503 Service Unavailable" (or `status` with `message` as plain
// text) and nothing else, without waiting; the caller closes the socket.
void RefuseConnection(net::TSocketHandle socket, int status = 503, const std::string& message = {});

}  // namespace fieldsync
