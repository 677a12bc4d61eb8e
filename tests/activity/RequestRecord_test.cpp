#include "activity/RequestRecord.h"

#include <gtest/gtest.h>

namespace fieldsync {
namespace {

TEST(RecordText, KeepsWhatFitsAndNeverHalfACharacter) {
  struct TCase {
    std::string Text;
    std::string Kept;
  };
  // Room for 7 bytes.
  const TCase cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"abcdefg", "abcdefg"},
      {"abcdefgh", "abcdefg"},
      {"abcde\xC3\xA3", "abcde\xC3\xA3"},            // 7 bytes, ends with a whole "ã"
      {"abcdef\xC3\xA3", "abcdef"},                   // "ã" would be cut in half
      {"abcd\xE2\x82\xAC\xE2\x82\xAC", "abcd\xE2\x82\xAC"},  // the second euro sign does not fit
      {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    TRecordText<8> text;
    text.Assign(c.Text);
    EXPECT_EQ(text.View(), c.Kept) << c.Text;
  }
}

TEST(CurrentRequestRecord, IsSetForTheScopeAndRestoredAfter) {
  EXPECT_EQ(CurrentRequestRecord(), nullptr);
  TRequestRecord outer, inner;
  {
    TCurrentRequestRecord outerScope(outer);
    EXPECT_EQ(CurrentRequestRecord(), &outer);
    {
      TCurrentRequestRecord innerScope(inner);
      EXPECT_EQ(CurrentRequestRecord(), &inner);
    }
    EXPECT_EQ(CurrentRequestRecord(), &outer);
  }
  EXPECT_EQ(CurrentRequestRecord(), nullptr);
}

}  // namespace
}  // namespace fieldsync
