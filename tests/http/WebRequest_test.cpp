// The request view: properties by index, header look-ups, content rules and
// the field lists.

#include <gtest/gtest.h>

#include "core/Error.h"
#include "http/internal/HttpDate.h"
#include "http/WebRequest.h"

namespace fieldsync {
namespace {

THttpRequestData SampleRequest() {
  THttpRequestData d;
  d.Method = "POST";
  d.ProtocolVersion = "HTTP/1.1";
  d.Query = "a=1&b=%C3%A7";
  d.PathInfo = "/p\xE7";
  d.Host = "srv:8081";
  d.RemoteAddr = "10.0.0.9";
  d.LocalPort = 80;
  d.Headers = {{"content-type", "application/x-www-form-urlencoded; charset=utf-8"},
               {"Cache-Control", "no-cache"},
               {"If-Modified-Since", "Sun, 06 Nov 1994 08:49:37 GMT"},
               {"CONTENT_VERSION", "2"},
               {"Derived-From", "d"},
               {"Title", "t"},
               {"REMOTE_HOST", "rh"},
               {"Connection", "keep-alive"},
               {"Pragma", "dssession=1.2.3"},
               {"Authorization", "Basic eDp5"}};
  d.HasBody = true;
  d.FormBody = true;
  d.FormText = u"x=%41&y=\u00E7";
  d.Cookies = {"k=v"};
  return d;
}

TEST(WebRequest, AnswersPropertiesByIndex) {
  const TWebRequest r(SampleRequest());
  const std::pair<int, std::string> cases[] = {
      {0, "POST"}, {1, "HTTP/1.1"}, {2, ""}, {3, "a=1&b=%C3%A7"}, {4, "/p\xE7"}, {5, "/p\xE7"},
      {6, "no-cache"}, {10, "srv"}, {15, "application/x-www-form-urlencoded"}, {16, "9"},
      {17, "2"}, {18, "d"}, {20, "t"}, {21, "10.0.0.9"}, {22, "rh"}, {23, ""}, {24, "8081"},
      {25, "x=%41&y=\xE7"}, {26, "keep-alive"}, {27, ""}, {28, "Basic eDp5"}, {29, ""}, {-1, ""}};
  for (const auto& [index, value] : cases) EXPECT_EQ(r.GetStringVariable(index), value) << index;
  EXPECT_EQ(r.GetIntegerVariable(16), 9);
  EXPECT_EQ(r.GetIntegerVariable(24), 8081);
  EXPECT_EQ(r.GetIntegerVariable(0), -1);
  EXPECT_EQ(r.GetDateVariable(7), -1);
  EXPECT_NEAR(r.GetDateVariable(11), UtcToLocal(EncodeDateTime(1994, 11, 6, 8, 49, 37)), 1e-9);
  EXPECT_EQ(r.GetFieldByName("pragma"), "dssession=1.2.3");
  EXPECT_EQ(r.ContentCharset(), "utf-8");
  EXPECT_EQ(r.MethodType(), TMethodType::mtPost);
}

TEST(WebRequest, DecodesQueryContentAndCookieFields) {
  const TWebRequest r(SampleRequest());
  EXPECT_EQ(r.QueryFields().Values("b"), "\xC3\xA7");
  EXPECT_EQ(r.ContentFields().Values("x"), "A");
  EXPECT_EQ(r.ContentFields().Values("y"), "\xE7");
  EXPECT_EQ(r.CookieFields().Strings(0), "k=v");

  THttpRequestData bad = SampleRequest();
  bad.Query = "a=%G1";
  const TWebRequest badRequest(std::move(bad));
  EXPECT_THROW(badRequest.QueryFields(), Exception);
}

TEST(WebRequest, ReadsContentFromItsOwnCursor) {
  THttpRequestData d;
  d.Method = "PUT";
  d.HasBody = true;
  d.Body = std::string("ab\0cd", 5);
  TWebRequest r(std::move(d));
  EXPECT_EQ(r.MethodType(), TMethodType::mtPut);
  EXPECT_EQ(r.ContentLength(), 5);
  EXPECT_EQ(r.ReadString(-3), "");
  EXPECT_EQ(r.ReadString(2), "ab");
  EXPECT_EQ(r.ReadString(10), std::string("\0cd", 3));
  EXPECT_EQ(r.ReadString(1), "");
  EXPECT_EQ(r.Content(), std::string("ab\0cd", 5));  // unaffected by reading

  THttpRequestData none;
  none.Method = "get";
  none.Query = "q=1";
  const TWebRequest noBody(std::move(none));
  EXPECT_EQ(noBody.Content(), "q=1");  // no body: the query stands in
  EXPECT_EQ(noBody.MethodType(), TMethodType::mtAny);  // only exact upper case counts
}

TEST(WebRequest, SplitsBracketedIPv6Hosts) {
  THttpRequestData d;
  d.Host = "[::1]:8081";
  const TWebRequest r(std::move(d));
  EXPECT_EQ(r.Host(), "[::1]");
  EXPECT_EQ(r.ServerPort(), 8081);
}

}  // namespace
}  // namespace fieldsync
