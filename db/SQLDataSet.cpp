#include "db/SQLDataSet.h"

#include "core/ScopeExit.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "db/internal/Firebird.h"

namespace fieldsync {

namespace {

bool IsNameChar(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' ||
         c == u'$';
}

// Turns ":NAME" markers into "?" and lists the names in order. Quoted
// strings, quoted identifiers and comments are copied as they are.
std::u16string ParseMarkers(std::u16string_view sql, std::vector<std::string>& names) {
  std::u16string out;
  out.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (c == u'\'' || c == u'"') {
      const size_t end = sql.find(c, i + 1);
      const size_t stop = end == std::u16string_view::npos ? sql.size() : end + 1;
      out.append(sql.substr(i, stop - i));
      i = stop;
    } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
      const size_t end = sql.find(u'\n', i);
      const size_t stop = end == std::u16string_view::npos ? sql.size() : end;
      out.append(sql.substr(i, stop - i));
      i = stop;
    } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
      const size_t end = sql.find(u"*/", i + 2);
      const size_t stop = end == std::u16string_view::npos ? sql.size() : end + 2;
      out.append(sql.substr(i, stop - i));
      i = stop;
    } else if (c == u':' && i + 1 < sql.size() && IsNameChar(sql[i + 1])) {
      size_t j = i + 1;
      while (j < sql.size() && IsNameChar(sql[j])) ++j;
      names.push_back(Utf16ToUtf8(sql.substr(i + 1, j - i - 1)));
      out.push_back(u'?');
      i = j;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

[[noreturn]] void FailNotConnected() {
  throw TDBXError(TDBXErrorCodes::ConnectionClosed, std::string(DBXMessages::NotConnected));
}

}  // namespace

// ---- TSQLDataSetBase ----

TSQLDataSetBase::TSQLDataSetBase(TSQLConnection& connection) : FConnection(&connection) {
  connection.Register(this);
}

TSQLDataSetBase::~TSQLDataSetBase() {
  if (FConnection) FConnection->Unregister(this);
  Unprepare();
}

void TSQLDataSetBase::Close() {}

// The statement goes back to its attachment, which keeps it for the next
// data set or command of the same text.
void TSQLDataSetBase::Unprepare() noexcept {
  if (!FStatement) return;
  TFbAttachment& att = FStatement->Att;
  att.GiveStatement(std::move(FStatement));
}

void TSQLDataSetBase::ConnectionClosing() {
  Close();
  Unprepare();
}

// ---- TSQLDataSet ----

TSQLDataSet::TSQLDataSet(TSQLConnection& connection) : TSQLDataSetBase(connection) {}

TSQLDataSet::~TSQLDataSet() {
  try {
    Close();
  } catch (const std::exception&) {
  }
}

void TSQLDataSet::SetCommandText(std::u16string_view sql) {
  Close();
  Unprepare();
  FCommandText = std::u16string(sql);
  FMarkers.clear();
  FServerText = ParseMarkers(sql, FMarkers);
  TParams rebuilt;
  for (const std::string& name : FMarkers) {
    if (rebuilt.FindParam(name)) continue;
    TParam& p = rebuilt.CreateParam(TFieldType::ftUnknown, name, TParamType::ptInput);
    if (TParam* old = FParams.FindParam(name)) {
      p.SetDataType(old->DataType());
      p.SetParamType(old->ParamType());
      p.Value() = std::move(old->Value());
    }
  }
  FParams = std::move(rebuilt);
}

void TSQLDataSet::SetCommandText(std::string_view utf8Sql) { SetCommandText(Utf8ToUtf16(utf8Sql)); }

void TSQLDataSet::PrepareIfNeeded() {
  if (!FConnection) FailNotConnected();
  if (FCommandText.empty())
    throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoSQLStatement));
  if (FStatement) return;
  TFbAttachment& att = FConnection->DBXConnection().Attachment();
  FStatement = att.TakeStatement(att.EncodeText(FServerText));
}

namespace {

// Output parameters take the returned row's values: by name, else by their
// position among the output parameters.
void AssignOutputs(TParams& params, const std::vector<TDBXValueType>& columns, std::vector<TDBXValue>& row) {
  size_t position = 0;
  for (int32_t i = 0; i < params.Count(); ++i) {
    TParam& p = params[i];
    if (p.ParamType() != TParamType::ptOutput && p.ParamType() != TParamType::ptInputOutput &&
        p.ParamType() != TParamType::ptResult)
      continue;
    size_t column = position++;
    const std::u16string name = AsciiUpper(Utf8ToUtf16(p.Name()));
    for (size_t c = 0; c < columns.size(); ++c)
      if (AsciiUpper(columns[c].Name) == name) column = c;
    if (column < row.size()) p.Value() = std::move(row[column]);
  }
}

std::vector<const TParam*> MarkerValues(TParams& params, const std::vector<std::string>& markers) {
  std::vector<const TParam*> values;
  values.reserve(markers.size());
  for (const std::string& name : markers) values.push_back(&params.ParamByName(name));
  return values;
}

}  // namespace

void TSQLDataSet::Open() {
  Close();
  PrepareIfNeeded();
  if (!FStatement->HasResultSet())
    throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::CursorNotReturned));
  FCursor = std::make_unique<TFbCursor>(*FStatement, MarkerValues(FParams, FMarkers));
  FFields.clear();
  for (const TDBXValueType& column : FStatement->Columns) FFields.emplace_back(column);
  // A first fetch that fails closes the data set again; the cursor's
  // transaction ends with it (its own failure to end is not reported over
  // the fetch's).
  TScopeExit close([this]() noexcept {
    FEof = FEmpty = true;
    FCursor.reset();
  });
  Next();
  close.Dismiss();
  FEmpty = FEof;
}

void TSQLDataSet::Next() {
  if (!FCursor) {
    FEof = true;
    return;
  }
  if (!FCursor->Fetch()) {
    FEof = true;
    for (TField& f : FFields) f.Value().SetNull();
    return;
  }
  FEof = false;
  LoadRow();
}

void TSQLDataSet::LoadRow() {
  for (size_t i = 0; i < FFields.size(); ++i) FCursor->Decode(static_cast<unsigned>(i), FFields[i].Value());
}

void TSQLDataSet::Close() {
  FEof = true;
  FEmpty = true;
  if (!FCursor) return;
  std::unique_ptr<TFbCursor> cursor = std::move(FCursor);
  cursor->Close();
}

bool TSQLDataSet::IsEmpty() const { return !FCursor || FEmpty; }

TField* TSQLDataSet::FindField(std::string_view name) {
  const std::u16string wanted = AsciiUpper(Utf8ToUtf16(name));
  for (TField& f : FFields)
    if (AsciiUpper(f.FieldName()) == wanted) return &f;
  return nullptr;
}

TField& TSQLDataSet::FieldByName(std::string_view name) {
  if (TField* f = FindField(name)) return *f;
  throw TDBXError(TDBXErrorCodes::InvalidParameter, FormatText(DBXMessages::FieldNotFound, {name}));
}

int32_t TSQLDataSet::ExecSQL() {
  Close();
  const bool wasPrepared = Prepared();
  PrepareIfNeeded();
  int64_t affected = 0;
  const TScopeExit unprepare([this, wasPrepared]() noexcept {
    if (!wasPrepared) Unprepare();
  });
  if (FStatement->HasResultSet()) {
    TFbCursor cursor(*FStatement, MarkerValues(FParams, FMarkers));
    cursor.Close();
  } else {
    std::vector<TDBXValue> outputs;
    affected = ExecuteOnce(*FStatement, MarkerValues(FParams, FMarkers), &outputs);
    AssignOutputs(FParams, FStatement->Columns, outputs);
  }
  return static_cast<int32_t>(affected);
}

// ---- TSQLStoredProc ----

TSQLStoredProc::TSQLStoredProc(TSQLConnection& connection) : TSQLDataSetBase(connection) {}

TSQLStoredProc::~TSQLStoredProc() = default;

void TSQLStoredProc::ExecProc() {
  if (!FConnection) FailNotConnected();
  if (StoredProcName.empty())
    throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::NoSQLStatement));
  std::vector<const TParam*> inputs;
  for (int32_t i = 0; i < FParams.Count(); ++i) {
    const TParam& p = FParams[i];
    if (p.ParamType() != TParamType::ptOutput && p.ParamType() != TParamType::ptResult) inputs.push_back(&p);
  }
  const bool wasPrepared = Prepared();
  if (!FStatement) {
    TFbAttachment& att = FConnection->DBXConnection().Attachment();
    std::u16string name = u"\"";
    for (char16_t c : Utf8ToUtf16(StoredProcName)) {
      if (c == u'"') name += u'"';
      name += c;
    }
    name += u"\"";
    std::u16string text = u"EXECUTE PROCEDURE " + name;
    if (!inputs.empty()) {
      text += u"(";
      for (size_t i = 0; i < inputs.size(); ++i) text += i ? u", ?" : u"?";
      text += u")";
    }
    FStatement = att.TakeStatement(att.EncodeText(text));
  }
  const TScopeExit unprepare([this, wasPrepared]() noexcept {
    if (!wasPrepared) Unprepare();
  });
  std::vector<TDBXValue> results;
  ExecuteOnce(*FStatement, inputs, &results);
  AssignOutputs(FParams, FStatement->Columns, results);
}

}  // namespace fieldsync
