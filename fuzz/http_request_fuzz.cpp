// libFuzzer target for the listener's request reading: any bytes as one
// request through THttpRequestReader (line, headers, body by length or by
// chunks), then the steps that finish it (target, form body in its charset,
// cookies, Basic credentials, "Expect") and the query and form fields.
// Besides crashes and sanitizer reports it traps when a property breaks:
// - the outcome (request, refusal or error) is the same whether the bytes
//   arrive whole or in small pieces;
// - a refusal is one of the statuses the listener answers;
// - the body never exceeds the maximum, nor the header lines their count;
// - header names and values hold no line feed.
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "http/internal/HttpRequestReader.h"
#include "http/WebRequest.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

constexpr int64_t MaxBody = 4096;

struct TOutcome {
  std::string Result;
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;
  bool operator==(const TOutcome&) const = default;
};

bool AnsweredStatus(int status) {
  for (int known : {400, 408, 411, 413, 414, 417, 431})
    if (status == known) return true;
  return false;
}

void Finish(THttpRequestData data) {
  DecodeFormBody(data);
  CollectCookies(data);
  try {
    ReadAuthorization(data);
  } catch (const Exception&) {
  }
  (void)RefusedExpectation(data, MaxBody);
  TWebRequest request(std::move(data));
  for (const TFields* fields : {&request.QueryFields(), &request.ContentFields()}) {
    for (size_t i = 0; i < fields->Count(); ++i) (void)fields->Names(i), (void)fields->ValueFromIndex(i);
  }
  (void)request.ContentType(), (void)request.ContentCharset(), (void)request.ServerPort();
}

TOutcome Read(std::string_view bytes, size_t piece, bool finish) {
  THttpRequestReader reader(MaxBody);
  TOutcome out;
  size_t at = 0;
  try {
    while (true) {
      if (at < bytes.size()) {
        const size_t n = std::min(piece, bytes.size() - at);
        reader.Append(bytes.data() + at, n);
        at += n;
      }
      const auto step = reader.Advance();
      if (step == THttpRequestReader::TStep::HeadDone) {
        ApplyHead(reader.Data(), reader.Line());
        (void)reader.BeginBody();
        continue;
      }
      if (step == THttpRequestReader::TStep::Complete) {
        out.Result = "complete";
        break;
      }
      if (at == bytes.size()) {
        out.Result = "more";
        break;
      }
    }
  } catch (const THttpStatusAnswer& answer) {
    Check(AnsweredStatus(answer.Status));
    out.Result = "status " + std::to_string(answer.Status);
  } catch (const Exception& e) {
    out.Result = e.what();
  }
  THttpRequestData& data = reader.Data();
  Check(data.Body.size() <= static_cast<size_t>(MaxBody));
  Check(data.Headers.size() <= THttpRequestReader::MaxHeaderLines);
  for (const auto& [name, value] : data.Headers)
    Check(name.find('\n') == std::string::npos && value.find('\n') == std::string::npos);
  out.Headers = data.Headers;
  out.Body = data.Body;
  if (finish && out.Result == "complete") {
    try {
      Finish(std::move(data));
    } catch (const Exception&) {
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const TOutcome whole = Read(bytes, bytes.size() + 1, true);
  const size_t piece = 1 + size % 13;
  Check(Read(bytes, piece, false) == whole);
  return 0;
}
