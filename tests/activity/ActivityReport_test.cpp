#include "activity/ActivityReport.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "core/Regional.h"
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
};

TRequestRecord Record(const TCall& call) {
  TRequestRecord record;
  record.StartUnixUs = call.At;
  record.RemoteAddr.Assign(call.Address);
  record.SessionId.Assign(call.Session);
  record.MethodName.Assign(call.Method);
  record.MethodResolved = *call.Method != '\0' && std::string_view(call.Method) != "NoSuchMethod";
  record.WriteMethod = std::string_view(call.Method).substr(0, 3) == "Set";
  record.Status = call.Status;
  record.DurationUs = call.DurationUs;
  record.WriteResult = call.Result;
  record.ErrorText.Assign(call.Erro);
  record.Path.Assign(*call.Method ? "/datasnap/rest/TServerMethods1/" + std::string(call.Method) : "/");
  return record;
}

TActivityReport Report(const std::vector<TCall>& calls) {
  std::vector<TRequestRecord> records;
  for (const auto& call : calls) records.push_back(Record(call));
  const uint64_t total = records.size();
  return BuildActivityReport(std::move(records), 10000, total, LocalNoon() + 3600 * Second);
}

const THandheldActivity& Handheld(const TActivityReport& report, const std::string& address) {
  for (const auto& handheld : report.Handhelds)
    if (handheld.Address == address) return handheld;
  throw std::runtime_error("no handheld " + address);
}

const TRequestRecord* Download(const TActivityReport& report, const THandheldActivity& handheld, TDownloadKind kind) {
  const int64_t index = handheld.LastDownloads[static_cast<size_t>(kind)];
  return index < 0 ? nullptr : &report.Records[static_cast<size_t>(index)];
}

class ActivityReportDay : public ::testing::Test {
 protected:
  const int64_t noon = LocalNoon();
  // Yesterday's call, then a morning of two handhelds and a browser.
  const std::vector<TCall> calls = {
      {noon - Day, "10.0.0.2", "1.1.1", "GetCliente", 200, 5000},
      {noon - 3 * 3600 * Second, "10.0.0.2", "2.2.2", "GetCliente", 200, 4000},
      {noon - 2 * 3600 * Second, "10.0.0.2", "2.2.2", "GetProduto", 200, 9000},
      {noon - 2 * 3600 * Second + Second, "10.0.0.2", "2.2.2", "GetTabelaPreco", 500, 1000},
      {noon - 3600 * Second, "10.0.0.3", "3.3.3", "GetTabelaPrecoItem", 200, 2000},
      {noon - 3000 * Second, "10.0.0.3", "3.3.3", "SetPedido", 200, 3000, TWriteResult::False,
       "''32/13/2026'' is not a valid date"},
      {noon - 2000 * Second, "10.0.0.3", "3.3.3", "SetPedido", 200, 2500, TWriteResult::True},
      {noon - 1500 * Second, "10.0.0.3", "3.3.3", "SetItensPedido", 500, 800, TWriteResult::None,
       "''x'' is not a valid integer value"},
      {noon - 1000 * Second, "10.0.0.3", "3.3.3", "GetSituacaoPedido", 200, 700},
      {noon - 500 * Second, "10.0.0.9", "", "", 302, 100},
      {noon, "10.0.0.2", "2.2.2", "NoSuchMethod", 500, 300},
  };
};

TEST_F(ActivityReportDay, ShowsEachHandheldsDay) {
  const TActivityReport report = Report(calls);
  ASSERT_EQ(report.Handhelds.size(), 2u) << "the browser that only saw a page is no handheld";
  EXPECT_EQ(report.Handhelds[0].Address, "10.0.0.2") << "latest call first";

  const auto& first = Handheld(report, "10.0.0.2");
  EXPECT_EQ(first.LastSession, "2.2.2");
  EXPECT_EQ(first.Sessions, 2u);
  EXPECT_EQ(first.CallsToday, 4u);
  EXPECT_EQ(report.Records[first.LastCall].MethodName.View(), "NoSuchMethod");
  ASSERT_NE(Download(report, first, TDownloadKind::Clients), nullptr);
  EXPECT_EQ(Download(report, first, TDownloadKind::Clients)->StartUnixUs, noon - 3 * 3600 * Second);
  EXPECT_EQ(Download(report, first, TDownloadKind::Products)->MethodName.View(), "GetProduto");
  EXPECT_EQ(Download(report, first, TDownloadKind::Prices), nullptr) << "the price download failed";
  EXPECT_EQ(Download(report, first, TDownloadKind::Orders), nullptr);
  EXPECT_TRUE(first.FailedUploads.empty());

  const auto& second = Handheld(report, "10.0.0.3");
  EXPECT_EQ(second.CallsToday, 5u);
  EXPECT_EQ(Download(report, second, TDownloadKind::Prices)->MethodName.View(), "GetTabelaPrecoItem");
  EXPECT_EQ(Download(report, second, TDownloadKind::Orders)->MethodName.View(), "GetSituacaoPedido");
  ASSERT_EQ(second.FailedUploads.size(), 2u);
  EXPECT_EQ(report.Records[second.FailedUploads[0]].ErrorText.View(), "''32/13/2026'' is not a valid date");
  EXPECT_EQ(report.Records[second.FailedUploads[1]].MethodName.View(), "SetItensPedido");
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
  EXPECT_EQ(report.Methods.front().Count, 2u) << "most calls first";
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
                   "valor <inv\xC3\xA1lido> & \"x\""};
  const TActivityReport report = Report({call});

  const std::string json = ActivityReportJSON(report);
  for (unsigned char c : json) ASSERT_LT(c, 0x80);
  const auto value = TJSONObject::ParseJSONValue(json, 0);
  ASSERT_NE(value, nullptr) << json;
  EXPECT_NE(json.find("\"error\":\"valor <inv\\u00E1lido> & \\\"x\\\"\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"result\":false"), std::string::npos);

  const std::string html = HandheldsHTML(report);
  EXPECT_NE(html.find("valor &lt;inv&#225;lido&gt; &amp; &quot;x&quot;"), std::string::npos) << html;
  EXPECT_EQ(html.find("<inv"), std::string::npos);
}

TEST(ActivityReport, DownloadKinds) {
  const std::pair<const char*, const char*> cases[] = {
      {"GetCliente", "clients"},       {"GetTodosClientes", "clients"}, {"GetProduto", "products"},
      {"GetTabelaPrecoRep", "prices"}, {"GetUltimosPedido", "orders"},  {"GetSituacaoPedido", "orders"},
  };
  for (const auto& [method, kind] : cases) {
    TDownloadKind found;
    ASSERT_TRUE(DownloadKindOf(method, found)) << method;
    EXPECT_STREQ(DownloadKindName(found), kind);
  }
  TDownloadKind found;
  for (const char* other : {"EchoString", "SetPedido", "GetAtividade", "getcliente"})
    EXPECT_FALSE(DownloadKindOf(other, found)) << other;
}

}  // namespace
}  // namespace fieldsync
