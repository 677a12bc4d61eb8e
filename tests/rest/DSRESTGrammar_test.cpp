#include "rest/internal/DSRESTGrammar.h"

#include <gtest/gtest.h>

#include "core/Error.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::ExpectThrowWithText;

TEST(DSRESTGrammar, ConsumeMatchesTheFirstSegmentInAnyCase) {
  struct Case {
    const char* prefix;
    const char* path;
    std::optional<std::string> remainder;
  } cases[] = {
      {"datasnap", "/datasnap/rest/TServerMethods1/EchoString/abc", "/rest/TServerMethods1/EchoString/abc"},
      {"datasnap", "/DATASNAP/REST/x", "/REST/x"},
      {"datasnap", "/datasnapx/rest", std::nullopt},
      {"datasnap", "/data", std::nullopt},
      {"datasnap", "/datasnap", ""},
      {"rest", "/rest", ""},
      {"rest", "/rest?x=1", "?x=1"},
      {"rest", "rest/a", "/a"},
      {"json", "/rest/a", std::nullopt},
      {"", "/anything", "/anything"},
      {"rest", "/", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(Consume(c.prefix, c.path), c.remainder) << c.prefix << " " << c.path;
}

TEST(DSRESTGrammar, ParsesClassMethodAndArguments) {
  struct Case {
    const char* remainder;
    std::u16string className, methodName;
    std::vector<std::u16string> arguments;
  } cases[] = {
      {"/TServerMethods1/EchoString/abc", u"TServerMethods1", u"EchoString", {u"abc"}},
      {"/TServerMethods1/EchoString/abc/", u"TServerMethods1", u"EchoString", {u"abc"}},
      {"/TServerMethods1/GetAtividade", u"TServerMethods1", u"GetAtividade", {}},
      {"/TServerMethods1/GetAtividade/", u"TServerMethods1", u"GetAtividade", {}},
      {"/TServerMethods1/SetSenhaPalm/5//", u"TServerMethods1", u"SetSenhaPalm", {u"5", u""}},
      {"/TServerMethods1/EchoString/a%20b", u"TServerMethods1", u"EchoString", {u"a b"}},
      {"/TServerMethods1/X/a//b", u"TServerMethods1", u"X", {u"a", u"", u"b"}},
      {"/TServerMethods1/", u"TServerMethods1", u"", {}},
      {"/T%53erverMethods1/%22EchoString%22/x", u"TServerMethods1", u"\"EchoString\"", {u"x"}},
  };
  for (const auto& c : cases) {
    const auto parts = ParseRequest(c.remainder);
    EXPECT_EQ(parts.ClassName, c.className) << c.remainder;
    EXPECT_EQ(parts.MethodName, c.methodName) << c.remainder;
    EXPECT_EQ(parts.Arguments, c.arguments) << c.remainder;
  }
  for (const char* bad : {"", "/TServerMethods1", "//EchoString/x", "TServerMethods1"}) {
    SCOPED_TRACE(bad);
    ExpectThrowWithText<Exception>([&] { ParseRequest(bad); },
                                   "Invalid request format. /className/methodName and eventual parameters expected.");
  }
}

TEST(DSRESTGrammar, DecodesEscapesBytesAndUnits) {
  struct Case {
    const char* piece;
    std::u16string text;
  } cases[] = {
      {"a+b", u"a+b"},
      {"%2B5", u"+5"},
      {"Jo%C3%A3o", u"Jo\u00E3o"},
      {"%u00e9t%U00C9", u"\u00E9t\u00C9"},
      {"%uD83D%uDE00", u"\xD83D\xDE00"},
      {"a%zzb", u"ab"},       // a bad escape drops the three characters it covers
      {"a%zzbc", u"abc"},
      {"x%u12G4yz", u"xyz"},  // a bad unit escape drops six
      {"end%4", u"end"},
      {"caf\xC3\xA9", u"caf\u00E9"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeURLPiece(c.piece), c.text) << c.piece;
}

TEST(DSRESTGrammar, VerbPrefixesAndQualifiedNames) {
  EXPECT_EQ(SetMethodNameWithPrefix("GET", u"TServerMethods1", u"EchoString"), u"TServerMethods1.EchoString");
  EXPECT_EQ(SetMethodNameWithPrefix("POST", u"TServerMethods1", u"EchoString"), u"TServerMethods1.updateEchoString");
  EXPECT_EQ(SetMethodNameWithPrefix("PUT", u"TServerMethods1", u"x"), u"TServerMethods1.acceptx");
  EXPECT_EQ(SetMethodNameWithPrefix("DELETE", u"TServerMethods1", u"x"), u"TServerMethods1.cancelx");
  EXPECT_EQ(SetMethodNameWithPrefix("PUT", u"TServerMethods1", u"\"EchoString\""), u"TServerMethods1.\"EchoString\"");
  EXPECT_EQ(SetMethodNameWithPrefix("POST", u"DSAdmin", u"x"), u"DSAdmin.x");
  EXPECT_EQ(SetMethodNameWithPrefix("POST", u"dsadmin", u"x"), u"dsadmin.updatex");

  EXPECT_EQ(ScanQualifiedName(u"TServerMethods1.\"EchoString\""), u"TServerMethods1.EchoString");
  EXPECT_EQ(ScanQualifiedName(u"TServerMethods1.'EchoString'"), u"TServerMethods1.");
  EXPECT_EQ(ScanQualifiedName(u" TServerMethods1 . NoSuch "), u"TServerMethods1.NoSuch");
}

TEST(DSRESTGrammar, FindsTheSessionInThePragmaHeader) {
  EXPECT_EQ(SessionIdFromPragma("dssession=1.2.3"), "1.2.3");
  EXPECT_EQ(SessionIdFromPragma("no-cache, DSSession=4.5.6,dssessionexpires=100"), "4.5.6");
  EXPECT_EQ(SessionIdFromPragma("\"a b\" dssession=7.8.9"), "7.8.9");
  EXPECT_EQ(SessionIdFromPragma("no-cache"), "");
  EXPECT_EQ(SessionIdFromPragma(""), "");
}
