// Resolution of the connection's parameters from the definitions files, and
// the errors of each step.

#include <gtest/gtest.h>

#include "db/internal/ConnectionDefinitions.h"
#include "db/DBXError.h"
#include "db/SQLConnection.h"
#include "tests/db/TestDatabase.h"
#include "tests/support/Expect.h"

namespace fieldsync::test {
namespace {

namespace fs = std::filesystem;

class DefinitionsTest : public testing::Test {
 protected:
  void SetUp() override { UseDefinitionsFiles(Dir() / "dbxdrivers.ini", Dir() / "dbxconnections.ini"); }
  void TearDown() override { TDBXDefinitions::ResetProcess(); }
  const fs::path& Dir() const { return FTemp.Path(); }
  void Drivers(const std::string& text) { WriteFile(Dir() / "dbxdrivers.ini", text); }
  void Connections(const std::string& text) { WriteFile(Dir() / "dbxconnections.ini", text); }

  TTempDir FTemp;
};

TEST_F(DefinitionsTest, NoDriverFileGivesInvalidArgumentNamingTheConnection) {
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); }, "Invalid argument:  DMESTOQUE");
  EXPECT_EQ(connection.State(), TConnectionState::Closed);
}

TEST_F(DefinitionsTest, DriverFileWithoutInstalledDriversNamesSectionAndFile) {
  Drivers("[Installed Drivers]\n\n[Firebird]\nLibraryName=dbxfb.dll\n");
  Connections("[DMESTOQUE]\nDriverName=FIREBIRD\n");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); },
                 "No \"Installed Drivers\" defined in " + (Dir() / "dbxdrivers.ini").string());
}

TEST_F(DefinitionsTest, ConnectionMissingFromDefinitionsIsInvalidArgument) {
  Drivers(StandardDriversFile());
  Connections("[OTHER]\nDriverName=FIREBIRD\n");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); }, "Invalid argument:  DMESTOQUE");
}

TEST_F(DefinitionsTest, MissingOwnConnectionsFileIsReportedWithItsPath) {
  Drivers(StandardDriversFile());
  Connections("[DMESTOQUE]\nDriverName=FIREBIRD\n");
  TDBXDefinitions::Process();  // the definitions are read once, here
  fs::remove(Dir() / "dbxconnections.ini");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); },
                 "Driver/Connection Registry File '" + (Dir() / "dbxconnections.ini").string() + "' not found");
}

TEST_F(DefinitionsTest, SectionWithoutDriverNameIsRefused) {
  Drivers(StandardDriversFile());
  Connections("[DMESTOQUE]\nDatabase=x.fdb\n");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); }, "Missing DriverName property");
  // The connection's own section is read again at each connect.
  Connections("[DMESTOQUE]\nDriverName= \n");
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); }, "Missing DriverName property");
}

TEST_F(DefinitionsTest, EmptyConnectionNameIsRefused) {
  TSQLConnection connection;
  connection.ConnectionName.clear();
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); }, "Connection name missing");
}

TEST_F(DefinitionsTest, UnknownDriverLibraryOrEntryPointCannotLoad) {
  Drivers("[Installed Drivers]\nFirebird=1\n[Firebird]\nLibraryName=dbxora.dll\n");
  Connections("[DMESTOQUE]\nDriverName=Firebird\n");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); },
                 "Unable to load dbxora.dll (ErrorCode 126).  It may be missing from the system path.");
  Drivers("[Installed Drivers]\nFirebird=1\n[Firebird]\nGetDriverFunc=getSQLDriverORACLE\n");
  TDBXDefinitions::ResetProcess();
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); },
                 "Unable to load dbxfb.dll (ErrorCode 127).  It may be missing from the system path.");
}

TEST_F(DefinitionsTest, MissingClientLibraryIsAnErrorNotACrash) {
  Drivers("[Installed Drivers]\nFirebird=1\n[Firebird]\nVendorLib=libfbclient-missing.so.9\n");
  Connections("[DMESTOQUE]\nDriverName=Firebird\n");
  TSQLConnection connection;
  ExpectThrowWithText<TDBXError>([&] { connection.Open(); },
                 "Unable to load libfbclient-missing.so.9 (ErrorCode 126).  It may be missing from the system path.");
}

// A number in the definitions that is not a number stops the connect with
// its name and text; it is never taken as 0. Nothing is attached before.
TEST_F(DefinitionsTest, NumberValuesThatAreNotNumbersAreRefusedByName) {
  struct Case {
    const char* line;
    const char* message;
  } cases[] = {
      {"RowSetSize=ten", "RowSetSize must be a whole number, not \"ten\""},
      {"RowSetSize=2147483648", "RowSetSize must be a whole number, not \"2147483648\""},
      {"RowSetSize=1.5", "RowSetSize must be a whole number, not \"1.5\""},
      {"SQLDialect=three", "SQLDialect must be a whole number, not \"three\""},
      {"SQLDialect=3a", "SQLDialect must be a whole number, not \"3a\""},
      {"SQLDialect=0x3", "SQLDialect must be a whole number, not \"0x3\""},
  };
  Drivers(StandardDriversFile());
  for (const auto& c : cases) {
    Connections(std::string("[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=") + (Dir() / "none.fdb").string() + "\n" +
                c.line + "\n");
    TDBXDefinitions::ResetProcess();
    TSQLConnection connection;
    try {
      connection.Open();
      ADD_FAILURE() << "opened with " << c.line;
    } catch (const TDBXError& e) {
      EXPECT_EQ(e.what(), std::string(c.message)) << c.line;
      EXPECT_EQ(e.ErrorCode(), TDBXErrorCodes::InvalidArgument) << c.line;
    }
    EXPECT_EQ(connection.State(), TConnectionState::Closed) << c.line;
  }
}

TEST_F(DefinitionsTest, DefinitionsFileFormatAndDriverDefaults) {
  Drivers("; comment\n[Installed Drivers]\n  Firebird = 1 \n[FIREBIRD]\nRole = Vendedor \n");
  Connections("\xEF\xBB\xBF# comment\n[dmestoque]\n DriverName = FIREBIRD \nUser_Name=ana\n");
  const TDBXDefinitions& defs = TDBXDefinitions::Process();
  const TDBXProperties* connection = defs.Connection("DMESTOQUE");
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->Value("drivername"), "FIREBIRD");
  EXPECT_EQ(connection->Value("ConnectionName"), "dmestoque");
  TDBXProperties driver;
  ASSERT_TRUE(defs.DriverProperties("Firebird", driver));
  EXPECT_EQ(driver.Value("Role"), "Vendedor");           // the driver's section
  EXPECT_EQ(driver.Value("Password"), "kestrel42");      // built-in default
  EXPECT_EQ(driver.Value("IsolationLevel"), "ReadCommitted");
  EXPECT_FALSE(defs.DriverProperties("Oracle", driver));
}

// A file read at every connect is parsed again only when its text changed,
// however little (a same-sized edit written within the same clock tick).
TEST_F(DefinitionsTest, AParameterFileIsParsedAgainOnlyWhenItsTextChanged) {
  const fs::path file = Dir() / "dbxconnections.ini";
  Connections("[DMESTOQUE]\nUser_Name=SYSDBA\n");
  const auto first = ReadIniFileOnce(file);
  EXPECT_EQ(ReadIniFileOnce(file), first);  // the same parse, not a new one
  Connections("[DMESTOQUE]\nUser_Name=sysdba\n");
  const auto changed = ReadIniFileOnce(file);
  ASSERT_EQ(changed->size(), 1u);
  EXPECT_EQ(changed->front().Values.Value("User_Name"), "sysdba");
  EXPECT_EQ(first->front().Values.Value("User_Name"), "SYSDBA");  // a reader of the old one keeps it
  fs::remove(file);
  EXPECT_TRUE(ReadIniFileOnce(file)->empty());
}

// With a database: precedence of the three sources and re-reading at connect.
class ResolutionTest : public testing::TestWithParam<TDbMode> {};

TEST_P(ResolutionTest, ConnectionSectionBeatsDriverSectionBeatsDefaults) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  WriteFile(db.DriversFile(), StandardDriversFile() + "ServerCharSet=WIN1252\nTrimChar=True\nRowSetSize=7\n");
  TDBXDefinitions::ResetProcess();
  auto connection = db.Connect();
  const TDBXProperties& p = connection->DriverProperties();
  EXPECT_EQ(p.Value("ServerCharSet"), "UTF8");   // connection section
  EXPECT_EQ(p.Value("TrimChar"), "True");        // driver section
  EXPECT_EQ(p.Value("LocaleCode"), "0000");      // built-in default
  EXPECT_EQ(p.Value("Database"), db.Database());
  EXPECT_EQ(connection->DriverName, "FIREBIRD");
  EXPECT_EQ(connection->LibraryName, "dbxfb.dll");
  EXPECT_EQ(connection->VendorLib, "fbclient.dll");
  EXPECT_EQ(connection->DBXConnection().CharacterSet(), "UTF8");
  EXPECT_EQ(connection->DBXConnection().CreateCommand().RowSetSize(), 7);
}

TEST_P(ResolutionTest, ChangedConnectionsFileTakesEffectAtTheNextConnect) {
  FIELDSYNC_REQUIRE_MODE(GetParam());
  TTestDatabase db(GetParam());
  const std::string second = db.CreateDatabase("second.fdb");
  db.Exec({"create table WHO (NAME varchar(10))", "insert into WHO values ('first')"});

  auto connection = db.Connect();
  WriteFile(db.ConnectionsFile(), db.ConnectionsText(second));
  auto whichDatabase = [&] {
    TDBXCommand& command = connection->DBXConnection().CreateCommand();
    command.SetText("select count(*) from RDB$RELATIONS where RDB$RELATION_NAME = 'WHO'");
    auto reader = command.ExecuteQuery();
    EXPECT_TRUE(reader->Next());
    return reader->Value(0).GetInt64();
  };
  EXPECT_EQ(whichDatabase(), 1);  // still the first database
  connection->Close();
  connection->Open();
  EXPECT_EQ(whichDatabase(), 0);  // the second one has no table WHO
}

// Only a server checks passwords; an embedded attachment is trusted.
TEST(ServerResolutionTest, WrongPasswordIsTheClientsError) {
  FIELDSYNC_REQUIRE_MODE(TDbMode::Server);
  TTestDatabase db(TDbMode::Server);
  WriteFile(db.ConnectionsFile(), "[DMESTOQUE]\nDriverName=FIREBIRD\nDatabase=" + db.Database() +
                                      "\nUser_Name=SYSDBA\nPassword=wrong-password\n");
  TSQLConnection connection;
  try {
    connection.Open();
    FAIL() << "connected with a wrong password";
  } catch (const TDBXError& e) {
    EXPECT_EQ(e.ErrorCode(), 335544472);  // the client's login error
    EXPECT_NE(std::string(e.what()).find("password"), std::string::npos) << e.what();
  }
  EXPECT_EQ(connection.State(), TConnectionState::Closed);
}

INSTANTIATE_TEST_SUITE_P(Modes, ResolutionTest, testing::Values(TDbMode::Embedded, TDbMode::Server), ModeName);

}  // namespace
}  // namespace fieldsync::test
