// Result filters applied to what calls answer: row windows of tables,
// substrings of texts, the refusals, and how far a windowed reader is read.
#include <gtest/gtest.h>

#include "json/DBXJSONTools.h"
#include "tests/rest/RESTFixture.h"

using namespace fieldsync;

namespace {

class OutputFilterTest : public RESTFixture {
 protected:
  TestResponse Call(const std::string& path, TDSHTTPParams parameters) {
    TestRequest request;
    request.Path = "/datasnap/rest/TServerMethods1/" + path;
    request.Parameters = std::move(parameters);
    return Run(request);
  }
  // The table the writer gives for rows offset+1 .. offset+count of `rows`.
  std::string Window(int rows, int32_t offset, int32_t count) {
    Probe scratch;
    return TDBXJSONTools::TableWindowToJSON(NumberedRows(rows, scratch), offset, count)->ToBytes();
  }
};

}  // namespace

TEST_F(OutputFilterTest, CropsTablesAndTexts) {
  struct Case {
    const char* path;
    TDSHTTPParams parameters;
    std::string body;
  } cases[] = {
      {"GetRows/5", {{"t.r", "1,2"}}, "{\"result\":[" + Window(5, 1, 2) + "]}"},
      {"GetRows/5", {{"t.o", "4"}}, "{\"result\":[" + Window(5, 4, 10) + "]}"},
      {"GetRows/5", {{"t.o", "9"}}, R"({"result":[{"table":[]}]})"},
      {"GetRows/5", {{"t.c", "0"}}, R"({"result":[{"table":[]}]})"},
      {"GetRows/5", {{"t.c", "-3"}}, R"({"result":[{"table":[]}]})"},
      {"GetRows/5", {{"t.o", "-2"}, {"t.c", "1"}}, "{\"result\":[" + Window(5, 0, 1) + "]}"},
      {"GetRows/5", {{"t.c", "1"}, {"T1.o", "2"}}, "{\"result\":[" + Window(5, 0, 5) + "]}"},  // two filters: neither
      {"GetRows/3", {{"_", "1"}}, "{\"result\":[" + Window(3, 0, 3) + "]}"},
      {"GetRows/2", {{"ss0.c", "1"}}, "{\"result\":[" + Window(2, 0, 2) + "]}"},  // position 0 is an input
      {"EchoString/abcdef", {{"ss.c", "3"}}, R"({"result":["abc"]})"},
      {"EchoString/abcdef", {{"ss.o", "2"}, {"ss.c", "2"}}, R"({"result":["cd"]})"},
      {"EchoString/abcdef", {{"ss.r", "4,10"}}, R"({"result":["ef"]})"},
      {"EchoString/abcdef", {{"ss.o", "10"}}, R"({"result":[""]})"},
      {"EchoString/S%C3%A3o", {{"ss.o", "1"}}, R"({"result":["\u00E3o"]})"},
      {"RecebendoPalmAfa/13", {{"ss1.c", "3"}}, R"({"result":["fal",false]})"},
      {"GetTwo/3", {{"t1.c", "1"}, {"t2.o", "2"}, {"ss3.c", "2"}},
       "{\"result\":[" + Window(3, 0, 1) + "," + Window(3, 2, 5) + ",\"do\"]}"},
      {"GetTwo/3", {{"t1-2.c", "1"}}, "{\"result\":[" + Window(3, 0, 1) + "," + Window(3, 0, 1) + ",\"done\"]}"},
  };
  for (const auto& c : cases) {
    const auto response = Call(c.path, c.parameters);
    EXPECT_EQ(response.Status, 200) << c.path << " " << c.parameters[0].first;
    EXPECT_EQ(response.Body, c.body) << c.path << " " << c.parameters[0].first;
  }
}

TEST_F(OutputFilterTest, AFilterOnAnOutputItCannotConvertFailsThatOutput) {
  struct Case {
    const char* path;
    TDSHTTPParams parameters;
    const char* body;
  } cases[] = {
      {"GetRows/2", {{"ss.c", "1"}}, R"x("The output parameter (1) cannot be converted by the selected converter (ss)")x"},
      {"EchoString/x", {{"t.r", "0,1"}}, R"x("The output parameter (1) cannot be converted by the selected converter (t)")x"},
      {"RecebendoPalmAfa/7", {{"T2.c", "1"}}, R"x("The output parameter (2) cannot be converted by the selected converter (t2)")x"},
  };
  for (const auto& c : cases) {
    const auto response = Call(c.path, c.parameters);
    EXPECT_EQ(response.Status, 500) << c.path;
    EXPECT_EQ(response.Body, c.body) << c.path;
  }
}

TEST_F(OutputFilterTest, RefusedAndConflictingFiltersAnswer409WithoutACall) {
  struct Case {
    TDSHTTPParams parameters;
    const char* reason;
  } cases[] = {
      {{{"t.r", "5"}},
       "Query parameter t.r (5) is not accepted as a valid converter. The converter type might not be registered yet "
       "hence the request is rejected"},
      {{{"t.c", "5"}, {"r", "x"}},
       "Query parameter r (x) is not accepted as a valid converter. The converter type might not be registered yet "
       "hence the request is rejected"},
      {{{"t.c", "1"}, {"ss.c", "1"}},
       "Query parameters are conflicting. This is usually due to references on the same output parameter"},
      {{{"t1-3.c", "1"}, {"ss3.o", "1"}},
       "Query parameters are conflicting. This is usually due to references on the same output parameter"},
  };
  for (const auto& c : cases) {
    const auto response = Call("GetRows/5", c.parameters);
    EXPECT_EQ(response.Status, 409);
    EXPECT_EQ(response.Reason, c.reason);
    EXPECT_EQ(response.Body, "");
    EXPECT_EQ(response.PragmaValue, "");
  }
  EXPECT_EQ(Calls.Created, 0);
}

TEST_F(OutputFilterTest, MalformedFilterNamesAndValuesEscapeTheDispatcher) {
  for (TDSHTTPParams parameters : {TDSHTTPParams{{"t72.c", "1"}}, TDSHTTPParams{{"t.c", "x"}}}) {
    TestRequest request;
    request.Path = "/datasnap/rest/TServerMethods1/GetRows/5";
    request.Parameters = parameters;
    TestResponse response;
    EXPECT_THROW(Http.DoCommand(request, response), Exception);
  }
  EXPECT_EQ(Sessions.SessionCount(), 0u);
  EXPECT_EQ(Calls.Created, 0);
}

TEST_F(OutputFilterTest, AWindowReadsOneRowPastItAndClosesTheReader) {
  struct Case {
    TDSHTTPParams parameters;
    int advanced;  // Next calls on a table of 100 rows
  } cases[] = {
      {{{"t.r", "0,50"}}, 51},
      {{{"t.o", "50"}, {"t.c", "50"}}, 101},  // the 101st call finds the end
      {{{"t.o", "10"}, {"t.c", "5"}}, 16},
      {{{"t.c", "0"}}, 1},
      {{{"t.o", "200"}}, 102},  // skipping stops at the end; the writer asks once more
      {{}, 101},
  };
  for (const auto& c : cases) {
    const auto response = Call("GetRows/100", c.parameters);
    EXPECT_EQ(response.Status, 200);
    EXPECT_EQ(Calls.RowsAdvanced, c.advanced) << (c.parameters.empty() ? "none" : c.parameters[0].second);
    EXPECT_TRUE(Calls.TableClosed);
  }
}
