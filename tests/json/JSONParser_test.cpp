#include <gtest/gtest.h>

#include "json/JSONValue.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::ExpectThrowWithText;
using fieldsync::test::ThrownText;

namespace {

// The byte form of what ParseJSONValue makes of bytes, or "absent".
std::string Parsed(std::string_view bytes, bool utf8 = true) {
  std::unique_ptr<TJSONValue> value = TJSONObject::ParseJSONValue(bytes, 0, utf8);
  return value ? value->ToBytes() : "absent";
}

// The message of the TJSONException that parsing bytes in UTF-8 mode raises.
std::string Utf8Error(std::string_view bytes) {
  return ThrownText<TJSONException>([&] { TJSONObject::ParseJSONValue(bytes, 0); });
}

}  // namespace

TEST(JSONParser, AcceptsExactlyOneValueAndKeepsItsText) {
  struct Case {
    std::string input;
    std::string bytes;
  } cases[] = {
      {"[]", "[]"},
      {"[ ]", "[]"},
      {"{}", "{}"},
      {"{ }", "{}"},
      {" \t\r\n[1, 2 ,3]\n ", "[1,2,3]"},
      {"{\"a\" : 1 , \"b\":[true,false,null]}\n", "{\"a\":1,\"b\":[true,false,null]}"},
      {"{\"a\":1,\"a\":2}", "{\"a\":1,\"a\":2}"},
      {"\"text\"", "\"text\""},
      {"  5", "5"},
      {"0", "0"},
      {"-0", "-0"},
      {"-0.50", "-0.50"},
      {"1.50E+2", "1.50E+2"},
      {"1e5", "1e5"},
      {"1E-05", "1E-05"},
      {"123456789012345678901234567890", "123456789012345678901234567890"},
      {"true", "true"},
      {"false", "false"},
      {"null", "null"},
      {"[[[]],{\"x\":{}}]", "[[[]],{\"x\":{}}]"},
      {"{\"\":\"\"}", "{\"\":\"\"}"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parsed(c.input), c.bytes) << c.input;
}

TEST(JSONParser, RejectsEverythingElse) {
  const std::string rejected[] = {
      "", " ", "[1,]", "{\"a\":1,}", "{\"a\":1 \"b\":2}", "01", "-01", "-", "1.", "1e", "1e+", ".5", "+1",
      "tru", "True", "nul", "falsey", "\"abc", "[\"abc]", "5\n", "\"a\" ", "true ", "[", "]", "{", "}",
      "[1 2]", "[,1]", "[1,,2]", "{,}", "{\"a\"}", "{\"a\":}", "{\"a\" 1}", "{a:1}", "{1:2}", "{\"a\":1]",
      "[1}", "[]]", "{}}", "[] []", "1 2", "\"\\x\"", "\"\\u12\"", "\"\\u12G4\"", "\"\\", "'a'", "NaN",
      "Infinity", "-Infinity", "[1e]", "[-]", "[0x1]", "[1.e5]", "//", "\xC3\xA9",
  };
  for (const auto& input : rejected) EXPECT_EQ(Parsed(input), "absent") << input;
}

TEST(JSONParser, ReadsEscapesAsCodeUnits) {
  struct Case {
    std::string input;
    std::u16string text;
  } cases[] = {
      {R"("\"\\\/\b\f\n\r\t")", u"\"\\/\b\f\n\r\t"},
      {R"("\u00e9\u00E9\uD83D\uDE00\u0000")", std::u16string(u"\u00E9\u00E9\U0001F600") + u'\0'},
      {R"("\uDE00\uD83D")", u"\xDE00\xD83D"},  // lone surrogates are units like any other
      {"\"tab\there\x01\x1F\"", u"tab\there\x01\x1F"},  // control characters are taken unchanged
      {"\"a/b\"", u"a/b"},
  };
  for (const auto& c : cases) {
    const auto value = TJSONObject::ParseJSONValue(c.input, 0);
    ASSERT_NE(value, nullptr) << c.input;
    EXPECT_EQ(value->Value(), c.text) << c.input;
  }
}

TEST(JSONParser, ReadsUtf8SequencesInsideStringsOnly) {
  const auto e = TJSONObject::ParseJSONValue("\"\xC3\xA9\"", 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Value(), u"\u00E9");
  const auto emoji = TJSONObject::ParseJSONValue("[\"\xF0\x9F\x98\x80\"]", 0);
  ASSERT_NE(emoji, nullptr);
  EXPECT_EQ(emoji->ToBytes(), "[\"\\uD83D\\uDE00\"]");
  EXPECT_EQ(Parsed("\"\xE2\x82\xAC\""), "\"\\u20AC\"");
  EXPECT_EQ(Parsed("[\xC3\xA9]"), "absent");
  EXPECT_EQ(Parsed("{\"a\":1}\xC3\xA9"), "absent");
}

TEST(JSONParser, ReadsASequenceAfterAReverseSolidusAsItsEscapeText) {
  // The sequence is delivered as "\u00E9": its reverse solidus completes the
  // escape "\\", and "u00E9" follows as plain characters.
  const auto value = TJSONObject::ParseJSONValue("\"\\\xC3\xA9\"", 0);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->Value(), u"\\u00E9");
  const auto pair = TJSONObject::ParseJSONValue("\"\\\xF0\x9F\x98\x80\"", 0);
  ASSERT_NE(pair, nullptr);
  EXPECT_EQ(pair->Value(), u"\\uD83D\xDE00");
  EXPECT_EQ(Parsed("\"\\u00\xC3\xA9\""), "absent");
}

TEST(JSONParser, OneBytePerCharacterMode) {
  const auto value = TJSONObject::ParseJSONValue("[\"\xC3\xA9\xFF\"]", 0, false);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->ToBytes(), "[\"\\u00C3\\u00A9\\u00FF\"]");
  EXPECT_EQ(Parsed("\xFF", false), "absent");        // no exception in this mode
  EXPECT_EQ(Parsed("\xEF\xBB\xBF[]", false), "absent");  // nor a byte-order mark
}

TEST(JSONParser, RaisesOnMalformedUtf8WithItsPosition) {
  struct Case {
    std::string input;
    std::string message;
  } cases[] = {
      {"\"\xC3", "UTF8: A start byte not followed by enough continuation bytes in position 1"},
      {"[\"ab\xE2\x82", "UTF8: A start byte not followed by enough continuation bytes in position 4"},
      {"\"\xF0\x9F\x98", "UTF8: A start byte not followed by enough continuation bytes in position 1"},
      {"\"\xC3\x41\"", "UTF8: An unexpected continuation byte in 2-byte UTF8 in position 2"},
      {"\"\xE2\x82\x41\"", "UTF8: An unexpected continuation byte in 3-byte UTF8 in position 3"},
      {"\"x\xF0\x9F\x98\xC0\"", "UTF8: An unexpected continuation byte in 4-byte UTF8 in position 5"},
      {"\"\x80\"", "UTF8: Type cannot be determined out of header byte at position 1"},
      {"\"\xF8\x80\x80\x80\x80\"", "UTF8: Type cannot be determined out of header byte at position 1"},
      {"\xFF", "UTF8: Type cannot be determined out of header byte at position 0"},
      {"[1,\xFF]", "UTF8: Type cannot be determined out of header byte at position 3"},
      {"[1 \x80", "UTF8: Type cannot be determined out of header byte at position 3"},
      {"{}\xFF", "UTF8: Type cannot be determined out of header byte at position 2"},
      {"1\xFF", "UTF8: Type cannot be determined out of header byte at position 1"},
      {"tru\xFF", "UTF8: Type cannot be determined out of header byte at position 3"},
      {"\"\\u12\xFF\"", "UTF8: Type cannot be determined out of header byte at position 5"},
      {"\xEF\xBB\xBF\"\xC3\"", "UTF8: An unexpected continuation byte in 2-byte UTF8 in position 5"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8Error(c.input), c.message) << c.input;
  // Bytes after a complete scalar are not read: absent, no exception.
  EXPECT_EQ(Parsed("true\xFF"), "absent");
  EXPECT_EQ(Parsed("\"a\"\xFF"), "absent");
}

TEST(JSONParser, SkipsAByteOrderMarkFollowedByMore) {
  EXPECT_EQ(Parsed("\xEF\xBB\xBF{\"a\":\"\xC3\xA9\"}"), "{\"a\":\"\\u00E9\"}");
  EXPECT_EQ(Parsed("\xEF\xBB\xBF 5"), "5");
  EXPECT_EQ(Parsed("\xEF\xBB\xBF"), "absent");  // alone it is a character outside a string
}

TEST(JSONParser, ParsesARangeOfTheBytes) {
  const std::string data = "xx[1,2]yy";
  const auto value = TJSONObject::ParseJSONValue(data, 2, 7, true);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->ToBytes(), "[1,2]");
  EXPECT_EQ(TJSONObject::ParseJSONValueUTF8(data, 2, 7)->ToBytes(), "[1,2]");
  EXPECT_EQ(TJSONObject::ParseJSONValue(data, 2, 8, true), nullptr);    // "y" follows
  EXPECT_EQ(TJSONObject::ParseJSONValue(data, 2, 6, true), nullptr);    // cut short
  EXPECT_EQ(TJSONObject::ParseJSONValue(data, 2, 100, true), nullptr);  // past the end
  EXPECT_EQ(TJSONObject::ParseJSONValue(data, 10, 9, true), nullptr);
  EXPECT_EQ(TJSONObject::ParseJSONValueUTF8("  [3]", 2)->ToBytes(), "[3]");
  // Positions in messages count from the start of the bytes.
  ExpectThrowWithText<TJSONException>([&] { TJSONObject::ParseJSONValue("abc\"\xC3", 3, 5, true); },
                                      "UTF8: A start byte not followed by enough continuation bytes in position 4");
}

TEST(JSONParser, ParsesUtf16TextThroughUtf8) {
  const auto value = TJSONObject::ParseJSONValue(u"{\"k\u00E9\":[\"\U0001F600\"]}");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->ToBytes(), "{\"k\\u00E9\":[\"\\uD83D\\uDE00\"]}");
  EXPECT_EQ(TJSONObject::ParseJSONValue(u"[1,]"), nullptr);
}

TEST(JSONParser, ByteFormParsesBackToTheSameBytes) {
  TJSONObject object;
  object.AddPair(u"k\u00E9/\"", u"\x01\U0001F600\x7F\\")
      .AddPair(u"n", std::make_unique<TJSONNumber>(-1.5e-7))
      .AddPair(u"a", std::make_unique<TJSONArray>(std::make_unique<TJSONNull>(), std::make_unique<TJSONTrue>()));
  const std::string bytes = object.ToBytes();
  const auto back = TJSONObject::ParseJSONValue(bytes, 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->ToBytes(), bytes);
  EXPECT_EQ(back->ToString(), object.ToString());
}

TEST(JSONParser, ParseFillsAnObjectAndReturnsOffsets) {
  struct Case {
    std::string input;
    int64_t position;
    int64_t result;
    std::string bytes;  // the object afterwards
  } cases[] = {
      {"{\"a\":1}", 0, 7, "{\"a\":1}"},
      {"{\"a\":1}  ", 0, 9, "{\"a\":1}"},
      {"{\"a\":1} x", 0, -8, "{\"a\":1}"},
      {"{}{}", 0, -2, "{}"},
      {"xx{\"b\":[]}", 2, 10, "{\"b\":[]}"},
      {"\xEF\xBB\xBF{\"c\":\"\xC3\xA9\"}", 0, 13, "{\"c\":\"\\u00E9\"}"},
      {"{\"c\":\"\xC3\xA9\"}", 0, 10, "{\"c\":\"\\u00C3\\u00A9\"}"},  // no mark: one byte per character
      {"[1]", 0, -1, "{}"},
      {" {}", 0, -1, "{}"},
      {"{\"a\":1,}", 0, -1, "{}"},
      {"{\"a\":", 0, -1, "{}"},
      {"{}", 2, -1, "{}"},
      {"{}", -1, -1, "{}"},
      {"", 0, -1, "{}"},
  };
  for (const auto& c : cases) {
    TJSONObject object;
    EXPECT_EQ(object.Parse(c.input, c.position), c.result) << c.input;
    EXPECT_EQ(object.ToBytes(), c.bytes) << c.input;
  }
  TJSONObject existing;
  existing.AddPair(u"old", u"1");
  EXPECT_EQ(existing.Parse("{\"new\":2}", 0), 9);
  EXPECT_EQ(existing.ToBytes(), "{\"old\":\"1\",\"new\":2}");
}

TEST(JSONParser, RejectsDeepNestingWithoutExhaustingTheStack) {
  EXPECT_EQ(Parsed(std::string(1000000, '[')), "absent");
  EXPECT_EQ(Parsed(std::string(1000000, '[') + std::string(1000000, ']')), "absent");
  std::string objects;
  for (int i = 0; i < 200000; ++i) objects += "{\"a\":";
  EXPECT_EQ(Parsed(objects), "absent");

  const std::string deepest = std::string(JSONMaxParseDepth, '[') + std::string(JSONMaxParseDepth, ']');
  EXPECT_EQ(Parsed(deepest), deepest);
  const std::string tooDeep = "[" + deepest + "]";
  EXPECT_EQ(Parsed(tooDeep), "absent");
}
