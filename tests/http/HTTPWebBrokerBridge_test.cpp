// The listener over real sockets on loopback: request grammar, bodies, the
#include "core/Platform.h"
// failure answers, the pool limit, stop, and the limits against idle or
// oversized clients.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <map>
#include <random>
#include <thread>

#include "ListenerFixture.h"
#include "core/Error.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

std::string Field(const THttpAnswer& answer, const std::string& name) {
  const std::string key = name + "=";
  size_t at = answer.Body.rfind("\n" + key);
  at = answer.Body.rfind(key, 0) == 0 ? 0 : (at == std::string::npos ? at : at + 1);
  if (at == std::string::npos) return "<missing>";
  const size_t end = answer.Body.find('\n', at);
  return answer.Body.substr(at + key.size(), end - at - key.size());
}

struct TFailureCase {
  const char* Name;
  std::string Request;
  int Status;  // 0: the connection closes without an answer
};

TEST_F(ListenerTest, AnswersOrDropsMalformedRequestsAsTheTableSays) {
  const std::string longName(16384 - 5, 'a');  // "X-A: " + value = 16384 characters
  std::string manyLines;
  for (int i = 0; i < 1024; ++i) manyLines += "X-" + std::to_string(i) + ": 1\r\n";
  const std::vector<TFailureCase> cases = {
      {"no blank at all", "GARBAGE\r\n\r\n", 0},
      {"one blank", "GET /\r\n\r\n", 200},
      {"bearer authorization", "GET / HTTP/1.0\r\nAuthorization: Bearer abc\r\n\r\n", 0},
      {"1024 header lines", "GET / HTTP/1.0\r\n" + manyLines + "\r\n", 200},
      {"1025 header lines", "GET / HTTP/1.0\r\n" + manyLines + "X-Last: 1\r\n\r\n", 431},
      {"line of 16384", "GET / HTTP/1.0\r\nX-A: " + longName + "\r\n\r\n", 200},
      {"line of 16385", "GET / HTTP/1.0\r\nX-A: " + longName + "b\r\n\r\n", 431},
      {"1.1 without Host", "GET / HTTP/1.1\r\n\r\n", 400},
      {"1.1 with an empty Host", "GET / HTTP/1.1\r\nHost:\r\n\r\n", 200},
      {"1.1 with an absolute target and no Host", "GET http://h/ HTTP/1.1\r\n\r\n", 200},
      {"1.0 without Host", "GET / HTTP/1.0\r\n\r\n", 200},
      {"other expectation", "GET / HTTP/1.0\r\nExpect: magic\r\n\r\n", 417},
      {"body without length", "POST / HTTP/1.0\r\n\r\nabc", 411},
      {"gzip transfer", "POST / HTTP/1.0\r\nTransfer-Encoding: gzip\r\n\r\n", 400},
      {"length not a number", "POST / HTTP/1.0\r\nContent-Length: 1x\r\n\r\n1x", 400},
      {"bad chunk size", "POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400},
  };
  for (const auto& c : cases) {
    const THttpAnswer answer = Get(c.Request);
    if (c.Status == 0) {
      EXPECT_FALSE(answer.Received) << c.Name << ": " << answer.Raw.substr(0, 80);
    } else {
      EXPECT_EQ(answer.Status, c.Status) << c.Name;
      EXPECT_EQ(answer.Header("Connection"), "close") << c.Name;
    }
  }
  // With one blank, the blank is the last one too: the rest is the version
  // and the target is empty.
  const THttpAnswer oneBlank = Get("GET /x\r\n\r\n");
  EXPECT_EQ(Field(oneBlank, "ProtocolVersion"), "/x");
  EXPECT_EQ(Field(oneBlank, "RawPath"), "");
  EXPECT_EQ(Field(Get("GET / HTTP/1.1\r\nHost:\r\n\r\n"), "Host"), "");
  const THttpAnswer noHost = Get("GET / HTTP/1.1\r\n\r\n");
  EXPECT_EQ(noHost.Reason, "Bad Request");
  EXPECT_EQ(noHost.Header("Content-Length"), "0");
  EXPECT_EQ(noHost.Body, "");
}

TEST_F(ListenerTest, WritesHeadersInOrderWithContentLengthOfTheBody) {
  const THttpAnswer answer = Get("GET /x HTTP/1.1\r\nHost: h\r\n\r\n");
  EXPECT_EQ(answer.Raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(answer.HeaderNames(),
            (std::vector<std::string>{"Connection", "Content-Type", "Content-Length"}));
  EXPECT_EQ(answer.Header("Content-Type"), "text/plain; charset=ISO-8859-1");
  EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.Body.size()));
}

TEST_F(ListenerTest, AnswersOneRequestPerConnectionAndCloses) {
  const THttpAnswer answer =
      Get("GET /first HTTP/1.0\r\n\r\nGET /second HTTP/1.0\r\n\r\n");
  EXPECT_EQ(answer.Status, 200);
  EXPECT_EQ(Field(answer, "PathInfo"), "/first");
  EXPECT_EQ(answer.Raw.find("HTTP/1.1", 1), std::string::npos);
}

TEST_F(ListenerTest, ParsesRequestLineTargetAndHeaders) {
  const THttpAnswer answer = Get(
      "get /a%C3%A7b/c+d%u00E9?x=%C3%A7&y=1 HTTP/1.1\r\nHost: example.org:8181\r\n"
      "Cookie: a=1; b=2\r\nAuthorization: Basic dXNlcjpwYTpzcw==\r\n\r\n");
  EXPECT_EQ(Field(answer, "Method"), "GET");
  EXPECT_EQ(Field(answer, "PathInfo"), "/a\xE7" "b/c+d\xE9");
  EXPECT_EQ(Field(answer, "RawPath"), "/a%C3%A7b/c+d%u00E9");
  EXPECT_EQ(Field(answer, "Query"), "x=%C3%A7&y=1");
  EXPECT_EQ(Field(answer, "Host"), "example.org");
  EXPECT_EQ(Field(answer, "ServerPort"), "8181");
  EXPECT_EQ(Field(answer, "User"), "user:pa:ss");
  EXPECT_NE(answer.Body.find("Cookie=a=1\nCookie=b=2\n"), std::string::npos);
  // Without a content, the query stands in for it.
  EXPECT_EQ(Field(answer, "Content"), "x=%C3%A7&y=1");
}

TEST_F(ListenerTest, TakesHostFromAnAbsoluteUriAndPortFromTheConnection) {
  const THttpAnswer absolute = Get("GET http://example.com:8080/p/q HTTP/1.1\r\n\r\n");
  EXPECT_EQ(absolute.Status, 200);
  EXPECT_EQ(Field(absolute, "PathInfo"), "/p/q");
  EXPECT_EQ(Field(absolute, "Host"), "example.com");
  EXPECT_EQ(Field(absolute, "ServerPort"), "8080");

  const THttpAnswer plain = Get("GET / HTTP/1.1\r\nHost: h\r\n\r\n");
  EXPECT_EQ(Field(plain, "ServerPort"), std::to_string(FPort));
  const THttpAnswer badPort = Get("GET / HTTP/1.1\r\nHost: h:x\r\n\r\n");
  EXPECT_EQ(Field(badPort, "ServerPort"), "-1");
}

TEST_F(ListenerTest, DeliversBodiesByLengthAndByChunks) {
  const THttpAnswer json = Get(
      "POST /j HTTP/1.1\r\nHost: h\r\nContent-Type: application/json\r\n"
      "Content-Length: 10\r\n\r\n{\"a\":[1]}\n");
  EXPECT_EQ(Field(json, "ContentLength"), "10");
  EXPECT_EQ(Field(json, "Content"), "{\"a\":[1]}");
  EXPECT_EQ(Field(json, "ContentType"), "application/json");

  const THttpAnswer chunked = Get(
      "POST /c HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n"
      "5;ext=1\r\nhello\r\nA\r\n, chunked!\r\n0\r\nX-Trailer: t\r\n\r\n");
  EXPECT_EQ(chunked.Status, 200);
  EXPECT_EQ(Field(chunked, "Content"), "hello, chunked!");
  EXPECT_EQ(Field(chunked, "ContentLength"), "15");

  std::string large(300000, 'x');
  for (size_t i = 0; i < large.size(); i += 997) large[i] = static_cast<char>('a' + i % 26);
  const THttpAnswer big = Get("PUT /big HTTP/1.0\r\nContent-Length: " +
                              std::to_string(large.size()) + "\r\n\r\n" + large);
  EXPECT_EQ(Field(big, "ContentLength"), std::to_string(large.size()));
  EXPECT_TRUE(Field(big, "Content") == large);
}

TEST_F(ListenerTest, DecodesFormBodiesInTheirCharset) {
  const std::string body = "name=\xC3\xA7";
  auto post = [&](const std::string& type) {
    return Get("POST /f HTTP/1.0\r\nContent-Type: " + type + "\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  EXPECT_EQ(Field(post("application/x-www-form-urlencoded; charset=UTF-8"), "Content"),
            "name=\xE7");
  EXPECT_EQ(Field(post("Application/X-WWW-Form-Urlencoded"), "Content"), "name=\xC3\xA7");
  EXPECT_EQ(Field(post("text/plain; charset=utf-8"), "Content"), "name=\xC3\xA7");
  EXPECT_EQ(Field(post("text/plain; charset=utf-8"), "ContentType"), "text/plain");

  const THttpAnswer empty = Get(
      "POST /f?q=1 HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
      "Content-Length: 0\r\n\r\n");
  EXPECT_EQ(Field(empty, "Content"), "q=1");
}

TEST_F(ListenerTest, MethodOverrideReplacesTheMethod) {
  const THttpAnswer answer = Get(
      "POST /o HTTP/1.0\r\nX-HTTP-Method-Override: delete\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(Field(answer, "Method"), "DELETE");
  EXPECT_EQ(Field(answer, "MethodType"), "0");  // mtAny
  const THttpAnswer empty = Get("PUT /o HTTP/1.0\r\nX-HTTP-Method-Override: \r\n\r\n");
  EXPECT_EQ(Field(empty, "Method"), "PUT");
}

TEST_F(ListenerTest, InvitesTheBodyWithAnInterim100Line) {
  TTestConnection connection(FPort);
  connection.Send("PUT /e HTTP/1.1\r\nHost: h\r\nExpect: 100-Continue\r\n"
                  "Content-Length: 5\r\n\r\n");
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
  EXPECT_EQ(connection.ReadSome(interim.size()), interim);
  connection.Send("abcde");
  const THttpAnswer answer = ParseAnswer(connection.ReadAll());
  EXPECT_EQ(answer.Status, 200);
  EXPECT_EQ(Field(answer, "Content"), "abcde");
}

TEST_F(ListenerTest, ReportsPeerAddressForBothLoopbacks) {
  EXPECT_EQ(Field(Get("GET / HTTP/1.0\r\n\r\n"), "RemoteAddr"), "127.0.0.1");
  if (!HasIPv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
  const THttpAnswer v6 = Get("GET / HTTP/1.0\r\n\r\n", true);
  ASSERT_TRUE(v6.Received) << "no IPv6 loopback";
  EXPECT_EQ(Field(v6, "RemoteAddr"), "0:0:0:0:0:0:0:1");
}

TEST_F(ListenerTest, AnswersErrorsOfTheHandlerWith500AndTheMessage) {
  const THttpAnswer answer = Get("GET /throw HTTP/1.0\r\n\r\n");
  EXPECT_EQ(answer.Status, 500);
  EXPECT_EQ(answer.Reason, "Internal Server Error");
  EXPECT_EQ(answer.Body, "probe failure \xE7");
}

TEST_F(ListenerTest, Refuses33rdSimultaneousRequestWithThePoolMessage) {
  FGate.Close();
  std::vector<std::unique_ptr<TTestConnection>> held;
  for (int i = 0; i < 32; ++i) {
    held.push_back(std::make_unique<TTestConnection>(FPort));
    held.back()->Send("GET /held HTTP/1.0\r\n\r\n");
  }
  ASSERT_TRUE(FGate.WaitForWaiting(32));
  const THttpAnswer refused = Get("GET /33 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(refused.Status, 500);
  EXPECT_EQ(refused.Body,
            "Maximum number of concurrent connections exceeded.  Please try again later");
  FGate.Open();
  for (auto& connection : held) EXPECT_EQ(ParseAnswer(connection->ReadAll()).Status, 200);
  EXPECT_EQ(Get("GET /later HTTP/1.0\r\n\r\n").Status, 200);
  EXPECT_EQ(FHandler.ModuleCount(), 32u);  // cached and reused, none more
}

TEST_F(ListenerTest, StopEndsIdleConnectionsAndReturns) {
  const bool ipv6 = HasIPv6Loopback();
  WaitUntil([&] { return FListener->ConnectionCount() == 0; }, std::chrono::seconds(5));
  TTestConnection idle(FPort);
  TTestConnection idle6(FPort, ipv6);
  WaitUntil([&] { return FListener->ConnectionCount() >= 2; }, std::chrono::seconds(5));
  ASSERT_EQ(FListener->ConnectionCount(), 2);
  FListener->SetActive(false);
  EXPECT_FALSE(FListener->Active());
  EXPECT_TRUE(idle.ClosedWithin(60000));
  EXPECT_TRUE(idle6.ClosedWithin(60000));
  EXPECT_FALSE(TTestConnection(FPort).Connected());
  // The bindings are kept: a new start takes the same port.
  FListener->SetActive(true);
  EXPECT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
}

TEST_F(ListenerTest, ClosesConnectionsThatStayIdleBeyondTheReadTimeout) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 1;
  Restart(limits);
  TTestConnection idle(FPort);
  const auto start = std::chrono::steady_clock::now();
  idle.Send("GET / HTTP/1.0\r\n");  // the head never ends
  // Closed eventually, and not before the read time-out.
  EXPECT_TRUE(idle.ClosedWithin(60000));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(FListener->ConnectionCount(), 0);
}

TEST_F(ListenerTest, AnswersConnectionsBeyondTheCapWith503) {
  TListenerLimits limits;
  limits.MaxConnections = 2;
  Restart(limits);
  TTestConnection a(FPort), b(FPort);
  ASSERT_TRUE(WaitUntil([&] { return FListener->ConnectionCount() >= 2; }, std::chrono::seconds(5)));
  const THttpAnswer refused = Get("GET / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(refused.Status, 503);
  EXPECT_EQ(refused.Reason, "Service Unavailable");
  a.Send("GET / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(ParseAnswer(a.ReadAll()).Status, 200);
}

TEST_F(ListenerTest, RefusesBodiesBeyondTheMaximumWith413) {
  TListenerLimits limits;
  limits.MaxBodyBytes = 100;
  Restart(limits);
  const std::string fits(100, 'x');
  const std::string tooLong(101, 'x');
  EXPECT_EQ(Get("POST / HTTP/1.0\r\nContent-Length: 100\r\n\r\n" + fits).Status, 200);
  const THttpAnswer byLength = Get("POST / HTTP/1.0\r\nContent-Length: 101\r\n\r\n" + tooLong);
  EXPECT_EQ(byLength.Status, 413);
  EXPECT_EQ(byLength.Reason, "Request Entity Too Long");
  EXPECT_EQ(Get("POST / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n"
                "40\r\n" + std::string(64, 'x') + "\r\n40\r\n" + std::string(64, 'x') +
                "\r\n0\r\n\r\n").Status,
            413);
  // A body announced too large is refused instead of invited.
  EXPECT_EQ(Get("PUT / HTTP/1.1\r\nHost: h\r\nExpect: 100-continue\r\n"
                "Content-Length: 99999999999\r\n\r\n").Status,
            413);
}

TEST_F(ListenerTest, FailsToBindAPortInUseAndStaysInactive) {
  TIdHTTPWebBrokerBridge second(FHandler);
  second.SetDefaultPort(FPort);
  second.SetLimits(TListenerLimits{});
  ExpectThrowWithText<Exception>([&] { second.SetActive(true); },
                                 "Could not bind socket. Address and port are already in use.");
  EXPECT_FALSE(second.Active());
  EXPECT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
}

TEST(ListenerLimits, ReadsTheEnvironmentAndRejectsNonsense) {
  UnsetEnvironment("FIELDSYNC_READ_TIMEOUT");
  UnsetEnvironment("FIELDSYNC_MAX_CONNECTIONS");
  UnsetEnvironment("FIELDSYNC_MAX_BODY");
  UnsetEnvironment("FIELDSYNC_LISTEN_BACKLOG");
  UnsetEnvironment("FIELDSYNC_REQUEST_TIMEOUT");
  TListenerLimits defaults = TListenerLimits::FromEnvironment();
  EXPECT_EQ(defaults.ReadTimeoutSeconds, 60);
  EXPECT_EQ(defaults.MaxConnections, 1024);
  EXPECT_EQ(defaults.MaxBodyBytes, 64 * 1024 * 1024);
  EXPECT_EQ(defaults.ListenBacklog, 15);
  EXPECT_EQ(defaults.RequestTimeoutSeconds, 120);

  SetEnvironment("FIELDSYNC_READ_TIMEOUT", "5");
  SetEnvironment("FIELDSYNC_MAX_CONNECTIONS", "10");
  SetEnvironment("FIELDSYNC_MAX_BODY", "2048");
  SetEnvironment("FIELDSYNC_LISTEN_BACKLOG", "1024");
  TListenerLimits set = TListenerLimits::FromEnvironment();
  EXPECT_EQ(set.ReadTimeoutSeconds, 5);
  EXPECT_EQ(set.MaxConnections, 10);
  EXPECT_EQ(set.MaxBodyBytes, 2048);
  EXPECT_EQ(set.ListenBacklog, 1024);
  SetEnvironment("FIELDSYNC_REQUEST_TIMEOUT", "0");
  EXPECT_EQ(TListenerLimits::FromEnvironment().RequestTimeoutSeconds, 0);
  SetEnvironment("FIELDSYNC_REQUEST_TIMEOUT", "-1");
  EXPECT_THROW(TListenerLimits::FromEnvironment(), Exception);
  UnsetEnvironment("FIELDSYNC_REQUEST_TIMEOUT");
  SetEnvironment("FIELDSYNC_LISTEN_BACKLOG", "65536");
  EXPECT_THROW(TListenerLimits::FromEnvironment(), Exception);
  UnsetEnvironment("FIELDSYNC_LISTEN_BACKLOG");

  SetEnvironment("FIELDSYNC_MAX_CONNECTIONS", "0");
  ExpectThrowWithText<Exception>([&] { TListenerLimits::FromEnvironment(); },
                                 "FIELDSYNC_MAX_CONNECTIONS must be a whole number from 1 to 1000000, not \"0\"");
  SetEnvironment("FIELDSYNC_MAX_CONNECTIONS", "10");
  SetEnvironment("FIELDSYNC_READ_TIMEOUT", "1m");
  EXPECT_THROW(TListenerLimits::FromEnvironment(), Exception);
  UnsetEnvironment("FIELDSYNC_READ_TIMEOUT");
  UnsetEnvironment("FIELDSYNC_MAX_CONNECTIONS");
  UnsetEnvironment("FIELDSYNC_MAX_BODY");
}

}  // namespace
}  // namespace fieldsync::test

namespace fieldsync::test {
namespace {

// Mangled requests (fixed seed, bounded): each is answered or dropped, and
// the listener still serves a proper request afterwards.
TEST_F(ListenerTest, SurvivesMangledRequests) {
  const std::string base =
      "POST /a%C3%A7?x=%zz HTTP/1.1\r\nHost: h:1\r\nTransfer-Encoding: chunked\r\n"
      "Content-Type: application/x-www-form-urlencoded; charset=utf-8\r\n"
      "Cookie: a=1\r\nAuthorization: Basic ###\r\n\r\n5\r\nab%cd\r\n0\r\n\r\n";
  std::mt19937 random(20261210);
  std::map<int, int> statuses;  // 0: dropped without an answer
  for (int i = 0; i < 150; ++i) {
    std::string request = base;
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % request.size();
      switch (random() % 3) {
        case 0: request[at] = static_cast<char>(random() % 256); break;
        case 1: request.erase(at, 1 + random() % 8); break;
        default: request.insert(at, std::string(1 + random() % 4, static_cast<char>(random())));
      }
    }
    TTestConnection connection(FPort);
    connection.Send(request);
    connection.FinishSending();
    ++statuses[ParseAnswer(connection.ReadAll(5000)).Status];
  }
  // The mangling reaches both the answered and the dropped paths.
  EXPECT_GT(statuses[0], 0);
  EXPECT_GT(statuses[200] + statuses[400] + statuses[500], 0);
  EXPECT_EQ(Get("GET / HTTP/1.0\r\n\r\n").Status, 200);
}

}  // namespace
}  // namespace fieldsync::test
