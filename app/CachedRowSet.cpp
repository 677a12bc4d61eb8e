#include "app/CachedRowSet.h"

#include "app/AppMessages.h"
#include "core/Error.h"
#include "core/Text.h"
#include "db/SQLDataSet.h"

namespace fieldsync {

TCachedRowSet::TCachedRowSet(TSQLConnection& connection, std::string name, std::string table, std::u16string sql)
    : FConnection(connection), FName(std::move(name)), FTable(std::move(table)), FSQL(std::move(sql)) {}

void TCachedRowSet::Close() {
  const bool wasOpen = FState != TRowSetState::Closed;
  FState = TRowSetState::Closed;
  FColumns.clear();
  FRows.clear();
  FEdited.clear();
  if (wasOpen) NotifyRecordChanged();
}

void TCachedRowSet::RemoveLink(TRowSetLink& link) { std::erase(FLinks, &link); }

void TCachedRowSet::NotifyRecordChanged() {
  for (TRowSetLink* link : FLinks) link->RecordChanged();
}

void TCachedRowSet::Open() {
  Close();
  FConnection.Open();
  TSQLDataSet query(FConnection);
  query.SetCommandText(FSQL);
  query.ParamByName("IDFILIAL").AsInteger(FIDFilial);
  query.Open();
  for (int32_t i = 0; i < query.FieldCount(); ++i) {
    const auto& type = query.Fields(i).ValueType();
    TColumn column{Utf16ToUtf8(type.Name), TKind::Other};
    switch (type.DataType) {
      case TDBXDataTypes::Int32Type:
        column.Kind = TKind::Integer;
        break;
      case TDBXDataTypes::Int16Type:
        column.Kind = TKind::SmallInt;
        break;
      case TDBXDataTypes::AnsiStringType:
      case TDBXDataTypes::WideStringType:
        column.Kind = TKind::Text;
        break;
    }
    FColumns.push_back(column);
  }
  while (!query.Eof()) {
    std::vector<TCell> row;
    for (int32_t i = 0; i < query.FieldCount(); ++i) {
      TField& field = query.Fields(i);
      TCell cell;
      cell.Null = field.IsNull();
      if (!cell.Null) {
        if (FColumns[i].Kind == TKind::Integer || FColumns[i].Kind == TKind::SmallInt) {
          cell.Integer = field.AsInteger();
        } else {
          cell.Text = field.AsString();
        }
      }
      row.push_back(std::move(cell));
    }
    FRows.push_back(std::move(row));
    query.Next();
  }
  query.Close();
  FState = TRowSetState::Browsing;
  NotifyRecordChanged();
}

void TCachedRowSet::CheckActive() const {
  if (FState == TRowSetState::Closed) throw Exception(FormatText(ClosedDataSetMessage, {FName}));
}

size_t TCachedRowSet::ColumnIndex(const std::string& column) const {
  CheckActive();
  for (size_t i = 0; i < FColumns.size(); ++i)
    if (SameTextAscii(FColumns[i].Name, column)) return i;
  throw Exception(FormatText(FieldNotFoundMessage, {FName, column}));
}

int32_t TCachedRowSet::FieldAsInteger(const std::string& column) const {
  const size_t i = ColumnIndex(column);
  const auto& row = FState == TRowSetState::Editing ? FEdited : (FRows.empty() ? FEdited : FRows[0]);
  if (row.empty() || row[i].Null) return 0;
  return row[i].Integer;
}

std::u16string TCachedRowSet::FieldAsString(const std::string& column) const {
  const size_t i = ColumnIndex(column);
  const auto& row = FState == TRowSetState::Editing ? FEdited : (FRows.empty() ? FEdited : FRows[0]);
  if (row.empty() || row[i].Null) return {};
  if (FColumns[i].Kind == TKind::Text) return row[i].Text;
  return Latin1ToUtf16(std::to_string(row[i].Integer));
}

bool TCachedRowSet::FieldIsNull(const std::string& column) const {
  const size_t i = ColumnIndex(column);
  const auto& row = FState == TRowSetState::Editing ? FEdited : (FRows.empty() ? FEdited : FRows[0]);
  return row.empty() || row[i].Null;
}

void TCachedRowSet::Edit() {
  CheckActive();
  if (FState == TRowSetState::Editing || FRows.empty()) return;
  FEdited = FRows[0];
  FState = TRowSetState::Editing;
}

TCachedRowSet::TCell& TCachedRowSet::EditableCell(const std::string& column) {
  const size_t i = ColumnIndex(column);
  Edit();
  if (FState != TRowSetState::Editing) throw Exception(FormatText(ClosedDataSetMessage, {FName}));
  return FEdited[i];
}

void TCachedRowSet::SetFieldInteger(const std::string& column, int32_t value) {
  const size_t i = ColumnIndex(column);
  if (FColumns[i].Kind == TKind::SmallInt && (value < -32768 || value > 32767)) {
    throw Exception(FormatText(FieldRangeMessage, {std::to_string(value), FColumns[i].Name, "-32768", "32767"}));
  }
  TCell& cell = EditableCell(column);
  cell.Null = false;
  cell.Integer = value;
}

void TCachedRowSet::SetFieldString(const std::string& column, const std::u16string& value) {
  TCell& cell = EditableCell(column);
  cell.Null = false;
  cell.Text = value;
}

void TCachedRowSet::SetFieldNull(const std::string& column) {
  TCell& cell = EditableCell(column);
  cell.Null = true;
  cell.Text.clear();
  cell.Integer = 0;
}

void TCachedRowSet::ApplyUpdates(int /*maxErrors*/) {
  CheckActive();
  if (FState != TRowSetState::Editing) return;
  for (TRowSetLink* link : FLinks) link->UpdateRecord();
  const auto& original = FRows[0];
  std::string set, where;
  for (size_t i = 0; i < FColumns.size(); ++i) {
    if (!(FEdited[i] == original[i])) set += (set.empty() ? "" : ", ") + FColumns[i].Name + " = :N" + std::to_string(i);
    where += (where.empty() ? "" : " and ") + FColumns[i].Name +
             (original[i].Null ? " is null" : " = :O" + std::to_string(i));
  }
  if (!set.empty()) {
    TSQLDataSet update(FConnection);
    update.SetCommandText("update " + FTable + " set " + set + " where " + where);
    auto bind = [&](const std::string& name, const TCell& cell, TKind kind) {
      TParam& param = update.ParamByName(name);
      if (cell.Null) {
        param.Clear();
      } else if (kind == TKind::Integer) {
        param.AsInteger(cell.Integer);
      } else if (kind == TKind::SmallInt) {
        param.AsSmallInt(static_cast<int16_t>(cell.Integer));
      } else {
        param.AsString(cell.Text);
      }
    };
    for (size_t i = 0; i < FColumns.size(); ++i) {
      if (!(FEdited[i] == original[i])) bind("N" + std::to_string(i), FEdited[i], FColumns[i].Kind);
      if (!original[i].Null) bind("O" + std::to_string(i), original[i], FColumns[i].Kind);
    }
    update.ExecSQL();
  }
  FRows[0] = FEdited;
  FEdited.clear();
  FState = TRowSetState::Browsing;
}

}  // namespace fieldsync
