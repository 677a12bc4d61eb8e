#include "activity/ActivityReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "activity/Activity.h"
#include "core/Regional.h"
#include "core/Text.h"
#include "json/JSONValue.h"

namespace fieldsync {

namespace {

// Which downloads count as which kind: the full lists and the single-row
// look-ups of each.
struct TKindEntry {
  const char* Method;
  TDownloadKind Kind;
};
constexpr TKindEntry DownloadKinds[] = {
    {"GetCliente", TDownloadKind::Clients},
    {"GetTodosClientes", TDownloadKind::Clients},
    {"GetClienteSN", TDownloadKind::Clients},
    {"GetProduto", TDownloadKind::Products},
    {"GetProdutoSN", TDownloadKind::Products},
    {"GetProdutoUndMed", TDownloadKind::Products},
    {"GetProdutoUndMedSN", TDownloadKind::Products},
    {"GetProdutoConsig", TDownloadKind::Products},
    {"GetProdutoConsigSN", TDownloadKind::Products},
    {"GetClienteProduto", TDownloadKind::Products},
    {"GetClienteProdutoSN", TDownloadKind::Products},
    {"GetTabelaPreco", TDownloadKind::Prices},
    {"GetTabelaPrecoItem", TDownloadKind::Prices},
    {"GetTabelaPrecoRep", TDownloadKind::Prices},
    {"GetTabelaPrecoItemRep", TDownloadKind::Prices},
    {"GetTabelaPrecoSN", TDownloadKind::Prices},
    {"GetTabelaPrecoItemSN", TDownloadKind::Prices},
    {"GetSituacaoPedido", TDownloadKind::Orders},
    {"GetUltimosPedido", TDownloadKind::Orders},
    {"GetUltimosItensPedido", TDownloadKind::Orders},
    {"GetUltPedidosTodasFolhas", TDownloadKind::Orders},
    {"GetUltItensPedidoTodasFolhas", TDownloadKind::Orders},
    {"GetUltPedidosSN", TDownloadKind::Orders},
    {"GetPedidoSN", TDownloadKind::Orders},
    {"GetItensPedidoSN", TDownloadKind::Orders},
    {"GetChavePedido", TDownloadKind::Orders},
};

constexpr const char* KindNames[DownloadKindCount] = {"clients", "products", "prices", "orders"};

TDateTime LocalDateTime(int64_t unixUs) {
  const int64_t seconds = unixUs >= 0 ? unixUs / 1000000 : -((-unixUs + 999999) / 1000000);
  const int64_t micros = unixUs - seconds * 1000000;
  return UtcToLocal(UnixToDateTime(seconds)) + static_cast<double>(micros) / 86400e6;
}

int64_t LocalDay(int64_t unixUs) { return static_cast<int64_t>(std::floor(LocalDateTime(unixUs))); }

bool Succeeded(const TRequestRecord& record) { return record.Status >= 200 && record.Status < 300; }

bool IsRESTCaller(const TRequestRecord& record) {
  return !record.MethodName.Empty() || !record.SessionId.Empty();
}

// Nearest-rank percentile of sorted values.
int64_t Percentile(const std::vector<int64_t>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
  if (rank == 0) rank = 1;
  return sorted[std::min(rank, sorted.size()) - 1];
}

// --- JSON ---

std::unique_ptr<TJSONString> Str(std::string_view utf8) { return std::make_unique<TJSONString>(Utf8ToUtf16(utf8)); }
std::unique_ptr<TJSONNumber> Num(int64_t value) { return std::make_unique<TJSONNumber>(value); }
std::unique_ptr<TJSONNumber> Ms(int64_t microseconds) {
  return std::make_unique<TJSONNumber>(static_cast<double>(microseconds) / 1000.0);
}

std::unique_ptr<TJSONObject> CallJSON(const TRequestRecord& record) {
  auto call = std::make_unique<TJSONObject>();
  call->AddPair(u"time", Str(LocalIsoText(record.StartUnixUs)));
  call->AddPair(u"unixMs", Num(record.StartUnixUs / 1000));
  call->AddPair(u"address", Str(record.RemoteAddr.View()));
  call->AddPair(u"session", Str(record.SessionId.View()));
  call->AddPair(u"user", Str(record.UserName.View()));
  call->AddPair(u"httpMethod", Str(record.HttpMethod.View()));
  call->AddPair(u"path", Str(record.Path.View()));
  call->AddPair(u"method", Str(record.MethodName.View()));
  call->AddPair(u"arguments", Num(record.ArgumentCount));
  call->AddPair(u"argumentBytes", Num(static_cast<int64_t>(record.ArgumentBytes)));
  call->AddPair(u"status", Num(record.Status));
  call->AddPair(u"durationMs", Ms(record.DurationUs));
  call->AddPair(u"bytesSent", Num(record.BytesSent));
  if (record.WriteResult == TWriteResult::None)
    call->AddPair(u"result", std::make_unique<TJSONNull>());
  else if (record.WriteResult == TWriteResult::True)
    call->AddPair(u"result", std::make_unique<TJSONTrue>());
  else
    call->AddPair(u"result", std::make_unique<TJSONFalse>());
  call->AddPair(u"error", Str(record.ErrorText.View()));
  return call;
}

// --- HTML ---

// Text as HTML: markup characters and everything outside printable ASCII
// as character references.
std::string Html(std::string_view utf8) {
  std::string out;
  const std::u16string text = Utf8ToUtf16(utf8);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c >= 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
        else out += "&#" + std::to_string(c) + ";";
    }
  }
  return out;
}

std::string MsText(int64_t microseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(microseconds) / 1000.0);
  return text;
}

std::string Cell(std::string_view html) { return "<td>" + std::string(html) + "</td>"; }

std::string ResultText(const TRequestRecord& record) {
  switch (record.WriteResult) {
    case TWriteResult::True: return "true";
    case TWriteResult::False: return "false";
    default: return "";
  }
}

}  // namespace

bool DownloadKindOf(std::string_view method, TDownloadKind& kind) {
  for (const auto& entry : DownloadKinds) {
    if (method == entry.Method) {
      kind = entry.Kind;
      return true;
    }
  }
  return false;
}

const char* DownloadKindName(TDownloadKind kind) { return KindNames[static_cast<size_t>(kind)]; }

bool IsFailedUpload(const TRequestRecord& record) {
  return record.WriteMethod && (record.WriteResult == TWriteResult::False || record.Status >= 400);
}

bool IsError(const TRequestRecord& record) {
  return record.Status >= 400 || record.Status == 0 || record.WriteResult == TWriteResult::False;
}

std::string LocalTimeText(int64_t unixUs) {
  const TDateTime local = LocalDateTime(unixUs);
  return FormatShortDate(local) + " " + FormatLongTime(local);
}

std::string LocalIsoText(int64_t unixUs) {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(LocalDateTime(unixUs), year, month, day, hour, minute, second, ms);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", year, month, day, hour, minute, second, ms);
  return text;
}

TActivityReport BuildActivityReport(std::vector<TRequestRecord> records, size_t capacity, uint64_t total,
                                    int64_t nowUnixUs) {
  TActivityReport report;
  report.Records = std::move(records);
  report.Capacity = capacity;
  report.Total = total;
  report.NowUnixUs = nowUnixUs;
  const int64_t today = LocalDay(nowUnixUs);

  std::map<std::string, size_t> handheldIndex;
  std::vector<std::set<std::string>> sessions;
  std::map<std::string, std::vector<int64_t>> durations;
  std::map<std::string, TMethodActivity> methods;
  for (size_t i = 0; i < report.Records.size(); ++i) {
    const TRequestRecord& record = report.Records[i];

    const std::string label(MethodLabel(record));
    TMethodActivity& method = methods[label];
    method.Method = label;
    ++method.Count;
    if (IsError(record)) ++method.Errors;
    durations[label].push_back(record.DurationUs);

    if (!IsRESTCaller(record)) continue;
    const std::string address = record.RemoteAddr.Str();
    auto [it, added] = handheldIndex.try_emplace(address, report.Handhelds.size());
    if (added) {
      THandheldActivity handheld;
      handheld.Address = address;
      handheld.LastDownloads.fill(-1);
      report.Handhelds.push_back(std::move(handheld));
      sessions.emplace_back();
    }
    THandheldActivity& handheld = report.Handhelds[it->second];
    if (!record.SessionId.Empty()) {
      sessions[it->second].insert(record.SessionId.Str());
      handheld.LastSession = record.SessionId.Str();
    }
    handheld.LastCall = i;
    if (LocalDay(record.StartUnixUs) == today) ++handheld.CallsToday;
    TDownloadKind kind;
    if (record.MethodResolved && Succeeded(record) && DownloadKindOf(record.MethodName.View(), kind))
      handheld.LastDownloads[static_cast<size_t>(kind)] = static_cast<int64_t>(i);
    if (IsFailedUpload(record)) handheld.FailedUploads.push_back(i);
  }
  for (size_t i = 0; i < report.Handhelds.size(); ++i) report.Handhelds[i].Sessions = sessions[i].size();
  std::stable_sort(report.Handhelds.begin(), report.Handhelds.end(),
                   [](const THandheldActivity& a, const THandheldActivity& b) { return a.LastCall > b.LastCall; });

  for (auto& [label, method] : methods) {
    std::vector<int64_t>& values = durations[label];
    std::sort(values.begin(), values.end());
    method.P50Us = Percentile(values, 0.50);
    method.P99Us = Percentile(values, 0.99);
    report.Methods.push_back(method);
  }
  std::stable_sort(report.Methods.begin(), report.Methods.end(),
                   [](const TMethodActivity& a, const TMethodActivity& b) { return a.Count > b.Count; });

  std::vector<size_t> order(report.Records.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  const size_t shown = std::min(order.size(), TActivityReport::SlowestShown);
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                    [&](size_t a, size_t b) {
                      const int64_t da = report.Records[a].DurationUs, db = report.Records[b].DurationUs;
                      return da != db ? da > db : a > b;
                    });
  order.resize(shown);
  report.Slowest = std::move(order);
  return report;
}

std::string ActivityReportJSON(const TActivityReport& report) {
  TJSONObject root;
  root.AddPair(u"serverTime", Str(LocalIsoText(report.NowUnixUs)));
  auto recordsInfo = std::make_unique<TJSONObject>();
  recordsInfo->AddPair(u"held", Num(static_cast<int64_t>(report.Records.size())));
  recordsInfo->AddPair(u"capacity", Num(static_cast<int64_t>(report.Capacity)));
  recordsInfo->AddPair(u"total", Num(static_cast<int64_t>(report.Total)));
  if (report.Records.empty())
    recordsInfo->AddPair(u"oldest", std::make_unique<TJSONNull>());
  else
    recordsInfo->AddPair(u"oldest", Str(LocalIsoText(report.Records.front().StartUnixUs)));
  root.AddPair(u"records", std::move(recordsInfo));

  auto handhelds = std::make_unique<TJSONArray>();
  for (const THandheldActivity& handheld : report.Handhelds) {
    auto item = std::make_unique<TJSONObject>();
    item->AddPair(u"address", Str(handheld.Address));
    item->AddPair(u"session", Str(handheld.LastSession));
    item->AddPair(u"sessions", Num(static_cast<int64_t>(handheld.Sessions)));
    item->AddPair(u"callsToday", Num(static_cast<int64_t>(handheld.CallsToday)));
    item->AddPair(u"lastCall", CallJSON(report.Records[handheld.LastCall]));
    auto downloads = std::make_unique<TJSONObject>();
    for (size_t k = 0; k < DownloadKindCount; ++k) {
      const int64_t index = handheld.LastDownloads[k];
      if (index < 0)
        downloads->AddPair(Latin1ToUtf16(KindNames[k]), std::make_unique<TJSONNull>());
      else
        downloads->AddPair(Latin1ToUtf16(KindNames[k]), CallJSON(report.Records[static_cast<size_t>(index)]));
    }
    item->AddPair(u"lastDownloads", std::move(downloads));
    auto failed = std::make_unique<TJSONArray>();
    for (size_t index : handheld.FailedUploads) failed->AddElement(CallJSON(report.Records[index]));
    item->AddPair(u"failedUploads", std::move(failed));
    handhelds->AddElement(std::move(item));
  }
  root.AddPair(u"handhelds", std::move(handhelds));

  auto methods = std::make_unique<TJSONArray>();
  for (const TMethodActivity& method : report.Methods) {
    auto item = std::make_unique<TJSONObject>();
    item->AddPair(u"method", Str(method.Method));
    item->AddPair(u"count", Num(static_cast<int64_t>(method.Count)));
    item->AddPair(u"errors", Num(static_cast<int64_t>(method.Errors)));
    item->AddPair(u"p50Ms", Ms(method.P50Us));
    item->AddPair(u"p99Ms", Ms(method.P99Us));
    methods->AddElement(std::move(item));
  }
  root.AddPair(u"methods", std::move(methods));

  auto slowest = std::make_unique<TJSONArray>();
  for (size_t index : report.Slowest) slowest->AddElement(CallJSON(report.Records[index]));
  root.AddPair(u"slowest", std::move(slowest));
  return root.ToBytes();
}

std::string SummaryHTML(const TActivityReport& report) {
  std::string out = "<p>" + std::to_string(report.Records.size()) + " requests held (at most " +
                    std::to_string(report.Capacity) + "), " + std::to_string(report.Total) +
                    " recorded since the service started";
  if (!report.Records.empty())
    out += "; the oldest held arrived at " + LocalTimeText(report.Records.front().StartUnixUs);
  out += ".</p>";
  return out;
}

std::string HandheldsHTML(const TActivityReport& report) {
  if (report.Handhelds.empty()) return "<p>No handheld has called yet.</p>";
  std::string out =
      "<table class=\"handhelds\">\n<tr><th>Address</th><th>User</th><th>Session</th><th>Last call</th><th>Calls today</th>"
      "<th>Clients</th><th>Products</th><th>Prices</th><th>Orders</th><th>Failed uploads</th></tr>\n";
  for (const THandheldActivity& handheld : report.Handhelds) {
    const TRequestRecord& last = report.Records[handheld.LastCall];
    out += "<tr>";
    out += Cell(Html(handheld.Address));
    out += Cell(last.UserName.Empty() ? std::string("-") : Html(last.UserName.View()));
    std::string session = Html(handheld.LastSession);
    if (handheld.Sessions > 1) session += " (" + std::to_string(handheld.Sessions) + " sessions)";
    out += Cell(session);
    out += Cell(LocalTimeText(last.StartUnixUs) + " " + Html(last.MethodName.Empty() ? last.Path.View()
                                                                                      : last.MethodName.View()) +
                " " + std::to_string(last.Status));
    out += Cell(std::to_string(handheld.CallsToday));
    for (size_t k = 0; k < DownloadKindCount; ++k) {
      const int64_t index = handheld.LastDownloads[k];
      if (index < 0) {
        out += Cell("-");
        continue;
      }
      const TRequestRecord& download = report.Records[static_cast<size_t>(index)];
      out += Cell(LocalTimeText(download.StartUnixUs) + " " + Html(download.MethodName.View()));
    }
    std::string failed;
    for (size_t index : handheld.FailedUploads) {
      const TRequestRecord& upload = report.Records[index];
      failed += "<div class=\"failed\">" + LocalTimeText(upload.StartUnixUs) + " " + Html(upload.MethodName.View()) +
                " " + std::to_string(upload.Status) + ": " + Html(upload.ErrorText.View()) + "</div>";
    }
    out += Cell(failed.empty() ? "-" : failed);
    out += "</tr>\n";
  }
  out += "</table>";
  return out;
}

std::string MethodsHTML(const TActivityReport& report) {
  if (report.Methods.empty()) return "<p>No calls yet.</p>";
  std::string out =
      "<table class=\"methods\">\n<tr><th>Method</th><th>Calls</th><th>Errors</th><th>p50 ms</th><th>p99 ms</th></tr>\n";
  for (const TMethodActivity& method : report.Methods) {
    out += "<tr>" + Cell(Html(method.Method)) + Cell(std::to_string(method.Count)) +
           Cell(std::to_string(method.Errors)) + Cell(MsText(method.P50Us)) + Cell(MsText(method.P99Us)) + "</tr>\n";
  }
  out += "</table>";
  return out;
}

std::string SlowestHTML(const TActivityReport& report) {
  if (report.Slowest.empty()) return "<p>No calls yet.</p>";
  std::string out =
      "<table class=\"slowest\">\n<tr><th>Time</th><th>Address</th><th>User</th><th>Session</th><th>Method or path</th>"
      "<th>Status</th><th>ms</th><th>Bytes sent</th><th>Result</th></tr>\n";
  for (size_t index : report.Slowest) {
    const TRequestRecord& record = report.Records[index];
    out += "<tr>" + Cell(LocalTimeText(record.StartUnixUs)) + Cell(Html(record.RemoteAddr.View())) +
           Cell(Html(record.UserName.View())) + Cell(Html(record.SessionId.View())) +
           Cell(Html(record.MethodName.Empty() ? record.Path.View() : record.MethodName.View())) +
           Cell(std::to_string(record.Status)) + Cell(MsText(record.DurationUs)) +
           Cell(std::to_string(record.BytesSent)) + Cell(ResultText(record)) + "</tr>\n";
  }
  out += "</table>";
  return out;
}

}  // namespace fieldsync
