// Compressed answers: which Accept-Encoding values accept gzip, and that a
// compressed body inflates to exactly the bytes that would have been sent.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestClient.h"
#include "http/internal/GzipEncoding.h"
#include "http/WebResponse.h"

namespace fieldsync {
namespace {

std::string Gunzip(const std::string& packed) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
  std::string out;
  char buffer[65536];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    rc = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  EXPECT_EQ(rc, Z_STREAM_END) << "not one complete gzip member";
  EXPECT_EQ(stream.avail_in, 0u) << "bytes after the gzip member";
  inflateEnd(&stream);
  return out;
}

// A JSON table body of `rows` rows, with accented text in the code page.
std::string TableBody(int rows) {
  std::string body = "{\"result\":[{\"table\":[[\"NOME\",26,0,0,0,60,60,0,true,false,0,false,false]],\"NOME\":[";
  for (int i = 0; i < rows; ++i) body += (i ? ",\"" : "\"") + std::string("Jo\xE3o ") + std::to_string(i) + "\"";
  return body + "]}]}";
}

struct TCapture {
  std::string Wire;
  TWebResponse Response{"HTTP/1.1", [this](std::string_view b) { Wire.append(b); }};
};

TEST(Gzip, AcceptEncodingValues) {
  const std::pair<const char*, bool> cases[] = {
      {"gzip", true},
      {"GZIP", true},
      {"x-gzip", true},
      {"deflate, gzip;q=0.5", true},
      {" br , gzip ; q=1.0 ", true},
      {"*", true},
      {"", false},
      {"identity", false},
      {"deflate, br", false},
      {"gzip;q=0", false},
      {"gzip;q=0.000", false},
      {"*, gzip;q=0", false},
      {"*;q=0", false},
      {"gzip;q=abc", false},
      {"gzipper", false},
  };
  for (const auto& [value, accepted] : cases) EXPECT_EQ(AcceptsGzip(value), accepted) << '"' << value << '"';
}

TEST(Gzip, CompressedBodyInflatesToTheUncompressedWireBytes) {
  const std::string body = TableBody(5000);
  const struct {
    const char* ContentType;
  } cases[] = {{"application/json"}, {"text/plain; charset=UTF-8"}, {"text/html"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ContentType);
    TCapture plain;
    plain.Response.SetContentType(c.ContentType);
    plain.Response.SetContent(body);
    plain.Response.Finish();

    TCapture packed;
    packed.Response.SetContentType(c.ContentType);
    packed.Response.SetContent(body);
    ASSERT_TRUE(CompressResponse("gzip", packed.Response));
    packed.Response.Finish();

    const test::THttpAnswer expected = test::ParseAnswer(plain.Wire);
    const test::THttpAnswer answer = test::ParseAnswer(packed.Wire);
    EXPECT_EQ(answer.Header("Content-Encoding"), "gzip");
    EXPECT_EQ(answer.Header("Vary"), "Accept-Encoding");
    EXPECT_EQ(answer.Header("Content-Type"), expected.Header("Content-Type"));
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.Body.size()));
    EXPECT_LT(answer.Body.size(), expected.Body.size() / 3);
    EXPECT_EQ(Gunzip(answer.Body), expected.Body);
  }
}

// A table sent as its column buffers compresses from the buffers, in order;
// an answer that does not compress gives a member of several pieces.
TEST(Gzip, BuffersCompressToTheirConcatenation) {
  std::string noise;
  uint32_t x = 12345;
  for (int i = 0; i < 700 * 1024; ++i) {
    x = x * 1103515245u + 12345u;
    noise.push_back(static_cast<char>(x >> 24));
  }
  const std::string table = TableBody(5000);
  const std::vector<std::vector<std::string>> cases = {
      {table.substr(0, 100), table.substr(100, 30000), "", table.substr(30100)},
      {noise.substr(0, 1), noise.substr(1, 400000), noise.substr(400001)},
  };
  for (const auto& buffers : cases) {
    std::string joined;
    for (const auto& b : buffers) joined += b;
    SCOPED_TRACE(std::to_string(joined.size()) + " bytes in " + std::to_string(buffers.size()) + " buffers");
    TCapture packed;
    packed.Response.SetContentType("application/json");
    packed.Response.SetContentBuffers(buffers);
    ASSERT_TRUE(CompressResponse("gzip", packed.Response));
    packed.Response.Finish();
    const test::THttpAnswer answer = test::ParseAnswer(packed.Wire);
    EXPECT_EQ(answer.Header("Content-Encoding"), "gzip");
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(answer.Body.size()));
    EXPECT_EQ(Gunzip(answer.Body), joined);
  }
  EXPECT_GT(GzipPieces({noise}).size(), 1u);
}

TEST(Gzip, SmallAnswersAndRequestsThatDoNotAskKeepTheirExactBytes) {
  const struct {
    std::string Body;
    const char* AcceptEncoding;
    const char* ContentEncoding;  // already set by whoever answered
  } cases[] = {
      {std::string(GzipMinimumSize - 1, 'a'), "gzip", ""},
      {"{\"result\":[\"abc\"]}", "gzip", ""},
      {TableBody(5000), "", ""},
      {TableBody(5000), "deflate", ""},
      {TableBody(5000), "gzip", "identity"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Body.size()) + " bytes, Accept-Encoding: " + c.AcceptEncoding);
    TCapture plain;
    plain.Response.SetContentType("application/json");
    plain.Response.SetStringVariable(7, c.ContentEncoding);
    plain.Response.SetContent(c.Body);
    plain.Response.Finish();

    TCapture tried;
    tried.Response.SetContentType("application/json");
    tried.Response.SetStringVariable(7, c.ContentEncoding);
    tried.Response.SetContent(c.Body);
    EXPECT_FALSE(CompressResponse(c.AcceptEncoding, tried.Response));
    tried.Response.Finish();
    EXPECT_EQ(tried.Wire, plain.Wire);
  }
}

}  // namespace
}  // namespace fieldsync
