#include "db/SQLConnection.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/ScopeExit.h"
#include "core/Text.h"
#include "db/internal/AttachmentPool.h"
#include "db/internal/ConnectionDefinitions.h"
#include "db/DBXError.h"
#include "db/internal/DynamicLibrary.h"
#include "db/internal/Firebird.h"
#include "db/SQLDataSet.h"

namespace fieldsync {

namespace {

[[noreturn]] void Fail(int32_t code, std::string_view format, std::initializer_list<std::string_view> args = {}) {
  throw TDBXError(code, FormatText(format, args));
}

// The built-in Firebird driver answers to its library's names on every
// platform: "dbxfb.dll" and the equivalents of other systems.
bool IsBuiltInDriverLibrary(const std::string& libraryName) {
  const std::string file = std::filesystem::path(libraryName).filename().string();
  for (const char* name : {"dbxfb.dll", "libsqlfb.so", "libsqlfb.dylib"})
    if (SameTextAscii(file, name)) return true;
  return false;
}

// Loads the driver and its client library.
TFbClient& LoadDriver(const std::string& libraryName, const std::string& entryPoint,
                      const TDBXProperties& properties) {
  if (!IsBuiltInDriverLibrary(libraryName))
    Fail(TDBXErrorCodes::DriverInitFailed, DBXMessages::UnableToLoad,
         {libraryName, std::to_string(LibraryNotFoundCode)});
  if (!SameTextAscii(entryPoint, "getSQLDriverINTERBASE"))
    Fail(TDBXErrorCodes::DriverInitFailed, DBXMessages::UnableToLoad,
         {libraryName, std::to_string(EntryPointNotFoundCode)});
  std::string vendorLib = properties.Value("VendorLib");
  if (vendorLib.empty()) vendorLib = "fbclient.dll";
  return TFbClient::Load(vendorLib);
}

// Everything an attachment is made from: the properties handed to the driver
// and the database file they resolve to now. Two connections with the same
// key may share an attachment.
std::string AttachmentKey(const std::string& libraryName, const TDBXProperties& properties) {
  std::string key = libraryName;
  key += '\n';
  for (const auto& [name, value] : properties.Entries()) {
    key += AsciiLower(name);
    key += '=';
    key += value;
    key += '\n';
  }
  key += ResolveDatabaseName(properties.Value("Database"));
  return key;
}

}  // namespace

TSQLConnection::TSQLConnection()
    : Params({{"drivername", "FIREBIRD"},
              {"librarynameosx", "libsqlfb.dylib"},
              {"vendorlibwin64", "fbclient.dll"},
              {"vendorlibosx", "/Library/Frameworks/Firebird.framework/Firebird"},
              {"blobsize", "-1"},
              {"commitretain", "False"},
              {"Database", "localhost:D:\\Estoque\\ESTOQUE.FDB"},
              {"localecode", "0000"},
              {"password", "kestrel42"},
              {"rolename", "RoleName"},
              {"sqldialect", "3"},
              {"isolationlevel", "ReadCommitted"},
              {"user_name", "sysdba"},
              {"waitonlocks", "True"},
              {"trim char", "False"}}),
      FConnectionsFile(DefaultConnectionsFile()),
      FDBXConnection(new TDBXConnection()) {}

TSQLConnection::~TSQLConnection() {
  Close();
  for (TSQLDataSetBase* ds : FDataSets) ds->FConnection = nullptr;
}

void TSQLConnection::LoadParams() {
  std::error_code ec;
  if (!std::filesystem::exists(FConnectionsFile, ec))
    Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::RegistryFileNotFound, {FConnectionsFile.string()});
  const auto sections = ReadIniFileOnce(FConnectionsFile);
  const TIniSection* own = FindSection(*sections, ConnectionName);
  Params = own ? own->Values : TDBXProperties();
  DriverName = Params.Value("DriverName");
  if (DriverName.empty()) Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::MissingDriverName);
  FParamsLoaded = true;
}

void TSQLConnection::Open() {
  if (FState == TConnectionState::Open) return;
  FState = TConnectionState::Connecting;
  TScopeExit failed([this]() noexcept {
    FParamsLoaded = false;
    FState = TConnectionState::Closed;
  });
  {
    TDBXProperties properties;
    TDBXProperties driver;
    if (LoadParamsOnConnect) {
      if (ConnectionName.empty()) Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::MissingConnectionName);
      const TDBXDefinitions& definitions = TDBXDefinitions::Process();
      const TDBXProperties* definition = definitions.Connection(ConnectionName);
      if (!definition) Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::InvalidArgument, {ConnectionName});
      LoadParams();
      if (!definitions.DriverProperties(DriverName, driver))
        Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::InvalidArgument, {DriverName});
      LibraryName = driver.Value("LibraryName");
      VendorLib = driver.Value("VendorLib");
      GetDriverFunc = driver.Value("GetDriverFunc");
      properties = *definition;
    } else {
      if (DriverName.empty()) Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::MissingDriverName);
      if (!TDBXDefinitions::Process().DriverProperties(DriverName, driver))
        Fail(TDBXErrorCodes::InvalidArgument, DBXMessages::InvalidArgument, {DriverName});
      properties = Params;
      driver.SetValue("LibraryName", LibraryName);
      driver.SetValue("VendorLib", VendorLib);
      driver.SetValue("GetDriverFunc", GetDriverFunc);
    }
    for (const auto& [name, value] : driver.Entries())
      if (!properties.Contains(name)) properties.SetValue(name, value);
    // Database, user and password: the connection's own file first, then the driver.
    auto lookup = [&](const char* name) {
      if (auto v = Params.Find(name)) return v;
      return driver.Find(name);
    };
    if (auto database = lookup("Database"); database && *database != properties.Value("Database"))
      properties.SetValue("Database", *database);
    for (const char* name : {"User_Name", "Password"})
      if (auto v = lookup(name); v && !v->empty()) properties.SetValue(name, *v);

    FDriverProperties = properties;
    // Read before attaching, so that a bad value costs no attachment.
    const int32_t rowSetSize = properties.IntegerValue("RowSetSize", 20);
    TFbClient& client = LoadDriver(LibraryName, GetDriverFunc, properties);
    std::unique_ptr<TFbAttachment> attachment;
    if (AttachmentReuseEnabled()) {
      const std::string key = AttachmentKey(LibraryName, properties);
      attachment = TAttachmentPool::Process().Take(key);
      if (!attachment) {
        attachment = std::make_unique<TFbAttachment>(client, properties);
        attachment->StampSchema();
        attachment->PoolKey = key;
      }
    } else {
      attachment = std::make_unique<TFbAttachment>(client, properties);
    }
    FDBXConnection->Attach(std::move(attachment), rowSetSize);
    FState = TConnectionState::Open;
  }
  failed.Dismiss();
}

void TSQLConnection::Close() {
  if (FState != TConnectionState::Open) return;
  FState = TConnectionState::Disconnecting;
  for (TSQLDataSetBase* ds : FDataSets) ds->ConnectionClosing();
  FDBXConnection->CloseAll();
  FParamsLoaded = false;
  FState = TConnectionState::Closed;
}

TDBXConnection& TSQLConnection::DBXConnection() {
  if (FState != TConnectionState::Open)
    throw TDBXError(TDBXErrorCodes::ConnectionClosed, std::string(DBXMessages::NotConnected));
  return *FDBXConnection;
}

void TSQLConnection::Register(TSQLDataSetBase* dataSet) { FDataSets.push_back(dataSet); }

TDatabaseAttachmentCounts DatabaseAttachmentCounts() {
  TDatabaseAttachmentCounts counts;
  counts.Reused = AttachmentReuseEnabled();
  counts.Idle = TAttachmentPool::Process().Counts().Idle;
  const size_t live = TFbAttachment::Live();
  counts.InUse = live > counts.Idle ? live - counts.Idle : 0;
  return counts;
}

std::string ConnectionSettingsStamp() {
  const std::filesystem::path file = DefaultConnectionsFile();
  std::string stamp = file.string();
  stamp += '\0';
  std::ifstream in(file, std::ios::binary);
  stamp.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return stamp;
}

void TSQLConnection::Unregister(TSQLDataSetBase* dataSet) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), dataSet), FDataSets.end());
}

}  // namespace fieldsync
