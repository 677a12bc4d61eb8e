#include "http/internal/HttpConnection.h"

#include <asio/post.hpp>

#include <algorithm>
#include <thread>

#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpMessages.h"
#include "http/WebRequest.h"

namespace fieldsync {

namespace {

// How long a closing connection keeps reading what the client still sends,
// so that the answer is not lost to a reset.
constexpr auto LingerTime = std::chrono::milliseconds(500);
constexpr size_t LingerMaxBytes = 1 << 20;
// However steadily the client goes on sending, the closing ends after this.
constexpr auto LingerMaxTime = std::chrono::seconds(2);
// Bytes read from one connection in one turn before others get theirs.
constexpr int ReadsPerTurn = 4;
constexpr size_t ReadChunk = 65536;
constexpr size_t MaxPiecesPerWrite = 64;

class TCollectSink : public TResponseSink {
 public:
  void Write(TWireBuffer piece) override {
    if (!piece->empty()) Pieces.push_back(std::move(piece));
  }
  std::vector<TWireBuffer> Pieces;
};

// A status answer; a message goes along as plain text.
void SetStatusAnswer(TWebResponse& response, const THttpStatusAnswer& answer) {
  response.SetStatusCode(answer.Status);
  if (!answer.Message.empty()) {
    response.SetContentType("text/plain");
    response.SetContent(answer.Message);
  }
}

std::vector<TWireBuffer> StatusAnswer(const std::string& version, const THttpStatusAnswer& answer) {
  TCollectSink sink;
  TWebResponse response(version, sink);
  SetStatusAnswer(response, answer);
  response.Finish();
  return std::move(sink.Pieces);
}

// 500 with an error's message as plain text.
void SetErrorAnswer(TWebResponse& response, const char* message) {
  response.SetStatusCode(500);
  response.SetContentType("text/plain");
  response.SetContent(Utf16ToWin1252(Utf8ToUtf16(message)));
}

std::vector<TWireBuffer> ErrorAnswer(const std::string& version, const char* message) {
  TCollectSink sink;
  TWebResponse response(version, sink);
  SetErrorAnswer(response, message);
  response.Finish();
  return std::move(sink.Pieces);
}

// The part of a request that runs on a dispatch worker: the last checks,
// then the web module through the handler. Never raises.
THttpConnection::TOutcome RunRequest(THttpRequestData data, const std::string& version,
                                     bool strayBodyBytes, TWebRequestHandler& handler) {
  THttpConnection::TOutcome outcome;
  try {
    TCollectSink sink;
    TWebResponse response(version, sink);
    try {
      if (strayBodyBytes) throw THttpStatusAnswer{411};
      DecodeFormBody(data);
      CollectCookies(data);
      try {
        ReadAuthorization(data);
      } catch (const Exception&) {
        return outcome;  // any scheme but Basic: no answer
      }
      TWebRequest request(std::move(data));
      handler.HandleRequest(request, response);
    } catch (const THttpStatusAnswer& answer) {
      if (!response.HeadWritten()) {
        SetStatusAnswer(response, answer);
        response.Finish();
      }
      outcome.Pieces = std::move(sink.Pieces);
      outcome.Graceful = true;
      return outcome;
    } catch (const TSocketError&) {
      return outcome;
    } catch (const std::exception& e) {
      if (response.HeadWritten()) {
        // What was sent stands; the connection ends after it.
        outcome.Pieces = std::move(sink.Pieces);
        return outcome;
      }
      SetErrorAnswer(response, e.what());
    }
    response.Finish();
    outcome.Pieces = std::move(sink.Pieces);
    outcome.Graceful = true;
  } catch (...) {
    outcome = {};  // nothing is left to answer with; the connection just ends
  }
  return outcome;
}

}  // namespace

TListenerState::TListenerState(TWebRequestHandler& handler, const TListenerLimits& limits,
                               TAddressAllowList allowFrom)
    : Handler(handler),
      Limits(limits),
      AllowFrom(std::move(allowFrom)),
      // Room for every module of the pool and for the requests it refuses;
      // two requests per core start at once, more when running ones are slow
      // (waiting on the database), so a request takes its module when it
      // can run rather than when it arrives.
      Workers(2 * handler.MaxConnections() + 2, std::chrono::seconds(5),
              std::max(4, 2 * static_cast<int>(std::thread::hardware_concurrency()))) {}

TListenerState::TAdmission TListenerState::Admit() {
  TMutexLock lock(FLock);
  if (FStopping) return TAdmission::Stopping;
  if (FConnections >= Limits.MaxConnections) return TAdmission::Full;
  ++FConnections;
  return TAdmission::Admitted;
}

void TListenerState::Leave() {
  TMutexLock lock(FLock);
  --FConnections;
  if (FStopping) FChanged.notify_all();
}

void TListenerState::BeginDispatch() {
  TMutexLock lock(FLock);
  ++FDispatching;
}

void TListenerState::EndDispatch() {
  // Notified under the lock: the stopping thread may destroy this object as
  // soon as it sees no dispatch left.
  TMutexLock lock(FLock);
  --FDispatching;
  if (FStopping) FChanged.notify_all();
}

void TListenerState::BeginStop() {
  TMutexLock lock(FLock);
  FStopping = true;
}

void TListenerState::WaitUntilIdle() {
  TUniqueLock lock(FLock);
  FChanged.wait(lock.Native(), [this] {
    FLock.AssertHeld();
    return FConnections == 0 && FDispatching == 0;
  });
}

int TListenerState::Connections() const {
  TMutexLock lock(FLock);
  return FConnections;
}

THttpConnection::THttpConnection(TConnectionLoop& loop, net::TSocketHandle socket)
    : FLoop(loop),
      FHandle(socket),
      FSocket(loop.Io),
      FTimer(loop.Io),
      FReader(loop.State.Limits.MaxBodyBytes) {}

void THttpConnection::Start() {
  asio::error_code error;
  FSocket.assign(FHandle, error);
  if (error) {
    net::Close(FHandle);
    FState = TState::Closed;
    FLoop.State.Leave();
    return;
  }
  FLoop.Connections.insert(this);
  const int budget = FLoop.State.Limits.RequestTimeoutSeconds;
  if (budget > 0) FArrivalDeadline = TClock::now() + std::chrono::seconds(budget);
  SetDeadline(ReadDeadline());
  // On a busy link the request is often there already.
  OnReadable();
}

THttpConnection::TClock::time_point THttpConnection::TimeoutFromNow() const {
  const int seconds = FLoop.State.Limits.ReadTimeoutSeconds;
  if (seconds <= 0) return TClock::time_point::max();
  return TClock::now() + std::chrono::seconds(seconds);
}

// While the request arrives: the read time-out from now, but never past
// the time the whole request has to arrive in.
THttpConnection::TClock::time_point THttpConnection::ReadDeadline() const {
  return std::min(TimeoutFromNow(), FArrivalDeadline);
}

// One timer per connection, armed for the earliest deadline it has to
// meet; a later deadline only moves a field, so that a busy connection does
// not re-arm its timer for every read.
void THttpConnection::SetDeadline(TClock::time_point deadline) {
  FDeadline = deadline;
  if (deadline >= FTimerAt) return;
  FTimerAt = deadline;
  FTimer.expires_at(deadline);
  FTimer.async_wait([self = shared_from_this(), deadline](const asio::error_code& error) {
    if (error || self->FTimerAt != deadline) return;  // re-armed or closed
    self->OnTimer();
  });
}

void THttpConnection::OnTimer() {
  FTimerAt = TClock::time_point::max();
  if (FState == TState::Closed || FDeadline == TClock::time_point::max()) return;
  if (TClock::now() < FDeadline) {
    SetDeadline(FDeadline);
    return;
  }
  // Reading: past the time the whole request has to arrive in, which is
  // answered; idle beyond the read time-out. Writing: the client took
  // nothing for as long. Lingering: the grace time is over.
  if (FState == TState::Reading && FDeadline >= FArrivalDeadline) {
    const int budget = FLoop.State.Limits.RequestTimeoutSeconds;
    return Answer(StatusAnswer(FReader.Line().Version,
                               {408, FormatText(RequestTooSlowMessage, {std::to_string(budget)})}),
                  true);
  }
  Close();
}

void THttpConnection::WaitReadable() {
  FSocket.async_wait(net::TSocketWaiter::wait_read,
                     [self = shared_from_this()](const asio::error_code& error) {
                       if (self->FState != TState::Reading) return;
                       if (error) return self->Close();
                       self->OnReadable();
                     });
}

void THttpConnection::OnReadable() {
  char buffer[ReadChunk];
  bool received = false;
  for (int turn = 0; turn < ReadsPerTurn; ++turn) {
    const long n = net::ReceiveNow(FHandle, buffer, sizeof buffer);
    if (n == -2) break;
    if (n <= 0) {
      // Closed or failed: what arrived before may still be a whole request.
      FPeerClosed = true;
      break;
    }
    FReader.Append(buffer, static_cast<size_t>(n));
    received = true;
    if (static_cast<size_t>(n) < sizeof buffer) break;
  }
  if (received) SetDeadline(ReadDeadline());
  Advance();
}

void THttpConnection::Advance() {
  try {
    while (true) {
      switch (FReader.Advance()) {
        case THttpRequestReader::TStep::NeedMore:
          if (FPeerClosed) return Close();
          return WaitReadable();
        case THttpRequestReader::TStep::HeadDone:
          if (!OnHead()) return;
          break;
        case THttpRequestReader::TStep::Complete:
          return Dispatch();
      }
    }
  } catch (const THttpStatusAnswer& answer) {
    Answer(StatusAnswer(FReader.Line().Version, answer), true);
  } catch (const std::exception& e) {
    // A malformed head ends the connection without an answer; a failure
    // after it is answered with its message.
    if (FReader.InHead()) return Close();
    Answer(ErrorAnswer(FReader.Line().Version, e.what()), true);
  }
}

bool THttpConnection::BytesWaiting() const {
  return FReader.HasUnreadBytes() || net::WaitReadable(FHandle, 0);
}

// The checks between head and body: Host, "Expect" with its interim line,
// how the body is delimited.
bool THttpConnection::OnHead() {
  THttpRequestData& data = FReader.Data();
  const TRequestLine& line = FReader.Line();
  ApplyHead(data, line);
  data.RemoteAddr = net::PeerAddress(FHandle);
  data.LocalPort = net::LocalPort(FHandle);
  const bool atLeast11 = line.Major > 1 || (line.Major == 1 && line.Minor >= 1);
  // A missing Host is refused; a present but empty one is accepted (it is
  // what a request whose target names no host may send).
  if (atLeast11 && !HasHeader(data, "Host") && data.Host.empty()) throw THttpStatusAnswer{400};
  if (HasHeader(data, "Expect") && !BytesWaiting()) {
    if (const int refused = RefusedExpectation(data, FLoop.State.Limits.MaxBodyBytes))
      throw THttpStatusAnswer{refused};
    const std::string interim = line.Version + " 100 Continue\r\n\r\n";
    const std::string_view view(interim);
    // A fresh connection takes a few bytes at once; one that does not is
    // dead.
    if (net::SendNow(FHandle, &view, 1) != static_cast<long>(interim.size())) {
      Close();
      return false;
    }
  }
  FCheckStrayBytes = FReader.BeginBody();
  return true;
}

void THttpConnection::Dispatch() {
  FState = TState::Dispatching;
  SetDeadline(TClock::time_point::max());
  const bool bufferedStray = FCheckStrayBytes && FReader.HasUnreadBytes();
  FReader.ReleaseBuffer();
  FLoop.State.BeginDispatch();
  const bool checkStray = FCheckStrayBytes;
  const net::TSocketHandle handle = FHandle;
  std::string version = FReader.Line().Version;
  // The socket stays open while the worker runs: only this thread closes
  // it, and not before the outcome is back.
  FLoop.State.Workers.Submit(
      [self = shared_from_this(), data = std::move(FReader.Data()), version = std::move(version),
       checkStray, bufferedStray, handle]() mutable {
        // Body bytes without a length: those already here, or any arriving
        // within a millisecond.
        const bool stray = checkStray && (bufferedStray || net::WaitReadable(handle, 1));
        TListenerState& state = self->FLoop.State;
        TOutcome outcome = RunRequest(std::move(data), version, stray, state.Handler);
        asio::io_context& io = self->FLoop.Io;
        asio::post(io, [self = std::move(self), outcome = std::move(outcome)]() mutable {
          self->OnDispatched(std::move(outcome));
        });
        state.EndDispatch();
      });
}

void THttpConnection::OnDispatched(TOutcome outcome) {
  if (FState != TState::Dispatching || FAborted) return Close();
  if (outcome.Pieces.empty() && !outcome.Graceful) return Close();
  Answer(std::move(outcome.Pieces), outcome.Graceful);
}

void THttpConnection::Answer(std::vector<TWireBuffer> pieces, bool graceful) {
  FState = TState::Writing;
  FGraceful = graceful;
  FOut = std::move(pieces);
  std::erase_if(FOut, [](const TWireBuffer& piece) { return !piece || piece->empty(); });
  FOutIndex = FOutOffset = 0;
  SetDeadline(TClock::time_point::max());
  WriteSome();
}

// Writes as much of the answer as the socket takes, several pieces per
// call; a piece is freed as soon as it is sent.
void THttpConnection::WriteSome() {
  while (FOutIndex < FOut.size()) {
    std::string_view views[MaxPiecesPerWrite];
    size_t count = 0;
    for (size_t i = FOutIndex; i < FOut.size() && count < MaxPiecesPerWrite; ++i) {
      views[count] = *FOut[i];
      if (i == FOutIndex) views[count].remove_prefix(FOutOffset);
      ++count;
    }
    const long n = net::SendNow(FHandle, views, count);
    if (n == -2) {
      // The client takes nothing now: wait, at most the time-out.
      SetDeadline(TimeoutFromNow());
      FSocket.async_wait(net::TSocketWaiter::wait_write,
                         [self = shared_from_this()](const asio::error_code& error) {
                           if (self->FState != TState::Writing) return;
                           if (error) return self->Close();
                           self->WriteSome();
                         });
      return;
    }
    if (n < 0) return Close();
    size_t sent = static_cast<size_t>(n);
    while (sent > 0) {
      const size_t left = FOut[FOutIndex]->size() - FOutOffset;
      if (sent < left) {
        FOutOffset += sent;
        break;
      }
      sent -= left;
      FOut[FOutIndex++].reset();
      FOutOffset = 0;
    }
  }
  FOut.clear();
  if (FGraceful && BytesWaiting()) return Linger();
  Close();
}

// Closes gracefully: the answer is flushed before the socket goes, even
// when the client still has unread bytes on their way. Reads them away for
// up to half a second between arrivals, at most 1 MiB and 2 s in all.
void THttpConnection::Linger() {
  FState = TState::Lingering;
  net::ShutdownSend(FHandle);
  FDrained = 0;
  FLingerEnd = TClock::now() + LingerMaxTime;
  SetDeadline(TClock::now() + LingerTime);
  OnLingerReadable();
}

void THttpConnection::OnLingerReadable() {
  char sink[16384];
  while (true) {
    const long n = net::ReceiveNow(FHandle, sink, sizeof sink);
    if (n == -2) break;
    if (n <= 0) return Close();
    FDrained += static_cast<size_t>(n);
    if (FDrained >= LingerMaxBytes) return Close();
    SetDeadline(std::min(TClock::now() + LingerTime, FLingerEnd));
  }
  FSocket.async_wait(net::TSocketWaiter::wait_read,
                     [self = shared_from_this()](const asio::error_code& error) {
                       if (self->FState != TState::Lingering) return;
                       if (error) return self->Close();
                       self->OnLingerReadable();
                     });
}

void THttpConnection::Abort() {
  if (FState == TState::Closed) return;
  if (FState == TState::Dispatching) {
    // The worker is not told; its answer finds the connection ended.
    FAborted = true;
    net::Shutdown(FHandle);
    return;
  }
  Close();
}

void THttpConnection::Close() {
  if (FState == TState::Closed) return;
  FState = TState::Closed;
  // Counted out before the client can see the close.
  FLoop.Connections.erase(this);
  FLoop.State.Leave();
  asio::error_code ignored;
  FTimer.cancel();
  FTimerAt = TClock::time_point::max();
  FSocket.close(ignored);
  FOut.clear();
  FReader.ReleaseBuffer();
}

void RefuseConnection(net::TSocketHandle socket, int status, const std::string& message) {
  const std::vector<TWireBuffer> answer = StatusAnswer("HTTP/1.1", {status, message});
  std::vector<std::string_view> views;
  for (const auto& piece : answer) views.emplace_back(*piece);
  net::SendNow(socket, views.data(), views.size());  // a peer that takes nothing is left
  // What the client has sent already is read away, so that closing does not
  // reset the connection under the answer.
  net::ShutdownSend(socket);
  char sink[16384];
  while (net::ReceiveNow(socket, sink, sizeof sink) > 0) {
  }
}

}  // namespace fieldsync
