#pragma once
// A REST dispatcher over a small server class of the tests' own, so that
// routing, binding, filters, cached results and the contexts are seen
// without a database: request and response views that record everything,
// and methods that echo, fail, and return tables of any size.

#include <gtest/gtest.h>

#include <regex>

#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXReader.h"
#include "rest/DSHTTPServer.h"

namespace fieldsync {
using namespace TDBXDataTypes;

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
  int RowsAdvanced = 0;  // Next calls on the last table returned
  bool TableClosed = false;
};

// A table that tells the probe how far it was read and whether it was closed.
class ProbeReader : public TDBXMemoryReader {
 public:
  ProbeReader(std::vector<TDBXValueType> columns, Probe& probe) : TDBXMemoryReader(std::move(columns)), FProbe(probe) {}
  bool Next() override {
    ++FProbe.RowsAdvanced;
    return TDBXMemoryReader::Next();
  }
  void Close() override {
    FProbe.TableClosed = true;
    TDBXMemoryReader::Close();
  }

 private:
  Probe& FProbe;
};

// Rows ID = 1..count (INT32) and NOME = "n<ID>" (WideString).
inline std::unique_ptr<ProbeReader> NumberedRows(int count, Probe& probe) {
  std::vector<TDBXValueType> columns(2);
  columns[0].Name = u"ID";
  columns[0].DataType = TDBXDataTypes::Int32Type;
  columns[1].Name = u"NOME";
  columns[1].DataType = TDBXDataTypes::WideStringType;
  columns[1].Ordinal = 1;
  auto reader = std::make_unique<ProbeReader>(columns, probe);
  for (int i = 1; i <= count; ++i) {
    std::vector<TDBXValue> row(2);
    row[0].SetInt32(i);
    row[1].SetWideString(u"n" + Latin1ToUtf16(std::to_string(i)));
    reader->AddRow(std::move(row));
  }
  probe.RowsAdvanced = 0;
  probe.TableClosed = false;
  return reader;
}

struct TestMethods {
  explicit TestMethods(Probe& probe) : FProbe(probe) { ++probe.Created; }
  ~TestMethods() { ++FProbe.Destroyed; }
  Probe& FProbe;
};

inline TDSParameter In(const char* name, int type) { return {name, TDSParamDirection::In, type}; }
inline TDSParameter Out(const char* name, int type) { return {name, TDSParamDirection::Out, type}; }
inline TDSParameter Result(int type) { return {"ReturnParameter", TDSParamDirection::Return, type}; }

class RESTFixture : public ::testing::Test {
 protected:
  RESTFixture() : Sessions(Clock), Http(Server, Sessions) {
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
    Server.AddMethod(cls, u"GetRows", {In("Count", Int32Type), Result(TableType)},
                     [this](TDSServerInstance&, std::vector<TDSValue>& v) {
                       v[1] = TDSValue::Reader(NumberedRows(v[0].AsInt32(), Calls));
                     });
    // Two tables and a text: out parameters 1 and 2, the result at 3.
    Server.AddMethod(cls, u"GetTwo",
                     {In("Count", Int32Type), Out("First", TableType), Out("Second", TableType),
                      Result(WideStringType)},
                     [this](TDSServerInstance&, std::vector<TDSValue>& v) {
                       v[1] = TDSValue::Reader(NumberedRows(v[0].AsInt32(), Calls));
                       v[2] = TDSValue::Reader(NumberedRows(v[0].AsInt32(), Calls));
                       v[3] = TDSValue::String(u"done");
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


}  // namespace fieldsync
