// Numbers read and written the same under a decimal-comma locale. The
// operator's window lets the GUI library set the C locale from the
// environment, and branches run pt_BR (decimal comma): a q-value, an
// argument, a JSON number or a logged duration must not change with it.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "db/DBXTypes.h"
#include "http/AccessLog.h"
#include "http/internal/GzipEncoding.h"
#include "json/JSONValue.h"
#include "rest/DSConvert.h"

namespace fieldsync::test {
namespace {

class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    FSaved = std::setlocale(LC_ALL, nullptr);
    // The C library's name for it, then Windows' two names.
    bool set = false;
    for (const char* name : {"pt_BR.UTF-8", "pt-BR", "Portuguese_Brazil.1252"}) {
      if (std::setlocale(LC_ALL, name)) {
        set = true;
        break;
      }
    }
    if (!set) {
      // The test set of packages generates it; elsewhere it may be missing.
      if (std::getenv("CI")) FAIL() << "the locale pt_BR.UTF-8 is not installed";
      GTEST_SKIP() << "the locale pt_BR.UTF-8 is not installed";
    }
    // The locale bites: the C library now writes a comma.
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
  }
  void TearDown() override { std::setlocale(LC_ALL, FSaved.c_str()); }

 private:
  std::string FSaved;
};

TEST_F(CommaLocale, ReadsAndWritesNumbersWithAPoint) {
  // The gzip choice: q-values are read with a point.
  EXPECT_TRUE(AcceptsGzip("gzip;q=0.5"));
  EXPECT_TRUE(AcceptsGzip("deflate, gzip;q=0.001"));
  EXPECT_FALSE(AcceptsGzip("gzip;q=0.0"));
  EXPECT_FALSE(AcceptsGzip("gzip;q=0,5"));  // a comma is no number

  // A REST argument: a currency amount and a floating-point text.
  EXPECT_EQ(ParseFloatText(u"2.5"), 2.5);
  const auto amount = ArgumentToJSON(u"1234.5678");
  EXPECT_EQ(JSONToValue(amount.get(), TDBXDataTypes::CurrencyType).AsCurrency(), TCurrency::FromScaled(12345678));

  // JSON numbers are written with a point.
  EXPECT_EQ(TJSONNumber(1.5).Value(), u"1.5");
  EXPECT_EQ(TJSONNumber(u"0.25").Value(), u"0.25");

  // The access log's duration.
  TAccessLogEntry entry;
  entry.Duration = std::chrono::microseconds(1500);
  const std::string line = AccessLogLine(entry);
  EXPECT_NE(line.find(" 1.500ms"), std::string::npos) << line;
}

}  // namespace
}  // namespace fieldsync::test
