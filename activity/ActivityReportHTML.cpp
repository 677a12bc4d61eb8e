// The report's parts as HTML tables for the operator's page.
#include "activity/ActivityReport.h"

#include "core/NumberText.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

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
  return FixedText(static_cast<double>(microseconds) / 1000.0, 1);
}

std::string Cell(std::string_view html) { return "<td>" + std::string(html) + "</td>"; }

std::string Lines(const std::vector<std::string>& texts) {
  if (texts.empty()) return "-";
  std::string out;
  for (const std::string& text : texts) out += "<div>" + Html(text) + "</div>";
  return out;
}

std::string ResultText(const TRequestRecord& record) {
  switch (record.WriteResult) {
    case TWriteResult::True: return "true";
    case TWriteResult::False: return "false";
    default: return "";
  }
}

std::string CallText(const TRequestRecord& record) {
  return LocalTimeText(record.StartUnixUs) + " " +
         Html(record.MethodName.Empty() ? record.Path.View() : record.MethodName.View()) + " " +
         std::to_string(record.Status);
}

std::string Plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string UploadsText(const TSyncRow& row) {
  const auto& n = row.UploadsToday;
  return Plural(n[size_t(TUploadKind::Orders)], "order", "orders") + " (" +
         Plural(n[size_t(TUploadKind::OrderItems)], "item", "items") + "), " +
         Plural(n[size_t(TUploadKind::Clients)], "client", "clients") + ", " +
         Plural(n[size_t(TUploadKind::Receipts)], "receipt", "receipts");
}

std::string NameCell(const TSyncRow& row) {
  if (!row.Name.empty()) return Html(row.Name);
  return row.HasId ? "<span class=\"unknown\">not in REPRESENTANTE</span>" : "-";
}

// The columns both tables share, from the session on.
std::string ActivityCells(const TActivityReport& report, const TSyncRow& row) {
  std::string out;
  std::string session = Html(row.LastSession);
  if (row.Sessions > 1) session += " (" + std::to_string(row.Sessions) + " sessions)";
  out += Cell(session);
  out += Cell(CallText(report.Records[row.LastCall]));
  out += Cell(std::to_string(row.CallsToday));
  for (size_t k = 0; k < DownloadKindCount; ++k) {
    const int64_t index = row.LastDownloads[k];
    if (index < 0) {
      out += Cell("-");
      continue;
    }
    const TRequestRecord& download = report.Records[static_cast<size_t>(index)];
    out += Cell(LocalTimeText(download.StartUnixUs) + " " + Html(download.MethodName.View()));
  }
  out += Cell(UploadsText(row));
  std::string failed;
  for (size_t index : row.FailedUploads) {
    const TRequestRecord& upload = report.Records[index];
    failed += "<div class=\"failed\">" + LocalTimeText(upload.StartUnixUs) + " " + Html(upload.MethodName.View()) +
              " " + std::to_string(upload.Status) + ": " + Html(upload.ErrorText.View()) + "</div>";
  }
  out += Cell(failed.empty() ? "-" : failed);
  return out;
}

constexpr const char* ActivityHeadings =
    "<th>Session</th><th>Last call</th><th>Calls today</th><th>Clients</th><th>Products</th><th>Prices</th>"
    "<th>Orders</th><th>Uploads today</th><th>Failed uploads</th>";

}  // namespace

std::string SummaryHTML(const TActivityReport& report) {
  std::string out = "<p>" + std::to_string(report.Records.size()) + " requests held (at most " +
                    std::to_string(report.Capacity) + "), " + std::to_string(report.Total) +
                    " recorded since the service started";
  if (!report.Records.empty())
    out += "; the oldest held arrived at " + LocalTimeText(report.Records.front().StartUnixUs);
  out += ".</p>";
  return out;
}

std::string NamesHTML(const TActivityReport& report) {
  std::string out = "<p class=\"names\">";
  if (report.Names.ReadUnixUs == 0)
    out += "Names not read from REPRESENTANTE yet.";
  else
    out += "Names as read from REPRESENTANTE at " + LocalTimeText(report.Names.ReadUnixUs) + " (" +
           Plural(report.Names.Rows.size(), "representative", "representatives") + "; read again every minute).";
  if (!report.Names.Error.empty())
    out += " <span class=\"failed\">The last reading failed: " + Html(report.Names.Error) + "</span>";
  return out + "</p>";
}

std::string NotSyncedHTML(const TActivityReport& report) {
  std::string out = "<p>" + Plural(report.SyncedToday, "representative", "representatives") + " synced today.</p>";
  if (report.NotSyncedToday.empty()) return out + "<p>Every representative has synced today.</p>";
  out += "<table class=\"notsynced\">\n<tr><th>Representative</th><th>Name</th><th>Why</th><th>Last call</th></tr>\n";
  for (const TNotSynced& entry : report.NotSyncedToday) {
    std::string why;
    if (entry.NoCallToday) why = "no call today";
    if (entry.FailedUploads > 0) {
      if (!why.empty()) why += "; ";
      why += "<span class=\"failed\">" + Plural(entry.FailedUploads, "failed upload", "failed uploads") + "</span>";
    }
    const std::string lastCall =
        entry.LastCall < 0 ? "-" : LocalTimeText(report.Records[static_cast<size_t>(entry.LastCall)].StartUnixUs);
    out += "<tr>" + Cell(Html(entry.Representative)) + Cell(entry.Name.empty() ? "-" : Html(entry.Name)) + Cell(why) +
           Cell(lastCall) + "</tr>\n";
  }
  return out + "</table>";
}

std::string RepresentativesHTML(const TActivityReport& report) {
  if (report.Representatives.empty()) return "<p>No representative has called yet.</p>";
  std::string out = std::string("<table class=\"representatives\">\n<tr><th>Representative</th><th>Name</th>"
                                "<th>User</th><th>Addresses</th>") + ActivityHeadings + "</tr>\n";
  for (const TSyncRow& row : report.Representatives) {
    out += "<tr>" + Cell(Html(row.Representative)) + Cell(NameCell(row)) + Cell(Lines(row.Users)) +
           Cell(Lines(row.Addresses)) + ActivityCells(report, row) + "</tr>\n";
  }
  return out + "</table>";
}

std::string WithoutRepresentativeHTML(const TActivityReport& report) {
  if (report.WithoutRepresentative.empty()) return "<p>None.</p>";
  std::string out =
      std::string("<table class=\"addresses\">\n<tr><th>Address</th><th>User</th>") + ActivityHeadings + "</tr>\n";
  for (const TSyncRow& row : report.WithoutRepresentative)
    out += "<tr>" + Cell(Lines(row.Addresses)) + Cell(Lines(row.Users)) + ActivityCells(report, row) + "</tr>\n";
  return out + "</table>";
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
      "<table class=\"slowest\">\n<tr><th>Time</th><th>Address</th><th>Representative</th><th>User</th>"
      "<th>Session</th><th>Method or path</th><th>Status</th><th>ms</th><th>Bytes sent</th><th>Result</th></tr>\n";
  for (size_t index : report.Slowest) {
    const TRequestRecord& record = report.Records[index];
    out += "<tr>" + Cell(LocalTimeText(record.StartUnixUs)) + Cell(Html(record.RemoteAddr.View())) +
           Cell(Html(record.Representative.View())) + Cell(Html(RecordUser(record))) +
           Cell(Html(record.SessionId.View())) +
           Cell(Html(record.MethodName.Empty() ? record.Path.View() : record.MethodName.View())) +
           Cell(std::to_string(record.Status)) + Cell(MsText(record.DurationUs)) +
           Cell(std::to_string(record.BytesSent)) + Cell(ResultText(record)) + "</tr>\n";
  }
  out += "</table>";
  return out;
}

}  // namespace fieldsync
