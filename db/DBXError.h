#pragma once
// The database error (TDBXError): every database and value-conversion failure
// of this layer is raised as one. It carries the client's error code and the
// client's own message text, or one of the component messages below.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Error.h"

namespace fieldsync {

// Codes of failures that this layer itself detects. A failure reported by the
// database client carries the client's own code instead (Firebird's status
// code, for example 335544580 for an unknown table).
namespace TDBXErrorCodes {
constexpr int32_t None = 0;
constexpr int32_t InvalidType = 7;
constexpr int32_t InvalidParameter = 9;
constexpr int32_t ParameterNotSet = 11;
constexpr int32_t InvalidUserOrPassword = 12;
constexpr int32_t ConnectionFailed = 21;
constexpr int32_t DriverInitFailed = 22;
constexpr int32_t InvalidArgument = 26;
constexpr int32_t InvalidOperation = 28;
constexpr int32_t ConnectionClosed = 29;
constexpr int32_t VendorError = 33;

// The readable name of a code ("Connection failed"); "Unknown error" when none.
std::string Name(int32_t code);
}  // namespace TDBXErrorCodes

// Message texts. They are interface: callers show them to the user and tests
// compare them verbatim. "%s"/"%d" are filled with FormatText.
namespace DBXMessages {
inline constexpr std::string_view InvalidArgument = "Invalid argument:  %s";
inline constexpr std::string_view RegistryFileNotFound = "Driver/Connection Registry File '%s' not found";
inline constexpr std::string_view MissingDriverName = "Missing DriverName property";
inline constexpr std::string_view MissingConnectionName = "Connection name missing";
inline constexpr std::string_view NoneDefined = "No \"%s\" defined in %s";
inline constexpr std::string_view UnableToLoad =
    "Unable to load %s (ErrorCode %d).  It may be missing from the system path.";
inline constexpr std::string_view ConnectionWasClosed = "Operation failed.  Connection was closed";
inline constexpr std::string_view DbxError = "DBX Error:  %s";
inline constexpr std::string_view NoSQLStatement = "No SQL statement available";
inline constexpr std::string_view CursorNotReturned = "Cursor not returned from Query";
inline constexpr std::string_view PrepareOnce = "Command can only be prepared once";
inline constexpr std::string_view NoStatementToExecute = "No statement to execute";
inline constexpr std::string_view ParameterNotFound = "Parameter '%s' not found";
inline constexpr std::string_view FieldNotFound = "Field '%s' not found";
inline constexpr std::string_view NotConnected = "Not connected to a database";
inline constexpr std::string_view ReaderClosed = "Reader is closed";
inline constexpr std::string_view NoCurrentRow = "No current row";
inline constexpr std::string_view InvalidConversion = "Cannot read a %s value as %s";
inline constexpr std::string_view UnsupportedColumnType = "Unsupported column type %d";
inline constexpr std::string_view ColumnOutOfRange = "Column index out of range: %s";
inline constexpr std::string_view RowSizeMismatch = "Row has %s values for %s columns";
inline constexpr std::string_view ParameterTooLong = "Parameter %s is longer than %s bytes";
inline constexpr std::string_view ParameterCountMismatch = "The statement has %s parameters; %s were given";
inline constexpr std::string_view NotAWholeNumber = "%s must be a whole number, not \"%s\"";
}  // namespace DBXMessages

class TDBXError : public Exception {
 public:
  TDBXError(int32_t errorCode, const std::string& message)
      : Exception(message), FErrorCode(errorCode) {}

  int32_t ErrorCode() const { return FErrorCode; }
  std::string Message() const { return what(); }

 private:
  int32_t FErrorCode;
};

}  // namespace fieldsync
