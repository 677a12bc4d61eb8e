#pragma once
// A cached row set over one parameterised select (the host window's branch
// and configuration rows): the rows are read into memory when it is opened,
// the first row can be edited, and the pending change is written back as an
// UPDATE that sets the changed columns and finds the row by the original
// values of all its columns.
// Used by the host window's thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fieldsync {

class TSQLConnection;

enum class TRowSetState { Closed, Browsing, Editing };

// A control that shows a column of a row set (the options tab's check boxes
// and edits) and keeps a pending value of its own until it stores it.
class TRowSetLink {
 public:
  virtual ~TRowSetLink() = default;
  // The row was read again or the set closed: show the column's value anew.
  virtual void RecordChanged() = 0;
  // The pending change is about to be written back: store the control's
  // value into the row now. May raise; the write-back then stops.
  virtual void UpdateRecord() = 0;
};

class TCachedRowSet {
 public:
  // `name` names the row set in messages, `table` is the table the UPDATE
  // writes, `sql` the select with its ":IDFILIAL" parameter.
  TCachedRowSet(TSQLConnection& connection, std::string name, std::string table, std::u16string sql);

  TRowSetState State() const { return FState; }
  void Close();
  // The IDFILIAL parameter of the select.
  void SetIDFilial(int32_t value) { FIDFilial = value; }
  // Runs the select and holds its rows; the set is browsing afterwards.
  void Open();
  bool IsEmpty() const { return FRows.empty(); }

  // The first row's column; null reads as 0 and as the empty text. Raises
  // "Field '%s' not found" for an unknown column and the closed-set error
  // when the set is closed.
  int32_t FieldAsInteger(const std::string& column) const;
  std::u16string FieldAsString(const std::string& column) const;
  bool FieldIsNull(const std::string& column) const;

  // Starts editing the first row (nothing to edit in an empty set).
  void Edit();
  // Stores a value into the first row; starts editing when browsing. Raises
  // the field range error for a value its column cannot hold.
  void SetFieldInteger(const std::string& column, int32_t value);
  void SetFieldString(const std::string& column, const std::u16string& value);
  void SetFieldNull(const std::string& column);

  // Writes the pending change back and returns to browsing, after every
  // link has stored its value. Rows that the UPDATE did not find are not
  // counted; database errors and a link's refusal propagate and leave the
  // set editing.
  void ApplyUpdates(int maxErrors);

  // Links are told of Open and Close and asked to store before a write-back.
  // A link unregisters itself before it goes.
  void AddLink(TRowSetLink& link) { FLinks.push_back(&link); }
  void RemoveLink(TRowSetLink& link);

 private:
  enum class TKind { Integer, SmallInt, Text, Other };
  struct TCell {
    bool Null = true;
    int32_t Integer = 0;
    std::u16string Text;
    bool operator==(const TCell&) const = default;
  };
  struct TColumn {
    std::string Name;
    TKind Kind = TKind::Other;
  };

  void CheckActive() const;
  void NotifyRecordChanged();
  size_t ColumnIndex(const std::string& column) const;
  TCell& EditableCell(const std::string& column);

  TSQLConnection& FConnection;
  std::string FName;
  std::string FTable;
  std::u16string FSQL;
  int32_t FIDFilial = 0;
  TRowSetState FState = TRowSetState::Closed;
  std::vector<TColumn> FColumns;
  std::vector<std::vector<TCell>> FRows;  // as read
  std::vector<TCell> FEdited;             // the first row while editing
  std::vector<TRowSetLink*> FLinks;
};

}  // namespace fieldsync
