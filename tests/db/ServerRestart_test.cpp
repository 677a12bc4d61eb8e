// A Firebird server restarted between two calls costs no failed call: the
// idle attachment made before the restart is found dead and replaced before
// anything runs on it. The test runs a server of its own (own port, own
// configuration, lock directory and copy of the security database), never
// the shared one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "core/Platform.h"
#include "db/internal/AttachmentPool.h"
#include "db/internal/ConnectionDefinitions.h"
#include "db/SQLConnection.h"
#include "tests/db/TestDatabase.h"
#include "tests/support/Expect.h"
#include "tests/support/Loopback.h"

namespace fieldsync::test {
namespace {

namespace fs = std::filesystem;

const fs::path ServerBinary = "/usr/sbin/firebird";
const fs::path ServerRoot = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path SecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";

// A Firebird server of the test's own on a free loopback port.
class TOwnServer {
 public:
  TOwnServer() : Port(FreePort()) {
    const fs::path root = FDir.Path() / "root";
    fs::create_directories(root);
    fs::create_directories(FDir.Path() / "lock");
    for (const char* entry : {"plugins", "intl", "lib", "UDF", "firebird.msg", "plugins.conf", "fbtrace.conf"})
      fs::create_symlink(ServerRoot / entry, root / entry);
    fs::copy_file(SecurityDatabase, FDir.Path() / "security3.fdb");
    WriteFile(root / "firebird.conf", "RemoteBindAddress = 127.0.0.1\nSecurityDatabase = " +
                                          (FDir.Path() / "security3.fdb").string() + "\n");
    WriteFile(root / "databases.conf", "");
  }
  ~TOwnServer() { Crash(); }

  bool Start() {
    FPid = ::fork();
    if (FPid == 0) {
      const std::string port = std::to_string(Port);
      const std::string root = (FDir.Path() / "root").string();
      const std::string lock = (FDir.Path() / "lock").string();
      ::setenv("FIREBIRD", root.c_str(), 1);
      ::setenv("FIREBIRD_LOCK", lock.c_str(), 1);
      ::execl(ServerBinary.c_str(), "firebird", "-p", port.c_str(), "-e", root.c_str(), "-el", lock.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return WaitUntil([this] { return Listening(Port); }, std::chrono::seconds(15));
  }

  // Ends the server at once, as a crash or a restart of the machine would
  // (asked to stop, it would wait for its attachments to go).
  void Crash() {
    if (FPid <= 0) return;
    ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
  }

  const uint16_t Port;

 private:
  TTempDir FDir;
  pid_t FPid = -1;
};

int64_t AttachmentId(TSQLConnection& connection) {
  TDBXCommand& command = connection.DBXConnection().CreateCommand();
  command.SetText("select CURRENT_CONNECTION from RDB$DATABASE");
  auto reader = command.ExecuteQuery();
  EXPECT_TRUE(reader->Next());
  return reader->Value(0).GetInt64();
}

TEST(ServerRestartTest, ACallAfterTheServerRestartedSucceedsOnANewAttachment) {
  FIELDSYNC_REQUIRE_MODE(TDbMode::Server);
  if (!fs::exists(ServerBinary) || !fs::exists(SecurityDatabase)) {
    // CI installs the server (scripts/install-deps.sh): there a missing one fails.
    if (EnvironmentVariable("CI") == "true") GTEST_FAIL() << "no Firebird server installed, which CI must have";
    GTEST_SKIP() << "no Firebird server installed";
  }
  TOwnServer server;
  ASSERT_TRUE(server.Start()) << "the test's own server did not listen on port " << server.Port;
  // The server's security database is a copy of the shared one's: the same password.
  const TScratchDatabase scratch({"127.0.0.1/" + std::to_string(server.Port), AnnouncedServer().Password});
  scratch.UseDefinitions(scratch.Create("restart.fdb", "UTF8"));
  TDBXDefinitions::ResetProcess();
  TAttachmentPool::Process().CloseIdle();

  TSQLConnection connection;
  connection.Open();
  AttachmentId(connection);
  connection.Close();
  ASSERT_EQ(TAttachmentPool::Process().Counts().Idle, 1u);
  const size_t dropped = TAttachmentPool::Process().Counts().Dropped;

  server.Crash();
  ASSERT_TRUE(server.Start());
  connection.Open();  // must not fail: the dead idle attachment is replaced
  EXPECT_GT(AttachmentId(connection), 0);
  EXPECT_EQ(TAttachmentPool::Process().Counts().Dropped, dropped + 1);
  connection.Close();
  TAttachmentPool::Process().CloseIdle();
}

}  // namespace
}  // namespace fieldsync::test
