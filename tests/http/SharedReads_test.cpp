// Identical downloads over real sockets: calls that arrive while one is
// being fetched get its bytes, compressed once, and a caller that goes away
// meanwhile harms none of the others.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "ListenerFixture.h"
#include "core/Text.h"
#include "db/DBXReader.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/HTTPWebBrokerBridge.h"
#include "rest/DSHTTPServer.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

using namespace TDBXDataTypes;

// A read method that counts its calls and waits at the gate before it
// answers `Count` rows of about 100 bytes each.
void RegisterGatedRows(TDSServer& server, TGate& gate, std::atomic<int>& calls) {
  auto& cls = server.AddClass(u"TServerMethods1", "Session",
                              [] { return std::make_unique<TDSInstanceOf<int>>(std::make_unique<int>(0)); });
  server.AddMethod(cls, u"GetRows",
                   {{"Count", TDSParamDirection::In, Int32Type}, {"ReturnParameter", TDSParamDirection::Return, TableType}},
                   [&gate, &calls](TDSServerInstance&, std::vector<TDSValue>& v) {
                     ++calls;
                     gate.Pass();
                     TDBXValueType column;
                     column.Name = u"NOME";
                     column.DataType = WideStringType;
                     auto reader = std::make_unique<TDBXMemoryReader>(std::vector<TDBXValueType>{column});
                     for (int i = 0; i < v[0].AsInt32(); ++i) {
                       std::vector<TDBXValue> row(1);
                       row[0].SetWideString(u"cliente " + Latin1ToUtf16(std::to_string(i)) + std::u16string(90, u'x'));
                       reader->AddRow(std::move(row));
                     }
                     v[1] = TDSValue::Reader(std::move(reader));
                   });
}

class TRestModule : public TWebModule {
 public:
  TRestModule(TGate& gate, std::atomic<int>& calls)
      : FDispatcher([&](TDSServer& server) { RegisterGatedRows(server, gate, calls); }) {}
  bool HandleRequest(TWebRequest& request, TWebResponse& response) override {
    return FDispatcher.DispatchRequest(request, response);
  }

 private:
  TDSHTTPWebDispatcher FDispatcher;
};

class SharedReadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FHandler.SetWebModuleClass([this] { return std::make_unique<TRestModule>(FGate, FCalls); });
    FListener = std::make_unique<TIdHTTPWebBrokerBridge>(FHandler);
    FListener->SetDefaultPort(0);
    FListener->SetActive(true);
    FPort = FListener->Bindings().at(0).Port;
  }
  void TearDown() override {
    FGate.Open();
    FListener.reset();
  }

  TGate FGate;
  std::atomic<int> FCalls{0};
  TWebRequestHandler FHandler;
  std::unique_ptr<TIdHTTPWebBrokerBridge> FListener;
  uint16_t FPort = 0;
};

constexpr const char* Download =
    "GET /datasnap/rest/TServerMethods1/GetRows/2000 HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    "Accept-Encoding: gzip\r\nConnection: close\r\n\r\n";

TEST_F(SharedReadsTest, JoinedCallsGetTheSameCompressedBytesAndOneThatGoesAwayHarmsNoOther) {
  FGate.Close();
  THttpAnswer first, third;
  std::thread fetching([&] { first = Exchange(FPort, Download); });
  ASSERT_TRUE(FGate.WaitForWaiting(1));
  const uint64_t joinedBefore = SharedReadsJoined();
  // The second caller asks and goes away before the answer; the third waits.
  auto leaving = std::make_unique<TTestConnection>(FPort);
  leaving->Send(Download);
  std::thread waiting([&] { third = Exchange(FPort, Download); });
  ASSERT_TRUE(WaitUntil([&] { return SharedReadsJoined() == joinedBefore + 2; }));
  leaving.reset();
  FGate.Open();
  fetching.join();
  waiting.join();

  EXPECT_EQ(FCalls.load(), 1);  // one fetch for the three calls
  for (const THttpAnswer* answer : {&first, &third}) {
    EXPECT_EQ(answer->Status, 200);
    EXPECT_EQ(answer->Header("Content-Encoding"), "gzip");
  }
  EXPECT_EQ(first.Body, third.Body);
  EXPECT_GT(first.Body.size(), 1000u);
  // Each call keeps its own session.
  EXPECT_NE(first.Header("Pragma"), third.Header("Pragma"));

  // Served alone afterwards, the same call fetches again, with the same bytes.
  const THttpAnswer again = Exchange(FPort, Download);
  EXPECT_EQ(FCalls.load(), 2);
  EXPECT_EQ(again.Body, first.Body);
}

}  // namespace
}  // namespace fieldsync::test
