// 8-bit text written straight as a JSON string must give the bytes of the
// string its decoded text gives, for every kind of byte.

#include <gtest/gtest.h>

#include <string>

#include "core/Text.h"
#include "json/JSONValue.h"

namespace fieldsync {
namespace {

std::string Direct(std::string_view bytes, bool utf8) {
  std::string out = "prefix,";
  AppendJSONStringBytes(out, bytes, utf8);
  EXPECT_EQ(out.substr(0, 7), "prefix,");
  return out.substr(7);
}

std::string ThroughUtf16(std::string_view bytes, bool utf8) {
  return TJSONString(utf8 ? Utf8ToUtf16(bytes) : Win1252ToUtf16(bytes)).ToBytes();
}

TEST(JSONStringBytes, SameBytesAsTheDecodedString) {
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Expected;  // nullptr: only compared with the decoded string
  } cases[] = {
      {"empty", "", R"("")"},
      {"plain ASCII", "Rua das Flores, 123", R"("Rua das Flores, 123")"},
      {"escapes", "a\"b\\c/d\be\ff\ng\rh\ti", R"("a\"b\\c\/d\be\ff\ng\rh\ti")"},
      {"control characters and DEL", std::string("\x01\x1F\x7F", 3), "\"\\u0001\\u001F\x7F\""},
      {"NUL inside", std::string("a\0b", 3), R"("a\u0000b")"},
      {"UTF-8 accents", "Jo\xC3\xA3o A\xC3\xA7\xC3\xA3o", R"("Jo\u00E3o A\u00E7\u00E3o")"},
      {"UTF-8 euro sign and emoji", "\xE2\x82\xAC \xF0\x9F\x98\x80", R"("\u20AC \uD83D\uDE00")"},
      {"UTF-8 run ending the text", "fim \xC3\xA9", R"("fim \u00E9")"},
      {"lone continuation byte", "a\x80z", nullptr},
      {"truncated sequence before ASCII", "a\xC3z", nullptr},
      {"truncated sequence at the end", "a\xE2\x82", nullptr},
      {"overlong form", "\xC0\xAF", nullptr},
      {"encoded surrogate", "\xED\xA0\x80", nullptr},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Direct(c.Bytes, true), ThroughUtf16(c.Bytes, true));
    if (c.Expected) {
      EXPECT_EQ(Direct(c.Bytes, true), c.Expected);
    }
  }
}

TEST(JSONStringBytes, EveryWindows1252ByteGivesItsCharacter) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(Direct(all, false), ThroughUtf16(all, false));
  EXPECT_EQ(Direct("\x80 \xE9 \x81", false), R"("\u20AC \u00E9 \u0081")");
}

}  // namespace
}  // namespace fieldsync
