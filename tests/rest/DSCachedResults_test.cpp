// Cached results: calls made with "Accept: application/rest", the cache
// context that reads and deletes what they left in the session, the cached
// table's bytes, the memory caps, and sessions that end while their cache is
// read.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "json/DBXJSONTools.h"
#include "rest/DSCachedTable.h"
#include "rest/DSSessionCache.h"
#include "tests/rest/RESTFixture.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::ExpectThrowWithText;

namespace {

constexpr const char* InvalidSession =
    R"({"SessionExpired":"The specified session has expired due to inactivity or was an invalid Session ID"})";

std::string Table(int rows, int32_t offset = 0, int32_t count = TDBXJSONTools::AllRows) {
  Probe scratch;
  return TDBXJSONTools::TableWindowToJSON(NumberedRows(rows, scratch), offset, count)->ToBytes();
}

// What a cached table of NumberedRows holds: its values' bytes with their
// commas, the descriptions and names, and 4 bytes per value for its start;
// that is the table's JSON without its framing (12 bytes, and 4 per column).
std::string CachedBytes(int rows) {
  return std::to_string(Table(rows).size() - 12 - 4 * 2 + 4 * 2 * rows);
}

class CachedResultTest : public RESTFixture {
 protected:
  // A call that accepts cached results, in `session` (a new one when empty).
  TestResponse CallCached(const std::string& path, const std::string& session = "") {
    TestRequest request;
    request.Path = "/datasnap/rest/TServerMethods1/" + path;
    request.AcceptValue = "text/html, application/rest";
    if (!session.empty()) request.PragmaValue = "dssession=" + session;
    return Run(request);
  }
  TestResponse Cache(const std::string& method, const std::string& path, const std::string& session,
                     TDSHTTPParams parameters = {}) {
    TestRequest request;
    request.Method = method;
    request.Path = "/datasnap/cache" + path;
    request.Parameters = std::move(parameters);
    if (!session.empty()) request.Parameters.emplace_back("sid", session);
    return Run(request);
  }
};

}  // namespace

TEST_F(CachedResultTest, TablesStayInTheSessionAndTheAnswerNamesThem) {
  auto first = CallCached("GetRows/3");
  EXPECT_EQ(first.Status, 200);
  EXPECT_EQ(first.Body, R"({"result":["0\/0\/0"],"cacheId":0,"cmdIndex":0})");
  EXPECT_EQ(first.Type, "application/rest");
  const std::string session = SessionOf(first);
  ASSERT_FALSE(session.empty());
  EXPECT_TRUE(Calls.TableClosed);  // read to its end and released with the request
  EXPECT_EQ(Calls.Destroyed, Calls.Created);

  EXPECT_EQ(CallCached("GetTwo/2", session).Body, R"({"result":["1\/0\/0","1\/0\/1","done"],"cacheId":1,"cmdIndex":0})");
  auto text = CallCached("EchoString/abc", session);
  EXPECT_EQ(text.Body, R"({"result":["abc"]})");
  EXPECT_EQ(text.Type, "application/rest");
  // Without the header nothing is cached.
  TestRequest plain;
  plain.Path = "/datasnap/rest/TServerMethods1/GetRows/3";
  plain.PragmaValue = "dssession=" + session;
  EXPECT_EQ(Run(plain).Body, "{\"result\":[" + Table(3) + "]}");
  // Another session has a cache of its own.
  EXPECT_EQ(CallCached("GetRows/1").Body, R"({"result":["0\/0\/0"],"cacheId":0,"cmdIndex":0})");
}

TEST_F(CachedResultTest, TheCacheContextReadsListsAndDeletes) {
  const std::string session = SessionOf(CallCached("GetRows/3"));
  CallCached("GetTwo/2", session);
  const std::string two = R"("type":23,"rows":2,"bytes":)" + CachedBytes(2) + "}";
  const std::string item0 =
      R"({"commands":[{"parameters":[{"name":"ReturnParameter","type":23,"rows":3,"bytes":)" + CachedBytes(3) + "}]}]}";
  const std::string item1 = R"({"commands":[{"parameters":[{"name":"First",)" + two + R"(,{"name":"Second",)" + two + "]}]}";
  struct Case {
    const char* method;
    const char* path;
    TDSHTTPParams parameters;
    int status;
    std::string reason;
    std::string body;
  } cases[] = {
      {"GET", "", {}, 200, "standard 200", "{\"result\":{\"0\":" + item0 + ",\"1\":" + item1 + "}}"},
      {"GET", "/", {}, 200, "standard 200", "{\"result\":{\"0\":" + item0 + ",\"1\":" + item1 + "}}"},
      {"GET", "/1", {}, 200, "standard 200", "{\"result\":" + item1 + "}"},
      {"GET", "/1/0", {}, 200, "standard 200",
       R"({"result":{"parameters":[{"name":"First",)" + two + R"(,{"name":"Second",)" + two + "]}}"},
      {"GET", "/7", {}, 200, "standard 200", R"({"result":null})"},
      {"GET", "/1/1", {}, 200, "standard 200", R"({"result":null})"},
      {"GET", "/0/0/0", {}, 200, "standard 200", "{\"result\":" + Table(3) + "}"},
      {"GET", "/0/0/0/", {}, 200, "standard 200", "{\"result\":" + Table(3) + "}"},
      {"GET", "/1/0/1", {}, 200, "standard 200", "{\"result\":" + Table(2) + "}"},
      {"GET", "/0/0/0", {{"t.r", "1,1"}}, 200, "standard 200", "{\"result\":" + Table(3, 1, 1) + "}"},
      {"GET", "/0/0/0", {{"t.o", "5"}}, 200, "standard 200", R"({"result":{"table":[]}})"},
      {"GET", "/1/0/1", {{"t2.c", "1"}, {"t1.o", "1"}}, 200, "standard 200", "{\"result\":" + Table(2, 0, 1) + "}"},
      {"GET", "/0/0/0", {{"t.r", "5"}}, 200, "standard 200", "{\"result\":" + Table(3) + "}"},  // refusals ignored
      {"GET", "/0/0/0", {{"ss.c", "1"}}, 500, "standard 500",
       R"x({"error":"The output parameter (1) cannot be converted by the selected converter (ss)"})x"},
      {"GET", "/9/0/0", {}, 200, "standard 200", R"({"error":"There is no cached item with ID: 9"})"},
      {"GET", "/0/0/1", {}, 200, "standard 200",
       R"({"error":"There is no parameter for command 0, parameter index 1."})"},
      {"GET", "/0/4/0", {}, 200, "standard 200",
       R"({"error":"There is no parameter for command 4, parameter index 0."})"},
      {"GET", "/x", {}, 400, "Invalid request format. (/x)", ""},
      {"GET", "/0//0", {}, 400, "Invalid request format. (/0//0)", ""},
      {"GET", "/-1", {}, 400, "Invalid request format. (/-1)", ""},
      {"GET", "/0/0/0/0", {}, 400, "Invalid request format. (/0/0/0/0)", ""},
      {"DELETE", "/0/0", {}, 400, "Invalid request format. (/0/0)", ""},
      {"POST", "/0", {}, 501, "standard 501",
       "Command POST in request is not supported. Accepted commands are: GET, POST, PUT and DELETE"},
      {"PUT", "", {}, 501, "standard 501",
       "Command PUT in request is not supported. Accepted commands are: GET, POST, PUT and DELETE"},
  };
  for (const auto& c : cases) {
    const auto response = Cache(c.method, c.path, session, c.parameters);
    EXPECT_EQ(response.Status, c.status) << c.method << " " << c.path;
    EXPECT_EQ(response.Reason, c.reason) << c.method << " " << c.path;
    EXPECT_EQ(response.Body, c.body) << c.method << " " << c.path;
    EXPECT_TRUE(response.CloseConnection()) << c.path;
    EXPECT_EQ(response.PragmaValue, "") << c.path;
  }

  // A value can be read again; deleting removes it.
  EXPECT_EQ(Cache("GET", "/0/0/0", session).Body, "{\"result\":" + Table(3) + "}");
  EXPECT_EQ(Cache("DELETE", "/0", session).Status, 200);
  EXPECT_EQ(Cache("GET", "/0/0/0", session).Body, R"({"error":"There is no cached item with ID: 0"})");
  EXPECT_EQ(Cache("GET", "", session).Body, "{\"result\":{\"1\":" + item1 + "}}");
  EXPECT_EQ(Cache("DELETE", "/", session).Status, 200);
  EXPECT_EQ(Cache("GET", "", session).Body, R"({"result":{}})");
  // Ids are not reused.
  EXPECT_EQ(CallCached("GetRows/1", session).Body, R"({"result":["2\/0\/0"],"cacheId":2,"cmdIndex":0})");
}

TEST_F(CachedResultTest, TheSessionComesFromTheQueryOrPragma) {
  const std::string session = SessionOf(CallCached("GetRows/1"));
  for (const TDSHTTPParams& parameters :
       {TDSHTTPParams{{"SESSIONID", session}}, TDSHTTPParams{{"sid", session}}, TDSHTTPParams{{"SessionId", session}},
        TDSHTTPParams{{"sid", "1.2.3"}, {"SESSIONID", session}}}) {
    TestRequest request;
    request.Path = "/datasnap/cache/0/0/0";
    request.Parameters = parameters;
    EXPECT_EQ(Run(request).Body, "{\"result\":" + Table(1) + "}");
  }
  TestRequest byPragma;
  byPragma.Path = "/datasnap/cache/0/0/0";
  byPragma.PragmaValue = "dssession=" + session;
  EXPECT_EQ(Run(byPragma).Body, "{\"result\":" + Table(1) + "}");

  byPragma.PragmaValue = "dssession=1.2.3";
  auto refused = Run(byPragma);
  EXPECT_EQ(refused.Status, 403);
  EXPECT_EQ(refused.Reason, "Session has expired");
  EXPECT_EQ(refused.Body, InvalidSession);
  EXPECT_TRUE(refused.CloseConnection());

  // Without an id a new, empty session answers.
  const size_t before = Sessions.SessionCount();
  EXPECT_EQ(Cache("GET", "", "").Body, R"({"result":{}})");
  EXPECT_EQ(Sessions.SessionCount(), before + 1);
}

TEST_F(CachedResultTest, CachedResultsGoWithTheirSession) {
  const int64_t before = TDSSessionCache::TotalByteSize();
  const std::string closed = SessionOf(CallCached("GetRows/50"));
  const std::string expired = SessionOf(CallCached("GetRows/50"));
  EXPECT_GT(TDSSessionCache::TotalByteSize(), before);

  TestRequest close;
  close.Path = "/datasnap/rest/CloseSession/";
  close.PragmaValue = "dssession=" + closed;
  EXPECT_EQ(Run(close).Status, 200);
  EXPECT_EQ(Cache("GET", "/0/0/0", closed).Status, 403);
  Sessions.TerminateSession(expired);
  EXPECT_EQ(Cache("GET", "/0/0/0", expired).Status, 403);
  EXPECT_EQ(TDSSessionCache::TotalByteSize(), before);

  SessionOf(CallCached("GetRows/50"));
  Sessions.TerminateAllSessions();  // what Stop does
  EXPECT_EQ(TDSSessionCache::TotalByteSize(), before);
}

TEST_F(CachedResultTest, ATableThatDoesNotFitTheSessionsShareIsNotCached) {
  Sessions.SetSessionCacheLimit(std::stoll(CachedBytes(50)) + std::stoll(CachedBytes(10)));
  const std::string session = SessionOf(CallCached("GetRows/50"));
  EXPECT_EQ(CallCached("GetRows/10", session).Body, R"({"result":["1\/0\/0"],"cacheId":1,"cmdIndex":0})");

  auto refused = CallCached("GetRows/20", session);
  EXPECT_EQ(refused.Status, 500);
  EXPECT_EQ(refused.Body, TJSONString(Utf8ToUtf16(TDSSessionCache::CacheFullMessage)).ToBytes());
  EXPECT_TRUE(Calls.TableClosed);
  EXPECT_LT(Calls.RowsAdvanced, 20);  // reading stopped once the room was used up
  // Nothing of it stays; what was cached before still reads.
  EXPECT_EQ(Cache("GET", "/2", session).Body, R"({"result":null})");
  EXPECT_EQ(Cache("GET", "/1/0/0", session).Body, "{\"result\":" + Table(10) + "}");
  // Deleting makes room again.
  EXPECT_EQ(Cache("DELETE", "/0", session).Status, 200);
  EXPECT_EQ(CallCached("GetRows/20", session).Body, R"({"result":["2\/0\/0"],"cacheId":2,"cmdIndex":0})");
}

TEST_F(CachedResultTest, ASessionEndingWhileItsCacheIsReadLetsTheReadFinish) {
  const std::string session = SessionOf(CallCached("GetRows/2000"));
  const std::string whole = "{\"result\":" + Table(2000) + "}";
  std::atomic<int> reads{0};
  std::atomic<bool> wrong{false};
  std::thread reader([&] {
    for (int i = 0; i < 300; ++i) {
      const auto response = Cache("GET", "/0/0/0", session);
      if (response.Status == 403) break;
      if (response.Body != whole) wrong = true;
      ++reads;
    }
  });
  while (reads.load() < 3) std::this_thread::yield();
  Sessions.CloseSession(session);
  reader.join();
  EXPECT_FALSE(wrong.load());
  EXPECT_EQ(Cache("GET", "/0/0/0", session).Status, 403);
}

TEST_F(CachedResultTest, AnEntryOfTheJsonContextKeepsItsCommandIndex) {
  TestRequest request;
  request.Method = "POST";
  request.Path = "/datasnap/json";
  request.AcceptValue = "application/rest";
  request.Body = R"([{"execute":{"TServerMethods1.EchoString":["a"]}},{"execute":{"TServerMethods1.GetRows":[2]}}])";
  auto response = Run(request);
  EXPECT_EQ(response.Status, 200);
  EXPECT_EQ(response.Body, R"([{"result":["a"]},{"result":["0\/1\/0"],"cacheId":0,"cmdIndex":1}])");
  EXPECT_EQ(response.Type, "application/rest");
}

TEST(CachedTableTest, WritesTheBytesOfTheTableWriterForEveryWindow) {
  for (int rows : {0, 1, 5}) {
    Probe probe;
    const auto table = TDSCachedTable::Read(NumberedRows(rows, probe), int64_t{1} << 20, "too large");
    EXPECT_TRUE(probe.TableClosed);
    EXPECT_EQ(table->RowCount(), rows);
    for (auto [offset, count] : {std::pair<int32_t, int32_t>{0, TDBXJSONTools::AllRows}, {0, 0}, {0, 1}, {2, 1},
                                 {4, 10}, {5, 1}, {9, 3}, {-1, 2}, {0, -1}, {1, 4}}) {
      std::string bytes;
      table->WriteBytes(offset, count, bytes);
      EXPECT_EQ(bytes, Table(rows, std::max(offset, 0), std::max(count, 0))) << rows << " " << offset << " " << count;
    }
  }
}

TEST(CachedTableTest, StopsReadingWhenTheTablePassesItsLimit) {
  Probe probe;
  ExpectThrowWithText<Exception>([&] { TDSCachedTable::Read(NumberedRows(1000, probe), 2000, "too large"); },
                                 "too large");
  EXPECT_TRUE(probe.TableClosed);
  EXPECT_LT(probe.RowsAdvanced, 1000);
}

TEST(SessionCacheTest, RefusesWhatPassesTheSessionsShareAndTakesItAfterADelete) {
  const int64_t before = TDSSessionCache::TotalByteSize();
  Probe probe;
  auto entry = [&](int rows) {
    auto parameter = std::make_shared<TDSCachedParameter>();
    parameter->DataType = TDBXDataTypes::TableType;
    parameter->Table = TDSCachedTable::Read(NumberedRows(rows, probe), int64_t{1} << 20, "too large");
    return parameter;
  };
  const auto sixty = entry(60);
  const int64_t size = sixty->Table->ByteSize();
  {
    TDSSessionCache cache(size + size / 2);
    const int id = cache.AddItem();
    EXPECT_EQ(cache.AddParameter(id, 0, sixty), 0);
    EXPECT_EQ(cache.ByteSize(), size);
    EXPECT_EQ(cache.Room(), size / 2);
    ExpectThrowWithText<Exception>([&] { cache.AddParameter(id, 0, entry(60)); }, TDSSessionCache::CacheFullMessage);
    EXPECT_EQ(cache.ByteSize(), size);
    cache.Remove(id);
    EXPECT_EQ(cache.ByteSize(), 0);
    EXPECT_EQ(TDSSessionCache::TotalByteSize(), before);
    const int next = cache.AddItem();
    EXPECT_EQ(next, id + 1);
    EXPECT_EQ(cache.AddParameter(next, 2, entry(60)), 0);
    EXPECT_EQ(cache.CommandDescription(next, 0)->ToBytes(), R"({"parameters":[]})");
    EXPECT_EQ(TDSSessionCache::TotalByteSize(), before + size);
  }
  EXPECT_EQ(TDSSessionCache::TotalByteSize(), before);
  EXPECT_EQ(TDSSessionCache::CacheFullMessage,
            "The result cannot be cached: a session keeps at most 134217728 bytes of cached results and the service "
            "at most 1073741824 bytes in all; delete cached items first");
}
