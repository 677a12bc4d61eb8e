#include "http/internal/SyncActivityPages.h"

#include <algorithm>

#include "activity/Activity.h"
#include "activity/ActivityGauges.h"
#include "activity/ActivityReport.h"
#include "core/Text.h"
#include "http/internal/CallerOrigin.h"
#include "http/internal/PageProducer.h"
#include "http/WebRequestHandler.h"
#include "rest/DSSession.h"

namespace fieldsync {

namespace {

constexpr const char* JSONContentType = "application/json";
constexpr const char* MetricsContentType = "text/plain; version=0.0.4; charset=utf-8";
constexpr const char* OpenToAnyoneHTML =
    "<p class=\"exposure\">No users file: anyone who reaches this service's port can read and write the "
    "branch's data. Switch logins on as the README's \"Operating it\" says.</p>";

// The page reflects the moment it was asked for: nothing is kept.
void PrepareAnswer(TWebResponse& response, const char* contentType) {
  if (contentType) response.SetContentType(contentType);
  response.SetCustomHeader("Cache-Control", "no-store");
  if (TRequestRecord* record = CurrentRequestRecord()) record->Unlisted = true;
}

void Sample(std::string& out, const char* name, const char* type, const char* help, const std::string& value) {
  out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n" + name + " " + value +
         "\n";
}

}  // namespace

TSyncActivityPages::TSyncActivityPages(const std::filesystem::path& programDir)
    : FProducer(std::make_unique<TPageProducer>(TemplateFile, programDir)) {
  FProducer->SetOnHTMLTag([this](const std::string& tagString, const TFields&, std::u16string& replaceText) {
    replaceText = Tag(tagString);
  });
}

TSyncActivityPages::~TSyncActivityPages() = default;

bool TSyncActivityPages::Allowed(const TWebRequest& request) {
  return IsLoopbackAddress(request.RemoteAddr()) && !IsForwarded(request);
}

std::u16string TSyncActivityPages::LinkFor(const TWebRequest& request) {
  if (!Allowed(request)) return {};
  return u"<div><a href=\"" + Win1252ToUtf16(request.InternalScriptName()) + Latin1ToUtf16(PagePath) +
         u"\">Sync activity</a></div>";
}

std::vector<TWebActionItem> TSyncActivityPages::Actions() {
  auto action = [this](const char* name, const char* path, void (TSyncActivityPages::*serve)(TWebRequest&, TWebResponse&)) {
    TWebActionItem item;
    item.Name = name;
    item.PathInfo = path;
    item.OnAction = [this, serve](TWebRequest& request, TWebResponse& response, bool& handled) {
      handled = Allowed(request);
      if (handled) (this->*serve)(request, response);
    };
    return item;
  };
  return {action("SyncActivityAction", PagePath, &TSyncActivityPages::ServePage),
          action("SyncActivityJSONAction", JSONPath, &TSyncActivityPages::ServeJSON),
          action("MetricsAction", MetricsPath, &TSyncActivityPages::ServeMetrics)};
}

void TSyncActivityPages::ServePage(TWebRequest&, TWebResponse& response) {
  const TActivityReport report = CurrentActivityReport();
  FReport = &report;
  struct TForget {
    const TActivityReport*& Report;
    ~TForget() { Report = nullptr; }
  } forget{FReport};
  const std::u16string page = FProducer->Content();
  PrepareAnswer(response, nullptr);
  response.SetContent(Utf16ToWin1252(page));
}

void TSyncActivityPages::ServeJSON(TWebRequest&, TWebResponse& response) {
  PrepareAnswer(response, JSONContentType);
  response.SetContent(ActivityReportJSON(CurrentActivityReport()));
}

void TSyncActivityPages::ServeMetrics(TWebRequest&, TWebResponse& response) {
  PrepareAnswer(response, MetricsContentType);
  response.SetContent(MetricsText());
}

std::u16string TSyncActivityPages::Tag(const std::string& tagName) const {
  if (!FReport) return {};
  auto is = [&tagName](const char* name) { return SameTextAscii(tagName, name); };
  std::string html;
  if (is("servertime")) html = LocalTimeText(FReport->NowUnixUs);
  else if (is("summary")) html = SummaryHTML(*FReport);
  else if (is("notsynced")) html = NotSyncedHTML(*FReport);
  else if (is("representatives")) html = RepresentativesHTML(*FReport);
  else if (is("withoutrepresentative")) html = WithoutRepresentativeHTML(*FReport);
  else if (is("names")) html = NamesHTML(*FReport);
  else if (is("methods")) html = MethodsHTML(*FReport);
  else if (is("slowest")) html = SlowestHTML(*FReport);
  else if (is("jsonpath")) html = JSONPath;
  else if (is("metricspath")) html = MetricsPath;
  else if (is("exposure") && ActivityGauges().OpenToAnyone()) html = OpenToAnyoneHTML;
  return Latin1ToUtf16(html);
}

std::string TSyncActivityPages::MetricsText() {
  std::string out;
  const TActivity& activity = Activity();
  activity.Metrics().WritePrometheus(out);
  const TWebRequestHandler& pool = WebRequestHandler();
  if (const auto connections = ActivityGauges().ConnectionsOpen())
    Sample(out, "fieldsync_connections_open", "gauge", "Connections open now.", std::to_string(*connections));
  Sample(out, "fieldsync_web_modules_in_use", "gauge", "Web modules serving a request now.",
         std::to_string(pool.ActiveCount()));
  Sample(out, "fieldsync_web_modules_max", "gauge", "Web modules that may serve requests at once.",
         std::to_string(pool.MaxConnections()));
  Sample(out, "fieldsync_web_module_refusals_total", "counter",
         "Requests refused because every web module was in use.", std::to_string(pool.Refusals()));
  const size_t sessions = TDSSessionManager::HasInstance() ? TDSSessionManager::Instance().SessionCount() : 0;
  Sample(out, "fieldsync_sessions", "gauge", "REST sessions open now.", std::to_string(sessions));
  if (const auto attachments = ActivityGauges().DatabaseAttachments()) {
    out += "# HELP fieldsync_database_attachments Database attachments held for reuse, in use or idle.\n"
           "# TYPE fieldsync_database_attachments gauge\n";
    out += "fieldsync_database_attachments{state=\"in_use\"} " + std::to_string(attachments->InUse) + "\n";
    out += "fieldsync_database_attachments{state=\"idle\"} " + std::to_string(attachments->Idle) + "\n";
  }
  if (const auto refusals = ActivityGauges().LoginRefusals()) {
    out += "# HELP fieldsync_login_refusals_total Logins refused, by reason.\n"
           "# TYPE fieldsync_login_refusals_total counter\n";
    for (const auto& [reason, count] : *refusals)
      out += "fieldsync_login_refusals_total{reason=\"" + PrometheusLabelValue(reason) + "\"} " +
             std::to_string(count) + "\n";
  }
  Sample(out, "fieldsync_activity_records", "gauge", "Request records held for the sync-activity page.",
         std::to_string(std::min<uint64_t>(activity.Log().Total(), activity.Log().Capacity())));
  Sample(out, "fieldsync_activity_records_capacity", "gauge", "Request records the sync-activity page can hold.",
         std::to_string(activity.Log().Capacity()));
  return out;
}

}  // namespace fieldsync
