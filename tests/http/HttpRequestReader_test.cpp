// The request reader fed the same requests whole, byte by byte and in two
// parts split at every place: the outcome never depends on how the bytes
// arrive.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Error.h"
#include "http/internal/HttpRequestReader.h"

namespace fieldsync::test {
namespace {

// What reading made of a request: "body:<bytes>" when complete, "status:N"
// for a refusal, "error:<message>" for a malformed request, "more" when it
// waits for bytes.
struct TOutcome {
  std::string Result;
  std::vector<std::pair<std::string, std::string>> Headers;
  bool Unread = false;
};

TOutcome Read(const std::vector<std::string>& parts, int64_t maxBody = 1000) {
  THttpRequestReader reader(maxBody);
  TOutcome out;
  try {
    for (const auto& part : parts) {
      reader.Append(part.data(), part.size());
      auto step = reader.Advance();
      if (step == THttpRequestReader::TStep::HeadDone) {
        reader.Data().Method = reader.Line().Method;
        reader.BeginBody();
        step = reader.Advance();
      }
      if (step == THttpRequestReader::TStep::Complete) {
        out.Result = "body:" + reader.Data().Body;
        out.Headers = reader.Data().Headers;
        out.Unread = reader.HasUnreadBytes();
        return out;
      }
    }
    out.Result = "more";
  } catch (const THttpStatusAnswer& answer) {
    out.Result = "status:" + std::to_string(answer.Status);
  } catch (const Exception& e) {
    out.Result = std::string("error:") + e.what();
  }
  return out;
}

struct TCase {
  const char* Name;
  std::string Request;
  std::string Result;
};

TEST(HttpRequestReader, GivesTheSameOutcomeHoweverTheBytesArrive) {
  const std::string longLine(16385, 'a');
  std::string manyLines;
  for (int i = 0; i <= 1024; ++i) manyLines += "X: 1\r\n";
  const std::vector<TCase> cases = {
      {"no body", "GET / HTTP/1.0\r\nHost: h\r\n\r\n", "body:"},
      {"bare line feeds", "GET / HTTP/1.0\nA: 1\n\n", "body:"},
      {"body by length", "PUT / HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello", "body:hello"},
      {"chunks with trailer",
       "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n2\r\nde\r\n0\r\n"
       "T: 1\r\n\r\n",
       "body:abcde"},
      {"length beyond the maximum", "PUT / HTTP/1.0\r\nContent-Length: 1001\r\n\r\n", "status:413"},
      {"chunks beyond the maximum",
       "PUT / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n3E9\r\n", "status:413"},
      {"chunk size not hexadecimal",
       "PUT / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\nxyz\r\n", "status:400"},
      {"unknown transfer encoding", "PUT / HTTP/1.0\r\nTransfer-Encoding: gzip\r\n\r\n",
       "status:400"},
      {"length not a number", "PUT / HTTP/1.0\r\nContent-Length: -1\r\n\r\n", "status:400"},
      {"no blank in the request line", "GARBAGE\r\n\r\n", "error:Error in parsing command."},
      {"request line too long", "GET /" + longLine + " HTTP/1.0\r\n\r\n", "status:414"},
      {"request line too long, no line end yet", "GET /" + longLine, "status:414"},
      {"header line too long", "GET / HTTP/1.0\r\nX: " + longLine + "\r\n\r\n", "status:431"},
      {"too many header lines", "GET / HTTP/1.0\r\n" + manyLines + "\r\n", "status:431"},
      {"an argument as long as the line allows",
       "GET /" + std::string(16384 - 14, 'a') + " HTTP/1.0\r\n\r\n", "body:"},
      {"chunk line too long",
       "PUT / HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n1;" + longLine + "\r\n",
       "error:Max line length exceeded."},
      {"head not finished", "GET / HTTP/1.0\r\nHost: h\r\n", "more"},
      {"body not finished", "PUT / HTTP/1.0\r\nContent-Length: 9\r\n\r\nabc", "more"},
  };
  for (const auto& c : cases) {
    const TOutcome whole = Read({c.Request});
    EXPECT_EQ(whole.Result, c.Result) << c.Name;
    std::vector<std::string> bytes;
    for (char ch : c.Request) bytes.emplace_back(1, ch);
    const TOutcome oneByOne = Read(bytes);
    EXPECT_EQ(oneByOne.Result, c.Result) << c.Name << ", byte by byte";
    EXPECT_EQ(oneByOne.Headers, whole.Headers) << c.Name << ", byte by byte";
    for (size_t at = 1; at < c.Request.size(); at += 1 + c.Request.size() / 200) {
      const TOutcome split = Read({c.Request.substr(0, at), c.Request.substr(at)});
      ASSERT_EQ(split.Result, c.Result) << c.Name << ", split at " << at;
    }
  }
}

TEST(HttpRequestReader, KeepsFoldedHeadersAndTellsOfBytesBeyondTheRequest) {
  const TOutcome folded = Read({"GET / HTTP/1.0\r\nA: 1\r\n  more\r\nB:2\r\n\r\n"});
  EXPECT_EQ(folded.Headers, (std::vector<std::pair<std::string, std::string>>{
                                {"A", "1 more"}, {"B", "2"}}));
  EXPECT_FALSE(folded.Unread);
  const TOutcome second = Read({"PUT / HTTP/1.0\r\nContent-Length: 2\r\n\r\nokGET /next"});
  EXPECT_EQ(second.Result, "body:ok");
  EXPECT_TRUE(second.Unread);
}

TEST(HttpRequestReader, ChecksExpectations) {
  struct TExpectCase {
    std::string Expect;
    std::string Length;
    int Refused;
  };
  const std::vector<TExpectCase> cases = {
      {"100-continue", "10", 0},
      {"100-Continue", "", 0},
      {"100-continue", "1001", 413},
      {"magic", "10", 417},
  };
  for (const auto& c : cases) {
    THttpRequestData data;
    data.Headers = {{"Expect", c.Expect}};
    if (!c.Length.empty()) data.Headers.emplace_back("Content-Length", c.Length);
    EXPECT_EQ(RefusedExpectation(data, 1000), c.Refused) << c.Expect << " " << c.Length;
  }
}

}  // namespace
}  // namespace fieldsync::test
