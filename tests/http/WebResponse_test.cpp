// The response object: defaults, indexed properties, charsets, header order
// and the moment the answer goes out.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "TestClient.h"
#include "core/Error.h"
#include "http/internal/HttpDate.h"
#include "http/WebResponse.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

struct TCapture {
  std::string Wire;
  TWebResponse Response{"HTTP/1.0", [this](std::string_view b) { Wire.append(b); }};
  test::THttpAnswer Answer() const { return test::ParseAnswer(Wire); }
};

TEST(WebResponse, DefaultsToAnEmpty200TextHtmlPage) {
  TCapture c;
  c.Response.Finish();
  EXPECT_EQ(c.Wire,
            "HTTP/1.1 200 OK\r\nConnection: close\r\n"
            "Content-Type: text/html; charset=ISO-8859-1\r\nContent-Length: 0\r\n\r\n");
  EXPECT_EQ(c.Response.GetStringVariable(0), "HTTP/1.0");
  EXPECT_EQ(c.Response.GetDateVariable(0), -1);
  EXPECT_EQ(c.Response.GetIntegerVariable(0), -1);
}

TEST(WebResponse, GivesEveryCodeItsReasonText) {
  const std::pair<int, const char*> cases[] = {
      {100, "Continue"}, {203, "Non-authoritative Information"}, {302, "Moved Temporarily"},
      {404, "Not Found"}, {405, "Method not allowed"}, {413, "Request Entity Too Long"},
      {414, "Request-URI Too Long. 256 Chars max"}, {504, "Gateway timeout"},
      {505, "HTTP version not supported"}, {299, "Unknown Response Code"}, {0, "Unknown Response Code"}};
  for (const auto& [code, text] : cases) {
    TWebResponse response("HTTP/1.1", nullptr);
    response.SetStatusCode(code);
    EXPECT_EQ(response.ReasonString(), text) << code;
  }
}

TEST(WebResponse, RejectsUnknownIndexesNamingTheOperation) {
  TWebResponse r("HTTP/1.1", nullptr);
  auto message = [](auto&& call) { return test::ThrownText<Exception>(call); };
  EXPECT_EQ(message([&] { r.GetStringVariable(12); }),
            "Invalid Index 12 in TIdHTTPAppResponse.GetStringVariable");
  EXPECT_EQ(message([&] { r.SetStringVariable(-1, "x"); }),
            "Invalid Index -1 in TIdHTTPAppResponse.SetStringVariable");
  EXPECT_EQ(message([&] { r.GetIntegerVariable(1); }),
            "Invalid Index 1 in TIdHTTPAppResponse.GetIntegerVariable");
  EXPECT_EQ(message([&] { r.SetIntegerVariable(1, 0); }),
            "Invalid Index 1 in TIdHTTPAppResponse.SetIntegerVariable");
  EXPECT_EQ(message([&] { r.GetDateVariable(3); }),
            "Invalid Index 3 in TIdHTTPAppResponse.GetDateVariable");
  EXPECT_EQ(message([&] { r.SetDateVariable(3, 0); }),
            "Invalid Index 3 in TIdHTTPAppResponse.SetDateVariable");
  r.SetStringVariable(5, "GET");
  r.SetStringVariable(11, "t");
  EXPECT_EQ(r.GetCustomHeader("allow"), "GET");
  EXPECT_EQ(r.GetStringVariable(11), "t");
}

TEST(WebResponse, EncodesTextContentInTheResponseCharset) {
  struct TCase {
    const char* ContentType;
    const char* Header;
    std::string Body;
  };
  const std::string text = "a\xE7\x80";  // a, c-cedilla, euro sign in Windows-1252
  const TCase cases[] = {
      {"text/html", "text/html; charset=ISO-8859-1", "a\xE7?"},
      {"text/plain; charset=utf-8", "text/plain; charset=utf-8", "a\xC3\xA7\xE2\x82\xAC"},
      {"text/xml", "text/xml; charset=us-ascii", "a??"},
      {"text/svg+xml", "text/svg+xml; charset=us-ascii", "a??"},
      {"application/json", "application/json", "a\xE7?"},
      {"application/json; charset=windows-1252", "application/json; charset=windows-1252", text},
  };
  for (const auto& c : cases) {
    TCapture capture;
    capture.Response.SetContentType(c.ContentType);
    capture.Response.SetContent(text);
    capture.Response.SendResponse();
    const auto answer = capture.Answer();
    EXPECT_EQ(answer.Header("Content-Type"), c.Header) << c.ContentType;
    EXPECT_EQ(answer.Body, c.Body) << c.ContentType;
    EXPECT_EQ(answer.Header("Content-Length"), std::to_string(c.Body.size())) << c.ContentType;
  }
  TWebResponse r("HTTP/1.1", nullptr);
  r.SetContentType("text/css; charset=utf-8");
  EXPECT_EQ(r.ContentType(), "text/css");  // the charset is never reported back
}

TEST(WebResponse, WritesHeadersInTheFixedOrder) {
  TCapture c;
  c.Response.SetCustomHeader("Pragma", "dssession=1.2.3");
  c.Response.SetCustomHeader("X-Late", "1");
  c.Response.SetCustomHeader("pragma", "dssession=4.5.6");  // replaces
  c.Response.SetStringVariable(2, "srv");
  c.Response.SetStringVariable(3, "Basic realm=\"x\"");
  c.Response.SetStringVariable(7, "gzip");
  c.Response.SetStringVariable(9, "1.0");
  c.Response.SetLocation("/there");
  c.Response.SetDate(EncodeDateTime(2026, 1, 2, 3, 4, 5));
  c.Response.SetExpires(EncodeDateTime(2026, 1, 2, 3, 4, 5));
  c.Response.SetLastModified(EncodeDateTime(2026, 1, 2, 3, 4, 5));
  c.Response.Cookies().push_back("k=v");
  c.Response.SetContent("x");
  c.Response.SendResponse();
  EXPECT_EQ(c.Answer().HeaderNames(),
            (std::vector<std::string>{"Connection", "Content-Version", "Content-Encoding",
                                      "Content-Type", "Content-Length", "Date", "Expires",
                                      "Pragma", "X-Late", "Last-Modified", "Server", "Location",
                                      "WWW-Authenticate", "Set-Cookie"}));
  EXPECT_EQ(c.Answer().Header("Pragma"), "dssession=4.5.6");
  EXPECT_EQ(c.Answer().Header("Date"),
            FormatHttpDate(LocalToUtc(EncodeDateTime(2026, 1, 2, 3, 4, 5))));
}

TEST(WebResponse, SendsStreamsAndExplicitLengths) {
  TCapture stream;
  stream.Response.SetContentType("image/png");
  stream.Response.SetContentStream(std::make_unique<std::istringstream>(std::string("\0\1\2", 3)));
  stream.Response.SendResponse();
  EXPECT_EQ(stream.Answer().Header("Content-Type"), "image/png");
  EXPECT_EQ(stream.Answer().Header("Content-Length"), "3");
  EXPECT_EQ(stream.Answer().Body, std::string("\0\1\2", 3));

  TCapture head;
  head.Response.SetContentLength(1234);
  head.Response.SendResponse();
  EXPECT_EQ(head.Answer().Header("Content-Length"), "1234");
  EXPECT_EQ(head.Answer().Body, "");
}

TEST(WebResponse, RedirectIsMarkedSentAndWrittenOnFinish) {
  TCapture c;
  c.Response.SetContent("dropped");
  c.Response.SendRedirect("/");
  EXPECT_TRUE(c.Response.Sent());
  EXPECT_EQ(c.Wire, "");
  c.Response.Finish();
  c.Response.Finish();  // once only
  EXPECT_EQ(c.Wire,
            "HTTP/1.1 302 Moved Temporarily\r\nConnection: close\r\n"
            "Content-Type: text/html; charset=ISO-8859-1\r\nContent-Length: 0\r\n"
            "Location: /\r\n\r\n");
}

TEST(WebResponse, CountsTheBodyBytesItWrites) {
  // What the access log reports as bytes sent: the body as it went to the
  // wire, in the response charset, without the head.
  struct Case {
    const char* name;
    std::function<void(TWebResponse&)> fill;
  };
  const std::string big(200000, 'x');  // more than one write of a stream
  const Case cases[] = {
      {"nothing", [](TWebResponse&) {}},
      {"text", [](TWebResponse& r) { r.SetContent("caf\xe9"); }},
      {"text in UTF-8", [](TWebResponse& r) { r.SetContentType("text/plain; charset=utf-8"); r.SetContent("caf\xe9"); }},
      {"stream", [&big](TWebResponse& r) { r.SetContentStream(std::make_unique<std::istringstream>(big)); }},
      {"explicit length only", [](TWebResponse& r) { r.SetContentLength(1234); }},
  };
  for (const Case& c : cases) {
    TCapture capture;
    c.fill(capture.Response);
    EXPECT_EQ(capture.Response.BodyBytesWritten(), 0) << c.name;
    capture.Response.SendResponse();
    EXPECT_EQ(capture.Response.BodyBytesWritten(), static_cast<int64_t>(capture.Answer().Body.size())) << c.name;
  }
}

}  // namespace
}  // namespace fieldsync

namespace fieldsync {
namespace {

// Keeps the pieces a response hands over, as the connection does.
struct TPieces : TResponseSink {
  std::vector<TWireBuffer> Pieces;
  void Write(TWireBuffer piece) override { Pieces.push_back(std::move(piece)); }
  std::string Joined() const {
    std::string out;
    for (const auto& piece : Pieces) out += *piece;
    return out;
  }
};

TEST(WebResponse, HandsBodiesOverWithoutCopyingThem) {
  TPieces sink;
  TWebResponse response("HTTP/1.1", sink);
  response.SetContentType("application/json");
  response.SetContentBuffers({"{\"a\":", "", "[1,2]}"});
  ASSERT_EQ(response.ContentBuffers().size(), 2u);  // the empty one is left out
  response.SendResponse();
  const test::THttpAnswer answer = test::ParseAnswer(sink.Joined());
  EXPECT_EQ(answer.Header("Content-Length"), "11");
  EXPECT_EQ(answer.Body, "{\"a\":[1,2]}");
  ASSERT_EQ(sink.Pieces.size(), 3u);
  // The very buffers the response holds, not copies of them.
  EXPECT_EQ(sink.Pieces[1].get(), response.ContentBuffers()[0].get());
  EXPECT_EQ(sink.Pieces[2].get(), response.ContentBuffers()[1].get());

  // What the buffers count against is kept until the last of them is gone:
  // the response and the written pieces.
  auto hold = std::make_shared<int>(0);
  const std::weak_ptr<int> held = hold;
  TPieces written;
  {
    TWebResponse r("HTTP/1.1", written);
    r.SetContentBuffers({"[1,", "2]"}, std::move(hold));
    r.SendResponse();
  }
  EXPECT_FALSE(held.expired());
  written.Pieces.pop_back();
  EXPECT_FALSE(held.expired());
  written.Pieces.clear();
  EXPECT_TRUE(held.expired());

  // Text that needs no re-encoding goes out as it is held; text that does
  // is encoded into a piece of its own.
  struct TCase {
    const char* Type;
    std::string Text;
    bool Shared;
    std::string Wire;
  };
  const std::vector<TCase> cases = {
      {"text/html", "plain ascii", true, "plain ascii"},
      {"text/html; charset=windows-1252", "caf\xE9 \x80", true, "caf\xE9 \x80"},
      {"text/html; charset=utf-8", "caf\xE9", false, "caf\xC3\xA9"},
      {"text/html", "caf\xE9", false, "caf\xE9"},
  };
  for (const auto& c : cases) {
    TPieces text;
    TWebResponse r("HTTP/1.1", text);
    r.SetContentType(c.Type);
    r.SetContent(c.Text);
    r.Finish();
    ASSERT_EQ(text.Pieces.size(), 2u) << c.Type;
    EXPECT_EQ(*text.Pieces[1], c.Wire) << c.Type;
    EXPECT_EQ(text.Pieces[1]->data() == r.Content().data(), c.Shared) << c.Type;
  }
}

TEST(WebResponse, EachKindOfContentReplacesTheOthers) {
  TCapture c;
  c.Response.SetContentBuffers({"buffers"});
  c.Response.SetContent("text");
  EXPECT_TRUE(c.Response.ContentBuffers().empty());
  c.Response.SetContentBuffers({"buffers"});
  EXPECT_EQ(c.Response.Content(), "");
  c.Response.SetContentStream(std::make_unique<std::istringstream>("stream"));
  EXPECT_TRUE(c.Response.ContentBuffers().empty());
  c.Response.SetContentBuffers({"buffers", "!"});
  EXPECT_EQ(c.Response.ContentStream(), nullptr);
  EXPECT_EQ(c.Response.Serialize(),
            "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=ISO-8859-1\r\n"
            "Content-Length: 8\r\n\r\nbuffers!");
  c.Response.Finish();
  EXPECT_EQ(c.Answer().Body, "buffers!");
}

}  // namespace
}  // namespace fieldsync
