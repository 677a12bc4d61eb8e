#include "json/JSONValue.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace fieldsync;

namespace {

std::unique_ptr<TJSONString> Str(std::u16string text) { return std::make_unique<TJSONString>(std::move(text)); }
std::unique_ptr<TJSONNumber> Num(std::u16string text) { return std::make_unique<TJSONNumber>(std::move(text)); }

// The byte form as the response writer makes it: an array of the estimate,
// ToBytes at offset 0, cut. Checks that the estimate bounds what is written.
std::string WrittenBytes(const TJSONAncestor& value) {
  std::string data(value.EstimatedByteSize(), '\xFF');
  const size_t end = value.ToBytes(data, 0);
  EXPECT_LE(end, data.size());
  data.resize(end);
  EXPECT_EQ(data, value.ToBytes());
  return data;
}

}  // namespace

TEST(JSONValue, WritesEveryCodeUnitOfAStringByTheEscapeTable) {
  struct Case {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"", "\"\""},
      {u"abc", "\"abc\""},
      {u"\u00E9", "\"\\u00E9\""},
      {u"a/b", "\"a\\/b\""},
      {u"\"\\", "\"\\\"\\\\\""},
      {u"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {std::u16string(1, u'\0'), "\"\\u0000\""},
      {u"\x01\x0B\x1F", "\"\\u0001\\u000B\\u001F\""},
      {u" ~\x7F", "\" ~\x7F\""},
      {u"\x80\u00FF\u0100", "\"\\u0080\\u00FF\\u0100\""},
      {u"\uFFFF\uabcd", "\"\\uFFFF\\uABCD\""},
      {u"\U0001F600", "\"\\uD83D\\uDE00\""},
      {u"S\u00E3o Jos\u00E9", "\"S\\u00E3o Jos\\u00E9\""},
  };
  for (const auto& c : cases) EXPECT_EQ(WrittenBytes(TJSONString(c.text)), c.bytes) << c.bytes;
}

TEST(JSONValue, WritesEachKindWithoutWhitespace) {
  TJSONObject object;
  object.AddPair(u"a", Num(u"1"))
      .AddPair(u"s", u"x y")
      .AddPair(u"t", std::make_unique<TJSONTrue>())
      .AddPair(u"f", std::make_unique<TJSONFalse>())
      .AddPair(u"n", std::make_unique<TJSONNull>())
      .AddPair(u"absent", std::make_unique<TJSONString>())
      .AddPair(u"empty", std::make_unique<TJSONArray>())
      .AddPair(u"o", std::make_unique<TJSONObject>());
  auto inner = std::make_unique<TJSONArray>();
  inner->Add(u"q").Add(-7).Add(10.5).Add(false);
  object.AddPair(u"arr", std::move(inner));
  EXPECT_EQ(WrittenBytes(object),
            "{\"a\":1,\"s\":\"x y\",\"t\":true,\"f\":false,\"n\":null,\"absent\":null,"
            "\"empty\":[],\"o\":{},\"arr\":[\"q\",-7,10.5,false]}");
}

TEST(JSONValue, EstimatesBySixBytesPerCodeUnit) {
  struct Case {
    std::function<std::unique_ptr<TJSONAncestor>()> make;
    size_t estimate;
  } cases[] = {
      {[] { return std::make_unique<TJSONString>(); }, 4},
      {[] { return Str(u""); }, 2},
      {[] { return Str(u"abc"); }, 20},
      {[] { return Num(u"-12.5"); }, 5},
      {[] { return std::make_unique<TJSONTrue>(); }, 4},
      {[] { return std::make_unique<TJSONFalse>(); }, 5},
      {[] { return std::make_unique<TJSONNull>(); }, 4},
      {[] { return std::make_unique<TJSONPair>(u"k", Num(u"1")); }, 8 + 1 + 1},
      {[] { return std::make_unique<TJSONPair>(); }, 9},
      {[] { return std::make_unique<TJSONObject>(); }, 2},
      {[] { return std::make_unique<TJSONArray>(); }, 2},
      {[] { return std::make_unique<TJSONArray>(Num(u"1"), Num(u"22")); }, 1 + 2 + 3},
      {[] { return std::make_unique<TJSONObject>(std::make_unique<TJSONPair>(u"k", Num(u"1"))); }, 1 + 11},
  };
  for (const auto& c : cases) {
    const auto value = c.make();
    EXPECT_EQ(value->EstimatedByteSize(), c.estimate) << value->ToBytes();
    EXPECT_LE(value->ToBytes().size(), c.estimate);
  }
}

TEST(JSONValue, ToBytesWritesAtTheOffsetAndRefusesATooSmallArray) {
  TJSONArray array(u"a", u"b");
  std::string data = "xy" + std::string(array.EstimatedByteSize(), ' ');
  EXPECT_EQ(array.ToBytes(data, 2), 2 + 9u);
  EXPECT_EQ(data.substr(0, 11), "xy[\"a\",\"b\"]");
  std::string small(array.EstimatedByteSize() - 1, ' ');
  EXPECT_THROW(array.ToBytes(small, 0), std::out_of_range);
  EXPECT_THROW(array.ToBytes(data, data.size() + 1), std::out_of_range);
}

TEST(JSONValue, KeepsDuplicateKeysInOrderAndFindsTheFirst) {
  TJSONObject object;
  object.AddPair(u"k", u"first").AddPair(u"K", u"upper").AddPair(u"k", u"second");
  EXPECT_EQ(object.ToBytes(), "{\"k\":\"first\",\"K\":\"upper\",\"k\":\"second\"}");
  ASSERT_NE(object.Get(u"k"), nullptr);
  EXPECT_EQ(object.Get(u"k")->GetJsonValue()->Value(), u"first");
  EXPECT_EQ(object.Get(u"K")->GetJsonValue()->Value(), u"upper");
  EXPECT_EQ(object.Get(u"missing"), nullptr);
  EXPECT_EQ(object.Get(2)->GetJsonValue()->Value(), u"second");
  EXPECT_EQ(object.Get(3), nullptr);
  EXPECT_EQ(object.Get(-1), nullptr);
}

TEST(JSONValue, AddsNothingForAnAbsentPairKeyOrValue) {
  TJSONObject object(nullptr);
  object.AddPair(std::unique_ptr<TJSONPair>())
      .AddPair(std::unique_ptr<TJSONString>(), Num(u"1"))
      .AddPair(Str(u"k"), std::unique_ptr<TJSONValue>())
      .AddPair(u"k", std::unique_ptr<TJSONValue>());
  EXPECT_EQ(object.Size(), 0);

  TJSONArray array(nullptr, Num(u"2"));
  array.AddElement(nullptr).Add(std::unique_ptr<TJSONArray>()).Add(std::unique_ptr<TJSONObject>());
  EXPECT_EQ(array.ToBytes(), "[2,null]");  // an absent object becomes null
}

TEST(JSONValue, ArrayAddsEachKindOfElement) {
  TJSONArray array;
  array.Add(u"t").Add(std::u16string(u"\u00E9")).Add(int32_t{-2147483647 - 1}).Add(0.1 + 0.2).Add(true).Add(false);
  array.Add(std::make_unique<TJSONObject>(std::make_unique<TJSONPair>(u"a", u"b")));
  array.Add(std::make_unique<TJSONArray>(u"x", u"y"));
  EXPECT_EQ(array.ToBytes(), "[\"t\",\"\\u00E9\",-2147483648,0.3,true,false,{\"a\":\"b\"},[\"x\",\"y\"]]");
  EXPECT_EQ(array.Size(), 8);
}

TEST(JSONValue, DetachingOperationsHandTheChildToTheCaller) {
  TJSONObject object;
  object.AddPair(u"a", u"1").AddPair(u"b", u"2").AddPair(u"a", u"3");
  std::unique_ptr<TJSONPair> pair = object.RemovePair(u"a");
  ASSERT_NE(pair, nullptr);
  EXPECT_EQ(pair->GetJsonValue()->Value(), u"1");
  EXPECT_EQ(object.ToBytes(), "{\"b\":\"2\",\"a\":\"3\"}");
  EXPECT_EQ(object.RemovePair(u"zz"), nullptr);
  std::unique_ptr<TJSONValue> value = pair->ReleaseJsonValue();
  EXPECT_EQ(value->Value(), u"1");
  EXPECT_EQ(pair->GetJsonValue(), nullptr);

  TJSONArray array;
  array.Add(1).Add(2).Add(3).Add(4);
  std::unique_ptr<TJSONValue> removed = array.Remove(2);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->ToBytes(), "3");
  EXPECT_EQ(array.Remove(3), nullptr);
  EXPECT_EQ(array.Remove(-1), nullptr);
  std::unique_ptr<TJSONValue> first = array.Pop();
  EXPECT_EQ(first->ToBytes(), "1");
  EXPECT_EQ(array.ToBytes(), "[2,4]");
  array.Pop();
  array.Pop();
  EXPECT_EQ(array.Pop(), nullptr);
  // The detached values outlive their containers.
  EXPECT_EQ(removed->ToBytes() + first->ToBytes() + value->ToBytes(), "31\"1\"");
}

TEST(JSONValue, OwnedFlagIsRecordedButOwnershipIsStructural) {
  TJSONString value(u"x");
  EXPECT_TRUE(value.GetOwned());
  value.SetOwned(false);
  EXPECT_FALSE(value.GetOwned());
  EXPECT_TRUE(value.Clone()->GetOwned());
}

TEST(JSONValue, CloneIsDeepAndTyped) {
  TJSONObject object;
  object.AddPair(u"a", std::make_unique<TJSONArray>(u"x", u"y")).AddPair(u"n", std::make_unique<TJSONString>());
  std::unique_ptr<TJSONObject> copy = object.Clone();
  static_cast<TJSONArray*>(object.Get(u"a")->GetJsonValue())->Add(1);
  EXPECT_EQ(copy->ToBytes(), "{\"a\":[\"x\",\"y\"],\"n\":null}");
  EXPECT_TRUE(copy->Get(u"n")->GetJsonValue()->IsNull());
  std::unique_ptr<TJSONNumber> number = TJSONNumber(u"1.50").Clone();
  EXPECT_EQ(number->ToBytes(), "1.50");
  std::unique_ptr<TJSONValue> generic = static_cast<const TJSONValue&>(object).Clone();
  EXPECT_NE(dynamic_cast<TJSONObject*>(generic.get()), nullptr);
}

TEST(JSONValue, EnumeratesAndReplacesChildrenInOrder) {
  TJSONObject object;
  object.AddPair(u"a", u"1").AddPair(u"b", u"2");
  std::u16string keys;
  for (TJSONPair& pair : object) keys += pair.GetJsonString()->Value();
  EXPECT_EQ(keys, u"ab");
  std::vector<std::unique_ptr<TJSONPair>> members;
  members.push_back(std::make_unique<TJSONPair>(u"c", u"3"));
  members.push_back(nullptr);
  object.SetMemberList(std::move(members));
  EXPECT_EQ(object.ToBytes(), "{\"c\":\"3\"}");

  TJSONArray array(u"x", u"y");
  std::u16string texts;
  for (const TJSONValue& element : array) texts += element.Value();
  EXPECT_EQ(texts, u"xy");
  std::vector<std::unique_ptr<TJSONValue>> elements;
  elements.push_back(std::make_unique<TJSONNull>());
  array.SetElements(std::move(elements));
  EXPECT_EQ(array.ToBytes(), "[null]");
}

TEST(JSONValue, AddDescendantAttachesWhatFits) {
  TJSONPair pair;
  pair.AddDescendant(std::make_unique<TJSONTrue>());  // not a string: no key
  pair.AddDescendant(Str(u"k"));
  pair.AddDescendant(Num(u"2"));
  pair.AddDescendant(Num(u"3"));  // a third child is dropped
  EXPECT_EQ(pair.ToBytes(), "\"k\":2");

  TJSONObject object;
  object.AddDescendant(pair.Clone());
  object.AddDescendant(Num(u"4"));
  EXPECT_EQ(object.ToBytes(), "{\"k\":2}");

  TJSONArray array;
  array.AddDescendant(Num(u"5"));
  array.AddDescendant(pair.Clone());
  EXPECT_EQ(array.ToBytes(), "[5]");

  TJSONString text(u"s");
  text.AddDescendant(Num(u"6"));
  EXPECT_EQ(text.ToBytes(), "\"s\"");
}

TEST(JSONValue, TextFormEscapesOnlyQuotationMarks) {
  TJSONObject object;
  object.AddPair(u"k\"\u00E9", u"a/b\\\n\"")
      .AddPair(u"n", std::make_unique<TJSONNumber>(-0.5))
      .AddPair(u"absent", std::make_unique<TJSONString>())
      .AddPair(u"arr", std::make_unique<TJSONArray>(std::make_unique<TJSONTrue>(), std::make_unique<TJSONNull>()));
  EXPECT_EQ(object.ToString(), u"{\"k\\\"\u00E9\":\"a/b\\\n\\\"\",\"n\":-0.5,\"absent\":,\"arr\":[true,null]}");
  EXPECT_EQ(TJSONString().ToString(), u"");
  EXPECT_EQ(TJSONPair(std::unique_ptr<TJSONString>(), Num(u"1")).ToString(), u"");
  EXPECT_EQ(TJSONPair(Str(u"k"), nullptr).ToString(), u"");
  EXPECT_EQ(TJSONFalse().ToString(), u"false");
}

TEST(JSONValue, ValueIsTheTextOfStringsAndNumbersOnly) {
  EXPECT_EQ(TJSONString(u"a\"b").Value(), u"a\"b");
  EXPECT_EQ(TJSONString().Value(), u"");
  EXPECT_EQ(TJSONTrue().Value(), u"");
  EXPECT_EQ(TJSONNull().Value(), u"");
  EXPECT_EQ(TJSONArray(u"a", u"b").Value(), u"");
  EXPECT_EQ(TJSONObject().Value(), u"");
  EXPECT_EQ(TJSONPair(u"k", u"v").Value(), u"");
}

TEST(JSONValue, IsNullForNullAndBufferlessStrings) {
  EXPECT_TRUE(TJSONNull().IsNull());
  EXPECT_TRUE(TJSONString().IsNull());
  EXPECT_FALSE(TJSONString(u"").IsNull());
  EXPECT_FALSE(TJSONNumber(0).IsNull());
  EXPECT_FALSE(TJSONFalse().IsNull());
  EXPECT_FALSE(TJSONObject().IsNull());
}

TEST(JSONValue, AddCharAppendsCodeUnitsAndCreatesTheBuffer) {
  TJSONString text;
  text.AddChar(u'a');
  text.AddChar(0xD83D);
  text.AddChar(0xDE00);
  EXPECT_EQ(text.ToBytes(), "\"a\\uD83D\\uDE00\"");
  TJSONNumber number(u"1");
  number.AddChar(u'0');
  EXPECT_EQ(number.ToBytes(), "10");
}
