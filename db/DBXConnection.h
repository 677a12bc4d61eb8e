#pragma once
// The open connection (TDBXConnection) under a TSQLConnection, and the
// commands (TDBXCommand) created on it. A command runs one SQL text and gives
// a forward-only reader. A statement that changes data is committed when it
// completes; queries run in the connection's read-only, read-committed
// transaction, which ends when the connection closes.
// A connection and its commands and readers are used by one thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DBXReader.h"

namespace fieldsync {

namespace TDBXCommandTypes {
inline constexpr std::string_view DbxSQL = "Dbx.SQL";
inline constexpr std::string_view DbxStoredProcedure = "Dbx.StoredProcedure";
}  // namespace TDBXCommandTypes

class TDBXConnection;
struct TFbAttachment;
struct TFbStatement;

class TDBXCommand {
 public:
  ~TDBXCommand();
  TDBXCommand(const TDBXCommand&) = delete;
  TDBXCommand& operator=(const TDBXCommand&) = delete;

  const std::string& CommandType() const { return FCommandType; }
  // A different type closes the command first.
  void SetCommandType(std::string_view type);

  // Kept on the command and never applied: no statement is interrupted for
  // running long, whatever the value.
  int32_t CommandTimeout() const { return FCommandTimeout; }
  void SetCommandTimeout(int32_t seconds) { FCommandTimeout = seconds; }

  const std::u16string& Text() const { return FText; }
  // Replaces the text and clears the prepared flag.
  void SetText(std::u16string_view sql);
  void SetText(std::string_view utf8Sql);

  int32_t RowSetSize() const { return FRowSetSize; }
  int64_t MaxBlobSize() const { return FMaxBlobSize; }
  bool IsPrepared() const { return FPrepared; }
  bool IsOpen() const { return FOpen; }

  // Prepares the text on the server; a second call on a prepared command
  // fails with "Command can only be prepared once".
  void Prepare();
  // Runs the statement and returns its rows; the caller owns the reader.
  // nullptr when the statement gives no result set. Closes the reader that
  // this command gave last, if it is still open.
  std::unique_ptr<TDBXReader> ExecuteQuery();
  // Runs a statement without a result set; returns the rows affected.
  int64_t ExecuteUpdate();
  // Releases the server statement and the last reader; the command can run again.
  void Close();

 private:
  friend class TDBXConnection;
  friend class TFbReader;
  explicit TDBXCommand(TDBXConnection& connection);
  void CheckUsable() const;
  // The opening both executions share: checks, the last reader let go, the
  // statement of an unprepared text taken.
  void BeginExecute();
  void ReaderGone(TDBXReader* reader);
  void ConnectionClosing();
  // Gives the statement back to its attachment, which keeps it for the next
  // command of the same text.
  void ReleaseStatement() noexcept;

  TDBXConnection* FConnection;  // nullptr once the connection has closed
  std::string FCommandType;
  std::u16string FText;
  int32_t FCommandTimeout = 0;
  int32_t FRowSetSize = 20;
  int64_t FMaxBlobSize = -1;
  bool FOpen = false;
  bool FPrepared = false;
  std::unique_ptr<TFbStatement> FStatement;
  class TFbReader* FLastReader = nullptr;  // not owned
};

class TDBXConnection {
 public:
  ~TDBXConnection();
  TDBXConnection(const TDBXConnection&) = delete;
  TDBXConnection& operator=(const TDBXConnection&) = delete;

  // A new command registered with this connection. The connection owns it:
  // it lives until FreeCommand or until the owning TSQLConnection is
  // destroyed; when the connection closes, every command is closed and any
  // later use fails with "Operation failed.  Connection was closed".
  TDBXCommand& CreateCommand();
  // Closes and destroys a command of this connection.
  void FreeCommand(TDBXCommand& command);

  bool IsOpen() const;
  // The character set that the connection talks in ("UTF8", "WIN1252", "NONE").
  const std::string& CharacterSet() const;
  // Whether text columns are described as WideString (26) rather than 1.
  bool UnicodeCharacterSet() const;

  // For this layer's own components; not for callers.
  TFbAttachment& Attachment();

 private:
  friend class TSQLConnection;
  friend class TDBXCommand;
  TDBXConnection();
  void Attach(std::unique_ptr<TFbAttachment> attachment, int32_t rowSetSize);
  void CloseAll();  // closes every command and detaches

  std::unique_ptr<TFbAttachment> FAttachment;
  std::vector<std::unique_ptr<TDBXCommand>> FCommands;
  int32_t FRowSetSize = 20;
};

}  // namespace fieldsync
