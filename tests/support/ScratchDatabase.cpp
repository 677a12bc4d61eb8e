#include "tests/support/ScratchDatabase.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/Platform.h"

extern char** environ;

namespace fieldsync::test {

namespace fs = std::filesystem;

namespace {

// A SQL string literal: quotes doubled.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// Runs a Firebird tool with SYSDBA and `password` in its environment
// (ISC_USER, ISC_PASSWORD: never on a command line or in a file), its
// output into `log`. A tool that fails, or that writes anything to its
// error output, raises std::runtime_error with what it wrote.
void RunTool(const std::vector<std::string>& arguments, const std::string& password, const fs::path& log) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (text.rfind("ISC_USER=", 0) != 0 && text.rfind("ISC_PASSWORD=", 0) != 0) environment.push_back(text);
  }
  environment.push_back("ISC_USER=SYSDBA");
  environment.push_back("ISC_PASSWORD=" + password);
  std::vector<char*> argv, envp;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  const fs::path errors = log.string() + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(started));
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::string command;
  for (const std::string& argument : arguments) command += (command.empty() ? "" : " ") + argument;
  const std::string errorText = ReadFile(errors);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !errorText.empty())
    throw std::runtime_error("failed: " + command + "\n" + (errorText.empty() ? ReadFile(log) : errorText));
}

}  // namespace

TFirebirdServer AnnouncedServer() {
  return {EnvironmentVariable("FIELDSYNC_FB_SERVER"), EnvironmentVariable("FIELDSYNC_FB_PASSWORD")};
}

std::string StandardDriversFile() {
  return "[Installed Drivers]\nFirebird=1\n\n[Firebird]\nLibraryName=dbxfb.dll\n"
         "GetDriverFunc=getSQLDriverINTERBASE\nVendorLib=fbclient.dll\n";
}

void NameDefinitionsFiles(const fs::path& drivers, const fs::path& connections) {
  ::setenv("FIELDSYNC_DRIVERS_FILE", drivers.c_str(), 1);
  ::setenv("FIELDSYNC_CONNECTIONS_FILE", connections.c_str(), 1);
}

TScratchDatabase::TScratchDatabase(TFirebirdServer server) : FServer(std::move(server)) {}

std::string TScratchDatabase::DatabaseName(const std::string& file) const {
  const std::string path = (Dir() / file).string();
  return FServer.Address.empty() ? path : FServer.Address + ":" + path;
}

std::string TScratchDatabase::Create(const std::string& file, const std::string& charSet) const {
  const std::string database = DatabaseName(file);
  const fs::path script = Dir() / (file + ".create.sql");
  WriteFile(script, "SET SQL DIALECT 3;\nCREATE DATABASE " + Quoted(database) + " DEFAULT CHARACTER SET " +
                        charSet + ";\n");
  RunTool({"isql-fb", "-q", "-bail", "-i", script.string()}, FServer.Password, Dir() / (file + ".create.log"));
  return database;
}

void TScratchDatabase::WriteAsynchronously(const std::string& database) const {
  RunTool({"gfix", "-write", "async", database}, FServer.Password, Dir() / "gfix.log");
}

void TScratchDatabase::RunScript(const std::string& database, const fs::path& script) const {
  RunTool({"isql-fb", "-q", "-bail", "-ch", "UTF8", database, "-i", script.string()}, FServer.Password,
          Dir() / (script.filename().string() + ".log"));
}

void TScratchDatabase::RunSql(const std::string& database, const std::string& sql) const {
  const fs::path script = Dir() / "statements.sql";
  WriteFile(script, sql);
  RunScript(database, script);
}

std::string TScratchDatabase::ConnectionsText(const std::string& database, const std::string& extraLines) const {
  return "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" + database + "\nUser_Name=SYSDBA\nPassword=" +
         FServer.Password + "\nSQLDialect=3\n" + extraLines;
}

void TScratchDatabase::UseDefinitions(const std::string& database, const std::string& extraLines) const {
  WriteFile(DriversFile(), StandardDriversFile());
  WriteFile(ConnectionsFile(), ConnectionsText(database, extraLines));
  NameDefinitionsFiles(DriversFile(), ConnectionsFile());
}

TMissingDatabase::TMissingDatabase(const TScratchDatabase& scratch) : FScratch(scratch) {
  const fs::path connections = FScratch.Dir() / "missing-connections.ini";
  WriteFile(connections, FScratch.ConnectionsText(FScratch.DatabaseName("missing.fdb")));
  NameDefinitionsFiles(FScratch.DriversFile(), connections);
}

TMissingDatabase::~TMissingDatabase() { NameDefinitionsFiles(FScratch.DriversFile(), FScratch.ConnectionsFile()); }

}  // namespace fieldsync::test
