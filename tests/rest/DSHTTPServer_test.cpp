// The REST dispatcher against a small server class of the test's own, so that
// every path of routing, binding and answering is seen without a database.
#include "rest/DSHTTPServer.h"

#include <gtest/gtest.h>

#include <regex>

#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXReader.h"
#include "rest/DSInvocationMetadata.h"

using namespace fieldsync;
using namespace TDBXDataTypes;

namespace {

struct TestRequest : TDSHTTPRequest {
  std::string Path, Method = "GET", PragmaValue, AcceptValue, Body;
  TDSHTTPParams Parameters;
  std::string RawPath() const override { return Path; }
  std::string Command() const override { return Method; }
  TDSHTTPCommandType CommandType() const override {
    if (Method == "DELETE") return TDSHTTPCommandType::hcDELETE;
    if (Method == "GET") return TDSHTTPCommandType::hcGET;
    if (Method == "POST") return TDSHTTPCommandType::hcPOST;
    if (Method == "PUT") return TDSHTTPCommandType::hcPUT;
    if (Method == "HEAD") return TDSHTTPCommandType::hcOther;
    return TDSHTTPCommandType::hcUnknown;
  }
  const TDSHTTPParams& Params() const override { return Parameters; }
  const std::string& PostStream() const override { return Body; }
  std::string Pragma() const override { return PragmaValue; }
  std::string Accept() const override { return AcceptValue; }
  std::string RemoteIP() const override { return "127.0.0.1"; }
  std::string UserAgent() const override { return "test"; }
  std::string ProtocolVersion() const override { return "HTTP/1.1"; }
  std::string AuthUserName() const override { return {}; }
  std::string AuthPassword() const override { return {}; }
};

struct TestResponse : TDSHTTPResponse {
  int Status = 200;
  std::string Reason = "OK", Body, PragmaValue, Type;
  int ResponseNo() const override { return Status; }
  void SetResponseNo(int code) override {
    Status = code;
    Reason = "standard " + std::to_string(code);
  }
  std::string ResponseText() const override { return Reason; }
  void SetResponseText(const std::string& text) override { Reason = text; }
  std::string ContentText() const override { return Body; }
  void SetContentText(std::string text) override { Body = std::move(text); }
  std::string Pragma() const override { return PragmaValue; }
  void SetPragma(const std::string& value) override { PragmaValue = value; }
  std::string ContentType() const override { return Type; }
  void SetContentType(const std::string& value) override { Type = value; }
};

// What the test class's instances record, to show one instance per call.
struct Probe {
  int Created = 0;
  int Destroyed = 0;
  TDSValue LastArgument;
};

struct TestMethods {
  explicit TestMethods(Probe& probe) : FProbe(probe) { ++probe.Created; }
  ~TestMethods() { ++FProbe.Destroyed; }
  Probe& FProbe;
};

TDSParameter In(const char* name, int type) { return {name, TDSParamDirection::In, type}; }
TDSParameter Out(const char* name, int type) { return {name, TDSParamDirection::Out, type}; }
TDSParameter Result(int type) { return {"ReturnParameter", TDSParamDirection::Return, type}; }

class DSHTTPServerTest : public ::testing::Test {
 protected:
  DSHTTPServerTest() : Sessions(Clock), Http(Server, Sessions) {
    auto& cls = Server.AddClass(u"TServerMethods1", "Session", [this] {
      return std::make_unique<TDSInstanceOf<TestMethods>>(std::make_unique<TestMethods>(Calls));
    });
    Server.AddMethod(cls, u"EchoString", {In("Value", WideStringType), Result(WideStringType)},
                     [](TDSServerInstance&, std::vector<TDSValue>& v) { v[1] = TDSValue::String(v[0].AsString()); });
    Server.AddMethod(cls, u"GetClienteSN", {In("IDCliente", Int32Type), Result(TableType)},
                     [](TDSServerInstance&, std::vector<TDSValue>& v) {
                       TDBXValueType column;
                       column.Name = u"IDCLIENTE";
                       column.DataType = WideStringType;
                       auto reader = std::make_unique<TDBXMemoryReader>(std::vector<TDBXValueType>{column});
                       TDBXValue value;
                       value.SetWideString(u"id " + Latin1ToUtf16(std::to_string(v[0].AsInt32())));
                       std::vector<TDBXValue> row;
                       row.push_back(std::move(value));
                       reader->AddRow(std::move(row));
                       v[1] = TDSValue::Reader(std::move(reader));
                     });
    Server.AddMethod(cls, u"RecebendoPalmAfa",
                     {In("IDRepresentante", Int32Type), Out("Erro", WideStringType), Result(BooleanType)},
                     [](TDSServerInstance&, std::vector<TDSValue>& v) {
                       const bool ok = v[0].AsInt32() != 13;
                       v[1] = TDSValue::String(ok ? u"" : u"falhou: \u00E9");
                       v[2] = TDSValue::Boolean(ok);
                     });
    Server.AddMethod(cls, u"Pay", {In("Value", CurrencyType), In("Count", Int32Type), Result(CurrencyType)},
                     [](TDSServerInstance&, std::vector<TDSValue>& v) {
                       v[2] = TDSValue::Currency(TCurrency::FromScaled(v[0].AsCurrency().Scaled * v[1].AsInt32()));
                     });
    Server.AddMethod(cls, u"Record", {In("Value", WideStringType), Result(BooleanType)},
                     [this](TDSServerInstance&, std::vector<TDSValue>& v) {
                       Calls.LastArgument = std::move(v[0]);
                       v[1] = TDSValue::Boolean(true);
                     });
    Server.AddMethod(cls, u"Fail", {Result(BooleanType)},
                     [](TDSServerInstance&, std::vector<TDSValue>&) { throw Exception("it broke"); });
  }

  TestResponse Run(TestRequest request) {
    TestResponse response;
    Http.DoCommand(request, response);
    return response;
  }
  TestResponse Get(const std::string& path) {
    TestRequest request;
    request.Path = path;
    return Run(request);
  }

  static std::string SessionOf(const TestResponse& response) {
    std::smatch m;
    std::regex_search(response.PragmaValue, m, std::regex("dssession=([0-9.]+)"));
    return m[1];
  }

  struct Clock {
    int64_t operator()() const { return 5000; }
  } Clock;
  Probe Calls;
  TDSServer Server;
  TDSSessionManager Sessions;
  TDSHTTPServer Http;
};

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
