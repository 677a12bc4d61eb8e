// The limits on what one request may hold and how long it may take to
// arrive, over real sockets: each at and just past its value, the refusal
// answered with its status and message and nothing passed on.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "ListenerFixture.h"

namespace fieldsync::test {
namespace {

using namespace std::chrono_literals;

std::string Repeated(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

struct TLimitCase {
  const char* Name;
  std::string Request;
  int Status;
  std::string Message;  // the refusal's body; the probe's answer when 200
};

TEST_F(ListenerTest, AnswersEachRequestLimitAtAndJustPastIt) {
  // "GET " + target + " HTTP/1.0" is 13 characters besides the target; the
  // request line's 16384 bound the target however it divides.
  const size_t room = 16384 - 13;
  const std::string arg(room - 1, 'a');
  const std::string fullPath = "/" + std::string(12287, 'b');
  const std::string fullQuery = "x=" + std::string(room - 12288 - 1 - 2, 'c');
  std::string headerLines;
  for (int i = 0; i < 1024; ++i) headerLines += "X-" + std::to_string(i) + ": 1\r\n";
  const std::string headerValue(16384 - 5, 'h');  // "X-A: " + value
  const auto get = [](const std::string& target, const std::string& head = "") {
    return "GET " + target + " HTTP/1.0\r\n" + head + "\r\n";
  };
  const std::vector<TLimitCase> cases = {
      {"request line of 16384", get(fullPath + "?" + fullQuery), 200, ""},
      {"request line of 16385", get(fullPath + "?" + fullQuery + "c"), 414, "Max line length exceeded."},
      {"request line of 100000", get("/" + std::string(100000, 'a')), 414, "Max line length exceeded."},
      {"one argument as long as the line allows", get("/" + arg), 200, ""},
      {"one query item as long as the line allows", get("/?" + arg.substr(1)), 200, ""},
      {"as many path segments as the line allows", get(Repeated("/s", room / 2)), 200, ""},
      {"as many query parameters as the line allows",
       get("/?" + Repeated("p&", (room - 2) / 2) + "p"), 200, ""},
      {"the longest argument and one byte more", get("/" + arg + "a"), 414, "Max line length exceeded."},
      {"1024 header lines", get("/", headerLines), 200, ""},
      {"1025 header lines", get("/", headerLines + "X-Last: 1\r\n"), 431,
       "Maximum number of line allowed exceeded"},
      {"header line of 16384", get("/", "X-A: " + headerValue + "\r\n"), 200, ""},
      {"header line of 16385", get("/", "X-A: " + headerValue + "h\r\n"), 431, "Max line length exceeded."},
  };
  for (const auto& c : cases) {
    const THttpAnswer answer = Get(c.Request);
    ASSERT_TRUE(answer.Received) << c.Name;
    EXPECT_EQ(answer.Status, c.Status) << c.Name;
    EXPECT_EQ(answer.Header("Connection"), "close") << c.Name;
    if (c.Status == 200) {
      EXPECT_NE(answer.Body.find("PathInfo="), std::string::npos) << c.Name;
    } else {
      EXPECT_EQ(answer.Body, c.Message) << c.Name;
      EXPECT_EQ(answer.Header("Content-Type").rfind("text/plain", 0), 0u) << c.Name;
    }
  }
  EXPECT_EQ(Get(get("/" + arg + "a")).Reason, "Request-URI Too Long. 256 Chars max");
  EXPECT_EQ(Get(get("/", headerLines + "X: 1\r\n")).Reason, "Request Header Fields Too Large");
}

struct TSlowCase {
  const char* Name;
  std::string Request;
  std::chrono::milliseconds Pause;  // between two bytes
  int Status;
};

TEST_F(ListenerTest, AnswersARequestThatTakesLongerThanTheTotalTimeWith408) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 30;  // no pause comes near it
  limits.RequestTimeoutSeconds = 2;
  Restart(limits);
  const std::string head = "POST /slow HTTP/1.1\r\nHost: h\r\nContent-Length: 10\r\n\r\n";
  const std::vector<TSlowCase> cases = {
      // Whole after about 0.6 s, within the time.
      {"a slow request within the time", head + "0123456789", 10ms, 200},
      // The head alone takes 6.5 s at a byte per 100 ms.
      {"a head that dribbles on", head, 100ms, 408},
      // The head at once, then a body byte a second.
      {"a body that dribbles on", head + std::string(10, 'x'), 0ms, 408},
  };
  for (const auto& c : cases) {
    TTestConnection client(FPort);
    const auto start = std::chrono::steady_clock::now();
    size_t sent = 0;
    if (c.Pause == 0ms) {
      client.Send(head);
      sent = head.size();
    }
    std::string received;
    for (; sent < c.Request.size() && received.empty(); ++sent) {
      client.Send(c.Request.substr(sent, 1));
      std::this_thread::sleep_for(c.Pause == 0ms ? 1000ms : c.Pause);
      received = client.ReadSome(1, 0);
    }
    received += client.ReadAll();
    const THttpAnswer answer = ParseAnswer(received);
    EXPECT_EQ(answer.Status, c.Status) << c.Name;
    if (c.Status == 408) {
      EXPECT_EQ(answer.Body, "Request not received within 2 seconds.") << c.Name;
      EXPECT_EQ(answer.Reason, "Request Timeout") << c.Name;
      EXPECT_LT(sent, c.Request.size()) << c.Name << ": the whole request went out";
      // Answered at the time, not at the read time-out; bounded generously
      // for instrumented builds.
      EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << c.Name;
    }
  }
}

TEST_F(ListenerTest, EndsTheClosingOfAnAnsweredClientThatGoesOnSending) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 30;
  limits.RequestTimeoutSeconds = 1;
  Restart(limits);
  TTestConnection client(FPort);
  client.Send("GET / HTTP/1.0\r\nX: ");
  std::string received;
  for (int i = 0; i < 100 && received.empty(); ++i) {
    client.Send("x");
    received = client.ReadSome(1, 100);
  }
  ASSERT_EQ(ParseAnswer(received + client.ReadAll(1000)).Status, 408);
  // The client goes on with a byte every 100 ms; the closing reads them
  // away for at most 2 s, then the connection is gone.
  const auto answered = std::chrono::steady_clock::now();
  while (FListener->ConnectionCount() > 0 && std::chrono::steady_clock::now() - answered < 15s) {
    client.Send("x");
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(FListener->ConnectionCount(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - answered, 8s);
}

TEST_F(ListenerTest, TotalTimeOfZeroLetsASlowRequestArrive) {
  TListenerLimits limits;
  limits.ReadTimeoutSeconds = 30;
  limits.RequestTimeoutSeconds = 0;
  Restart(limits);
  TTestConnection client(FPort);
  const std::string request = "GET /late HTTP/1.0\r\n\r\n";
  client.Send(request.substr(0, 5));
  std::this_thread::sleep_for(1500ms);
  client.Send(request.substr(5));
  const THttpAnswer answer = ParseAnswer(client.ReadAll());
  EXPECT_EQ(answer.Status, 200);
}

}  // namespace
}  // namespace fieldsync::test
