// One fetch for identical read calls: which calls join a fetch running now
#include "core/Platform.h"
// and which fetch for themselves, against a read method of the test's own
// that waits at a gate, so that calls overlap for certain.
#include "rest/internal/DSSharedReads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "tests/rest/RESTFixture.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::WaitUntil;

namespace {

class DSSharedReadsTest : public RESTFixture {
 protected:
  DSSharedReadsTest() {
    auto& cls = Server.AddClass(u"TGated", "Session",
                                [] { return std::make_unique<TDSInstanceOf<int>>(std::make_unique<int>(0)); });
    cls.SetCallContext([this] { return Context; });
    // Rows 1..Count, after waiting for the gate.
    Server.AddMethod(cls, u"GetRows", {In("Count", Int32Type), Result(TableType)},
                     [this](TDSServerInstance&, std::vector<TDSValue>& v) {
                       ++Fetches;
                       std::unique_lock lock(GateLock);
                       GateChanged.wait(lock, [this] { return GateOpen; });
                       lock.unlock();
                       // The table reports to its probe until it is written, after the call.
                       std::lock_guard probes(ProbesLock);
                       v[1] = TDSValue::Reader(NumberedRows(v[0].AsInt32(), Probes.emplace_back()));
                     });
  }
  ~DSSharedReadsTest() override {
    OpenGate();
    UnsetEnvironment(ShareReadsVariable);
  }
  void OpenGate() {
    std::lock_guard lock(GateLock);
    GateOpen = true;
    GateChanged.notify_all();
  }

  std::mutex GateLock;
  std::condition_variable GateChanged;
  bool GateOpen = false;
  std::atomic<int> Fetches{0};
  std::string Context = "branch 1";
  std::mutex ProbesLock;
  std::list<Probe> Probes;
};

constexpr const char* Three = "/datasnap/rest/TGated/GetRows/3";

// A first call fetches and waits at the gate; `between` runs; then a second
// call is made: it joins the first or fetches for itself.
TEST_F(DSSharedReadsTest, OnlyAnIdenticalCallOfTheSameGenerationJoinsAFetch) {
  struct TCase {
    const char* Name;
    std::function<void()> Between;
    std::string Second;
    bool Joins;
  } cases[] = {
      {"identical", [] {}, Three, true},
      {"other arguments", [] {}, "/datasnap/rest/TGated/GetRows/4", false},
      {"after a write", [this] { EXPECT_EQ(Get("/datasnap/rest/TServerMethods1/Record/x").Status, 200); }, Three,
       false},
      {"after a write that failed", [this] { EXPECT_EQ(Get("/datasnap/rest/TServerMethods1/Fail").Status, 500); },
       Three, false},
      {"another call context", [this] { Context = "branch 2"; }, Three, false},
      {"a result filter", [] {}, std::string(Three) + "?t.r=0,2", false},
      {"sharing off", [] { SetEnvironment(ShareReadsVariable, "0"); }, Three, false},
  };
  for (TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    {
      std::lock_guard lock(GateLock);
      GateOpen = false;
    }
    Fetches = 0;
    Context = "branch 1";
    TestResponse first, second;
    std::thread fetching([&] { first = Get(Three); });
    ASSERT_TRUE(WaitUntil([&] { return Fetches == 1; }));
    c.Between();
    const uint64_t joinedBefore = TDSSharedReads::Process().Joined();
    TestRequest request;
    const size_t query = c.Second.find('?');
    request.Path = c.Second.substr(0, query);
    if (query != std::string::npos) request.Parameters.emplace_back("t.r", "0,2");
    std::thread asking([&] { second = Run(request); });
    if (c.Joins) {
      ASSERT_TRUE(WaitUntil([&] { return TDSSharedReads::Process().Joined() == joinedBefore + 1; }));
    } else {
      ASSERT_TRUE(WaitUntil([&] { return Fetches == 2; }));
    }
    OpenGate();
    fetching.join();
    asking.join();
    UnsetEnvironment(ShareReadsVariable);

    EXPECT_EQ(Fetches, c.Joins ? 1 : 2);
    EXPECT_EQ(first.Status, 200);
    EXPECT_EQ(second.Status, 200);
    EXPECT_NE(first.Body.find("\"n3\""), std::string::npos) << first.Body;
    if (c.Joins) {
      EXPECT_EQ(second.Body, first.Body);
      EXPECT_NE(SessionOf(second), SessionOf(first));  // its own session all the same
    } else {
      EXPECT_EQ(TDSSharedReads::Process().Joined(), joinedBefore);
    }
  }
}

// Calls share only within one scope: a logged-in user whose rights are
// limited joins only the fetches made under its own name (its rights were
// checked on those), and nobody else joins its fetches.
TEST_F(DSSharedReadsTest, CallsShareOnlyWithinOneScopeOfRights) {
  struct TCase {
    const char* Name;
    const char* First;
    const char* Second;
    bool Joins;
  } cases[] = {
      {"no limited user", "", "", true},
      {"the same limited user", "ana", "ana", true},
      {"another limited user", "ana", "bia", false},
      {"a limited user after anyone", "", "ana", false},
      {"anyone after a limited user", "ana", "", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    {
      std::lock_guard lock(GateLock);
      GateOpen = false;
    }
    std::atomic<int> fetches{0};
    const auto fetch = [&](TDSHTTPResponse& answer) {
      ++fetches;
      std::unique_lock lock(GateLock);
      GateChanged.wait(lock, [this] { return GateOpen; });
      answer.SetContentText("rows");
    };
    TestResponse first, second;
    const std::string remainder = "/TGated/GetRows/3";
    std::thread fetching([&] { TDSSharedReads::Process().Serve(Server, remainder, true, first, fetch, c.First); });
    ASSERT_TRUE(WaitUntil([&] { return fetches == 1; }));
    const uint64_t joinedBefore = TDSSharedReads::Process().Joined();
    std::thread asking([&] { TDSSharedReads::Process().Serve(Server, remainder, true, second, fetch, c.Second); });
    if (c.Joins) {
      ASSERT_TRUE(WaitUntil([&] { return TDSSharedReads::Process().Joined() == joinedBefore + 1; }));
    } else {
      ASSERT_TRUE(WaitUntil([&] { return fetches == 2; }));
    }
    OpenGate();
    fetching.join();
    asking.join();
    EXPECT_EQ(fetches, c.Joins ? 1 : 2);
    EXPECT_EQ(second.Body, "rows");
  }
}

// Calls that run one after the other never share: each fetches what the
// database holds at its time.
TEST_F(DSSharedReadsTest, SequentialCallsFetchEachTime) {
  OpenGate();
  const TestResponse first = Get(Three);
  const TestResponse second = Get(Three);
  EXPECT_EQ(Fetches, 2);
  EXPECT_EQ(first.Body, second.Body);
}

}  // namespace
