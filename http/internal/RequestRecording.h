#pragma once
// Records one request for the program's activity (activity/Activity.h),
// from its arrival at the web module pool until its answer has been
// written: the record starts with what the web request says of the caller,
// is the thread's current record meanwhile (the REST layer adds the
// session, method and outcome) and is handed on when the request ends.
// When recording is off, it does nothing.

#include <chrono>
#include <optional>

#include "activity/RequestRecord.h"
#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync {

class TRequestRecording {
 public:
  explicit TRequestRecording(const TWebRequest& request);
  // Hands the record on. Ended neither as answered nor as lost, the request
  // failed and the connection answers status 500.
  ~TRequestRecording();
  TRequestRecording(const TRequestRecording&) = delete;
  TRequestRecording& operator=(const TRequestRecording&) = delete;

  // Takes the size of the answer's body; call it before the answer is sent
  // (a stream body is gone once written).
  void BodyReady(const TWebResponse& response);
  // The answer has been written with the response's status.
  void Answered(const TWebResponse& response);
  // The connection was lost: no answer reached the caller.
  void Lost();
  // The request failed with `message`; the connection answers 500.
  void Failed(const char* message);

 private:
  std::chrono::steady_clock::time_point FStart;
  bool FActive = false;
  bool FEnded = false;
  TRequestRecord FRecord;
  std::optional<TCurrentRequestRecord> FCurrent;
};

}  // namespace fieldsync
