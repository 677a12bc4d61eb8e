#pragma once
// A forward-only result (TDBXReader): a column count, a description per column,
// and the current row's values. Next advances (false at the end); Close
// releases the result. The driver's readers derive from it, and so may a test's
// fake reader; TDBXMemoryReader is a ready-made one over rows held in memory.
// A reader belongs to the thread that runs its connection.

#include <cstdint>
#include <string_view>
#include <vector>

#include "db/DBXTypes.h"
#include "db/DBXValue.h"

namespace fieldsync {

class TDBXReader {
 public:
  virtual ~TDBXReader() = default;
  TDBXReader(const TDBXReader&) = delete;
  TDBXReader& operator=(const TDBXReader&) = delete;

  virtual int32_t ColumnCount() const = 0;
  // 0 <= ordinal < ColumnCount(); otherwise TDBXError.
  virtual const TDBXValueType& ValueType(int32_t ordinal) const = 0;
  // The value of the current row; valid until the next Next or Close.
  virtual const TDBXValue& Value(int32_t ordinal) = 0;
  virtual bool Next() = 0;
  // Releases the result; a closed reader's Next returns false. Idempotent.
  virtual void Close() = 0;
  virtual bool IsClosed() const = 0;

  // The current row's text in a column as the bytes the database sent, for
  // writers that turn them into their output without decoding them first:
  // true with the bytes, `utf8` telling UTF-8 from Windows-1252. False when
  // the reader has no such bytes for it (NULL, other column kinds, readers of
  // decoded values); Value gives every column.
  virtual bool TextBytes(int32_t ordinal, std::string_view& bytes, bool& utf8) { return false; }

 protected:
  TDBXReader() = default;
};

// A reader over rows built in memory: for tests of code above the database,
// and for results that do not come from a statement.
class TDBXMemoryReader : public TDBXReader {
 public:
  explicit TDBXMemoryReader(std::vector<TDBXValueType> columns);

  // Appends a row; it must hold one value per column.
  void AddRow(std::vector<TDBXValue> row);

  int32_t ColumnCount() const override;
  const TDBXValueType& ValueType(int32_t ordinal) const override;
  const TDBXValue& Value(int32_t ordinal) override;
  bool Next() override;
  void Close() override;
  bool IsClosed() const override { return FClosed; }
  int32_t NextCalls() const { return FNextCalls; }  // how often Next was called

 private:
  std::vector<TDBXValueType> FColumns;
  std::vector<std::vector<TDBXValue>> FRows;
  int64_t FCurrent = -1;
  int32_t FNextCalls = 0;
  bool FClosed = false;
};

}  // namespace fieldsync
