#pragma once
// Private to db/: the Firebird client as this layer uses it, through the
// client's object-oriented interface. The client library is loaded at run
// time; nothing here links against it.
//   TFbClient      the loaded library (master, util, provider), one per name
//   TFbAttachment  one attachment with its transaction settings
//   TFbStatement   one prepared statement and its column descriptions
//   TFbCursor      an open result
// (FbMessages.cpp holds the column descriptions, binding and decoding.)
// A statement that changes data runs in a transaction of its own that is
// committed when the statement completes. Queries (selects), the preparing of
// statements and the schema check of a reused attachment run in the
// attachment's read transaction: read-only and read-committed, started at the
// first read and kept until the attachment is given back or detached. That
// form of transaction holds back no garbage collection, and each statement in
// it sees every commit made before it started, as a transaction of its own
// would; what it saves is a transaction start and commit per statement.

#include <firebird/Interface.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/DBXProperties.h"
#include "db/DBXTypes.h"
#include "db/DBXValue.h"

namespace fieldsync {

class TParam;

class TFbClient {
 public:
  // The client library `vendorLib` names ("fbclient.dll" is the platform's
  // Firebird client); loaded once per process and never unloaded.
  static TFbClient& Load(const std::string& vendorLib);

  Firebird::IMaster* Master = nullptr;
  Firebird::IUtil* Util = nullptr;
  Firebird::IProvider* Provider = nullptr;
};

// The message of a client error: the client's own text, or "DBX Error:  %s"
// with the name of the code when the client gave none.
std::string ClientErrorText(int32_t code, std::string text);

struct TFbAttachment;

// A status vector that raises TDBXError with the client's code and text.
// Made for an attachment, it marks the attachment Lost when an error says
// the connection to the database is gone.
class TFbStatus {
 public:
  explicit TFbStatus(TFbClient& client);
  explicit TFbStatus(TFbAttachment& attachment);
  ~TFbStatus();
  TFbStatus(const TFbStatus&) = delete;
  TFbStatus& operator=(const TFbStatus&) = delete;

  Firebird::CheckStatusWrapper* operator&() { return &FWrapper; }
  // Raises the pending error, if any, and clears it.
  void Check();
  bool Failed() const;
  // Whether the pending error says the connection to the database is gone.
  bool ConnectionLost() const;

 private:
  TFbClient& FClient;
  TFbAttachment* FAttachment = nullptr;
  Firebird::IStatus* FStatus;
  Firebird::CheckStatusWrapper FWrapper;
};

struct TFbStatement;

// The database name an attachment opens for a Database value: a relative
// file path that exists beside the executable is taken from there.
std::string ResolveDatabaseName(const std::string& database);

struct TFbAttachment {
  // Attaches with the driver properties (Database, User_Name, Password, Role,
  // ServerCharSet, SQLDialect, IsolationLevel, WaitOnLocks, TrimChar).
  TFbAttachment(TFbClient& client, const TDBXProperties& properties);
  // Attachments of the process that are attached now (in use or idle).
  static size_t Live();
  ~TFbAttachment();  // frees the kept statements, then detaches
  TFbAttachment(const TFbAttachment&) = delete;
  TFbAttachment& operator=(const TFbAttachment&) = delete;

  Firebird::ITransaction* StartTransaction();
  void Commit(Firebird::ITransaction* tra);   // releases it; raises on failure
  void Rollback(Firebird::ITransaction* tra) noexcept;  // releases it

  // The read transaction (see the top of this file), started when first
  // asked for. Not counted in OpenTransactions: it holds nothing back.
  // The database's monitoring tables are a snapshot taken at their first use
  // in a transaction, so within one use of the attachment they do not change.
  Firebird::ITransaction* ReadTransaction();
  // Ends the read transaction, if one is open (before the attachment goes
  // idle or detaches). A failure marks the attachment Lost.
  void EndReadTransaction() noexcept;

  // Whether the attachment still answers, asked when it is handed out
  // again. When it keeps statements, the first statement asked for after
  // that reads the schema stamp (a query on the system tables) and frees
  // the kept statements when a table was created, altered or dropped since
  // they were prepared: a statement prepared before a table changed would
  // keep reading the table's old form.
  bool Alive() noexcept;
  // Notes the schema stamp of a new attachment that will keep statements.
  void StampSchema() { SchemaStamp = ReadSchemaStamp(); }
  // No transaction of it is open and none of its calls failed for a lost
  // connection: it may serve another connection.
  bool Clean() const { return OpenTransactions == 0 && !Lost; }

  // Prepared statements kept for reuse, by their text. Take gives a kept
  // statement of that text (removing it from the kept ones, so that no two
  // users share it) or prepares a new one; Give keeps it for the next user,
  // the least recently given ones being freed beyond MaxKeptStatements.
  // Take raises when the schema check or the preparing fails.
  std::unique_ptr<TFbStatement> TakeStatement(const std::string& sql);
  void GiveStatement(std::unique_ptr<TFbStatement> statement) noexcept;
  void FreeStatements() noexcept;
  size_t KeptStatements() const { return FKept.size(); }
  static constexpr size_t MaxKeptStatements = 100;

  TFbClient& Client;
  Firebird::IAttachment* Attachment = nullptr;
  std::string CharacterSet;  // upper case; "NONE" when none was named
  bool Unicode = false;      // UTF8 or UNICODE_FSS
  bool TrimChar = false;
  unsigned Dialect = 3;
  std::vector<unsigned char> Tpb;
  std::string PoolKey;        // the resolved settings it was made with
  int OpenTransactions = 0;   // started and not yet committed or rolled back
  bool Lost = false;          // a call failed because the connection is gone
  bool KeepStatements = true; // whether statements are kept for reuse
  std::string SchemaStamp;    // the schema stamp when the kept statements were valid

  // Text to and from the connection's character set.
  std::string EncodeText(std::u16string_view text) const;
  std::u16string DecodeText(const char* bytes, size_t length) const;

 private:
  // The schema stamp read now: the count, summed format versions and highest
  // id of the tables and views. Raises on failure.
  std::string ReadSchemaStamp();
  Firebird::IStatement* FStampStatement = nullptr;
  bool FSchemaCheckDue = false;  // handed out again since the last schema check
  Firebird::ITransaction* FReadTransaction = nullptr;

  // Kept statements, most recently given first; FKeptIndex finds them by text.
  std::list<std::unique_ptr<TFbStatement>> FKept;
  std::multimap<std::string, std::list<std::unique_ptr<TFbStatement>>::iterator> FKeptIndex;
};

// Where and how one output column lies in the output message; read once
// when the statement is prepared.
struct TFbColumnLayout {
  unsigned Type = 0;  // SQL_... without the nullable bit
  unsigned Offset = 0;
  unsigned NullOffset = 0;
  unsigned Length = 0;
  unsigned CharSet = 0;
  int Scale = 0;
  int SubType = 0;
};

// How text bytes of a column decode: UTF-8, Windows-1252 (every single-byte
// set), or neither (octets, CHAR of a multi-byte set: decoded the long way).
enum class TFbTextBytes { Other, Utf8, Win1252 };

struct TFbStatement {
  TFbStatement(TFbAttachment& attachment, const std::string& sql);
  ~TFbStatement();
  TFbStatement(const TFbStatement&) = delete;
  TFbStatement& operator=(const TFbStatement&) = delete;

  bool HasResultSet() const;  // a select: execution opens a cursor
  // Whether it may be kept for reuse: queries, row changes and procedure
  // calls; not definitions, which should not hold their objects in use.
  bool Reusable() const;
  unsigned InputCount() const;
  void Release() noexcept;

  TFbAttachment& Att;
  Firebird::IStatement* Statement = nullptr;
  Firebird::IMessageMetadata* InMeta = nullptr;
  Firebird::IMessageMetadata* OutMeta = nullptr;
  unsigned Type = 0;
  std::string Sql;  // the text it was prepared from
  std::vector<TDBXValueType> Columns;
  std::vector<TFbColumnLayout> Layout;  // one per output column  // descriptions of the output columns
};

// The description of output column `index` (name, code, scale, size, flags).
TDBXValueType DescribeColumn(TFbAttachment& att, Firebird::IMessageMetadata* meta, unsigned index);

// An input message built from parameter values.
struct TFbInput {
  ~TFbInput();
  Firebird::IMessageMetadata* Meta = nullptr;
  std::vector<unsigned char> Buffer;
};

// Builds the input message for `values` (one per "?" of the statement, in
// order; nullptr binds NULL). Blobs are written in `tra`.
void BuildInput(TFbStatement& stmt, Firebird::ITransaction* tra,
                const std::vector<const TParam*>& values, TFbInput& input);

// The layout of output column `index`.
TFbColumnLayout ColumnLayout(TFbAttachment& att, Firebird::IMessageMetadata* meta, unsigned index);

// Decodes an output column of `buffer` into `value`; blobs are read in `tra`.
void DecodeColumn(TFbAttachment& att, const TFbColumnLayout& column, const unsigned char* buffer,
                  Firebird::ITransaction* tra, TDBXValue& value);

// The bytes of a text column as they are in `buffer`, when they decode in
// one of the two ways of TFbTextBytes (VARCHAR, and CHAR of a single-byte
// set, trimmed as the connection's TrimChar says); TFbTextBytes::Other for
// NULL and every other column.
TFbTextBytes ColumnTextBytes(const TFbAttachment& att, const TFbColumnLayout& column,
                             const unsigned char* buffer, const char*& bytes, size_t& length);

class TFbCursor {
 public:
  // Executes `stmt` with `values` bound (see BuildInput) and opens its
  // cursor: a select in the attachment's read transaction, a select for
  // update in a new transaction that is committed when the cursor closes.
  TFbCursor(TFbStatement& stmt, const std::vector<const TParam*>& values);
  ~TFbCursor();
  TFbCursor(const TFbCursor&) = delete;
  TFbCursor& operator=(const TFbCursor&) = delete;

  // Fetches the next row; false at the end, where the cursor closes.
  bool Fetch();
  void Decode(unsigned index, TDBXValue& value);
  // The current row's text bytes of a column (see ColumnTextBytes).
  TFbTextBytes TextBytes(unsigned index, const char*& bytes, size_t& length) const;
  // Closes the cursor and commits its own transaction; idempotent. Raises
  // when the commit fails.
  void Close();
  bool IsOpen() const { return FCursor != nullptr || FTra != nullptr; }
  // The transaction the cursor runs in.
  Firebird::ITransaction* Transaction() const { return FTra ? FTra : FReadTra; }
  TFbStatement& Statement() { return FStmt; }

 private:
  TFbStatement& FStmt;
  Firebird::ITransaction* FTra = nullptr;  // its own transaction; nullptr in the read transaction
  Firebird::ITransaction* FReadTra = nullptr;  // the attachment's, not owned
  Firebird::IResultSet* FCursor = nullptr;
  std::vector<unsigned char> FBuffer;
};

// Runs a statement without a cursor in its own committed transaction. When
// `output` is given and the statement returns a row (EXECUTE PROCEDURE),
// that row's values are decoded into it. Returns the rows affected.
int64_t ExecuteOnce(TFbStatement& stmt, const std::vector<const TParam*>& values,
                    std::vector<TDBXValue>* output);

}  // namespace fieldsync

namespace fieldsync {

// Creates a database (dialect 3, 8 KiB pages) whose default character set
// is `charSet`; `database` is a file path (embedded) or host:path. For tools
// and tests that need a database of their own.
void CreateFirebirdDatabase(const std::string& vendorLib, const std::string& database, const std::string& user,
                            const std::string& password, const std::string& charSet);

}  // namespace fieldsync
