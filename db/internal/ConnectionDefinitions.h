#pragma once
// Private to db/ (and its tests): the process-wide connection and driver
// definitions, read from the definitions files once, on first use by any
// connection, under a lock; read-only afterwards.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/DBXProperties.h"
#include "db/internal/IniFile.h"

namespace fieldsync {

// Stand-ins on Linux for the registry values "Driver Registry File" and
// "Connection Registry File": each names a definitions file.
inline constexpr const char* DriversFileVariable = "FIELDSYNC_DRIVERS_FILE";
inline constexpr const char* ConnectionsFileVariable = "FIELDSYNC_CONNECTIONS_FILE";

inline constexpr const char* DriversFileName = "dbxdrivers.ini";
inline constexpr const char* ConnectionsFileName = "dbxconnections.ini";
inline constexpr const char* InstalledDriversSection = "Installed Drivers";
inline constexpr const char* BuiltInDriverName = "Firebird";

// The built-in Firebird driver's default properties.
const TDBXProperties& BuiltInDriverDefaults();

class TDBXDefinitions {
 public:
  // Definitions from the two files. Fails with "No "Installed Drivers"
  // defined in <file>" when the driver file lists no driver. A missing
  // connections file gives no connection definitions.
  static std::unique_ptr<TDBXDefinitions> Load(const std::filesystem::path& driversFile,
                                               const std::filesystem::path& connectionsFile);
  // The process-wide definitions: dbxdrivers.ini and dbxconnections.ini
  // beside the executable when the driver file is there; else the files
  // named by the two environment variables when that driver file exists;
  // else an empty set. Created once; a failed creation is tried again at the
  // next call.
  static const TDBXDefinitions& Process();
  // Forgets the process-wide definitions (tests change the files).
  static void ResetProcess();

  // The connection definition of that name (its "ConnectionName" included).
  const TDBXProperties* Connection(const std::string& name) const;
  // A driver's properties: the built-in defaults overridden by the driver's
  // section. False when no driver of that name is known.
  bool DriverProperties(const std::string& driverName, TDBXProperties& out) const;

 private:
  std::vector<TIniSection> FConnections;
  std::vector<TIniSection> FDrivers;  // sections of the installed drivers
};

// The connection's own parameter file: the file named by
// FIELDSYNC_CONNECTIONS_FILE when set, else dbxconnections.ini beside the
// executable.
std::filesystem::path DefaultConnectionsFile();

}  // namespace fieldsync
