#pragma once
// The access log: one line per request on standard output, written when the
// web module's dispatch of the request has completed.
//
//   2026-12-10T15:40:01.123Z 127.0.0.1 GET /datasnap/rest/TServerMethods1/EchoString/abc 200 31 0.412ms
//
// Fields, separated by one blank: the time the request was handed to the
// web modules (UTC), the remote address, the method, the path with its
// query as received, the status, the body bytes sent ("-" when not known,
// as for a request that failed before a web module took it) and the time
// from hand-over to completion. Request fields are written with LogField,
// so a line always has these seven fields. When the service requires a
// login, an eighth follows: the user whose credentials were accepted, "-"
// for none.

#include <chrono>
#include <cstdint>
#include <string>

namespace fieldsync {

class TWebRequest;
class TWebResponse;

// What the access log knows of one request once it has been answered (the
// full path and query, unlike the bounded activity record).
struct TAccessLogEntry {
  std::chrono::system_clock::time_point Time;
  std::string RemoteAddr;
  std::string Method;
  std::string Target;   // path and query, as received
  int Status = 0;
  int64_t BodyBytes = -1;  // -1: not known
  std::chrono::nanoseconds Duration{0};
};

std::string AccessLogLine(const TAccessLogEntry& record);
// The eighth field: the user's name, or "-" for none.
std::string AccessLogUserField(const std::string& userName);

// Off until switched on (the program does so unless FIELDSYNC_ACCESS_LOG is
// "0"), so that tests and tools that serve requests in process stay quiet.
bool AccessLogEnabled();
void SetAccessLogEnabled(bool enabled);

// Whether the lines carry the user field (on while the service requires a
// login).
void SetAccessLogUserField(bool enabled);

// FIELDSYNC_ACCESS_LOG: unset, empty or "1" gives true, "0" false; any other
// value raises an error naming the variable.
bool AccessLogFromEnvironment();

// Measures one request from its construction (hand-over to the web modules)
// and writes its line when destroyed, also when dispatch ends in an error:
// then the status is 500 unless the answer has already gone out.
class TAccessLogScope {
 public:
  TAccessLogScope(const TWebRequest& request, const TWebResponse& response);
  ~TAccessLogScope();
  TAccessLogScope(const TAccessLogScope&) = delete;
  TAccessLogScope& operator=(const TAccessLogScope&) = delete;

 private:
  const TWebRequest& FRequest;
  const TWebResponse& FResponse;
  bool FEnabled;
  int FUncaught;
  std::chrono::system_clock::time_point FTime;
  std::chrono::steady_clock::time_point FStart;
};

}  // namespace fieldsync
