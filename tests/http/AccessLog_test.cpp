#include "http/AccessLog.h"
#include "core/Platform.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/Error.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using namespace std::chrono;
using fieldsync::test::ExpectThrowWithText;

TEST(AccessLog, LineHoldsSevenFieldsInOrder) {
  const auto at = system_clock::time_point(milliseconds(1796918399000 + 7));
  struct Case {
    TAccessLogEntry record;
    const char* line;
  };
  const Case cases[] = {
      {{at, "127.0.0.1", "GET", "/datasnap/rest/TServerMethods1/EchoString/abc", 200, 31, microseconds(412)},
       "2026-12-10T15:59:59.007Z 127.0.0.1 GET /datasnap/rest/TServerMethods1/EchoString/abc 200 31 0.412ms"},
      {{at, "0:0:0:0:0:0:0:1", "POST", "/?a=1&b=%20", 302, 0, milliseconds(1500)},
       "2026-12-10T15:59:59.007Z 0:0:0:0:0:0:0:1 POST /?a=1&b=%20 302 0 1500.000ms"},
      // unknown size, a path that tries to start a forged line, rounding
      {{at, "10.1.2.3", "GET", "/x\n2026 1.1.1.1 GET /", 500, -1, nanoseconds(1499)},
       "2026-12-10T15:59:59.007Z 10.1.2.3 GET /x%0A2026%201.1.1.1%20GET%20/ 500 - 0.001ms"},
      {{at, "", "", "", 404, 7, nanoseconds(0)}, "2026-12-10T15:59:59.007Z - - - 404 7 0.000ms"},
  };
  for (const Case& c : cases) EXPECT_EQ(AccessLogLine(c.record), c.line);
}

class AccessLogSwitch : public ::testing::Test {
 protected:
  void TearDown() override { UnsetEnvironment("FIELDSYNC_ACCESS_LOG"); }
};

TEST_F(AccessLogSwitch, VariableTurnsItOffOnlyWithZero) {
  struct Case {
    const char* value;  // nullptr: unset
    bool on;
  };
  const Case cases[] = {{nullptr, true}, {"", true}, {"1", true}, {"0", false}};
  for (const Case& c : cases) {
    if (c.value)
      SetEnvironment("FIELDSYNC_ACCESS_LOG", c.value);
    else
      UnsetEnvironment("FIELDSYNC_ACCESS_LOG");
    EXPECT_EQ(AccessLogFromEnvironment(), c.on) << (c.value ? c.value : "(unset)");
  }
}

TEST_F(AccessLogSwitch, OtherValuesAreRefusedByName) {
  for (const char* value : {"no", "off", "00", " 0", "2"}) {
    SetEnvironment("FIELDSYNC_ACCESS_LOG", value);
    ExpectThrowWithText<Exception>([&] { AccessLogFromEnvironment(); },
                                   "FIELDSYNC_ACCESS_LOG must be 0 or 1, not \"" + std::string(value) + "\"");
  }
}
