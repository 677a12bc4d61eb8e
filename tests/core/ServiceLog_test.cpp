#include "core/ServiceLog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/Platform.h"

using namespace fieldsync;
namespace fs = std::filesystem;

TEST(ServiceLog, TimestampsAreUtcWithMilliseconds) {
  using namespace std::chrono;
  struct Case {
    int64_t millisSinceEpoch;
    const char* text;
  };
  const Case cases[] = {
      {0, "1970-01-01T00:00:00.000Z"},
      {951782400000 + 999, "2000-02-29T00:00:00.999Z"},       // leap day, last millisecond
      {1796918399000 + 7, "2026-12-10T15:59:59.007Z"},
      {-1, "1969-12-31T23:59:59.999Z"},                         // before the epoch
  };
  for (const Case& c : cases)
    EXPECT_EQ(LogTimestamp(system_clock::time_point(milliseconds(c.millisSinceEpoch))), c.text)
        << c.millisSinceEpoch;
}

TEST(ServiceLog, FieldsKeepPrintableAsciiAndEscapeTheRest) {
  struct Case {
    std::string in;
    const char* out;
  };
  const Case cases[] = {
      {"/datasnap/rest/TServerMethods1/EchoString/abc?x=1", "/datasnap/rest/TServerMethods1/EchoString/abc?x=1"},
      {"", "-"},
      {"a b", "a%20b"},
      {"line\r\n2026-01-01T00:00:00.000Z 10.0.0.1 GET / 200", "line%0D%0A2026-01-01T00:00:00.000Z%2010.0.0.1%20GET%20/%20200"},
      {"tab\there", "tab%09here"},
      {"\x7f", "%7F"},
      {"caf\xc3\xa9", "caf%C3%A9"},
      {std::string("nul\0x", 5), "nul%00x"},
      {"%41 stays", "%41%20stays"},
  };
  for (const Case& c : cases) EXPECT_EQ(LogField(c.in), c.out) << c.in;
}

class ConfigurationDirTest : public ::testing::Test {
 protected:
  void TearDown() override {
    UnsetEnvironment("FIELDSYNC_CONFIG_DIR");
    UnsetEnvironment("FIELDSYNC_STATE_DIR");
  }
};

TEST_F(ConfigurationDirTest, IsTheNamedDirectoryElseTheExecutablesOne) {
  struct Variable {
    const char* name;
    fs::path (*directory)();
  };
  const Variable variables[] = {{"FIELDSYNC_CONFIG_DIR", ConfigurationDir},
                                {"FIELDSYNC_STATE_DIR", StateDir}};
  struct Case {
    const char* value;  // nullptr: unset
    fs::path expected;
  };
  const Case cases[] = {
      {nullptr, ExecutableDir()},
      {"", ExecutableDir()},
      {"/etc/fieldsync", fs::absolute("/etc/fieldsync")},  // on Windows: on the current drive
      {"conf/here", fs::current_path() / "conf/here"},
  };
  for (const Variable& v : variables) {
    for (const Case& c : cases) {
      if (c.value)
        SetEnvironment(v.name, c.value);
      else
        UnsetEnvironment(v.name);
      EXPECT_EQ(v.directory(), c.expected) << v.name << "=" << (c.value ? c.value : "(unset)");
    }
    UnsetEnvironment(v.name);
  }
  // Each directory follows its own variable only.
  SetEnvironment("FIELDSYNC_STATE_DIR", "/var/lib/fieldsync");
  EXPECT_EQ(ConfigurationDir(), ExecutableDir());
  EXPECT_EQ(StateDir(), fs::absolute("/var/lib/fieldsync"));
}
