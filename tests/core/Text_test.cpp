#include "core/Text.h"

#include <gtest/gtest.h>

using namespace fieldsync;

TEST(Text, Utf8RoundTripsThroughUtf16) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xC3\xA9", u"\u00E9"},
      {"S\xC3\xA3o Jo\xC3\xA3o", u"S\u00E3o Jo\u00E3o"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\x80z"), u"\uFFFDz");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");      // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, Windows1252MapsTheHighControlRange) {
  EXPECT_EQ(Win1252ToUtf16("\x80\xE9\x9F"), u"\u20AC\u00E9\u0178");
  EXPECT_EQ(Utf16ToWin1252(u"\u20AC\u00E9\u0178"), "\x80\xE9\x9F");
  EXPECT_EQ(Utf16ToWin1252(u"a\u4E2Db"), "a?b");
  EXPECT_EQ(Utf16ToWin1252(u"\u4E2D", '#'), "#");
}

TEST(Text, AsciiCaseIgnoresOtherLetters) {
  EXPECT_EQ(AsciiUpper(std::string_view("getCliente\xC3\xA9")), "GETCLIENTE\xC3\xA9");
  EXPECT_TRUE(SameTextAscii("Templates", "templates"));
  EXPECT_FALSE(SameTextAscii("Template", "templates"));
}
