#include "db/internal/Firebird.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "core/Mutex.h"
#include "core/Platform.h"
#include "core/ScopeExit.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "db/internal/DynamicLibrary.h"
#include "db/SQLParams.h"

namespace fieldsync {

using namespace Firebird;

namespace {

// The client library's file for a VendorLib name: the Windows client's name
// stands for the platform's own Firebird client.
std::string ClientFileName(const std::string& vendorLib) {
  if (!WindowsBuild && (SameTextAscii(vendorLib, "fbclient.dll") || SameTextAscii(vendorLib, "gds32.dll")))
    return "libfbclient.so.2";
  return vendorLib;
}

// Where the client is looked for, in order. On Windows: an absolute
// VendorLib as it is (its folder searched for its own dependencies); else
// beside fieldsync.exe, then in the install root that Firebird's registry
// entry names, then the bare name on the system's search path (never the
// current folder). Elsewhere: the name, on the system's library path.
std::vector<std::filesystem::path> ClientCandidates(const std::string& file) {
  const std::filesystem::path named = std::filesystem::u8path(file);
  if (!WindowsBuild) return {named};
  if (named.is_absolute()) return {named};
  std::vector<std::filesystem::path> candidates{ExecutableDir() / named};
  const std::string root =
      MachineRegistryText("SOFTWARE\\Firebird Project\\Firebird Server\\Instances", "DefaultInstance");
  if (!root.empty()) candidates.push_back(std::filesystem::u8path(root) / named);
  candidates.push_back(named);
  return candidates;
}

// What the operator can do about a client that would not load, after the
// loader's code (Windows' numbers).
std::string ClientLoadAdvice(int errorCode) {
  if (errorCode == 126)
    return " Install the 64-bit Firebird client (fbclient.dll) beside fieldsync.exe or with Firebird, or point "
           "VendorLib in dbxdrivers.ini at its full path.";
  if (errorCode == 193)
    return " The fbclient.dll found is not a 64-bit library: install the 64-bit Firebird client, or point VendorLib "
           "in dbxdrivers.ini at its 64-bit fbclient.dll.";
  return {};
}


}  // namespace

// ---- client ----

TFbClient& TFbClient::Load(const std::string& vendorLib) {
  static TMutex lock;
  static std::map<std::string, std::unique_ptr<TFbClient>> clients GUARDED_BY(lock);
  const std::string file = ClientFileName(vendorLib);
  TMutexLock guard(lock);
  auto it = clients.find(file);
  if (it != clients.end()) return *it->second;

  TDynamicLibrary lib;
  int errorCode = 0;
  for (const auto& candidate : ClientCandidates(file)) {
    lib = LoadDynamicLibrary(PathUtf8(candidate));
    if (lib.Handle) break;
    // A library found but unfit (193) says more than one not found (126).
    if (errorCode == 0 || errorCode == LibraryNotFoundCode) errorCode = lib.ErrorCode;
  }
  if (!lib.Handle) {
    std::string message = FormatText(DBXMessages::UnableToLoad, {file, std::to_string(errorCode)});
    if (WindowsBuild) message += ClientLoadAdvice(errorCode);
    throw TDBXError(TDBXErrorCodes::DriverInitFailed, message);
  }
  using GetMaster = IMaster* (*)();
  auto getMaster = reinterpret_cast<GetMaster>(FindSymbol(lib, "fb_get_master_interface"));
  if (!getMaster)
    throw TDBXError(TDBXErrorCodes::DriverInitFailed,
                    FormatText(DBXMessages::UnableToLoad, {file, std::to_string(EntryPointNotFoundCode)}));
  auto client = std::make_unique<TFbClient>();
  client->Master = getMaster();
  client->Util = client->Master->getUtilInterface();
  client->Provider = client->Master->getDispatcher();
  return *clients.emplace(file, std::move(client)).first->second;
}

// ---- status ----

std::string ClientErrorText(int32_t code, std::string text) {
  if (!text.empty()) return text;
  int32_t named = TDBXErrorCodes::VendorError;
  if (code == isc_login) named = TDBXErrorCodes::InvalidUserOrPassword;
  else if (code == isc_network_error || code == isc_net_connect_err || code == isc_io_error)
    named = TDBXErrorCodes::ConnectionFailed;
  return FormatText(DBXMessages::DbxError, {TDBXErrorCodes::Name(named)});
}

TFbStatus::TFbStatus(TFbClient& client)
    : FClient(client), FStatus(client.Master->getStatus()), FWrapper(FStatus) {}

namespace {

std::atomic<size_t>& LiveAttachments() {
  static std::atomic<size_t> live{0};
  return live;
}

}  // namespace

TFbStatus::TFbStatus(TFbAttachment& attachment) : TFbStatus(attachment.Client) { FAttachment = &attachment; }

TFbStatus::~TFbStatus() { FStatus->dispose(); }

bool TFbStatus::Failed() const { return (FWrapper.getState() & IStatus::STATE_ERRORS) != 0; }

bool TFbStatus::ConnectionLost() const {
  if (!Failed()) return false;
  // The vector is a list of (argument kind, value) pairs ending with isc_arg_end.
  const intptr_t* v = FWrapper.getErrors();
  for (size_t i = 0; v[i] != isc_arg_end; i += 2) {
    if (v[i] != isc_arg_gds) continue;
    switch (v[i + 1]) {
      case isc_network_error:
      case isc_net_read_err:
      case isc_net_write_err:
      case isc_lost_db_connection:
      case isc_conn_lost:
      case isc_att_shutdown:
      case isc_shutdown:
      case isc_bad_db_handle:
        return true;
      default:
        break;
    }
  }
  return false;
}

void TFbStatus::Check() {
  if (!Failed()) return;
  if (FAttachment && ConnectionLost()) FAttachment->Lost = true;
  const intptr_t* errors = FWrapper.getErrors();
  const int32_t code = (errors[0] == isc_arg_gds) ? static_cast<int32_t>(errors[1]) : 0;
  char buffer[2048];
  const unsigned n = FClient.Util->formatStatus(buffer, sizeof buffer, &FWrapper);
  std::string text(buffer, std::strlen(buffer) < n ? std::strlen(buffer) : n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  FWrapper.init();
  text = ClientErrorText(code, std::move(text));
  throw TDBXError(code, text);
}

// ---- attachment ----

namespace {

std::vector<unsigned char> BuildTpb(const TDBXProperties& p) {
  std::vector<unsigned char> tpb = {isc_tpb_version3, isc_tpb_write};
  const std::string isolation = AsciiLower(p.Value("IsolationLevel"));
  if (isolation == "repeatableread" || isolation == "snapshot") {
    tpb.push_back(isc_tpb_concurrency);
  } else if (isolation == "serializable" || isolation == "snapshottablestability") {
    tpb.push_back(isc_tpb_consistency);
  } else {  // ReadCommitted, DirtyRead and anything else
    tpb.push_back(isc_tpb_read_committed);
    tpb.push_back(isc_tpb_rec_version);
  }
  const std::string wait = AsciiLower(p.Value("WaitOnLocks"));
  tpb.push_back(wait == "false" ? isc_tpb_nowait : isc_tpb_wait);
  return tpb;
}

// The Firebird client is not safe to attach or detach from several threads
// at once: during an attachment it calls getpwuid (which is not reentrant)
// and its own mutexes can be taken in opposite orders by two attaching
// threads. Every attach, create and detach of the process goes through this
// lock; the work on an attachment once made runs unserialised.
std::mutex& AttachLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

// A Database value without a host that names a relative file is found
// beside the definitions files (the executable's directory unless a
// configuration directory is named).
std::string ResolveDatabaseName(const std::string& database) {
  const auto colon = database.find(':');
  const bool hasHost = (colon != std::string::npos && colon > 1) || database.rfind("//", 0) == 0 ||
                       database.rfind("\\\\", 0) == 0;
  if (hasHost || database.empty()) return database;
  std::filesystem::path path(database);
  if (path.is_absolute() || colon == 1) return database;
  std::error_code ec;
  std::filesystem::path beside = ConfigurationDir() / path;
  if (std::filesystem::exists(beside, ec)) return beside.string();
  return database;  // an alias, or a file relative to the current directory
}

TFbAttachment::TFbAttachment(TFbClient& client, const TDBXProperties& p) : Client(client) {
  CharacterSet = AsciiUpper(p.Value("ServerCharSet"));
  if (CharacterSet.empty()) CharacterSet = "NONE";
  Unicode = CharacterSet == "UTF8" || CharacterSet == "UNICODE_FSS";
  TrimChar = SameTextAscii(p.Value("TrimChar"), "True");
  const int32_t dialect = p.IntegerValue("SQLDialect", 3);
  Dialect = dialect < 1 || dialect > 3 ? 3 : static_cast<unsigned>(dialect);
  Tpb = BuildTpb(p);

  TFbStatus st(client);
  IXpbBuilder* dpb = client.Util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  st.Check();
  auto addString = [&](unsigned char tag, const std::string& value) {
    if (!value.empty()) dpb->insertString(&st, tag, value.c_str());
  };
  addString(isc_dpb_user_name, p.Value("User_Name"));
  addString(isc_dpb_password, p.Value("Password"));
  addString(isc_dpb_sql_role_name, p.Value("Role").empty() ? p.Value("RoleName") : p.Value("Role"));
  if (CharacterSet != "NONE") addString(isc_dpb_lc_ctype, CharacterSet);
  dpb->insertInt(&st, isc_dpb_sql_dialect, static_cast<int>(Dialect));
  if (st.Failed()) {
    dpb->dispose();
    st.Check();
  }
  const std::string database = ResolveDatabaseName(p.Value("Database"));
  {
    std::lock_guard<std::mutex> guard(AttachLock());
    Attachment = client.Provider->attachDatabase(&st, database.c_str(), dpb->getBufferLength(&st),
                                                 dpb->getBuffer(&st));
  }
  dpb->dispose();
  st.Check();
  ++LiveAttachments();
}

size_t TFbAttachment::Live() { return LiveAttachments().load(); }

TFbAttachment::~TFbAttachment() {
  if (!Attachment) return;
  --LiveAttachments();
  FreeStatements();
  EndReadTransaction();
  if (FStampStatement) {
    TFbStatus st(Client);
    FStampStatement->free(&st);
    if (st.Failed()) FStampStatement->release();
    FStampStatement = nullptr;
  }
  TFbStatus st(Client);
  std::lock_guard<std::mutex> guard(AttachLock());
  Attachment->detach(&st);
  if (st.Failed()) {
    // A lost connection cannot detach cleanly; the handle is released anyway.
    Attachment->release();
  }
  Attachment = nullptr;
}

bool TFbAttachment::Alive() noexcept {
  if (Lost || !Attachment) return false;
  TFbStatus st(*this);
  Attachment->ping(&st);
  if (st.Failed()) Lost = true;
  // A call that asks for no statement (EchoString) pays no schema check.
  FSchemaCheckDue = !Lost && !FKept.empty();
  return !Lost;
}

std::string TFbAttachment::ReadSchemaStamp() {
  // Only the tables and views of the database's users, whose ids start at
  // 128, read through the index on the id: the system's own tables change
  // only with the engine's on-disk version, and skipping them halves the
  // rows read on a small database.
  static constexpr char Sql[] =
      "select count(*), sum(RDB$FORMAT), max(RDB$RELATION_ID) from RDB$RELATIONS where RDB$RELATION_ID >= 128";
  ITransaction* tra = ReadTransaction();
  TFbStatus st(*this);
  std::string stamp;
  if (!FStampStatement) {
    FStampStatement = Attachment->prepare(&st, tra, sizeof Sql - 1, Sql, Dialect, 0);
    st.Check();
  }
  IMessageMetadata* out = FStampStatement->getOutputMetadata(&st);
  st.Check();
  stamp.assign(out->getMessageLength(&st), '\0');
  if (!st.Failed())
    FStampStatement->execute(&st, tra, nullptr, nullptr, out, reinterpret_cast<unsigned char*>(stamp.data()));
  out->release();
  st.Check();
  return stamp;
}

ITransaction* TFbAttachment::ReadTransaction() {
  if (FReadTransaction) return FReadTransaction;
  // Read-only read committed (record versions): the engine counts it as
  // committed from its start, so it holds back neither the oldest active
  // transaction nor garbage collection however long it stays open.
  static constexpr unsigned char ReadOnlyTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                                  isc_tpb_rec_version, isc_tpb_nowait};
  TFbStatus st(*this);
  ITransaction* tra = Attachment->startTransaction(&st, sizeof ReadOnlyTpb, ReadOnlyTpb);
  st.Check();
  FReadTransaction = tra;
  return tra;
}

void TFbAttachment::EndReadTransaction() noexcept {
  if (!FReadTransaction) return;
  ITransaction* tra = FReadTransaction;
  FReadTransaction = nullptr;
  TFbStatus st(*this);
  tra->commit(&st);
  if (st.Failed()) {
    Lost = true;  // not to be handed out again, whatever the failure
    tra->release();
  }
}

ITransaction* TFbAttachment::StartTransaction() {
  TFbStatus st(*this);
  ITransaction* tra = Attachment->startTransaction(&st, static_cast<unsigned>(Tpb.size()), Tpb.data());
  st.Check();
  ++OpenTransactions;
  return tra;
}

void TFbAttachment::Commit(ITransaction* tra) {
  TFbStatus st(*this);
  tra->commit(&st);
  if (st.Failed()) {
    Rollback(tra);
    st.Check();
  }
  --OpenTransactions;
}

void TFbAttachment::Rollback(ITransaction* tra) noexcept {
  TFbStatus st(*this);
  tra->rollback(&st);
  if (st.Failed()) {
    if (st.ConnectionLost()) Lost = true;
    tra->release();
  }
  --OpenTransactions;
}

std::unique_ptr<TFbStatement> TFbAttachment::TakeStatement(const std::string& sql) {
  if (FSchemaCheckDue) {
    FSchemaCheckDue = false;
    std::string stamp = ReadSchemaStamp();
    if (stamp != SchemaStamp) {
      FreeStatements();
      SchemaStamp = std::move(stamp);
    }
  }
  auto it = FKeptIndex.find(sql);
  if (it == FKeptIndex.end()) return std::make_unique<TFbStatement>(*this, sql);
  std::unique_ptr<TFbStatement> statement = std::move(*it->second);
  FKept.erase(it->second);
  FKeptIndex.erase(it);
  return statement;
}

void TFbAttachment::GiveStatement(std::unique_ptr<TFbStatement> statement) noexcept {
  if (!statement) return;
  if (!KeepStatements || Lost || !statement->Statement || !statement->Reusable()) return;  // freed here
  try {
    FKept.push_front(std::move(statement));
    FKeptIndex.emplace(FKept.front()->Sql, FKept.begin());
  } catch (const std::bad_alloc&) {
    return;
  }
  while (FKept.size() > MaxKeptStatements) {
    auto last = std::prev(FKept.end());
    auto range = FKeptIndex.equal_range((*last)->Sql);
    for (auto i = range.first; i != range.second; ++i)
      if (i->second == last) {
        FKeptIndex.erase(i);
        break;
      }
    FKept.erase(last);
  }
}

void TFbAttachment::FreeStatements() noexcept {
  FKeptIndex.clear();
  FKept.clear();
}

std::string TFbAttachment::EncodeText(std::u16string_view text) const {
  return Unicode ? Utf16ToUtf8(text) : Utf16ToWin1252(text);
}

std::u16string TFbAttachment::DecodeText(const char* bytes, size_t length) const {
  return Unicode ? Utf8ToUtf16(std::string_view(bytes, length)) : Win1252ToUtf16(std::string_view(bytes, length));
}

// ---- statement ----

TFbStatement::TFbStatement(TFbAttachment& att, const std::string& sql) : Att(att), Sql(sql) {
  ITransaction* tra = att.ReadTransaction();
  TFbStatus st(att);
  Statement = att.Attachment->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(), att.Dialect,
                                      IStatement::PREPARE_PREFETCH_METADATA);
  if (st.Failed()) {
    Statement = nullptr;
    st.Check();
  }
  // A constructor that throws runs no destructor: the handles go here.
  TScopeExit release([this]() noexcept { Release(); });
  Type = Statement->getType(&st);
  InMeta = Statement->getInputMetadata(&st);
  OutMeta = Statement->getOutputMetadata(&st);
  st.Check();
  const unsigned n = OutMeta->getCount(&st);
  st.Check();
  for (unsigned i = 0; i < n; ++i) {
    Columns.push_back(DescribeColumn(att, OutMeta, i));
    Layout.push_back(ColumnLayout(att, OutMeta, i));
  }
  release.Dismiss();
}

TFbStatement::~TFbStatement() { Release(); }

void TFbStatement::Release() noexcept {
  if (InMeta) InMeta->release();
  if (OutMeta) OutMeta->release();
  InMeta = OutMeta = nullptr;
  if (Statement) {
    TFbStatus st(Att);
    Statement->free(&st);
    if (st.Failed()) Statement->release();
    Statement = nullptr;
  }
}

bool TFbStatement::Reusable() const {
  switch (Type) {
    case isc_info_sql_stmt_select:
    case isc_info_sql_stmt_select_for_upd:
    case isc_info_sql_stmt_insert:
    case isc_info_sql_stmt_update:
    case isc_info_sql_stmt_delete:
    case isc_info_sql_stmt_exec_procedure:
      return true;
    default:  // definitions and transaction control are prepared each time
      return false;
  }
}

bool TFbStatement::HasResultSet() const {
  return Type == isc_info_sql_stmt_select || Type == isc_info_sql_stmt_select_for_upd;
}

unsigned TFbStatement::InputCount() const {
  TFbStatus st(Att);
  const unsigned n = InMeta->getCount(&st);
  st.Check();
  return n;
}

// ---- cursor ----

TFbCursor::TFbCursor(TFbStatement& stmt, const std::vector<const TParam*>& values) : FStmt(stmt) {
  TFbAttachment& att = stmt.Att;
  if (stmt.Type == isc_info_sql_stmt_select) FReadTra = att.ReadTransaction();
  else FTra = att.StartTransaction();
  ITransaction* tra = Transaction();
  // On failure only a transaction of its own is rolled back; the read
  // transaction stays for the next statement.
  auto abandon = [this, &att]() noexcept {
    if (FTra) att.Rollback(FTra);
    FTra = nullptr;
    FReadTra = nullptr;
  };
  TFbInput input;
  {
    TScopeExit rollback(abandon);
    if (stmt.InputCount() > 0 || !values.empty()) BuildInput(stmt, tra, values, input);
    rollback.Dismiss();
  }
  TFbStatus st(att);
  FBuffer.assign(stmt.OutMeta->getMessageLength(&st), 0);
  FCursor = stmt.Statement->openCursor(&st, tra, input.Meta, input.Meta ? input.Buffer.data() : nullptr,
                                       stmt.OutMeta, 0);
  if (st.Failed()) {
    FCursor = nullptr;
    abandon();
    st.Check();
  }
}

TFbCursor::~TFbCursor() {
  try {
    Close();
  } catch (const std::exception&) {
    // Destruction cannot report; the transaction has been rolled back.
  }
}

bool TFbCursor::Fetch() {
  if (!FCursor) return false;
  TFbStatus st(FStmt.Att);
  const int rc = FCursor->fetchNext(&st, FBuffer.data());
  st.Check();
  if (rc == IStatus::RESULT_OK) return true;
  Close();
  return false;
}

void TFbCursor::Decode(unsigned index, TDBXValue& value) {
  DecodeColumn(FStmt.Att, FStmt.Layout.at(index), FBuffer.data(), Transaction(), value);
}

TFbTextBytes TFbCursor::TextBytes(unsigned index, const char*& bytes, size_t& length) const {
  return ColumnTextBytes(FStmt.Att, FStmt.Layout[index], FBuffer.data(), bytes, length);
}

void TFbCursor::Close() {
  TFbAttachment& att = FStmt.Att;
  if (FCursor) {
    TFbStatus st(att);
    FCursor->close(&st);
    if (st.Failed()) FCursor->release();
    FCursor = nullptr;
  }
  FReadTra = nullptr;
  if (FTra) {
    ITransaction* tra = FTra;
    FTra = nullptr;
    att.Commit(tra);
  }
}

// ---- statements without a cursor ----

int64_t ExecuteOnce(TFbStatement& stmt, const std::vector<const TParam*>& values, std::vector<TDBXValue>* output) {
  TFbAttachment& att = stmt.Att;
  ITransaction* tra = att.StartTransaction();
  int64_t affected = 0;
  TScopeExit rollback([&att, tra]() noexcept { att.Rollback(tra); });
  {
    TFbInput input;
    if (stmt.InputCount() > 0 || !values.empty()) BuildInput(stmt, tra, values, input);
    TFbStatus st(att);
    std::vector<unsigned char> out(stmt.OutMeta->getMessageLength(&st), 0);
    const unsigned outCount = stmt.OutMeta->getCount(&st);
    st.Check();
    stmt.Statement->execute(&st, tra, input.Meta, input.Meta ? input.Buffer.data() : nullptr,
                            outCount ? stmt.OutMeta : nullptr, outCount ? out.data() : nullptr);
    st.Check();
    affected = static_cast<int64_t>(stmt.Statement->getAffectedRecords(&st));
    st.Check();
    if (output && outCount) {
      output->clear();
      output->resize(outCount);
      for (unsigned i = 0; i < outCount; ++i) DecodeColumn(att, stmt.Layout.at(i), out.data(), tra, (*output)[i]);
    }
  }
  rollback.Dismiss();
  att.Commit(tra);  // rolls back and raises when the commit fails
  return affected;
}


void CreateFirebirdDatabase(const std::string& vendorLib, const std::string& database, const std::string& user,
                            const std::string& password, const std::string& charSet) {
  TFbClient& client = TFbClient::Load(vendorLib);
  TFbStatus st(client);
  IXpbBuilder* dpb = client.Util->getXpbBuilder(&st, IXpbBuilder::DPB, nullptr, 0);
  st.Check();
  if (!user.empty()) dpb->insertString(&st, isc_dpb_user_name, user.c_str());
  if (!password.empty()) dpb->insertString(&st, isc_dpb_password, password.c_str());
  if (!charSet.empty()) dpb->insertString(&st, isc_dpb_set_db_charset, charSet.c_str());
  dpb->insertInt(&st, isc_dpb_sql_dialect, 3);
  dpb->insertInt(&st, isc_dpb_page_size, 8192);
  IAttachment* att = nullptr;
  std::lock_guard<std::mutex> guard(AttachLock());
  if (!st.Failed())
    att = client.Provider->createDatabase(&st, database.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
  dpb->dispose();
  st.Check();
  att->detach(&st);
  st.Check();
}

}  // namespace fieldsync
