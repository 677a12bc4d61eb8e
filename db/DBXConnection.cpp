#include "db/DBXConnection.h"

#include <algorithm>

#include "core/Text.h"
#include "db/internal/AttachmentPool.h"
#include "db/DBXError.h"
#include "db/internal/Firebird.h"

namespace fieldsync {

namespace {

[[noreturn]] void FailClosed() {
  throw TDBXError(TDBXErrorCodes::ConnectionClosed, std::string(DBXMessages::ConnectionWasClosed));
}

}  // namespace

// The reader of a command's cursor. It decodes a column only when asked for
// it, once per row. Closing it closes the cursor (and commits the
// statement's own transaction, when it has one).
class TFbReader : public TDBXReader {
 public:
  TFbReader(TDBXCommand& command, std::unique_ptr<TFbCursor> cursor)
      : FCommand(&command), FCursor(std::move(cursor)), FColumns(FCursor->Statement().Columns),
        FValues(FColumns.size()), FDecoded(FColumns.size(), false) {}

  ~TFbReader() override {
    try {
      Close();
    } catch (const std::exception&) {
      // A reader freed without Close cannot report the failed commit.
    }
  }

  int32_t ColumnCount() const override { return static_cast<int32_t>(FColumns.size()); }

  const TDBXValueType& ValueType(int32_t ordinal) const override {
    if (ordinal < 0 || ordinal >= ColumnCount())
      throw TDBXError(TDBXErrorCodes::InvalidParameter,
                      FormatText(DBXMessages::ColumnOutOfRange, {std::to_string(ordinal)}));
    return FColumns[ordinal];
  }

  const TDBXValue& Value(int32_t ordinal) override {
    ValueType(ordinal);
    if (!FHasRow || !FCursor)
      throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoCurrentRow));
    if (!FDecoded[ordinal]) {
      FCursor->Decode(static_cast<unsigned>(ordinal), FValues[ordinal]);
      FDecoded[ordinal] = true;
    }
    return FValues[ordinal];
  }

  bool Next() override {
    FHasRow = false;
    if (!FCursor) return false;
    std::fill(FDecoded.begin(), FDecoded.end(), false);
    FHasRow = FCursor->Fetch();
    return FHasRow;
  }

  void Close() override {
    FHasRow = false;
    TDBXCommand* command = FCommand;
    FCommand = nullptr;
    if (command) command->ReaderGone(this);
    if (FCursor) {
      std::unique_ptr<TFbCursor> cursor = std::move(FCursor);
      cursor->Close();
    }
  }

  bool IsClosed() const override { return FCursor == nullptr; }

  bool TextBytes(int32_t ordinal, std::string_view& bytes, bool& utf8) override {
    if (!FHasRow || !FCursor || ordinal < 0 || ordinal >= ColumnCount()) return false;
    const char* data = nullptr;
    size_t length = 0;
    const TFbTextBytes kind = FCursor->TextBytes(static_cast<unsigned>(ordinal), data, length);
    if (kind == TFbTextBytes::Other) return false;
    bytes = std::string_view(data, length);
    utf8 = kind == TFbTextBytes::Utf8;
    return true;
  }

  // The command is closing: release the cursor; a failure to commit now
  // cannot be reported to anyone.
  void Detach() noexcept {
    FCommand = nullptr;
    FHasRow = false;
    if (!FCursor) return;
    std::unique_ptr<TFbCursor> cursor = std::move(FCursor);
    try {
      cursor->Close();
    } catch (const std::exception&) {
    }
  }

 private:
  TDBXCommand* FCommand;  // nullptr once the command let go of this reader
  std::unique_ptr<TFbCursor> FCursor;
  std::vector<TDBXValueType> FColumns;
  std::vector<TDBXValue> FValues;
  std::vector<bool> FDecoded;
  bool FHasRow = false;
};

// ---- TDBXCommand ----

TDBXCommand::TDBXCommand(TDBXConnection& connection)
    : FConnection(&connection), FCommandType(TDBXCommandTypes::DbxSQL), FRowSetSize(connection.FRowSetSize) {}

TDBXCommand::~TDBXCommand() { Close(); }

void TDBXCommand::CheckUsable() const {
  if (!FConnection || !FConnection->IsOpen()) FailClosed();
}

void TDBXCommand::SetCommandType(std::string_view type) {
  if (type == FCommandType) return;
  Close();
  FCommandType = std::string(type);
}

void TDBXCommand::SetText(std::u16string_view sql) {
  if (FConnection == nullptr) FailClosed();
  if (sql != FText && FStatement) Close();
  FText = std::u16string(sql);
  FPrepared = false;
}

void TDBXCommand::SetText(std::string_view utf8Sql) { SetText(Utf8ToUtf16(utf8Sql)); }

namespace {

std::string ServerText(const TDBXCommand& command, TFbAttachment& att) {
  if (command.CommandType() == TDBXCommandTypes::DbxStoredProcedure) {
    std::u16string name = command.Text();
    std::u16string quoted = u"\"";
    for (char16_t c : name) {
      if (c == u'"') quoted += u'"';
      quoted += c;
    }
    quoted += u"\"";
    return "EXECUTE PROCEDURE " + att.EncodeText(quoted);
  }
  return att.EncodeText(command.Text());
}

}  // namespace

void TDBXCommand::Prepare() {
  CheckUsable();
  if (FPrepared) throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::PrepareOnce));
  if (FText.empty()) throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoStatementToExecute));
  Close();
  TFbAttachment& att = FConnection->Attachment();
  FStatement = att.TakeStatement(ServerText(*this, att));
  FOpen = true;
  FPrepared = true;
}

void TDBXCommand::BeginExecute() {
  CheckUsable();
  if (FText.empty()) throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoStatementToExecute));
  FOpen = true;
  if (FLastReader) {
    TFbReader* last = FLastReader;
    FLastReader = nullptr;
    last->Detach();
  }
  if (!FPrepared) {
    // Not prepared: the text runs directly, through a statement of its own.
    ReleaseStatement();
    TFbAttachment& att = FConnection->Attachment();
    FStatement = att.TakeStatement(ServerText(*this, att));
  }
}

std::unique_ptr<TDBXReader> TDBXCommand::ExecuteQuery() {
  BeginExecute();
  if (!FStatement->HasResultSet()) {
    ExecuteOnce(*FStatement, {}, nullptr);
    return nullptr;
  }
  auto reader = std::make_unique<TFbReader>(*this, std::make_unique<TFbCursor>(*FStatement, std::vector<const TParam*>{}));
  FLastReader = reader.get();
  return reader;
}

int64_t TDBXCommand::ExecuteUpdate() {
  BeginExecute();
  if (FStatement->HasResultSet()) {
    TFbCursor cursor(*FStatement, {});
    cursor.Close();
    return 0;
  }
  return ExecuteOnce(*FStatement, {}, nullptr);
}

void TDBXCommand::ReaderGone(TDBXReader* reader) {
  if (FLastReader == reader) FLastReader = nullptr;
}

void TDBXCommand::Close() {
  if (FLastReader) {
    TFbReader* last = FLastReader;
    FLastReader = nullptr;
    last->Detach();
  }
  ReleaseStatement();
  FOpen = false;
  FPrepared = false;
}

void TDBXCommand::ReleaseStatement() noexcept {
  if (!FStatement) return;
  TFbAttachment& att = FStatement->Att;
  att.GiveStatement(std::move(FStatement));
}

void TDBXCommand::ConnectionClosing() {
  Close();
  FConnection = nullptr;
}

// ---- TDBXConnection ----

TDBXConnection::TDBXConnection() = default;

TDBXConnection::~TDBXConnection() { CloseAll(); }

TDBXCommand& TDBXConnection::CreateCommand() {
  if (!IsOpen()) FailClosed();
  FCommands.push_back(std::unique_ptr<TDBXCommand>(new TDBXCommand(*this)));
  return *FCommands.back();
}

void TDBXConnection::FreeCommand(TDBXCommand& command) {
  auto it = std::find_if(FCommands.begin(), FCommands.end(), [&](const auto& c) { return c.get() == &command; });
  if (it != FCommands.end()) FCommands.erase(it);
}

bool TDBXConnection::IsOpen() const { return FAttachment != nullptr; }

const std::string& TDBXConnection::CharacterSet() const {
  static const std::string none = "NONE";
  return FAttachment ? FAttachment->CharacterSet : none;
}

bool TDBXConnection::UnicodeCharacterSet() const { return FAttachment && FAttachment->Unicode; }

TFbAttachment& TDBXConnection::Attachment() {
  if (!FAttachment) FailClosed();
  return *FAttachment;
}

void TDBXConnection::Attach(std::unique_ptr<TFbAttachment> attachment, int32_t rowSetSize) {
  CloseAll();
  FAttachment = std::move(attachment);
  FRowSetSize = rowSetSize;
}

void TDBXConnection::CloseAll() {
  // Commands stay allocated (their owners may still hold references) but
  // are closed for good.
  for (auto& command : FCommands) command->ConnectionClosing();
  // An idle attachment holds no transaction: its read transaction ends with
  // the connection's use of it.
  if (FAttachment) FAttachment->EndReadTransaction();
  // An attachment made for reuse goes back to the pool when it is clean;
  // otherwise it is detached here.
  if (FAttachment && !FAttachment->PoolKey.empty()) TAttachmentPool::Process().Give(std::move(FAttachment));
  FAttachment.reset();
}

}  // namespace fieldsync
