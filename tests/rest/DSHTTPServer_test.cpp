// The REST dispatcher against a small server class of the test's own, so that
// every path of routing, binding and answering is seen without a database.
#include "rest/DSHTTPServer.h"

#include <gtest/gtest.h>

#include "rest/internal/DSInvocationMetadata.h"
#include "tests/rest/RESTFixture.h"

using namespace fieldsync;

namespace {
using DSHTTPServerTest = RESTFixture;
}  // namespace

TEST_F(DSHTTPServerTest, AnswersCallsWithTheirResultEnvelope) {
  struct Case {
    const char* method;
    const char* path;
    int status;
    const char* body;
  } cases[] = {
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/abc", 200, R"({"result":["abc"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/12.50", 200, R"({"result":["12.50"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/True", 200, R"({"result":["-1"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/%2B5", 200, R"({"result":["+5"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/a%20b/", 200, R"({"result":["a b"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString/Jo%C3%A3o%2F", 200, R"({"result":["Jo\u00E3o\/"]})"},
      {"GET", "/DATASNAP/REST/tservermethods1/echostring/x", 200, R"({"result":["x"]})"},
      {"GET", "/datasnap/rest/TServerMethods1/EchoString", 200, R"({"result":[""]})"},
      {"GET", "/datasnap/rest/TServerMethods1/RecebendoPalmAfa/7", 200, R"({"result":["",true]})"},
      {"GET", "/datasnap/rest/TServerMethods1/RecebendoPalmAfa/13", 200, R"({"result":["falhou: \u00E9",false]})"},
      {"GET", "/datasnap/rest/TServerMethods1/Pay/10.5/3", 200, R"({"result":[31.5]})"},
      {"GET", "/datasnap/rest/TServerMethods1/GetClienteSN/7",
       200, R"({"result":[{"table":[["IDCLIENTE",26,0,0,0,0,0,0,false,false,0,false,false]],"IDCLIENTE":["id 7"]}]})"},
      {"PUT", "/datasnap/rest/TServerMethods1/%22EchoString%22/x", 201, R"({"result":["x"]})"},
      {"POST", "/datasnap/rest/TServerMethods1/%22EchoString%22/x", 200, R"({"result":["x"]})"},
      {"DELETE", "/datasnap/rest/TServerMethods1/%22EchoString%22/x", 200, R"({"result":["x"]})"},
  };
  for (const auto& c : cases) {
    TestRequest request;
    request.Method = c.method;
    request.Path = c.path;
    const auto response = Run(request);
    EXPECT_EQ(response.Status, c.status) << c.path;
    EXPECT_EQ(response.Body, c.body) << c.path;
    EXPECT_EQ(response.Reason, "standard " + std::to_string(c.status)) << c.path;
  }
}

TEST_F(DSHTTPServerTest, AnswersFailedCallsWithTheErrorEnvelope) {
  struct Case {
    const char* method;
    const char* path;
    const char* body;
  } cases[] = {
      {"GET", "/datasnap/rest/TServerMethods1/NoSuchMethod",
       R"({"error":"TServerMethods1.NoSuchMethod method not found in the server method list"})"},
      {"POST", "/datasnap/rest/TServerMethods1/EchoString/x",
       R"({"error":"TServerMethods1.updateEchoString method not found in the server method list"})"},
      {"GET", "/datasnap/rest/TServerMethods1/'EchoString'/x",
       R"({"error":"TServerMethods1. method not found in the server method list"})"},
      {"GET", "/datasnap/rest/TServerMethods1/", R"({"error":"TServerMethods1. method not found in the server method list"})"},
      {"GET", "/datasnap/rest/TServerMethods1/GetClienteSN/abc", R"({"error":"''abc'' is not a valid integer value"})"},
      {"GET", "/datasnap/rest/TServerMethods1/GetClienteSN/12.5", R"({"error":"''12.5'' is not a valid integer value"})"},
      {"GET", "/datasnap/rest/TServerMethods1/Pay/12,5/1", R"({"error":"'12,5' is not a valid floating point value"})"},
      {"GET", "/datasnap/rest/TServerMethods1/GetClienteSN/1/2",
       R"({"error":"Server method TServerMethods1.GetClienteSN consumed only 1 input parameters out of 2. Decrease the call input parameters for a successful execution."})"},
      {"GET", "/datasnap/rest/TServerMethods1/GetClienteSN/1/2/3",
       R"({"error":"Server method TServerMethods1.GetClienteSN has only 2 parameters. Too many arguments actual arguments: 3."})"},
      {"GET", "/datasnap/rest", R"({"error":"Invalid request format. \/className\/methodName and eventual parameters expected."})"},
      {"GET", "/datasnap/rest/TServerMethods1",
       R"({"error":"Invalid request format. \/className\/methodName and eventual parameters expected."})"},
      {"GET", "/datasnap/rest/TServerMethods1/Fail", R"({"error":"it broke"})"},
  };
  for (const auto& c : cases) {
    TestRequest request;
    request.Method = c.method;
    request.Path = c.path;
    const auto response = Run(request);
    EXPECT_EQ(response.Status, 500) << c.path;
    EXPECT_EQ(response.Body, c.body) << c.path;
  }
}

TEST_F(DSHTTPServerTest, BodyArgumentsFollowThePathArguments) {
  TestRequest request;
  request.Method = "PUT";
  request.Path = "/datasnap/rest/TServerMethods1/%22Pay%22";
  request.Body = R"({"_parameters":["2.5",4]})";
  EXPECT_EQ(Run(request).Body, R"({"result":[10]})");

  request.Path = "/datasnap/rest/TServerMethods1/%22Record%22";
  request.Body = R"({"a":[1,2]})";
  auto response = Run(request);
  EXPECT_EQ(response.Body, R"({"error":"Cannot convert JSON value {\"a\":[1,2]} input into TDBXTypes.WideString"})");

  request.Body = "{oops";
  EXPECT_EQ(Run(request).Body, R"({"error":"Message content is not a valid JSON value."})");

  request.Path = "/datasnap/rest/TServerMethods1/%22Record%22/null";
  request.Body.clear();
  EXPECT_EQ(Run(request).Body, R"({"result":[true]})");
  EXPECT_TRUE(Calls.LastArgument.IsNull());
}

TEST_F(DSHTTPServerTest, EveryCallGetsItsOwnInstanceAndSessionsAreKept) {
  const auto first = Get("/datasnap/rest/TServerMethods1/EchoString/a");
  const auto second = Get("/datasnap/rest/TServerMethods1/EchoString/b");
  EXPECT_EQ(first.PragmaValue, "dssession=" + SessionOf(first) + ",dssessionexpires=1200000");
  EXPECT_NE(SessionOf(first), SessionOf(second));
  EXPECT_EQ(Calls.Created, 2);
  EXPECT_EQ(Calls.Destroyed, 2);

  TestRequest again;
  again.Path = "/datasnap/rest/TServerMethods1/EchoString/c";
  again.PragmaValue = "dssession=" + SessionOf(first);
  EXPECT_EQ(SessionOf(Run(again)), SessionOf(first));
  again.PragmaValue.clear();
  again.Parameters = {{"sid", SessionOf(second)}};
  EXPECT_EQ(SessionOf(Run(again)), SessionOf(second));
  EXPECT_EQ(Calls.Created, 4);
  EXPECT_EQ(Sessions.SessionCount(), 2u);
}

// One rule for every context: "SESSIONID" before "sid" (letter case
// ignored, the first of a repeated name), either before the "Pragma" header.
TEST_F(DSHTTPServerTest, NamesTheSessionBySESSIONIDThenSidThenPragma) {
  const std::string a = SessionOf(Get("/datasnap/rest/TServerMethods1/EchoString/a"));
  const std::string b = SessionOf(Get("/datasnap/rest/TServerMethods1/EchoString/b"));
  ASSERT_NE(a, b);
  struct Case {
    TDSHTTPParams parameters;
    std::string pragma;
    std::string session;  // empty: refused as unknown
  } cases[] = {
      {{{"sid", a}, {"SESSIONID", b}}, "", b},
      {{{"SESSIONID", b}, {"sid", a}}, "", b},
      {{{"sessionId", b}, {"SID", a}}, "", b},
      {{{"sid", a}, {"sid", b}}, "", a},
      {{{"sid", a}}, "dssession=" + b, a},
      {{{"json", "false"}, {"sid", a}}, "dssession=" + b, a},
      {{{"sid", a}, {"SESSIONID", "1.2.3"}}, "", ""},
      {{{"SESSIONID", "1.2.3"}}, "dssession=" + a, ""},
  };
  for (const auto& c : cases) {
    TestRequest request;
    request.Path = "/datasnap/rest/TServerMethods1/EchoString/x";
    request.Parameters = c.parameters;
    request.PragmaValue = c.pragma;
    const auto response = Run(request);
    const std::string what = c.parameters.front().first + "=" + c.parameters.front().second + " " + c.pragma;
    if (c.session.empty()) {
      EXPECT_EQ(response.Status, 403) << what;
    } else {
      EXPECT_EQ(response.Status, 200) << what;
      EXPECT_EQ(SessionOf(response), c.session) << what;
    }
  }
  EXPECT_EQ(Sessions.SessionCount(), 2u);
}

TEST_F(DSHTTPServerTest, RefusesUnknownSessionsAndClosesSessions) {
  TestRequest request;
  request.Path = "/datasnap/rest/TServerMethods1/EchoString/x";
  request.PragmaValue = "dssession=1.2.3";
  auto refused = Run(request);
  EXPECT_EQ(refused.Status, 403);
  EXPECT_EQ(refused.Reason, "Session has expired");
  EXPECT_EQ(refused.Body,
            R"({"SessionExpired":"The specified session has expired due to inactivity or was an invalid Session ID"})");
  EXPECT_EQ(Calls.Created, 0);

  const auto session = SessionOf(Get("/datasnap/rest/TServerMethods1/EchoString/x"));
  request.PragmaValue = "dssession=" + session;
  request.Path = "/datasnap/rest/closesession/";
  auto closed = Run(request);
  EXPECT_EQ(closed.Status, 200);
  EXPECT_EQ(closed.Reason, R"({"result":[true]})");
  EXPECT_EQ(closed.Body, "");
  request.Path = "/datasnap/rest/TServerMethods1/EchoString/x";
  EXPECT_EQ(Run(request).Status, 403);
}

TEST_F(DSHTTPServerTest, AnswersOtherContextsAndVerbs) {
  auto wrong = Get("/datasnapx/rest/TServerMethods1/EchoString/x");
  EXPECT_EQ(wrong.Status, 404);
  EXPECT_EQ(wrong.Reason, "Expected datasnap context in request /datasnapx/rest/TServerMethods1/EchoString/x");
  EXPECT_TRUE(wrong.CloseConnection());

  auto other = Get("/datasnap/other/x");
  EXPECT_EQ(other.Status, 501);
  EXPECT_EQ(other.Body,
            "Specified protocol in request /other/x is not supported. Current supported protocols are: rest, json, tunnel");

  TestRequest head;
  head.Method = "HEAD";
  head.Path = "/datasnap/rest/TServerMethods1/EchoString/x";
  auto response = Run(head);
  EXPECT_EQ(response.Status, 501);
  EXPECT_EQ(response.Reason,
            "Command HEAD in request is not supported. Accepted commands are: GET, POST, PUT and DELETE");
  EXPECT_EQ(response.Body, "");
  EXPECT_EQ(Calls.Created, 0);
}
