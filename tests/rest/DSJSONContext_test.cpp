// The "json" context: a posted array of commands run one after the other,
// and the failures of the request as a whole.
#include <gtest/gtest.h>

#include "tests/rest/RESTFixture.h"

using namespace fieldsync;

namespace {

class JSONContextTest : public RESTFixture {
 protected:
  TestResponse Post(const std::string& body, const std::string& method = "POST") {
    TestRequest request;
    request.Method = method;
    request.Path = "/datasnap/json";
    request.Body = body;
    return Run(request);
  }
};

}  // namespace

TEST_F(JSONContextTest, RunsEachCommandAndAnswersTheirArray) {
  struct Case {
    const char* body;
    int status;
    const char* answer;
  } cases[] = {
      {R"([{"execute":{"TServerMethods1.EchoString":["abc"]}}])", 200, R"([{"result":["abc"]}])"},
      {R"([{"execute":{"tservermethods1.echostring":["a"]}},{"execute":{"TServerMethods1.RecebendoPalmAfa":[13]}}])",
       200, R"([{"result":["a"]},{"result":["falhou: \u00E9",false]}])"},
      {R"([{"execute":{"TServerMethods1.Nope":[]}},{"execute":{"TServerMethods1.EchoString":["b"]}}])", 500,
       R"([{"error":"TServerMethods1.Nope method not found in the server method list"},{"result":["b"]}])"},
      {R"([{"run":{"TServerMethods1.EchoString":["x"]}}])", 500, R"([{"error":"Internal command run not implemented."}])"},
      {R"([{"execute":{"TServerMethods1.EchoString":["a","b"]}}])", 500,
       R"([{"error":"Server method TServerMethods1.EchoString consumed only 1 input parameters out of 2. Decrease the call input parameters for a successful execution."}])"},
      {R"([{"execute":{"TServerMethods1.Fail":[]}}])", 500, R"([{"error":"it broke"}])"},
      {R"([{"execute":{"TServerMethods1.updateEchoString":["x"]}}])", 500,
       R"([{"error":"TServerMethods1.updateEchoString method not found in the server method list"}])"},
  };
  for (const auto& c : cases) {
    const auto response = Post(c.body);
    EXPECT_EQ(response.Status, c.status) << c.body;
    EXPECT_EQ(response.Body, c.answer) << c.body;
    EXPECT_EQ(response.PragmaValue, "") << c.body;
  }
  EXPECT_EQ(Calls.Created, Calls.Destroyed);
}

TEST_F(JSONContextTest, FailuresOfTheWholeRequestAnswer500WithTheirMessage) {
  struct Case {
    const char* method;
    const char* body;
    const char* reason;
  } cases[] = {
      {"POST", "", "Request type POST has an empty content. A JSON command object is expected"},
      {"POST", "[{\"execute\"", "Message content is not a valid JSON value."},
      {"POST", R"({"execute":{}})",
       "JSON protocol expects a JSON array instead a TJSONObject type. Submit a POST request with a JSON command to "
       "receive proper response"},
      {"POST", "5",
       "JSON protocol expects a JSON array instead a TJSONNumber type. Submit a POST request with a JSON command to "
       "receive proper response"},
      {"POST", R"("x")",
       "JSON protocol expects a JSON array instead a TJSONString type. Submit a POST request with a JSON command to "
       "receive proper response"},
      {"POST", "null",
       "JSON protocol expects a JSON array instead a TJSONNull type. Submit a POST request with a JSON command to "
       "receive proper response"},
      {"POST", "[]", "Command closed or unassigned."},
      {"GET", "", "JSON protocol expects a POST request instead of GET. Submit a POST request with a JSON command to "
                  "receive proper response"},
      {"PUT", "[]", "JSON protocol expects a POST request instead of PUT. Submit a POST request with a JSON command "
                    "to receive proper response"},
      {"DELETE", "", "JSON protocol expects a POST request instead of DELETE. Submit a POST request with a JSON "
                     "command to receive proper response"},
  };
  for (const auto& c : cases) {
    const auto response = Post(c.body, c.method);
    EXPECT_EQ(response.Status, 500) << c.method << " " << c.body;
    EXPECT_EQ(response.Reason, c.reason) << c.method << " " << c.body;
    EXPECT_EQ(response.Body, "") << c.method << " " << c.body;
    EXPECT_EQ(response.PragmaValue, "");
  }
  EXPECT_EQ(Calls.Created, 0);
}

TEST_F(JSONContextTest, UsesTheCallersSessionAndNoFilters) {
  const std::string session = SessionOf(Get("/datasnap/rest/TServerMethods1/EchoString/x"));
  TestRequest request;
  request.Method = "POST";
  request.Path = "/datasnap/JSON";
  request.Body = R"([{"execute":{"TServerMethods1.EchoString":["abcdef"]}}])";
  request.Parameters = {{"sid", session}, {"ss.c", "2"}, {"t.r", "5"}};
  const size_t sessions = Sessions.SessionCount();
  auto response = Run(request);
  EXPECT_EQ(response.Status, 200);
  EXPECT_EQ(response.Body, R"([{"result":["abcdef"]}])");
  EXPECT_EQ(Sessions.SessionCount(), sessions);

  request.Parameters = {{"SESSIONID", "1.2.3"}};
  response = Run(request);
  EXPECT_EQ(response.Status, 403);
  EXPECT_EQ(response.Reason, "Session has expired");
  EXPECT_EQ(response.Body,
            R"({"SessionExpired":"The specified session has expired due to inactivity or was an invalid Session ID"})");
}
