// Result filters: the filter-name grammar, how query parameters create and
// set filters, and which combinations conflict.
#include "rest/DSRequestFilter.h"

#include <gtest/gtest.h>

#include "core/Error.h"
#include "rest/DSRESTService.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using fieldsync::test::ThrownText;

namespace {

TDBXRequestFilter::TRange Positions(std::initializer_list<int> positions) {
  TDBXRequestFilter::TRange range;
  for (int p : positions) range.set(static_cast<size_t>(p));
  return range;
}

constexpr const char* NamingError = "Invalid parameter naming. Expected [dcname.]field[numeric range] instead of ";

}  // namespace

TEST(FilterNameTest, SplitsKindAndRange) {
  struct Case {
    const char* name;
    const char* kind;
    bool onResult;
    TDBXRequestFilter::TRange range;
  } cases[] = {
      {"t", "t", true, {}},
      {"ss", "ss", true, {}},
      {"T", "t", true, {}},
      {"", "", true, {}},
      {"t1", "t", false, Positions({1})},
      {"ss0,2-3", "ss", false, Positions({0, 2, 3})},
      {"t3-3", "t", false, Positions({3})},
      {"t71", "t", false, Positions({71})},
      {"t007", "t", false, Positions({7})},
      {"t0-71", "t", false, TDBXRequestFilter::TRange().set()},
      {"t5,1,5", "t", false, Positions({1, 5})},
      {"x9", "x", false, Positions({9})},
      {"t-1", "t-", false, Positions({1})},  // the kind is everything before the first digit
  };
  for (const auto& c : cases) {
    const TFilterName parsed = ParseFilterName(c.name, c.name);
    EXPECT_EQ(parsed.Kind, c.kind) << c.name;
    EXPECT_EQ(parsed.OnResult, c.onResult) << c.name;
    EXPECT_EQ(parsed.Range, c.range) << c.name;
  }
}

TEST(FilterNameTest, RefusesMalformedRanges) {
  for (const char* name : {"t72", "t0-72", "t99999999999", "t1-", "t1,", "t1,,2", "t1x", "t3-1", "t1-2-3", "ss0,a",
                           "t1.5", "t1 "}) {
    EXPECT_EQ(ThrownText([&] { ParseFilterName(name, std::string(name) + ".c"); }),
              std::string(NamingError) + name + ".c")
        << name;
  }
}

class QueryParameterTest : public ::testing::Test {
 protected:
  // Offers each parameter in turn; the answer of the last one.
  bool Offer(std::initializer_list<std::pair<const char*, const char*>> parameters) {
    bool accepted = true;
    for (const auto& [name, value] : parameters) accepted = Service.ProcessQueryParameter(name, value);
    return accepted;
  }
  const TDBXRequestFilter* Result() const { return Service.FilterFor(0, true); }

  TDSServer Server;
  TDSRESTService Service{Server, "", ""};
};

TEST_F(QueryParameterTest, CreatesAndSetsFilters) {
  struct Case {
    std::initializer_list<std::pair<const char*, const char*>> parameters;
    bool accepted;
    bool hasResultFilter;
    int32_t off, count;
  } cases[] = {
      {{{"", "x"}}, true, false, 0, 0},
      {{{"_", "1"}}, true, false, 0, 0},
      {{{"t.r", "0,50"}}, true, true, 0, 50},
      {{{"t.o", "50"}, {"t.c", "50"}}, true, true, 50, 50},
      {{{"T.R", "-1,2"}}, true, true, -1, 2},
      {{{"t.c", "5"}, {"o", "2"}}, true, true, 2, 5},
      {{{"o", "2"}, {"t.c", "5"}}, true, true, 0, 5},  // a bare field reaches only filters named before it
      {{{"t.x", "1"}}, true, false, 0, 0},              // an unknown field creates no filter
      {{{"q.o", "1"}}, true, false, 0, 0},              // an unknown kind is ignored
      {{{"t.c", "5"}, {"t.x", "1"}}, true, true, 0, 5},
      {{{"t.r", "5"}}, false, false, 0, 0},
      {{{"t.r", ",5"}}, false, false, 0, 0},
      {{{"t.r", "5,"}}, false, false, 0, 0},
      {{{"t.c", "5"}, {"r", "7"}}, false, true, 0, 5},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    TDSRESTService service(Server, "", "");
    bool accepted = true;
    for (const auto& [name, value] : c.parameters) accepted = service.ProcessQueryParameter(name, value);
    EXPECT_EQ(accepted, c.accepted) << i;
    const TDBXRequestFilter* filter = service.FilterFor(0, true);
    ASSERT_EQ(filter != nullptr, c.hasResultFilter) << i;
    if (!filter) continue;
    EXPECT_EQ(filter->Off, c.off) << i;
    EXPECT_EQ(filter->Count, c.count) << i;
  }
  // "r" splits at the first comma; the rest must be one integer.
  EXPECT_EQ(ThrownText([&] { Offer({{"t.r", "1,2,3"}}); }), "''2,3'' is not a valid integer value");
}

TEST_F(QueryParameterTest, RaisesForValuesThatAreNotNumbers) {
  EXPECT_EQ(ThrownText([&] { Offer({{"t.o", "abc"}}); }), "''abc'' is not a valid integer value");
  EXPECT_EQ(ThrownText([&] { Offer({{"ss.c", "1.5"}}); }), "''1.5'' is not a valid integer value");
  EXPECT_EQ(ThrownText([&] { Offer({{"t.r", "a,1"}}); }), "''a'' is not a valid integer value");
  EXPECT_EQ(ThrownText([&] { Offer({{"json", "yes"}}); }), "'yes' is not a valid boolean value");
  EXPECT_EQ(ThrownText([&] { Offer({{"t72.o", "1"}}); }), std::string(NamingError) + "t72.o");
}

TEST_F(QueryParameterTest, BareFieldsReachEveryNamedFilterThatHasThem) {
  EXPECT_TRUE(Offer({{"t1.c", "5"}, {"ss2.c", "9"}, {"o", "3"}}));
  const TDBXRequestFilter* table = Service.FilterFor(1, false);
  const TDBXRequestFilter* text = Service.FilterFor(2, false);
  ASSERT_TRUE(table && text);
  EXPECT_EQ(table->TypeName(), "t");
  EXPECT_EQ(text->TypeName(), "ss");
  EXPECT_EQ(table->Off, 3);
  EXPECT_EQ(text->Off, 3);
  EXPECT_EQ(table->Count, 5);
  EXPECT_EQ(text->Count, 9);
  EXPECT_EQ(Result(), nullptr);
  EXPECT_EQ(Service.FilterFor(0, false), nullptr);
}

TEST_F(QueryParameterTest, JsonSetsStreamAsJSON) {
  for (auto [value, expected] : {std::pair{"true", true}, {"FALSE", false}, {"1", true}, {"0", false}, {"2.5", true}}) {
    TDSRESTService service(Server, "", "");
    EXPECT_TRUE(service.ProcessQueryParameter("JSON", value));
    EXPECT_EQ(service.StreamAsJSON(), expected) << value;
  }
}

TEST(ConsistencyTest, FiltersConflictWhenTheyShareAnOutput) {
  struct Case {
    std::vector<const char*> names;
    bool consistent;
  } cases[] = {
      {{"t"}, true},
      {{"t", "ss"}, false},        // both on the result
      {{"t1", "ss2"}, true},
      {{"t1-3", "ss3"}, false},
      {{"ss0,2-3", "t1"}, true},
      {{"ss0,2-3", "t4", "t2"}, false},
      {{"t", "t0"}, true},         // the result and a range are not compared
      {{"t", "T"}, true},          // one filter: names ignore letter case
  };
  TDSServer server;
  for (const auto& c : cases) {
    TDSRESTService service(server, "", "");
    for (const char* name : c.names) ASSERT_TRUE(service.ProcessQueryParameter(std::string(name) + ".c", "1"));
    EXPECT_EQ(service.CheckConvertersForConsistency(), c.consistent) << c.names.size() << c.names.back();
  }
}

TEST(ConsistencyTest, AnOutputTwoFiltersTargetGetsNeither) {
  TDSServer server;
  TDSRESTService service(server, "", "");
  ASSERT_TRUE(service.ProcessQueryParameter("t.c", "1"));
  ASSERT_TRUE(service.ProcessQueryParameter("t0.c", "2"));
  EXPECT_EQ(service.FilterFor(0, true), nullptr);
  ASSERT_NE(service.FilterFor(0, false), nullptr);
  EXPECT_EQ(service.FilterFor(0, false)->Count, 2);
}
