#include "activity/ActivityReport.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "core/Regional.h"
#include "core/Text.h"
#include "json/JSONValue.h"

namespace fieldsync {
namespace {

constexpr int64_t Second = 1000000;
constexpr int64_t Day = 86400 * Second;

// Noon, local time, of a fixed day: "today" in these tests.
int64_t LocalNoon() {
  const TDateTime noon = EncodeDateTime(2026, 3, 10, 12, 0, 0);
  return DateTimeToUnix(LocalToUtc(noon)) * Second;
}

struct TCall {
  int64_t At;
  const char* Address;
  const char* Session;
  const char* Method;  // empty: no server method (a page)
  int Status;
  int64_t DurationUs;
  TWriteResult Result = TWriteResult::None;
  const char* Erro = "";
  const char* Representative = "";
  const char* Upload = "";  // the identifying arguments of a write, "/"-separated
};

uint64_t UploadKey(std::string_view arguments) {
  if (arguments.empty()) return 0;
  uint64_t key = UploadKeySeed;
  while (true) {
    const size_t slash = arguments.find('/');
    key = FoldUploadKey(key, arguments.substr(0, slash));
    if (slash == std::string_view::npos) return key;
    arguments.remove_prefix(slash + 1);
  }
}

// The download kinds of the methods these calls use, as their registration
// rows give them (the REST layer copies the row's kind into the record).
std::optional<TDownloadKind> DownloadOf(std::string_view method) {
  const std::pair<std::string_view, TDownloadKind> kinds[] = {
      {"GetCliente", TDownloadKind::Clients},        {"GetProduto", TDownloadKind::Products},
      {"GetTabelaPreco", TDownloadKind::Prices},     {"GetTabelaPrecoRep", TDownloadKind::Prices},
      {"GetTabelaPrecoItemRep", TDownloadKind::Prices}, {"GetSituacaoPedido", TDownloadKind::Orders},
  };
  for (const auto& [name, kind] : kinds)
    if (name == method) return kind;
  return std::nullopt;
}

TRequestRecord Record(const TCall& call) {
  TRequestRecord record;
  record.StartUnixUs = call.At;
  record.RemoteAddr.Assign(call.Address);
  record.SessionId.Assign(call.Session);
  record.MethodName.Assign(call.Method);
  record.MethodResolved = *call.Method != '\0' && std::string_view(call.Method) != "NoSuchMethod";
  record.WriteMethod = std::string_view(call.Method).substr(0, 3) == "Set";
  if (record.MethodResolved) record.Download = DownloadOf(call.Method);
  record.Status = call.Status;
  record.DurationUs = call.DurationUs;
  record.WriteResult = call.Result;
  record.ErrorText.Assign(call.Erro);
  record.Path.Assign(*call.Method ? "/datasnap/rest/TServerMethods1/" + std::string(call.Method) : "/");
  record.Representative.Assign(call.Representative);
  record.UploadKey = UploadKey(call.Upload);
  return record;
}

// Representatives 1 and 2 of branch 1, 3 of another branch, 4 deleted and
// 5 of no branch in particular.
TRepresentativeList Names() {
  TRepresentativeList names;
  names.Rows = {{1, "Jo\xC3\xA3o Carlos Ribeiro", false, true},
                {2, "Maria Aparecida", false, true},
                {3, "Ant\xC3\xB4nio Gon\xC3\xA7\x61lves", false, false},
                {4, "Sebasti\xC3\xA3o Ara\xC3\xBAjo", true, true},
                {5, "Lu\xC3\xADza Helena", false, true}};
  names.ReadUnixUs = LocalNoon() - 60 * Second;
  return names;
}

TActivityReport Report(const std::vector<TCall>& calls, TRepresentativeList names = {}) {
  std::vector<TRequestRecord> records;
  for (const auto& call : calls) records.push_back(Record(call));
  const uint64_t total = records.size();
  return BuildActivityReport(std::move(records), 10000, total, LocalNoon() + 3600 * Second, std::move(names));
}

const TSyncRow& Row(const std::vector<TSyncRow>& rows, const std::string& key) {
  for (const auto& row : rows)
    if (row.Representative == key || (row.Representative.empty() && row.Addresses.front() == key)) return row;
  throw std::runtime_error("no row " + key);
}

const TRequestRecord* Download(const TActivityReport& report, const TSyncRow& row, TDownloadKind kind) {
  const int64_t index = row.LastDownloads[static_cast<size_t>(kind)];
  return index < 0 ? nullptr : &report.Records[static_cast<size_t>(index)];
}

std::vector<std::string> FailedMethods(const TActivityReport& report, const TSyncRow& row) {
  std::vector<std::string> methods;
  for (size_t index : row.FailedUploads) methods.push_back(report.Records[index].MethodName.Str());
  return methods;
}

class ActivityReportDay : public ::testing::Test {
 protected:
  const int64_t noon = LocalNoon();
  const int64_t hour = 3600 * Second;
  // Yesterday's call, then a morning: representatives 1 and 2 behind one
  // carrier address, representative 3 moving from one address to another,
  // a caller that names nobody and a browser.
  const std::vector<TCall> calls = {
      {noon - Day, "10.0.0.2", "1.1.1", "GetCliente", 200, 5000, {}, "", "1"},
      {noon - 3 * hour, "10.0.0.2", "2.2.2", "GetCliente", 200, 4000, {}, "", "1"},
      {noon - 3 * hour + Second, "10.0.0.2", "5.5.5", "GetTabelaPrecoRep", 200, 1500, {}, "", "2"},
      {noon - 2 * hour, "10.0.0.2", "2.2.2", "GetProduto", 200, 9000},
      {noon - 2 * hour + Second, "10.0.0.2", "2.2.2", "GetTabelaPreco", 500, 1000},
      {noon - hour, "10.0.0.3", "3.3.3", "GetTabelaPrecoItemRep", 200, 2000, {}, "", "3"},
      {noon - 3000 * Second, "10.0.0.3", "3.3.3", "SetPedido", 200, 3000, TWriteResult::False,
       "''32/13/2026'' is not a valid date", "3", "72001"},
      {noon - 2500 * Second, "10.0.0.4", "3.3.3", "SetPedido", 200, 2500, TWriteResult::True, "", "3", "72002"},
      {noon - 2000 * Second, "10.0.0.4", "3.3.3", "SetItensPedido", 500, 800, TWriteResult::None,
       "''x'' is not a valid integer value", "3", "72002/7"},
      {noon - 1800 * Second, "10.0.0.4", "3.3.3", "SetItensPedido", 200, 800, TWriteResult::True, "", "3", "72002/7"},
      {noon - 1700 * Second, "10.0.0.4", "3.3.3", "SetItensPedido", 200, 800, TWriteResult::True, "", "3", "72002/8"},
      {noon - 1600 * Second, "10.0.0.4", "3.3.3", "SetReceber", 200, 900, TWriteResult::True, "", "", "5/1/1/0"},
      {noon - 1000 * Second, "10.0.0.4", "3.3.3", "GetSituacaoPedido", 200, 700, {}, "", "3"},
      {noon - 700 * Second, "10.0.0.2", "", "EchoString", 200, 100},
      {noon - 500 * Second, "10.0.0.9", "", "", 302, 100},
      {noon, "10.0.0.2", "2.2.2", "NoSuchMethod", 500, 300},
  };
};

TEST_F(ActivityReportDay, ShowsEachRepresentativeWhateverTheAddress) {
  const TActivityReport report = Report(calls, Names());
  ASSERT_EQ(report.Representatives.size(), 3u) << "two behind one address, one over two addresses";
  EXPECT_EQ(report.Representatives[0].Representative, "1") << "latest call first";

  const auto& first = Row(report.Representatives, "1");
  EXPECT_EQ(first.Name, "Jo\xC3\xA3o Carlos Ribeiro");
  EXPECT_EQ(first.Addresses, std::vector<std::string>{"10.0.0.2"});
  EXPECT_EQ(first.LastSession, "2.2.2");
  EXPECT_EQ(first.Sessions, 2u);
  EXPECT_EQ(first.CallsToday, 4u) << "its session's calls that name nobody are its own";
  EXPECT_EQ(report.Records[first.LastCall].MethodName.View(), "NoSuchMethod");
  ASSERT_NE(Download(report, first, TDownloadKind::Clients), nullptr);
  EXPECT_EQ(Download(report, first, TDownloadKind::Clients)->StartUnixUs, noon - 3 * hour);
  EXPECT_EQ(Download(report, first, TDownloadKind::Products)->MethodName.View(), "GetProduto");
  EXPECT_EQ(Download(report, first, TDownloadKind::Prices), nullptr) << "the price download failed";
  EXPECT_TRUE(first.FailedUploads.empty());

  const auto& second = Row(report.Representatives, "2");
  EXPECT_EQ(second.Addresses, std::vector<std::string>{"10.0.0.2"});
  EXPECT_EQ(second.CallsToday, 1u);
  EXPECT_EQ(Download(report, second, TDownloadKind::Prices)->MethodName.View(), "GetTabelaPrecoRep");

  const auto& third = Row(report.Representatives, "3");
  EXPECT_EQ(third.Addresses, (std::vector<std::string>{"10.0.0.4", "10.0.0.3"})) << "latest first";
  EXPECT_EQ(third.Sessions, 1u);
  EXPECT_EQ(third.CallsToday, 8u);
  EXPECT_EQ(Download(report, third, TDownloadKind::Orders)->MethodName.View(), "GetSituacaoPedido");
  const std::array<size_t, UploadKindCount> uploads = {1, 2, 0, 1};  // orders, items, clients, receipts
  EXPECT_EQ(third.UploadsToday, uploads);
  EXPECT_EQ(FailedMethods(report, third), std::vector<std::string>{"SetPedido"})
      << "the item was sent again and stored; order 72001 never was";
  EXPECT_EQ(report.Records[third.FailedUploads[0]].ErrorText.View(), "''32/13/2026'' is not a valid date");

  ASSERT_EQ(report.WithoutRepresentative.size(), 1u) << "the browser that only saw a page is no caller";
  EXPECT_EQ(report.WithoutRepresentative[0].Addresses, std::vector<std::string>{"10.0.0.2"});
  EXPECT_EQ(report.WithoutRepresentative[0].CallsToday, 1u);
  EXPECT_EQ(report.WithoutRepresentative[0].Representative, "");
}

TEST_F(ActivityReportDay, AFailedUploadLeavesTheListOnlyWhenTheSameUploadSucceeds) {
  struct TCase {
    const char* Name;
    std::vector<TCall> Later;
    size_t Failed;
  };
  const TCall failed{noon - hour, "10.0.0.3", "3.3.3", "SetPedido", 200, 10, TWriteResult::False, "bad date", "3",
                     "72001"};
  const TCase cases[] = {
      {"not retried", {}, 1},
      {"retried and stored",
       {{noon - 50 * 60 * Second, "10.0.0.5", "3.3.3", "SetPedido", 200, 10, TWriteResult::True, "", "3", "72001"}}, 0},
      {"retried from another session and address, stored",
       {{noon - 50 * 60 * Second, "10.0.0.5", "9.9.9", "SetPedido", 200, 10, TWriteResult::True, "", "3", "72001"}}, 0},
      {"another order stored",
       {{noon - 50 * 60 * Second, "10.0.0.3", "3.3.3", "SetPedido", 200, 10, TWriteResult::True, "", "3", "72002"}}, 1},
      {"retried and failed again",
       {{noon - 50 * 60 * Second, "10.0.0.3", "3.3.3", "SetPedido", 500, 10, TWriteResult::None, "lost", "3", "72001"}},
       2},
      {"the same order stored by another representative",
       {{noon - 50 * 60 * Second, "10.0.0.3", "4.4.4", "SetPedido", 200, 10, TWriteResult::True, "", "1", "72001"}}, 1},
      {"its items stored",
       {{noon - 50 * 60 * Second, "10.0.0.3", "3.3.3", "SetItensPedido", 200, 10, TWriteResult::True, "", "3",
         "72001/7"}}, 1},
  };
  for (const auto& c : cases) {
    std::vector<TCall> script{failed};
    script.insert(script.end(), c.Later.begin(), c.Later.end());
    const TActivityReport report = Report(script, Names());
    EXPECT_EQ(Row(report.Representatives, "3").FailedUploads.size(), c.Failed) << c.Name;
  }
}

TEST_F(ActivityReportDay, ListsWhoHasNotSyncedToday) {
  std::vector<TCall> script = calls;
  // The deleted representative's upload failed today; representative 5 has
  // made only yesterday's call.
  script.push_back({noon - 10 * Second, "10.0.0.6", "6.6.6", "SetCliente", 200, 10, TWriteResult::False, "no", "4", "9"});
  script.insert(script.begin(), {noon - Day, "10.0.0.7", "7.7.7", "GetCliente", 200, 10, {}, "", "5"});
  const TActivityReport report = Report(script, Names());
  std::map<std::string, TNotSynced> notSynced;
  for (const auto& entry : report.NotSyncedToday) notSynced[entry.Representative] = entry;
  EXPECT_EQ(notSynced.size(), 2u);
  EXPECT_FALSE(notSynced.count("4")) << "a deleted representative is never listed";
  EXPECT_FALSE(notSynced.count("1")) << "synced today";
  EXPECT_FALSE(notSynced.count("2")) << "synced today";
  ASSERT_TRUE(notSynced.count("3"));
  EXPECT_FALSE(notSynced["3"].NoCallToday);
  EXPECT_EQ(notSynced["3"].FailedUploads, 1u);
  EXPECT_EQ(notSynced["3"].Name, "Ant\xC3\xB4nio Gon\xC3\xA7\x61lves") << "another branch's, but its upload failed here";
  ASSERT_TRUE(notSynced.count("5"));
  EXPECT_TRUE(notSynced["5"].NoCallToday);
  EXPECT_EQ(report.Records[static_cast<size_t>(notSynced["5"].LastCall)].StartUnixUs, noon - Day);
  EXPECT_EQ(report.SyncedToday, 2u);

  // Without the names, only the failed upload is known.
  const TActivityReport unnamed = Report(script);
  ASSERT_EQ(unnamed.NotSyncedToday.size(), 2u);
  EXPECT_EQ(unnamed.NotSyncedToday[0].Representative, "3");
  EXPECT_EQ(unnamed.NotSyncedToday[1].Representative, "4") << "not known to be deleted";
}

TEST_F(ActivityReportDay, ADeviceTextJoinsTheRepresentativeItNames) {
  struct TCase {
    const char* Text;
    std::string Row;
  };
  const TCase cases[] = {{"3", "3"}, {"003", "3"}, {" 3 ", "3"}, {"Maria Aparecida", "2"}, {"maria aparecida", "maria aparecida"},
                         {"Z\xC3\xA9 da Van", "Z\xC3\xA9 da Van"}};
  for (const auto& c : cases) {
    const TActivityReport report =
        Report({{noon, "10.0.0.8", "8.8.8", "SetCelulares", 200, 10, TWriteResult::True, "", c.Text}}, Names());
    ASSERT_EQ(report.Representatives.size(), 1u) << c.Text;
    EXPECT_EQ(report.Representatives[0].Representative, c.Row) << c.Text;
    EXPECT_EQ(report.Representatives[0].HasId, c.Row == "3" || c.Row == "2") << c.Text;
  }
}

TEST_F(ActivityReportDay, NamesFollowTheListReadLast) {
  TRepresentativeList names = Names();
  EXPECT_EQ(Row(Report(calls, names).Representatives, "2").Name, "Maria Aparecida");
  names.Rows[1].Name = "Maria Aparecida D'\xC3\x81vila";
  names.Rows.erase(names.Rows.begin());
  const TActivityReport report = Report(calls, names);
  EXPECT_EQ(Row(report.Representatives, "2").Name, "Maria Aparecida D'\xC3\x81vila");
  EXPECT_EQ(Row(report.Representatives, "1").Name, "") << "no longer in REPRESENTANTE";
  EXPECT_NE(RepresentativesHTML(report).find("not in REPRESENTANTE"), std::string::npos);
}

TEST_F(ActivityReportDay, FiguresPerMethod) {
  const TActivityReport report = Report(calls);
  std::map<std::string, TMethodActivity> methods;
  for (const auto& method : report.Methods) methods[method.Method] = method;
  EXPECT_EQ(methods.at("GetCliente").Count, 2u);
  EXPECT_EQ(methods.at("GetCliente").Errors, 0u);
  EXPECT_EQ(methods.at("GetCliente").P50Us, 4000);
  EXPECT_EQ(methods.at("GetCliente").P99Us, 5000);
  EXPECT_EQ(methods.at("SetPedido").Count, 2u);
  EXPECT_EQ(methods.at("SetPedido").Errors, 1u) << "a write that answered false is an error";
  EXPECT_EQ(methods.at("GetTabelaPreco").Errors, 1u);
  EXPECT_EQ(methods.at("(unknown)").Count, 1u);
  EXPECT_EQ(methods.at("(none)").Count, 1u);
  EXPECT_EQ(methods.at("SetItensPedido").Count, 3u);
  EXPECT_EQ(methods.at("SetItensPedido").Errors, 1u) << "an error answer is an error";
  EXPECT_EQ(report.Methods.front().Method, "SetItensPedido") << "most calls first";
}

TEST_F(ActivityReportDay, SlowestFirst) {
  const TActivityReport report = Report(calls);
  ASSERT_EQ(report.Slowest.size(), calls.size());
  for (size_t i = 1; i < report.Slowest.size(); ++i)
    EXPECT_GE(report.Records[report.Slowest[i - 1]].DurationUs, report.Records[report.Slowest[i]].DurationUs);
  EXPECT_EQ(report.Records[report.Slowest[0]].MethodName.View(), "GetProduto");
}

TEST(ActivityReport, PercentilesByNearestRank) {
  struct TCase {
    std::vector<int64_t> Durations;
    int64_t P50, P99;
  };
  const TCase cases[] = {
      {{7}, 7, 7},
      {{1, 2}, 1, 2},
      {{3, 1, 2}, 2, 3},
      {std::vector<int64_t>(99, 10), 10, 10},
  };
  for (const auto& c : cases) {
    std::vector<TCall> calls;
    for (int64_t d : c.Durations) calls.push_back({LocalNoon(), "10.0.0.2", "1.1.1", "EchoString", 200, d});
    const TActivityReport report = Report(calls);
    ASSERT_EQ(report.Methods.size(), 1u);
    EXPECT_EQ(report.Methods[0].P50Us, c.P50);
    EXPECT_EQ(report.Methods[0].P99Us, c.P99);
  }
  // One slow call in a hundred is the 99th percentile's edge; two are past it.
  std::vector<TCall> calls(100, {LocalNoon(), "10.0.0.2", "1.1.1", "EchoString", 200, 10});
  calls[99].DurationUs = 900;
  EXPECT_EQ(Report(calls).Methods[0].P99Us, 10);
  calls[98].DurationUs = 900;
  EXPECT_EQ(Report(calls).Methods[0].P99Us, 900);
}

TEST(ActivityReport, JSONAndHTMLCarryTheErroTextSafely) {
  const TCall call{LocalNoon(), "10.0.0.3", "3.3.3", "SetPedido", 200, 10, TWriteResult::False,
                   "valor <inv\xC3\xA1lido> & \"x\"", "3", "72001"};
  const TActivityReport report = Report({call});

  const std::string json = ActivityReportJSON(report);
  for (unsigned char c : json) ASSERT_LT(c, 0x80);
  const auto value = TJSONObject::ParseJSONValue(json, 0);
  ASSERT_NE(value, nullptr) << json;
  EXPECT_NE(json.find("\"error\":\"valor <inv\\u00E1lido> & \\\"x\\\"\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"result\":false"), std::string::npos);

  const std::string html = RepresentativesHTML(report);
  EXPECT_NE(html.find("valor &lt;inv&#225;lido&gt; &amp; &quot;x&quot;"), std::string::npos) << html;
  EXPECT_EQ(html.find("<inv"), std::string::npos);
}

// The keys of a JSON object, in order.
std::vector<std::string> Keys(const TJSONValue* value) {
  std::vector<std::string> keys;
  const auto* object = dynamic_cast<const TJSONObject*>(value);
  if (!object) return keys;
  for (int i = 0; i < object->Size(); ++i) keys.push_back(Utf16ToUtf8(object->Get(i)->GetJsonString()->Value()));
  return keys;
}

const TJSONValue* Member(const TJSONValue* value, const char16_t* name) {
  const auto* object = dynamic_cast<const TJSONObject*>(value);
  const TJSONPair* pair = object ? object->Get(name) : nullptr;
  return pair ? pair->GetJsonValue() : nullptr;
}

const TJSONValue* First(const TJSONValue* value) {
  const auto* array = dynamic_cast<const TJSONArray*>(value);
  return array && array->Size() > 0 ? array->Get(0) : nullptr;
}

TEST_F(ActivityReportDay, JSONShape) {
  const auto root = TJSONObject::ParseJSONValue(ActivityReportJSON(Report(calls, Names())), 0);
  ASSERT_NE(root, nullptr);
  using TKeys = std::vector<std::string>;
  EXPECT_EQ(Keys(root.get()), (TKeys{"serverTime", "records", "names", "syncedToday", "notSyncedToday",
                                     "representatives", "withoutRepresentative", "methods", "slowest"}));
  EXPECT_EQ(Keys(Member(root.get(), u"names")), (TKeys{"read", "representatives", "error"}));
  EXPECT_EQ(Keys(First(Member(root.get(), u"notSyncedToday"))),
            (TKeys{"representative", "name", "noCallToday", "failedUploads", "lastCall"}));
  const TJSONValue* representative = First(Member(root.get(), u"representatives"));
  EXPECT_EQ(Keys(representative),
            (TKeys{"representative", "id", "name", "users", "addresses", "session", "sessions", "callsToday",
                   "lastCall", "lastDownloads", "uploadsToday", "failedUploads"}));
  EXPECT_EQ(Keys(Member(representative, u"lastDownloads")), (TKeys{"clients", "products", "prices", "orders"}));
  EXPECT_EQ(Keys(Member(representative, u"uploadsToday")), (TKeys{"orders", "orderItems", "clients", "receipts"}));
  EXPECT_EQ(Keys(First(Member(root.get(), u"withoutRepresentative"))),
            (TKeys{"users", "addresses", "session", "sessions", "callsToday", "lastCall", "lastDownloads",
                   "uploadsToday", "failedUploads"}));
  EXPECT_EQ(Keys(Member(representative, u"lastCall")),
            (TKeys{"time", "unixMs", "address", "session", "representative", "user", "httpMethod", "path", "method",
                   "arguments", "argumentBytes", "status", "durationMs", "bytesSent", "result", "error"}));
}

}  // namespace
}  // namespace fieldsync
