#include "http/internal/RequestRecording.h"

#include <istream>

#include "activity/Activity.h"
#include "http/internal/CallerOrigin.h"

namespace fieldsync {

namespace {

// Bytes left in a stream, which keeps its place.
int64_t StreamBytesLeft(std::istream& stream) {
  const auto here = stream.tellg();
  if (here < 0) return 0;
  stream.seekg(0, std::ios::end);
  const auto end = stream.tellg();
  stream.seekg(here);
  return end < here ? 0 : static_cast<int64_t>(end - here);
}

}  // namespace

TRequestRecording::TRequestRecording(const TWebRequest& request) : FActive(Activity().Enabled()) {
  if (!FActive) return;
  FStart = std::chrono::steady_clock::now();
  FRecord.StartUnixUs = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
  const std::string forwardedFor = ForwardedFor(request);
  FRecord.Forwarded = !forwardedFor.empty();
  FRecord.RemoteAddr.Assign(FRecord.Forwarded ? forwardedFor : request.RemoteAddr());
  FRecord.HttpMethod.Assign(request.Method());
  FRecord.Path.Assign(request.RawPath());
  FCurrent.emplace(FRecord);
}

TRequestRecording::~TRequestRecording() {
  if (!FActive) return;
  FCurrent.reset();
  if (!FEnded) FRecord.Status = 500;
  FRecord.DurationUs =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - FStart).count();
  Activity().Record(FRecord);
}

void TRequestRecording::BodyReady(const TWebResponse& response) {
  if (!FActive) return;
  FRecord.BytesSent = response.ContentStream() ? StreamBytesLeft(*response.ContentStream())
                                               : static_cast<int64_t>(response.Content().size()) +
                                                     response.BuffersSize();
}

void TRequestRecording::Answered(const TWebResponse& response) {
  if (!FActive) return;
  if (!response.ContentStream() && FRecord.BytesSent == 0)
    FRecord.BytesSent = static_cast<int64_t>(response.Content().size()) + response.BuffersSize();
  FRecord.Status = response.StatusCode();
  FEnded = true;
}

void TRequestRecording::Lost() {
  if (!FActive) return;
  FRecord.Status = 0;
  FEnded = true;
}

void TRequestRecording::Failed(const char* message) {
  if (!FActive) return;
  FRecord.ErrorText.Assign(message);
}

}  // namespace fieldsync
