#include "db/internal/ConnectionDefinitions.h"

#include "core/Mutex.h"
#include "core/Platform.h"
#include "core/Text.h"
#include "db/DBXError.h"

namespace fieldsync {

namespace fs = std::filesystem;

const TDBXProperties& BuiltInDriverDefaults() {
  static const TDBXProperties defaults = {
      {"GetDriverFunc", "getSQLDriverINTERBASE"},
      {"LibraryName", "dbxfb.dll"},
      {"LibraryNameOsx", "libsqlfb.dylib"},
      {"VendorLib", "fbclient.dll"},
      {"VendorLibWin64", "fbclient.dll"},
      {"VendorLibOsx", "/Library/Frameworks/Firebird.framework/Firebird"},
      {"Database", "database.fdb"},
      {"User_Name", "sysdba"},
      {"Password", "kestrel42"},
      {"Role", "RoleName"},
      {"MaxBlobSize", "-1"},
      {"ErrorResourceFile", ""},
      {"LocaleCode", "0000"},
      {"IsolationLevel", "ReadCommitted"},
      {"ServerCharSet", ""},
      {"SQLDialect", "3"},
      {"CommitRetain", "False"},
      {"WaitOnLocks", "True"},
      {"TrimChar", "False"},
  };
  return defaults;
}

std::unique_ptr<TDBXDefinitions> TDBXDefinitions::Load(const fs::path& driversFile, const fs::path& connectionsFile) {
  auto defs = std::make_unique<TDBXDefinitions>();
  const std::vector<TIniSection> drivers = ReadIniFile(driversFile);
  const TIniSection* installed = FindSection(drivers, InstalledDriversSection);
  if (!installed || installed->Values.Empty())
    throw TDBXError(TDBXErrorCodes::InvalidArgument,
                    FormatText(DBXMessages::NoneDefined, {InstalledDriversSection, driversFile.string()}));
  for (const auto& [name, value] : installed->Values.Entries()) {
    TIniSection section{name, {}};
    if (const TIniSection* own = FindSection(drivers, name)) section.Values = own->Values;
    defs->FDrivers.push_back(std::move(section));
  }
  for (TIniSection section : ReadIniFile(connectionsFile)) {
    section.Values.SetValue("ConnectionName", section.Name);
    defs->FConnections.push_back(std::move(section));
  }
  return defs;
}

namespace {

TMutex processLock;
std::unique_ptr<TDBXDefinitions> processDefinitions GUARDED_BY(processLock);

}  // namespace

const TDBXDefinitions& TDBXDefinitions::Process() {
  TMutexLock guard(processLock);
  if (processDefinitions) return *processDefinitions;
  std::error_code ec;
  const fs::path beside = ConfigurationDir() / DriversFileName;
  if (fs::exists(beside, ec)) {
    processDefinitions = Load(beside, ConfigurationDir() / ConnectionsFileName);
  } else {
    const std::string drivers = EnvironmentVariable(DriversFileVariable);
    const std::string connections = EnvironmentVariable(ConnectionsFileVariable);
    if (!drivers.empty() && fs::exists(drivers, ec))
      processDefinitions = Load(drivers, connections);
    else
      processDefinitions = std::make_unique<TDBXDefinitions>();
  }
  return *processDefinitions;
}

void TDBXDefinitions::ResetProcess() {
  TMutexLock guard(processLock);
  processDefinitions.reset();
}

const TDBXProperties* TDBXDefinitions::Connection(const std::string& name) const {
  const TIniSection* s = FindSection(FConnections, name);
  return s ? &s->Values : nullptr;
}

bool TDBXDefinitions::DriverProperties(const std::string& driverName, TDBXProperties& out) const {
  const TIniSection* s = FindSection(FDrivers, driverName);
  const bool builtIn = SameTextAscii(driverName, BuiltInDriverName);
  if (!s && !builtIn) return false;
  out = builtIn ? BuiltInDriverDefaults() : TDBXProperties();
  if (s)
    for (const auto& [name, value] : s->Values.Entries()) out.SetValue(name, value);
  return true;
}

fs::path DefaultConnectionsFile() {
  const std::string named = EnvironmentVariable(ConnectionsFileVariable);
  if (!named.empty()) return fs::path(named);
  return ConfigurationDir() / ConnectionsFileName;
}

}  // namespace fieldsync
