#pragma once
// A fresh Firebird database for a test, built in a directory of its own by
// Firebird's own tools (isql-fb and gfix), embedded or through a Firebird
// server, and the two definitions files that point DMESTOQUE at it. Every
// fixture that needs a database builds it with this one type and adds its
// own tables and rows as SQL. The directory, and with it every database in
// it, goes with the object.

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace fieldsync::test {

// Where a scratch database lives: embedded (no address; the Database value
// is a file path), or through the Firebird server at `Address` ("127.0.0.1",
// "[::1]", "127.0.0.1/3051"), where SYSDBA logs in with `Password`.
struct TFirebirdServer {
  std::string Address;
  std::string Password;
};

// The Firebird server on loopback that the test run announces
// (FIELDSYNC_FB_SERVER, FIELDSYNC_FB_PASSWORD); no address when none is.
TFirebirdServer AnnouncedServer();

// The drivers file that lists the built-in Firebird driver.
std::string StandardDriversFile();

// Names the two definitions files in FIELDSYNC_DRIVERS_FILE and
// FIELDSYNC_CONNECTIONS_FILE, where the connection looks for them.
void NameDefinitionsFiles(const std::filesystem::path& drivers, const std::filesystem::path& connections);

class TScratchDatabase {
 public:
  explicit TScratchDatabase(TFirebirdServer server = {});

  const std::filesystem::path& Dir() const { return FDir.Path(); }
  const TFirebirdServer& Server() const { return FServer; }
  // The Database value for a file of the directory (with the server's
  // address in front when there is a server).
  std::string DatabaseName(const std::string& file) const;

  // Creates the database `file` in the directory with the default character
  // set `charSet` and answers its Database value.
  std::string Create(const std::string& file, const std::string& charSet) const;
  // Turns forced writes off: a throw-away database needs no synchronous
  // writes, which make loading a schema slow on a busy disk (for a few
  // statements they cost less than this extra step).
  void WriteAsynchronously(const std::string& database) const;
  // Runs a SQL script (UTF-8; the database converts to its own character
  // set) on `database`; the first failing statement stops it and raises
  // std::runtime_error with isql's message.
  void RunScript(const std::string& database, const std::filesystem::path& script) const;
  void RunSql(const std::string& database, const std::string& sql) const;

  std::filesystem::path DriversFile() const { return Dir() / "dbxdrivers.ini"; }
  std::filesystem::path ConnectionsFile() const { return Dir() / "dbxconnections.ini"; }
  // The DMESTOQUE section for `database`: SYSDBA with the server's password,
  // SQL dialect 3, then `extraLines`.
  std::string ConnectionsText(const std::string& database, const std::string& extraLines = "") const;
  // Writes the standard drivers file and ConnectionsText(database,
  // extraLines) and names both (NameDefinitionsFiles).
  void UseDefinitions(const std::string& database, const std::string& extraLines = "") const;

 private:
  TTempDir FDir;
  TFirebirdServer FServer;
};

// While it lives, DMESTOQUE names a database file that does not exist, as
// after the database was moved or deleted: every connect fails. Then the
// definitions of `scratch` again, even when the test failed meanwhile.
class TMissingDatabase {
 public:
  explicit TMissingDatabase(const TScratchDatabase& scratch);
  ~TMissingDatabase();
  TMissingDatabase(const TMissingDatabase&) = delete;
  TMissingDatabase& operator=(const TMissingDatabase&) = delete;

 private:
  const TScratchDatabase& FScratch;
};

}  // namespace fieldsync::test
