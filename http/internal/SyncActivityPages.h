#pragma once
// The operator's pages of the web module: the sync-activity page (who has
// synced today and who has not, what each representative's handhelds did,
// per method figures, the slowest calls; plain HTML from the
// template "templates\SyncActivity.html"), the same data as JSON for
// scripts, and the metrics in the Prometheus text format.
//
// Like the method-test page they are served only to callers on this
// machine (a loopback peer) and, in addition, only to requests that no
// proxy passed on; any other request is passed on by the action and ends
// redirected to "/". Their own requests are counted in the metrics but not
// listed on the page.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "http/WebModule.h"
#include "http/WebModuleUnit1.h"

namespace fieldsync {

struct TActivityReport;

class TSyncActivityPages {
 public:
  static constexpr const char* PagePath = SyncActivityPagePath;
  static constexpr const char* JSONPath = "/SyncActivityJSON";
  static constexpr const char* MetricsPath = "/metrics";
  static constexpr const char* TemplateFile = "templates\\SyncActivity.html";

  explicit TSyncActivityPages(const std::filesystem::path& programDir);
  ~TSyncActivityPages();
  TSyncActivityPages(const TSyncActivityPages&) = delete;
  TSyncActivityPages& operator=(const TSyncActivityPages&) = delete;

  // The three actions, to be offered before the module's default action.
  // They borrow this object, which must outlive them.
  std::vector<TWebActionItem> Actions();

  // Whether the request may see the pages.
  static bool Allowed(const TWebRequest& request);

  // The landing page's link to the activity page for callers allowed to
  // see it; empty for others.
  static std::u16string LinkFor(const TWebRequest& request);

  // The metrics text: the request counters and the gauges.
  static std::string MetricsText();

 private:
  void ServePage(TWebRequest& request, TWebResponse& response);
  void ServeJSON(TWebRequest& request, TWebResponse& response);
  void ServeMetrics(TWebRequest& request, TWebResponse& response);
  std::u16string Tag(const std::string& tagName) const;

  std::unique_ptr<TPageProducer> FProducer;
  const TActivityReport* FReport = nullptr;  // while the page is produced
};

}  // namespace fieldsync
