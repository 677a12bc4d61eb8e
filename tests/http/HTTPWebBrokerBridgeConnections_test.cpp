// The listener's connections on its event loop: what idle and slow clients
// cost, the read and send time-outs, large answers in pieces, and stopping
// with idle and busy connections.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "ListenerFixture.h"
#include "TestSocket.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

using namespace std::chrono_literals;

// Threads of this process, from the kernel's own count; -1 where the
// system has no /proc (Windows).
int ProcessThreads() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
  return -1;
}

std::string Joined(const std::vector<std::string>& pieces) {
  std::string out;
  for (const auto& piece : pieces) out += piece;
  return out;
}

TEST_F(ListenerTest, IdleConnectionsCostNoThread) {
  // 500 connections on both ends need about 1000 descriptors.
  sock::AllowSockets(2048);
  // A back-log that holds a burst of connects, so that none waits for a
  // retried connect.
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 30;
  limits.ListenBacklog = 1024;
  Restart(limits);
  ASSERT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
  const int before = ProcessThreads();
  if (before < 0) GTEST_SKIP() << "no count of the process's threads on this system";
  std::vector<std::unique_ptr<TTestConnection>> idle;
  for (int i = 0; i < 500; ++i) {
    idle.push_back(std::make_unique<TTestConnection>(FPort));
    ASSERT_TRUE(idle.back()->Connected()) << i;
  }
  ASSERT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 500; }))
      << FListener->ConnectionCount();
  EXPECT_LE(ProcessThreads(), before);
  // They are served all the same, and a new client meanwhile too.
  EXPECT_EQ(Get("GET /meanwhile HTTP/1.0\r\n\r\n").Status, 200);
  for (int i = 0; i < 500; i += 50) {
    idle[i]->Send("GET /late HTTP/1.0\r\n\r\n");
    EXPECT_EQ(ParseAnswer(idle[i]->ReadAll()).Status, 200) << i;
  }
  idle.clear();
  EXPECT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 0; }));
}

struct TIdleCase {
  const char* Name;
  std::string Sent;  // what the client sends before it falls silent
};

TEST_F(ListenerTest, ReadTimeOutClosesSilentConnectionsWithoutAnAnswer) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 1;
  Restart(limits);
  const std::vector<TIdleCase> cases = {
      {"nothing at all", ""},
      {"half a request line", "GET /x HT"},
      {"a head without its end", "GET / HTTP/1.0\r\nHost: h\r\n"},
      {"part of a body", "PUT / HTTP/1.0\r\nContent-Length: 10\r\n\r\nabc"},
      {"part of a chunked body", "PUT / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"},
  };
  std::vector<std::unique_ptr<TTestConnection>> connections;
  for (const auto& c : cases) {
    connections.push_back(std::make_unique<TTestConnection>(FPort));
    connections.back()->Send(c.Sent);
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string rest = connections[i]->ReadAll(5000);
    EXPECT_EQ(rest, "") << cases[i].Name;
    EXPECT_TRUE(connections[i]->ClosedWithin(60000)) << cases[i].Name;
  }
  EXPECT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 0; }));
}

TEST_F(ListenerTest, ServesASlowClientWhosePausesStayWithinTheTimeOut) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 2;
  Restart(limits);
  // One byte every 50 ms: the whole request takes about one and a half times
  // the time-out, while each pause stays 40 times shorter than it, so that a
  // busy machine stretching a pause cannot make it reach the time-out.
  const std::string request =
      "POST /slow HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\n\r\nhello";
  TTestConnection slow(FPort);
  for (size_t at = 0; at < request.size(); ++at) {
    slow.Send(request.substr(at, 1));
    std::this_thread::sleep_for(50ms);
  }
  const THttpAnswer answer = ParseAnswer(slow.ReadAll());
  EXPECT_EQ(answer.Status, 200);
  EXPECT_NE(answer.Body.find("PathInfo=/slow\n"), std::string::npos);
  EXPECT_NE(answer.Body.find("Content=hello\n"), std::string::npos);
}

TEST_F(ListenerTest, WritesAnswersOfManyBuffersWhole) {
  struct TCase {
    int Count;
    int Size;
  };
  // One small piece; more pieces than one gathered write takes; large
  // pieces that need many writes while the client reads.
  for (const TCase& c : {TCase{1, 10}, TCase{300, 1000}, TCase{5, 3 << 20}}) {
    const std::string path =
        "/pieces?count=" + std::to_string(c.Count) + "&size=" + std::to_string(c.Size);
    const THttpAnswer answer = Get("GET " + path + " HTTP/1.0\r\n\r\n");
    const std::string expected = Joined(PatternPieces(c.Count, c.Size));
    EXPECT_EQ(answer.Status, 200) << path;
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(expected.size())) << path;
    EXPECT_EQ(answer.Header("Content-Type"), "application/octet-stream") << path;
    EXPECT_TRUE(answer.Body == expected) << path << ": " << answer.Body.size() << " bytes";
  }
}

TEST_F(ListenerTest, SendTimeOutClosesAClientThatNeverReads) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 1;
  Restart(limits);
  // 64 MiB: far more than both socket buffers hold.
  TTestConnection stalled(FPort);
  stalled.Send("GET /filled?count=64&size=1048576 HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 1; }));
  // Bounded generously for instrumented builds; the time-out is 1 s.
  EXPECT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 0; }, 60s));
  // The client got the start of the answer, then the connection ended.
  const std::string received = stalled.ReadAll(5000);
  EXPECT_EQ(received.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_LT(received.size(), 64u << 20);
  // Others are served meanwhile and after.
  EXPECT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
}

TEST_F(ListenerTest, StopEndsIdleAndBusyConnectionsAndWaitsForDispatch) {
  FGate.Close();
  TTestConnection busy(FPort);
  busy.Send("GET /busy HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(FGate.WaitForWaiting(1));
  std::vector<std::unique_ptr<TTestConnection>> idle;
  for (int i = 0; i < 5; ++i) idle.push_back(std::make_unique<TTestConnection>(FPort));
  TTestConnection halfway(FPort);
  halfway.Send("GET /half");
  ASSERT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() == 7; }));

  auto stopped = std::async(std::launch::async, [this] { FListener->SetActive(false); });
  // Idle connections end at once, while the dispatch still runs.
  for (auto& connection : idle) EXPECT_TRUE(connection->ClosedWithin(60000));
  EXPECT_TRUE(halfway.ClosedWithin(60000));
  EXPECT_EQ(stopped.wait_for(200ms), std::future_status::timeout) << "did not wait for dispatch";
  FGate.Open();
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready);
  stopped.get();
  EXPECT_FALSE(FListener->Active());
  EXPECT_EQ(FListener->ConnectionCount(), 0);
  // The busy client gets no answer: its connection was ended under it.
  EXPECT_EQ(busy.ReadAll(1000), "");
  EXPECT_FALSE(TTestConnection(FPort).Connected());
  // Start after Stop works at once, on the same port.
  FListener->SetActive(true);
  EXPECT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
}

}  // namespace
}  // namespace fieldsync::test
