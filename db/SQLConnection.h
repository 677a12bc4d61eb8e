#pragma once
// The connection component (TSQLConnection). Built with the settings of the
// service's resources (name DMESTOQUE, driver FIREBIRD, parameters loaded from
// the connections file at connect). At each connect it resolves its
// parameters from the definitions files beside the executable (or the files
// named by FIELDSYNC_DRIVERS_FILE and FIELDSYNC_CONNECTIONS_FILE), loads the
// Firebird client and attaches. Closing closes every command and data set of
// the connection.
// One thread at a time; the definitions it reads are process-wide and
// thread-safe.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/DBXConnection.h"
#include "db/DBXProperties.h"

namespace fieldsync {

enum class TConnectionState { Closed, Connecting, Open, Disconnecting };

class TSQLDataSetBase;

class TSQLConnection {
 public:
  // The DMESTOQUE component, not yet connected. The location of its own
  // connections file is fixed here.
  TSQLConnection();
  ~TSQLConnection();  // closes
  TSQLConnection(const TSQLConnection&) = delete;
  TSQLConnection& operator=(const TSQLConnection&) = delete;

  // Settings (as in the resources; change them before Open).
  std::string ConnectionName = "DMESTOQUE";
  std::string DriverName = "FIREBIRD";
  std::string GetDriverFunc = "getSQLDriverINTERBASE";
  std::string LibraryName = "dbxfb.dll";
  std::string VendorLib = "fbclient.dll";
  bool LoadParamsOnConnect = true;
  bool LoginPrompt = false;
  bool KeepConnection = true;
  TDBXProperties Params;  // the resource's list; replaced at connect

  // Connects when not connected; does nothing when connected. On failure
  // the connection is closed again and the error propagates.
  void Open();
  // Disconnects: closes data sets and commands, frees the underlying
  // connection, clears the loaded parameters. Does nothing when closed.
  void Close();
  bool Connected() const { return FState == TConnectionState::Open; }
  void SetConnected(bool connected) { connected ? Open() : Close(); }
  TConnectionState State() const { return FState; }

  // The underlying connection; fails when not connected.
  TDBXConnection& DBXConnection();

  // The properties handed to the driver at the last connect.
  const TDBXProperties& DriverProperties() const { return FDriverProperties; }
  // The connection's own parameter file, fixed when the component was made.
  const std::filesystem::path& ConnectionsFile() const { return FConnectionsFile; }

 private:
  friend class TSQLDataSetBase;
  void LoadParams();
  void Register(TSQLDataSetBase* dataSet);
  void Unregister(TSQLDataSetBase* dataSet);

  TConnectionState FState = TConnectionState::Closed;
  std::filesystem::path FConnectionsFile;
  bool FParamsLoaded = false;
  TDBXProperties FDriverProperties;
  std::unique_ptr<TDBXConnection> FDBXConnection;
  std::vector<TSQLDataSetBase*> FDataSets;  // not owned; each unregisters itself
};

// The database attachments of the process: those in use by connections and
// the idle ones kept for reuse (Reused false: FIELDSYNC_DB_REUSE=0, none kept).
struct TDatabaseAttachmentCounts {
  bool Reused = false;
  size_t InUse = 0;
  size_t Idle = 0;
};
TDatabaseAttachmentCounts DatabaseAttachmentCounts();

// The connection settings a DMESTOQUE connection opened now would read: the
// name and text of its own parameter file. Two equal stamps connect with the
// same settings (the driver definitions are read once per process).
std::string ConnectionSettingsStamp();

}  // namespace fieldsync
