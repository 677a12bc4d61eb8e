// Tables for the grammar pieces: request lines, targets, chunk sizes,
// credentials, URL-encoded fields, path masks and HTTP dates.

#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpDate.h"
#include "http/internal/HttpParsing.h"
#include "http/WebModule.h"
#include "http/WebRequest.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::ExpectThrowWithText;

TEST(RequestLine, SplitsMethodTargetAndVersionAtTheLastBlank) {
  struct TCase {
    const char* Line;
    const char* Method;
    const char* URI;
    const char* Version;
    int Major, Minor;
  };
  const TCase cases[] = {
      {"GET / HTTP/1.1", "GET", "/", "HTTP/1.1", 1, 1},
      {"post /a b HTTP/1.0", "POST", "/a b", "HTTP/1.0", 1, 0},
      {"GET  HTTP/1.1", "GET", "", "HTTP/1.1", 1, 1},
      {"GET / HTTP/x.y", "GET", "/", "HTTP/x.y", -1, -1},
      {"GET / junk", "GET", "/", "junk", -1, -1},
      {"GET / HTTP/2", "GET", "/", "HTTP/2", 2, -1},
      // One blank: it is the last blank too, so the target is empty.
      {"GET HTTP/1.1", "GET", "", "HTTP/1.1", 1, 1},
      {"GET /", "GET", "", "/", -1, -1},
  };
  for (const auto& c : cases) {
    const TRequestLine line = ParseRequestLine(c.Line);
    EXPECT_EQ(line.Method, c.Method) << c.Line;
    EXPECT_EQ(line.URI, c.URI) << c.Line;
    EXPECT_EQ(line.Version, c.Version) << c.Line;
    EXPECT_EQ(line.Major, c.Major) << c.Line;
    EXPECT_EQ(line.Minor, c.Minor) << c.Line;
  }
  for (const char* bad : {"", "GET", "GET/x"}) {
    SCOPED_TRACE(bad);
    ExpectThrowWithText<Exception>([&] { ParseRequestLine(bad); }, "Error in parsing command.");
  }
}

TEST(RequestTarget, DecodesThePathAndKeepsTheQueryRaw) {
  struct TCase {
    const char* URI;
    std::u16string Document;
    const char* Query;
    const char* Host;
  };
  const TCase cases[] = {
      {"/", u"/", "", ""},
      {"*", u"*", "", ""},
      {"/a%C3%A7", u"/a\u00E7", "", ""},
      {"/%u00E7%u20AC", u"/\u00E7\u20AC", "", ""},
      {"/%uD83D%uDE00", u"/\U0001F600", "", ""},
      {"/a+b%20c", u"/a+b c", "", ""},
      {"/bad%zz%4", u"/bad%zz%4", "", ""},
      {"/x?a=%C3%A7&b", u"/x", "a=%C3%A7&b", ""},
      {"/x?a?b", u"/x", "a?b", ""},
      {"http://host:81/p?q", u"/p", "q", "host:81"},
      {"http://user@host", u"/", "", "host"},
      {"/%C3", u"/\uFFFD", "", ""},
  };
  for (const auto& c : cases) {
    const TRequestTarget target = ParseRequestTarget(c.URI);
    EXPECT_EQ(target.Document, c.Document) << c.URI;
    EXPECT_EQ(target.Query, c.Query) << c.URI;
    EXPECT_EQ(target.Host, c.Host) << c.URI;
  }
}

TEST(ChunkSize, ReadsHexadecimalUpToTheSemicolon) {
  EXPECT_EQ(ParseChunkSize("0"), 0u);
  EXPECT_EQ(ParseChunkSize("1a"), 26u);
  EXPECT_EQ(ParseChunkSize("FF;name=value"), 255u);
  EXPECT_EQ(ParseChunkSize(" 10 "), 16u);
  EXPECT_FALSE(ParseChunkSize(""));
  EXPECT_FALSE(ParseChunkSize("g"));
  EXPECT_FALSE(ParseChunkSize(";x"));
  EXPECT_FALSE(ParseChunkSize("1234567890abcdef0"));  // beyond any body
}

TEST(Base64, DecodesCredentials) {
  EXPECT_EQ(Base64Decode("dXNlcjpwYXNz"), "user:pass");
  EXPECT_EQ(Base64Decode("YQ=="), "a");
  EXPECT_EQ(Base64Decode("YWI="), "ab");
  EXPECT_EQ(Base64Decode(""), "");
}

TEST(UrlFields, DecodesItemsAndRejectsMalformedEscapes) {
  const TFields fields = DecodeUrlFields("a=1&b=x+y&c=%C3%A7&d=100%%&&e");
  ASSERT_EQ(fields.Count(), 5u);
  EXPECT_EQ(fields.Values("A"), "1");
  EXPECT_EQ(fields.Values("b"), "x y");
  EXPECT_EQ(fields.Values("c"), "\xC3\xA7");  // two characters of the 8-bit code page
  EXPECT_EQ(fields.Values("d"), "100%");
  EXPECT_EQ(fields.Names(4), "e");
  EXPECT_EQ(fields.ValueFromIndex(4), "");
  EXPECT_EQ(DecodeUrlFields("").Count(), 0u);

  struct TBad {
    const char* Text;
    const char* Message;
  };
  const TBad bad[] = {
      {"a=%4", "Error decoding URL style (%XX) encoded string at position 3"},
      {"abc%", "Error decoding URL style (%XX) encoded string at position 4"},
      {"a=%zz", "Invalid URL encoded character (%zz) at position 3"},
      {"x=1&y=%4g", "Invalid URL encoded character (%4g) at position 3"},
  };
  for (const auto& b : bad) {
    SCOPED_TRACE(b.Text);
    ExpectThrowWithText<Exception>([&] { DecodeUrlFields(b.Text); }, b.Message);
  }
}

TEST(PathMask, MatchesTheWholeTextIgnoringCase) {
  struct TCase {
    const char* Text;
    const char* Mask;
    bool Matches;
  };
  const TCase cases[] = {
      {"/ReverseString", "/ReverseString", true},
      {"/reversestring", "/ReverseString", true},
      {"/ReverseStringX", "/ReverseString", false},
      {"/datasnap/rest/x", "/datasnap*", true},
      {"/DATASNAP", "/datasnap*", true},
      {"/datasnapx", "/datasnap*", true},
      {"/data", "/datasnap*", false},
      {"", "", true},
      {"/x", "", false},
      {"", "/*", false},
      {"/a.css", "/*", true},
      {"/a1", "/a?", true},
      {"/a", "/a?", false},
      {"/ab", "/a[bc]", true},
      {"/aD", "/a[a-f]", true},
      {"/ag", "/a[a-f]", false},
      {"/ax", "/a[!b]", true},
      {"a*b*c", "*b*c", true},
      {"abcbd", "*b?", true},
      {"[x", "[x", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(c.Text, c.Mask), c.Matches) << c.Text << " ~ " << c.Mask;
}

TEST(HttpDate, ParsesTheThreeFormsAndFormatsRfc1123) {
  const TDateTime expected = EncodeDateTime(1994, 11, 6, 8, 49, 37);
  for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994", "Sun, 06 Nov 1994 05:49:37 -0300"})
    EXPECT_NEAR(ParseHttpDate(text), expected, 1e-9) << text;
  EXPECT_EQ(ParseHttpDate(""), -1);
  EXPECT_EQ(ParseHttpDate("yesterday"), -1);
  // Numbers that are not plain digits make the whole date unreadable.
  for (const char* text : {"Sun, 06 Nov 1994 08:-49:37 GMT", "Sun, 06 Nov 1994 08:49:37:01 GMT",
                           "Sun, 06 Nov 1994 +8:49:37 GMT", "Sun, 06 Nov 99999999999999999999999 08:49:37 GMT"})
    EXPECT_EQ(ParseHttpDate(text), -1) << text;
  EXPECT_NEAR(ParseHttpDate("Sun, 06 Nov 1994 08:49 GMT"), EncodeDateTime(1994, 11, 6, 8, 49, 0), 1e-9);
  EXPECT_NEAR(ParseHttpDate("Thu, 29 Feb 2024 8:9:7 GMT"), EncodeDateTime(2024, 2, 29, 8, 9, 7), 1e-9);
  // Not dates: numbers too long for any year (once an integer overflow),
  // negative or malformed times, days the month does not have.
  for (const char* text : {"Sun, 06 Nov 9223372036854775807 08:49:37 GMT", "Sun, 06 Nov 19940 08:49:37 GMT",
                           "Sun, 06 Nov 1994 08:-5:37 GMT", "Sun, 06 Nov 1994 08:49:-1 GMT",
                           "Sun, 06 Nov 1994 99999999999:00 GMT", "Sun, 06 Nov 1994 08:49:37:01 GMT",
                           "Sun, 06 Nov 1994 08: GMT", "Wed, 31 Feb 2023 08:49:37 GMT",
                           "Wed, 29 Feb 2023 08:49:37 GMT", "Mon, 31 Apr 2023 08:49:37 GMT"})
    EXPECT_EQ(ParseHttpDate(text), -1) << text;
  EXPECT_EQ(FormatHttpDate(expected), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(FormatHttpDate(EncodeDateTime(2026, 12, 10, 0, 0, 0)),
            "Thu, 10 Dec 2026 00:00:00 GMT");
}

}  // namespace
}  // namespace fieldsync
