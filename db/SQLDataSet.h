#pragma once
// Statement components with a fixed SQL text and named parameters:
// TSQLDataSet (queries and statements written with ":NAME" markers) and
// TSQLStoredProc (a stored procedure with input and output parameters).
// Each statement is committed when it completes; a component keeps its
// statement prepared while its connection stays open.
// A component is used by the thread that uses its connection.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/SQLConnection.h"
#include "db/SQLParams.h"

namespace fieldsync {

struct TFbStatement;
class TFbCursor;

// What the two components share: the connection, the parameters, the server
// statement and its binding.
class TSQLDataSetBase {
 public:
  virtual ~TSQLDataSetBase();
  TSQLDataSetBase(const TSQLDataSetBase&) = delete;
  TSQLDataSetBase& operator=(const TSQLDataSetBase&) = delete;

  TSQLConnection& SQLConnection() const { return *FConnection; }
  TParams& Params() { return FParams; }
  TParam& ParamByName(std::string_view name) { return FParams.ParamByName(name); }
  int64_t MaxBlobSize = -1;
  bool Prepared() const { return FStatement != nullptr; }

  // Releases an open result; the parameters keep their values.
  virtual void Close();

 protected:
  explicit TSQLDataSetBase(TSQLConnection& connection);
  friend class TSQLConnection;
  // Called when the connection disconnects: forget the server statement.
  void ConnectionClosing();
  void Unprepare() noexcept;

  TSQLConnection* FConnection;
  TParams FParams;
  std::unique_ptr<TFbStatement> FStatement;
};

class TSQLDataSet : public TSQLDataSetBase {
 public:
  explicit TSQLDataSet(TSQLConnection& connection);
  ~TSQLDataSet() override;

  std::string CommandType = "Dbx.SQL";
  // Sets the SQL text and rebuilds the parameter list from its ":NAME"
  // markers (in order of first appearance; markers inside quotes and
  // comments are not parameters). Unprepares.
  void SetCommandText(std::u16string_view sql);
  void SetCommandText(std::string_view utf8Sql);
  const std::u16string& CommandText() const { return FCommandText; }

  // Runs the query and positions on its first row; "Cursor not returned
  // from Query" when the statement gives no rows set.
  void Open();
  void Close() override;
  bool Active() const { return FCursor != nullptr; }
  bool IsEmpty() const;  // no row in the open result
  bool Eof() const { return FEof; }
  void Next();
  // The field of the current row; "Field '%s' not found" when none.
  TField& FieldByName(std::string_view name);
  TField* FindField(std::string_view name);
  int32_t FieldCount() const { return static_cast<int32_t>(FFields.size()); }
  TField& Fields(int32_t index) { return FFields.at(index); }

  // Runs a statement without a result; returns the rows affected.
  int32_t ExecSQL();

 private:
  void PrepareIfNeeded();
  void LoadRow();

  std::u16string FCommandText;
  std::vector<std::string> FMarkers;  // parameter name of each "?" in order
  std::u16string FServerText;         // the text with markers turned into "?"
  std::unique_ptr<TFbCursor> FCursor;
  std::vector<TField> FFields;
  bool FEof = true;
  bool FEmpty = true;
};

class TSQLStoredProc : public TSQLDataSetBase {
 public:
  explicit TSQLStoredProc(TSQLConnection& connection);
  ~TSQLStoredProc() override;

  std::string StoredProcName;
  // Runs the procedure with the input parameters in list order; output
  // parameters hold the procedure's results afterwards.
  void ExecProc();
};

}  // namespace fieldsync
