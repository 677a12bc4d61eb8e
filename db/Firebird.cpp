#include "db/Firebird.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "core/Platform.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "db/DynamicLibrary.h"
#include "db/SQLParams.h"

namespace fieldsync {

using namespace Firebird;

namespace {

// Firebird character set ids that matter here.
constexpr unsigned CsNone = 0, CsOctets = 1, CsUnicodeFss = 3, CsUtf8 = 4, CsWin1252 = 53;
constexpr unsigned MaxVaryingBytes = 32765;

// The client library's file for a VendorLib name: the Windows client's name
// stands for the platform's own Firebird client.
std::string ClientFileName(const std::string& vendorLib) {
#ifdef _WIN32
  return vendorLib;
#else
  if (SameTextAscii(vendorLib, "fbclient.dll") || SameTextAscii(vendorLib, "gds32.dll"))
    return "libfbclient.so.2";
  return vendorLib;
#endif
}

unsigned BytesPerChar(unsigned charSet) {
  switch (charSet) {
    case CsUtf8: return 4;
    case CsUnicodeFss: return 3;
    default: return 1;  // single-byte character sets (multi-byte Asian sets are not used)
  }
}

// Keeps the first `count` characters (code points) of `text`.
void KeepChars(std::u16string& text, size_t count) {
  size_t units = 0;
  for (size_t chars = 0; units < text.size() && chars < count; ++chars) {
    const char16_t c = text[units];
    units += (c >= 0xD800 && c <= 0xDBFF && units + 1 < text.size()) ? 2 : 1;
  }
  text.resize(units);
}

std::u16string DecodeBytes(unsigned charSet, bool connectionUnicode, const char* bytes, size_t length) {
  const std::string_view view(bytes, length);
  if (charSet == CsUtf8 || charSet == CsUnicodeFss) return Utf8ToUtf16(view);
  if (charSet == CsNone && connectionUnicode) return Utf8ToUtf16(view);
  if (charSet == CsOctets) return Latin1ToUtf16(view);
  return Win1252ToUtf16(view);
}

}  // namespace

// ---- client ----

TFbClient& TFbClient::Load(const std::string& vendorLib) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<TFbClient>> clients;  // guarded by lock
  const std::string file = ClientFileName(vendorLib);
  std::lock_guard<std::mutex> guard(lock);
  auto it = clients.find(file);
  if (it != clients.end()) return *it->second;

  TDynamicLibrary lib = LoadDynamicLibrary(file);
  if (!lib.Handle)
    throw TDBXError(TDBXErrorCodes::DriverInitFailed,
                    FormatText(DBXMessages::UnableToLoad, {file, std::to_string(lib.ErrorCode)}));
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

TFbStatus::~TFbStatus() { FStatus->dispose(); }

bool TFbStatus::Failed() const { return (FWrapper.getState() & IStatus::STATE_ERRORS) != 0; }

void TFbStatus::Check() {
  if (!Failed()) return;
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

// A Database value without a host that names a relative file is found
// beside the executable, like every other file the program reads.
std::string ResolveDatabaseName(const std::string& database) {
  const auto colon = database.find(':');
  const bool hasHost = (colon != std::string::npos && colon > 1) || database.rfind("//", 0) == 0 ||
                       database.rfind("\\\\", 0) == 0;
  if (hasHost || database.empty()) return database;
  std::filesystem::path path(database);
  if (path.is_absolute() || colon == 1) return database;
  std::error_code ec;
  std::filesystem::path beside = ExecutableDir() / path;
  if (std::filesystem::exists(beside, ec)) return beside.string();
  return database;  // an alias, or a file relative to the current directory
}

}  // namespace

TFbAttachment::TFbAttachment(TFbClient& client, const TDBXProperties& p) : Client(client) {
  CharacterSet = AsciiUpper(p.Value("ServerCharSet"));
  if (CharacterSet.empty()) CharacterSet = "NONE";
  Unicode = CharacterSet == "UTF8" || CharacterSet == "UNICODE_FSS";
  TrimChar = SameTextAscii(p.Value("TrimChar"), "True");
  const std::string dialect = p.Value("SQLDialect");
  Dialect = dialect.empty() ? 3 : static_cast<unsigned>(std::atoi(dialect.c_str()));
  if (Dialect < 1 || Dialect > 3) Dialect = 3;
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
  Attachment = client.Provider->attachDatabase(&st, database.c_str(), dpb->getBufferLength(&st),
                                               dpb->getBuffer(&st));
  dpb->dispose();
  st.Check();
}

TFbAttachment::~TFbAttachment() {
  if (!Attachment) return;
  TFbStatus st(Client);
  Attachment->detach(&st);
  if (st.Failed()) {
    // A lost connection cannot detach cleanly; the handle is released anyway.
    Attachment->release();
  }
  Attachment = nullptr;
}

ITransaction* TFbAttachment::StartTransaction() {
  TFbStatus st(Client);
  ITransaction* tra = Attachment->startTransaction(&st, static_cast<unsigned>(Tpb.size()), Tpb.data());
  st.Check();
  return tra;
}

void TFbAttachment::Commit(ITransaction* tra) {
  TFbStatus st(Client);
  tra->commit(&st);
  if (st.Failed()) {
    Rollback(tra);
    st.Check();
  }
}

void TFbAttachment::Rollback(ITransaction* tra) noexcept {
  TFbStatus st(Client);
  tra->rollback(&st);
  if (st.Failed()) tra->release();
}

std::string TFbAttachment::EncodeText(std::u16string_view text) const {
  return Unicode ? Utf16ToUtf8(text) : Utf16ToWin1252(text);
}

std::u16string TFbAttachment::DecodeText(const char* bytes, size_t length) const {
  return Unicode ? Utf8ToUtf16(std::string_view(bytes, length)) : Win1252ToUtf16(std::string_view(bytes, length));
}

// ---- statement ----

namespace {

TDBXValueType Describe(TFbAttachment& att, IMessageMetadata* meta, unsigned i) {
  TFbStatus st(att.Client);
  TDBXValueType t;
  const char* alias = meta->getAlias(&st, i);
  const char* field = meta->getField(&st, i);
  const std::string name = (alias && *alias) ? alias : (field ? field : "");
  t.Name = att.DecodeText(name.data(), name.size());
  t.Ordinal = static_cast<int32_t>(i);
  const unsigned type = meta->getType(&st, i) & ~1u;
  const int scale = meta->getScale(&st, i);
  const int subType = meta->getSubType(&st, i);
  const unsigned length = meta->getLength(&st, i);
  const unsigned charSet = meta->getCharSet(&st, i);
  if (meta->isNullable(&st, i)) t.Flags |= TDBXValueTypeFlags::Nullable;
  st.Check();
  t.Size = length;
  switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
      t.DataType = att.Unicode ? TDBXDataTypes::WideStringType : TDBXDataTypes::AnsiStringType;
      t.Size = length / BytesPerChar(charSet);
      t.Precision = t.Size;
      break;
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      const bool decimal = scale != 0 || subType == 1 || subType == 2;
      const int64_t digits = type == SQL_SHORT ? 4 : type == SQL_LONG ? 9 : 18;
      if (decimal) {
        t.DataType = TDBXDataTypes::BcdType;
        t.SubType = subType;
        t.Scale = -scale;
        t.Precision = digits;
      } else {
        t.DataType = type == SQL_SHORT ? TDBXDataTypes::Int16Type
                     : type == SQL_LONG ? TDBXDataTypes::Int32Type
                                        : TDBXDataTypes::Int64Type;
        t.Precision = digits + 1;
      }
      break;
    }
    case SQL_FLOAT: t.DataType = TDBXDataTypes::SingleType; t.Precision = 7; break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT: t.DataType = TDBXDataTypes::DoubleType; t.Precision = 15; break;
    case SQL_TYPE_DATE: t.DataType = TDBXDataTypes::DateType; t.Precision = 10; break;
    case SQL_TYPE_TIME: t.DataType = TDBXDataTypes::TimeType; t.Precision = 8; break;
    case SQL_TIMESTAMP: t.DataType = TDBXDataTypes::TimeStampType; t.Precision = 24; break;
    case SQL_BLOB: t.DataType = TDBXDataTypes::BlobType; t.SubType = subType; break;
    case SQL_BOOLEAN: t.DataType = TDBXDataTypes::BooleanType; t.Precision = 1; break;
    case SQL_NULL: t.DataType = TDBXDataTypes::UnknownType; break;
    default:
      throw TDBXError(TDBXErrorCodes::InvalidType,
                      FormatText(DBXMessages::UnsupportedColumnType, {std::to_string(type)}));
  }
  return t;
}

}  // namespace

TFbStatement::TFbStatement(TFbAttachment& att, const std::string& sql) : Att(att) {
  ITransaction* tra = att.StartTransaction();
  TFbStatus st(att.Client);
  Statement = att.Attachment->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(), att.Dialect,
                                      IStatement::PREPARE_PREFETCH_METADATA);
  if (st.Failed()) {
    att.Rollback(tra);
    st.Check();
  }
  att.Commit(tra);
  Type = Statement->getType(&st);
  InMeta = Statement->getInputMetadata(&st);
  OutMeta = Statement->getOutputMetadata(&st);
  st.Check();
  const unsigned n = OutMeta->getCount(&st);
  st.Check();
  for (unsigned i = 0; i < n; ++i) Columns.push_back(Describe(att, OutMeta, i));
}

TFbStatement::~TFbStatement() {
  if (InMeta) InMeta->release();
  if (OutMeta) OutMeta->release();
  if (Statement) {
    TFbStatus st(Att.Client);
    Statement->free(&st);
    if (st.Failed()) Statement->release();
  }
}

bool TFbStatement::HasResultSet() const {
  return Type == isc_info_sql_stmt_select || Type == isc_info_sql_stmt_select_for_upd;
}

unsigned TFbStatement::InputCount() const {
  TFbStatus st(Att.Client);
  const unsigned n = InMeta->getCount(&st);
  st.Check();
  return n;
}

// ---- input ----

TFbInput::~TFbInput() {
  if (Meta) Meta->release();
}

namespace {

struct TBinding {
  unsigned Type = 0;
  unsigned Length = 0;
  int Scale = 0;
  int SubType = 0;
  unsigned CharSet = 0;
  bool Null = false;
  std::string Bytes;  // the value's bytes (text, or the encoded number)
};

template <class T>
std::string RawBytes(const T& v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

ISC_QUAD WriteBlob(TFbAttachment& att, ITransaction* tra, const std::string& bytes) {
  TFbStatus st(att.Client);
  ISC_QUAD id{};
  IBlob* blob = att.Attachment->createBlob(&st, tra, &id, 0, nullptr);
  st.Check();
  for (size_t pos = 0; pos < bytes.size() && !st.Failed(); pos += 32000) {
    const size_t n = std::min<size_t>(32000, bytes.size() - pos);
    blob->putSegment(&st, static_cast<unsigned>(n), bytes.data() + pos);
  }
  if (st.Failed()) {
    blob->release();
    st.Check();
  }
  blob->close(&st);
  st.Check();
  return id;
}

TBinding Bind(TFbStatement& stmt, ITransaction* tra, unsigned i, const TParam* param) {
  TFbAttachment& att = stmt.Att;
  TFbStatus st(att.Client);
  TBinding b;
  const unsigned origType = stmt.InMeta->getType(&st, i) & ~1u;
  const int origScale = stmt.InMeta->getScale(&st, i);
  const int origSubType = stmt.InMeta->getSubType(&st, i);
  st.Check();
  if (!param || param->IsNull()) {
    b.Type = origType;
    b.Length = stmt.InMeta->getLength(&st, i);
    b.Scale = origScale;
    b.SubType = origSubType;
    b.CharSet = stmt.InMeta->getCharSet(&st, i);
    st.Check();
    b.Null = true;
    return b;
  }
  const TDBXValue& v = param->Value();
  auto asText = [&](std::string bytes, unsigned charSet) {
    if (origType == SQL_BLOB) {
      b.Type = SQL_BLOB;
      b.SubType = origSubType;
      b.CharSet = charSet;  // the server converts a text blob to the column's set
      b.Bytes = RawBytes(WriteBlob(att, tra, bytes));
      b.Length = sizeof(ISC_QUAD);
      return;
    }
    if (bytes.size() > MaxVaryingBytes)
      throw TDBXError(TDBXErrorCodes::InvalidParameter,
                      "Parameter " + param->Name() + " is longer than " + std::to_string(MaxVaryingBytes) + " bytes");
    b.Type = SQL_VARYING;
    b.CharSet = charSet;
    b.Length = static_cast<unsigned>(bytes.size());
    const uint16_t len = static_cast<uint16_t>(bytes.size());
    b.Bytes = RawBytes(len) + bytes;
  };
  const bool decimalTarget = (origType == SQL_SHORT || origType == SQL_LONG || origType == SQL_INT64) &&
                             (origScale != 0 || origSubType == 1 || origSubType == 2);
  switch (param->DataType()) {
    case TFieldType::ftWideString:
    case TFieldType::ftMemo: {
      const std::u16string text = v.GetWideString();
      if (origType == SQL_BLOB) asText(att.EncodeText(text), att.Unicode ? CsUtf8 : CsWin1252);
      else asText(Utf16ToUtf8(text), CsUtf8);
      return b;
    }
    case TFieldType::ftCurrency: {
      const TCurrency c = v.GetCurrency();
      if (decimalTarget) {
        b.Type = SQL_INT64; b.Length = 8; b.Scale = -4; b.Bytes = RawBytes(static_cast<int64_t>(c.Scaled));
      } else {
        b.Type = SQL_DOUBLE; b.Length = 8; b.Bytes = RawBytes(c.ToDouble());
      }
      return b;
    }
    case TFieldType::ftDate: {
      const TDBXDate d = v.GetDate();
      const ISC_DATE date = att.Client.Util->encodeDate(d.Year, d.Month, d.Day);
      b.Type = SQL_TYPE_DATE; b.Length = 4; b.Bytes = RawBytes(date);
      return b;
    }
    case TFieldType::ftTime: {
      const TDBXTime t = v.GetTime();
      const ISC_TIME time = att.Client.Util->encodeTime(t.Hour, t.Minute, t.Second, t.Millisecond * 10);
      b.Type = SQL_TYPE_TIME; b.Length = 4; b.Bytes = RawBytes(time);
      return b;
    }
    case TFieldType::ftDateTime: {
      const TDBXTimeStamp ts = v.GetTimeStamp();
      ISC_TIMESTAMP value;
      value.timestamp_date = att.Client.Util->encodeDate(ts.Date.Year, ts.Date.Month, ts.Date.Day);
      value.timestamp_time =
          att.Client.Util->encodeTime(ts.Time.Hour, ts.Time.Minute, ts.Time.Second, ts.Time.Millisecond * 10);
      b.Type = SQL_TIMESTAMP; b.Length = 8; b.Bytes = RawBytes(value);
      return b;
    }
    case TFieldType::ftFloat: {
      b.Type = SQL_DOUBLE; b.Length = 8; b.Bytes = RawBytes(v.GetDouble());
      return b;
    }
    case TFieldType::ftBCD: {
      const TDBXBcd d = v.GetBcd();
      b.Type = SQL_INT64; b.Length = 8; b.Scale = -d.Scale; b.Bytes = RawBytes(d.Unscaled);
      return b;
    }
    case TFieldType::ftBoolean: {
      const FB_BOOLEAN flag = v.GetBoolean() ? FB_TRUE : FB_FALSE;
      b.Type = SQL_BOOLEAN; b.Length = 1; b.Bytes = RawBytes(flag);
      return b;
    }
    case TFieldType::ftBlob: {
      const auto& bytes = v.GetBytes();
      asText(std::string(bytes.begin(), bytes.end()), CsOctets);
      return b;
    }
    case TFieldType::ftSmallint: {
      const int16_t n = static_cast<int16_t>(v.GetInt32());
      b.Type = SQL_SHORT; b.Length = 2; b.Bytes = RawBytes(n);
      return b;
    }
    case TFieldType::ftLargeint: {
      b.Type = SQL_INT64; b.Length = 8; b.Bytes = RawBytes(static_cast<int64_t>(v.GetInt64()));
      return b;
    }
    case TFieldType::ftInteger:
    case TFieldType::ftUnknown:
    default: {
      const int32_t n = v.GetInt32();
      b.Type = SQL_LONG; b.Length = 4; b.Bytes = RawBytes(n);
      return b;
    }
  }
}

}  // namespace

void BuildInput(TFbStatement& stmt, ITransaction* tra, const std::vector<const TParam*>& values, TFbInput& input) {
  TFbAttachment& att = stmt.Att;
  const unsigned n = stmt.InputCount();
  if (values.size() != n)
    throw TDBXError(TDBXErrorCodes::InvalidParameter, "The statement has " + std::to_string(n) +
                                                          " parameters; " + std::to_string(values.size()) +
                                                          " were given");
  std::vector<TBinding> bindings;
  bindings.reserve(n);
  for (unsigned i = 0; i < n; ++i) bindings.push_back(Bind(stmt, tra, i, values[i]));

  TFbStatus st(att.Client);
  IMetadataBuilder* builder = stmt.InMeta->getBuilder(&st);
  st.Check();
  for (unsigned i = 0; i < n && !st.Failed(); ++i) {
    const TBinding& b = bindings[i];
    builder->setType(&st, i, b.Type | 1u);
    if (b.Type != SQL_BLOB) builder->setLength(&st, i, b.Length);
    builder->setScale(&st, i, b.Scale);
    builder->setSubType(&st, i, b.SubType);
    if (b.Type == SQL_VARYING || b.Type == SQL_TEXT || b.Type == SQL_BLOB) builder->setCharSet(&st, i, b.CharSet);
  }
  if (!st.Failed()) input.Meta = builder->getMetadata(&st);
  builder->release();
  st.Check();
  input.Buffer.assign(input.Meta->getMessageLength(&st), 0);
  st.Check();
  for (unsigned i = 0; i < n; ++i) {
    const TBinding& b = bindings[i];
    const unsigned offset = input.Meta->getOffset(&st, i);
    const unsigned nullOffset = input.Meta->getNullOffset(&st, i);
    st.Check();
    const int16_t nullFlag = b.Null ? -1 : 0;
    std::memcpy(&input.Buffer[nullOffset], &nullFlag, sizeof nullFlag);
    if (!b.Null) std::memcpy(&input.Buffer[offset], b.Bytes.data(), b.Bytes.size());
  }
}

// ---- output ----

void DecodeColumn(TFbAttachment& att, IMessageMetadata* meta, unsigned i, const unsigned char* buffer,
                  ITransaction* tra, TDBXValue& value) {
  TFbStatus st(att.Client);
  const unsigned type = meta->getType(&st, i) & ~1u;
  const unsigned nullOffset = meta->getNullOffset(&st, i);
  const unsigned offset = meta->getOffset(&st, i);
  st.Check();
  int16_t nullFlag;
  std::memcpy(&nullFlag, buffer + nullOffset, sizeof nullFlag);
  if (nullFlag != 0 || type == SQL_NULL) {
    value.SetNull();
    return;
  }
  const unsigned char* data = buffer + offset;
  auto read = [&](auto& v) { std::memcpy(&v, data, sizeof v); };
  switch (type) {
    case SQL_TEXT: {
      const unsigned length = meta->getLength(&st, i);
      const unsigned charSet = meta->getCharSet(&st, i);
      st.Check();
      std::u16string text = DecodeBytes(charSet, att.Unicode, reinterpret_cast<const char*>(data), length);
      // A CHAR(n) of a multi-byte set arrives padded to its byte length:
      // keep its n characters (blanks included).
      const unsigned perChar = BytesPerChar(charSet);
      if (perChar > 1) KeepChars(text, length / perChar);
      if (att.TrimChar) {
        while (!text.empty() && text.back() == u' ') text.pop_back();
      }
      value.SetWideString(std::move(text));
      return;
    }
    case SQL_VARYING: {
      uint16_t length;
      std::memcpy(&length, data, sizeof length);
      const unsigned charSet = meta->getCharSet(&st, i);
      st.Check();
      value.SetWideString(DecodeBytes(charSet, att.Unicode, reinterpret_cast<const char*>(data + 2), length));
      return;
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      int64_t n = 0;
      if (type == SQL_SHORT) { int16_t v; read(v); n = v; }
      else if (type == SQL_LONG) { int32_t v; read(v); n = v; }
      else { int64_t v; read(v); n = v; }
      const int scale = meta->getScale(&st, i);
      const int subType = meta->getSubType(&st, i);
      st.Check();
      if (scale != 0 || subType == 1 || subType == 2) value.SetBcd(TDBXBcd{n, -scale});
      else value.SetInt64(n);
      return;
    }
    case SQL_FLOAT: { float v; read(v); value.SetSingle(v); return; }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: { double v; read(v); value.SetDouble(v); return; }
    case SQL_BOOLEAN: { FB_BOOLEAN v; read(v); value.SetBoolean(v != 0); return; }
    case SQL_TYPE_DATE: {
      ISC_DATE d; read(d);
      unsigned y, m, day;
      att.Client.Util->decodeDate(d, &y, &m, &day);
      value.SetDate(TDBXDate{int32_t(y), int32_t(m), int32_t(day)});
      return;
    }
    case SQL_TYPE_TIME: {
      ISC_TIME t; read(t);
      unsigned h, mi, s, f;
      att.Client.Util->decodeTime(t, &h, &mi, &s, &f);
      value.SetTime(TDBXTime{int32_t(h), int32_t(mi), int32_t(s), int32_t(f / 10)});
      return;
    }
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP ts; read(ts);
      unsigned y, m, day, h, mi, s, f;
      att.Client.Util->decodeDate(ts.timestamp_date, &y, &m, &day);
      att.Client.Util->decodeTime(ts.timestamp_time, &h, &mi, &s, &f);
      value.SetTimeStamp(TDBXTimeStamp{TDBXDate{int32_t(y), int32_t(m), int32_t(day)},
                                       TDBXTime{int32_t(h), int32_t(mi), int32_t(s), int32_t(f / 10)}});
      return;
    }
    case SQL_BLOB: {
      ISC_QUAD id; read(id);
      IBlob* blob = att.Attachment->openBlob(&st, tra, &id, 0, nullptr);
      st.Check();
      std::vector<uint8_t> bytes;
      char chunk[32768];
      for (;;) {
        unsigned got = 0;
        const int rc = blob->getSegment(&st, sizeof chunk, chunk, &got);
        if (rc == IStatus::RESULT_OK || rc == IStatus::RESULT_SEGMENT) {
          bytes.insert(bytes.end(), chunk, chunk + got);
          continue;
        }
        break;
      }
      if (st.Failed()) {
        blob->release();
        st.Check();
      }
      blob->close(&st);
      st.Check();
      value.SetBytes(std::move(bytes));
      return;
    }
    default:
      throw TDBXError(TDBXErrorCodes::InvalidType,
                      FormatText(DBXMessages::UnsupportedColumnType, {std::to_string(type)}));
  }
}

// ---- cursor ----

TFbCursor::TFbCursor(TFbStatement& stmt, const std::vector<const TParam*>& values) : FStmt(stmt) {
  TFbAttachment& att = stmt.Att;
  FTra = att.StartTransaction();
  TFbInput input;
  try {
    if (stmt.InputCount() > 0 || !values.empty()) BuildInput(stmt, FTra, values, input);
  } catch (...) {
    att.Rollback(FTra);
    FTra = nullptr;
    throw;
  }
  TFbStatus st(att.Client);
  FBuffer.assign(stmt.OutMeta->getMessageLength(&st), 0);
  FCursor = stmt.Statement->openCursor(&st, FTra, input.Meta, input.Meta ? input.Buffer.data() : nullptr,
                                       stmt.OutMeta, 0);
  if (st.Failed()) {
    FCursor = nullptr;
    att.Rollback(FTra);
    FTra = nullptr;
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
  TFbStatus st(FStmt.Att.Client);
  const int rc = FCursor->fetchNext(&st, FBuffer.data());
  st.Check();
  if (rc == IStatus::RESULT_OK) return true;
  Close();
  return false;
}

void TFbCursor::Decode(unsigned index, TDBXValue& value) {
  DecodeColumn(FStmt.Att, FStmt.OutMeta, index, FBuffer.data(), FTra, value);
}

void TFbCursor::Close() {
  TFbAttachment& att = FStmt.Att;
  if (FCursor) {
    TFbStatus st(att.Client);
    FCursor->close(&st);
    if (st.Failed()) FCursor->release();
    FCursor = nullptr;
  }
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
  try {
    TFbInput input;
    if (stmt.InputCount() > 0 || !values.empty()) BuildInput(stmt, tra, values, input);
    TFbStatus st(att.Client);
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
      for (unsigned i = 0; i < outCount; ++i) DecodeColumn(att, stmt.OutMeta, i, out.data(), tra, (*output)[i]);
    }
  } catch (...) {
    att.Rollback(tra);
    throw;
  }
  att.Commit(tra);  // rolls back and raises when the commit fails
  return affected;
}

}  // namespace fieldsync

namespace fieldsync {

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
  if (!st.Failed())
    att = client.Provider->createDatabase(&st, database.c_str(), dpb->getBufferLength(&st), dpb->getBuffer(&st));
  dpb->dispose();
  st.Check();
  att->detach(&st);
  st.Check();
}

}  // namespace fieldsync
