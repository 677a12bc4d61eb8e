#include "rest/DSSession.h"
#include "rest/internal/DSInvocationMetadata.h"
#include "tests/support/Expect.h"
#include "tests/support/Threads.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace fieldsync;
using fieldsync::test::ThreadWaits;
using fieldsync::test::WaitUntil;

namespace {

// A registry whose clock the test moves by hand.
struct ManualClock {
  std::atomic<int64_t> Now{1000};
  TDSSessionManager::TClock Function() {
    return [this] { return Now.load(); };
  }
};

}  // namespace

TEST(DSSession, NewSessionsHaveDistinctIdsOfThreeNumbersBelowOneMillion) {
  ManualClock clock;
  TDSSessionManager manager(clock.Function());
  std::set<std::string> ids;
  const std::regex shape(R"((\d{1,6})\.(\d{1,6})\.(\d{1,6}))");
  for (int i = 0; i < 200; ++i) {
    auto result = manager.LoadSessionUpdate("", "", 0, {});
    ASSERT_TRUE(result.Success);
    ASSERT_TRUE(result.IsNew);
    const auto id = TDSSessionManager::GetThreadSession()->SessionName();
    EXPECT_TRUE(std::regex_match(id, shape)) << id;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 200u);
  TDSSessionManager::ClearThreadSession();
}

TEST(DSSession, CreationRecordsTheCallerAndReuseRefreshesTheExpiry) {
  ManualClock clock;
  TDSSessionManager manager(clock.Function());
  ASSERT_TRUE(manager.LoadSessionUpdate("", "", 1200000, {"127.0.0.1", "handheld/1.0", "HTTP/1.1"}).Success);
  auto session = TDSSessionManager::GetThreadSession();
  EXPECT_EQ(session->GetData("RemoteIP"), "127.0.0.1");
  EXPECT_EQ(session->GetData("RemoteAppName"), "handheld/1.0");
  EXPECT_EQ(session->GetData("CommunicationProtocol"), "HTTP/1.1");
  EXPECT_EQ(session->GetData("ProtocolSubType"), "rest");
  EXPECT_EQ(session->Status(), TDSSessionStatus::Active);
  EXPECT_EQ(session->ExpiresIn(clock.Now), 1200000);

  clock.Now += 5000;
  EXPECT_EQ(session->ExpiresIn(clock.Now), 1195000);
  auto again = manager.LoadSessionUpdate(session->SessionName(), "", 1200000, {});
  EXPECT_TRUE(again.Success);
  EXPECT_FALSE(again.IsNew);
  EXPECT_EQ(TDSSessionManager::GetThreadSession(), session);
  EXPECT_EQ(session->ExpiresIn(clock.Now), 1200000);
  clock.Now += 3000000;
  EXPECT_EQ(session->ExpiresIn(clock.Now), 0);

  ASSERT_TRUE(manager.LoadSessionUpdate("", "", 0, {}).Success);
  EXPECT_FALSE(TDSSessionManager::GetThreadSession()->HasData("RemoteIP"));  // empty address is not recorded
  TDSSessionManager::ClearThreadSession();
}

TEST(DSSession, UnknownClosedAndTerminatedIdsAreRefused) {
  ManualClock clock;
  TDSSessionManager manager(clock.Function());
  EXPECT_FALSE(manager.LoadSessionUpdate("1.2.3", "", 1200000, {}).Success);
  EXPECT_EQ(TDSSessionManager::GetThreadSession(), nullptr);
  EXPECT_EQ(manager.SessionCount(), 0u);  // a failed load creates nothing

  manager.LoadSessionUpdate("", "", 1200000, {});
  const auto closed = TDSSessionManager::GetThreadSession()->SessionName();
  manager.CloseSession(closed);
  EXPECT_EQ(TDSSessionManager::GetThreadSession(), nullptr);
  EXPECT_FALSE(manager.LoadSessionUpdate(closed, "", 1200000, {}).Success);

  manager.LoadSessionUpdate("", "", 1200000, {});
  const auto first = TDSSessionManager::GetThreadSession()->SessionName();
  manager.LoadSessionUpdate("", "", 1200000, {});
  const auto second = TDSSessionManager::GetThreadSession()->SessionName();
  EXPECT_EQ(manager.PendingChecks(), 2u);
  manager.TerminateAllSessions();
  EXPECT_EQ(manager.SessionCount(), 0u);
  EXPECT_EQ(manager.PendingChecks(), 0u);
  EXPECT_FALSE(manager.LoadSessionUpdate(first, "", 1200000, {}).Success);
  EXPECT_FALSE(manager.LoadSessionUpdate(second, "", 1200000, {}).Success);
}

TEST(DSSession, TheInactivityCheckEndsAnUnusedSessionAndSparesAnActiveOne) {
  // The real scheduler thread runs the checks a second after each session's
  // start; whether a session was used within its duration is read from the
  // registry's clock, which the test moves.
  ManualClock clock;
  TDSSessionManager manager(clock.Function());
  // `busy` first: its check falls due before `idle`'s.
  manager.LoadSessionUpdate("", "", 1000, {});
  auto busy = TDSSessionManager::GetThreadSession();
  manager.LoadSessionUpdate("", "", 1000, {});
  const auto idle = TDSSessionManager::GetThreadSession()->SessionName();
  TDSSessionManager::ClearThreadSession();

  // More than the duration passes; only `busy` is used at its end.
  clock.Now += 1001;
  ASSERT_TRUE(manager.LoadSessionUpdate(busy->SessionName(), "", 1000, {}).Success);
  TDSSessionManager::ClearThreadSession();
  // When idle's check has ended it, busy's has run before and rescheduled it.
  EXPECT_TRUE(WaitUntil([&] { return manager.GetSession(idle) == nullptr; }));
  EXPECT_NE(manager.GetSession(busy->SessionName()), nullptr);
  EXPECT_EQ(manager.PendingChecks(), 1u);

  // A session removed while a request holds it stays usable by that request.
  manager.LoadSessionUpdate(busy->SessionName(), "", 1000, {});
  auto held = TDSSessionManager::GetThreadSession();
  manager.TerminateAllSessions();
  EXPECT_EQ(held->Status(), TDSSessionStatus::Closed);
  EXPECT_FALSE(held->SessionName().empty());
  TDSSessionManager::ClearThreadSession();
}

namespace {

// The ways a session can end while the scheduler thread waits for its
// inactivity check; each cancels that check.
struct TEndCase {
  const char* Name;
  std::function<void(TDSSessionManager&, const std::string&)> End;
};

}  // namespace

TEST(DSSession, EndingASessionWhoseCheckTheSchedulerWaitsForKeepsTheOtherChecksRunning) {
  FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
  const TEndCase cases[] = {
      {"CloseSession", [](TDSSessionManager& m, const std::string& id) { m.CloseSession(id); }},
      {"TerminateSession", [](TDSSessionManager& m, const std::string& id) { m.TerminateSession(id); }},
      {"TerminateAllSessions", [](TDSSessionManager& m, const std::string&) { m.TerminateAllSessions(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ManualClock clock;
    TDSSessionManager manager(clock.Function());
    // The first check is due in a minute: the scheduler thread waits for it.
    ASSERT_TRUE(manager.LoadSessionUpdate("", "", 60000, {}).Success);
    const auto waitedFor = TDSSessionManager::GetThreadSession()->SessionName();
    TDSSessionManager::ClearThreadSession();
    ASSERT_TRUE(WaitUntil([] { return ThreadWaits("DBXSchedulerThread"); }));
    c.End(manager, waitedFor);
    EXPECT_EQ(manager.PendingChecks(), 0u);

    // A session created afterwards, unused past its duration, still expires.
    ASSERT_TRUE(manager.LoadSessionUpdate("", "", 100, {}).Success);
    const auto later = TDSSessionManager::GetThreadSession()->SessionName();
    TDSSessionManager::ClearThreadSession();
    clock.Now += 1000;
    WaitUntil([&] { return manager.GetSession(later) == nullptr; });
    EXPECT_EQ(manager.GetSession(later), nullptr);
    EXPECT_EQ(manager.PendingChecks(), 0u);
  }
}

TEST(DSSession, DestroyingTheRegistryWhileACheckIsAwaitedEndsItsThreadQuietly) {
  FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
  ManualClock clock;
  auto manager = std::make_unique<TDSSessionManager>(clock.Function());
  ASSERT_TRUE(manager->LoadSessionUpdate("", "", 1200000, {}).Success);
  auto held = TDSSessionManager::GetThreadSession();
  TDSSessionManager::ClearThreadSession();
  ASSERT_TRUE(WaitUntil([] { return ThreadWaits("DBXSchedulerThread"); }));
  manager.reset();  // as at program exit, with the check 20 minutes away
  // A session that outlives the registry stays usable by whoever holds it.
  EXPECT_EQ(held->Status(), TDSSessionStatus::Active);
  EXPECT_FALSE(held->SessionName().empty());
}

// Worker threads end while the sessions they served, with cached results,
// live on in the registry: some end after their request's clean-up, some in
// the middle of a request (still holding their session and the call's
// metadata). No thread's end may take the process down (thread-local
// objects with destructors did under MinGW), the sessions stay whole for
// the threads that come next, and a thread never sees another's session.
TEST(DSSession, WorkerThreadsEndWhileTheirSessionsAndCachedResultsLive) {
  ManualClock clock;
  TDSSessionManager manager(clock.Function());
  constexpr int Workers = 16;
  std::vector<std::string> ids(Workers);
  std::vector<int> items(Workers);
  std::vector<std::thread> threads;
  for (int i = 0; i < Workers; ++i) {
    threads.emplace_back([&, i] {
      ASSERT_TRUE(manager.LoadSessionUpdate("", "", 0, {}).Success);
      const auto session = TDSSessionManager::GetThreadSession();
      ids[i] = session->SessionName();
      items[i] = session->Cache().AddItem();
      TDSInvocationMetadata::Get().ResponseMessage = "worker " + std::to_string(i);
      if (i % 2 == 0) {  // the request's end, as the server does it
        TDSInvocationMetadata::Discard();
        TDSSessionManager::ClearThreadSession();
      }
    });
  }
  for (auto& thread : threads) thread.join();

  EXPECT_EQ(TDSSessionManager::GetThreadSession(), nullptr);
  EXPECT_EQ(TDSInvocationMetadata::Find(), nullptr);
  // A new worker takes each session up again, with its cached result.
  for (int i = 0; i < Workers; ++i) {
    std::thread([&, i] {
      EXPECT_EQ(TDSSessionManager::GetThreadSession(), nullptr);
      EXPECT_EQ(TDSInvocationMetadata::Find(), nullptr);
      ASSERT_TRUE(manager.LoadSessionUpdate(ids[i], "", 0, {}).Success) << ids[i];
      const auto session = TDSSessionManager::GetThreadSession();
      EXPECT_EQ(session->SessionName(), ids[i]);
      EXPECT_TRUE(session->Cache().HasItem(items[i]));
      TDSSessionManager::ClearThreadSession();
    }).join();
  }
  // A session closed on another thread is gone for good.
  manager.CloseSession(ids[0]);
  EXPECT_EQ(manager.GetSession(ids[0]), nullptr);
  EXPECT_FALSE(manager.LoadSessionUpdate(ids[0], "", 0, {}).Success);
}
