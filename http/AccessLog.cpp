#include "http/AccessLog.h"

#include <atomic>
#include <cstdio>
#include <exception>

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "core/ServiceLog.h"
#include "http/internal/HttpMessages.h"
#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync {

namespace {

constexpr const char* AccessLogVariable = "FIELDSYNC_ACCESS_LOG";
std::atomic<bool> accessLogEnabled{false};
std::atomic<bool> accessLogUserField{false};

}  // namespace

std::string AccessLogLine(const TAccessLogEntry& record) {
  const double ms = static_cast<double>(record.Duration.count()) / 1e6;
  const std::string duration = FixedText(ms < 0 ? 0.0 : ms, 3) + "ms";
  std::string line = LogTimestamp(record.Time);
  line.append(" ").append(LogField(record.RemoteAddr));
  line.append(" ").append(LogField(record.Method));
  line.append(" ").append(LogField(record.Target));
  line.append(" ").append(std::to_string(record.Status));
  line.append(" ").append(record.BodyBytes < 0 ? std::string("-") : std::to_string(record.BodyBytes));
  line.append(" ").append(duration);
  return line;
}

std::string AccessLogUserField(const std::string& userName) {
  return userName.empty() ? std::string("-") : LogField(userName);
}

bool AccessLogEnabled() { return accessLogEnabled.load(std::memory_order_relaxed); }

void SetAccessLogEnabled(bool enabled) { accessLogEnabled.store(enabled); }

void SetAccessLogUserField(bool enabled) { accessLogUserField.store(enabled); }

bool AccessLogFromEnvironment() {
  const std::string value = EnvironmentVariable(AccessLogVariable);
  if (value.empty() || value == "1") return true;
  if (value == "0") return false;
  throw Exception(FormatText(BadSwitchMessage, {AccessLogVariable, value}));
}

TAccessLogScope::TAccessLogScope(const TWebRequest& request, const TWebResponse& response)
    : FRequest(request),
      FResponse(response),
      FEnabled(AccessLogEnabled()),
      FUncaught(std::uncaught_exceptions()),
      FTime(std::chrono::system_clock::now()),
      FStart(std::chrono::steady_clock::now()) {}

TAccessLogScope::~TAccessLogScope() {
  if (!FEnabled) return;
  try {
    TAccessLogEntry record;
    record.Time = FTime;
    record.Duration = std::chrono::steady_clock::now() - FStart;
    record.RemoteAddr = FRequest.RemoteAddr();
    record.Method = FRequest.Method();
    record.Target = FRequest.RawPath();
    if (!FRequest.Query().empty()) record.Target.append("?").append(FRequest.Query());
    record.Status = FResponse.StatusCode();
    if (FResponse.HeadWritten()) {
      record.BodyBytes = FResponse.BodyBytesWritten();
    } else if (std::uncaught_exceptions() > FUncaught) {
      record.Status = 500;  // the listener answers the error
    } else if (FResponse.Sent()) {
      record.BodyBytes = 0;  // a redirect: its head follows, without a body
    }
    std::string line = AccessLogLine(record);
    if (accessLogUserField.load(std::memory_order_relaxed))
      line.append(" ").append(AccessLogUserField(FRequest.AuthenticatedUser()));
    WriteLogLine(line);
  } catch (...) {
    // A line that cannot be written is lost; the answer is not.
  }
}

}  // namespace fieldsync
