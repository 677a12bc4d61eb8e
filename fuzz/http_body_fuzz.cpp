// libFuzzer target for request bodies: the first byte picks a head
// (chunked, by length, form-encoded in UTF-8, Windows-1252 or no charset,
// chunked form), the rest is the body, read by THttpRequestReader and
// finished as the listener does (form body in its charset, then the form
// fields). Traps when a property breaks:
// - a body by length arrives exactly as sent;
// - a body read by chunks, sent again as one chunk, reads back the same;
// - no body exceeds the maximum;
// - a form field, encoded again, decodes back to itself.
#include <string>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "http/internal/HttpRequestReader.h"
#include "http/WebRequest.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

constexpr int64_t MaxBody = 8192;

const char* const Heads[] = {
    "POST /x HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n",
    "POST /x HTTP/1.1\r\nHost: h\r\n",  // Content-Length follows
    "POST /x HTTP/1.1\r\nHost: h\r\nContent-Type: application/x-www-form-urlencoded; charset=utf-8\r\n",
    "POST /x HTTP/1.1\r\nHost: h\r\nContent-Type: application/x-www-form-urlencoded; charset=\"windows-1252\"\r\n",
    "POST /x HTTP/1.1\r\nHost: h\r\nContent-Type: Application/X-WWW-Form-Urlencoded\r\n",
    "POST /x HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n"
    "Content-Type: application/x-www-form-urlencoded;charset=UTF8\r\n",
};
constexpr size_t HeadCount = sizeof Heads / sizeof *Heads;

bool Chunked(size_t head) { return head == 0 || head == HeadCount - 1; }

// "complete" with the body, or what stopped the reading.
std::pair<std::string, THttpRequestData> Read(const std::string& request) {
  THttpRequestReader reader(MaxBody);
  reader.Append(request.data(), request.size());
  std::string result;
  try {
    auto step = reader.Advance();
    if (step == THttpRequestReader::TStep::HeadDone) {
      ApplyHead(reader.Data(), reader.Line());
      (void)reader.BeginBody();
      step = reader.Advance();
    }
    result = step == THttpRequestReader::TStep::Complete ? "complete" : "more";
  } catch (const THttpStatusAnswer& answer) {
    Check(answer.Status == 400 || answer.Status == 413);
    result = "status";
  } catch (const Exception& e) {
    result = e.what();
  }
  Check(reader.Data().Body.size() <= static_cast<size_t>(MaxBody));
  return {result, std::move(reader.Data())};
}

std::string Hex(size_t n) {
  char text[20];
  std::snprintf(text, sizeof text, "%zX", n);
  return text;
}

std::string FormEncode(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += "0123456789ABCDEF"[static_cast<unsigned char>(c) >> 4];
      out += "0123456789ABCDEF"[c & 15];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t head = data[0] % HeadCount;
  const std::string body(fuzz::Bytes(data + 1, size - 1));
  std::string request = Heads[head];
  if (!Chunked(head)) request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;

  auto [result, read] = Read(request);
  if (!Chunked(head) && body.size() <= static_cast<size_t>(MaxBody)) {
    Check(result == "complete" && read.Body == body);
  }
  if (Chunked(head) && result == "complete") {
    std::string again = Heads[head];
    again += "\r\n";
    if (!read.Body.empty()) again += Hex(read.Body.size()) + "\r\n" + read.Body + "\r\n";
    again += "0\r\n\r\n";
    const auto [againResult, againRead] = Read(again);
    Check(againResult == "complete" && againRead.Body == read.Body);
  }
  if (result != "complete") return 0;
  try {
    DecodeFormBody(read);
    TWebRequest decoded(std::move(read));
    const TFields& fields = decoded.ContentFields();
    for (const auto& item : fields.Items()) {
      const TFields back = DecodeUrlFields(FormEncode(item));
      Check(back.Count() == 1 && back.Strings(0) == item);
    }
  } catch (const Exception&) {
  }
  return 0;
}
