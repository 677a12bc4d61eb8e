#pragma once
// Query results and database values as JSON (TDBXJSONTools): a reader
// becomes a table object
//   {"table":[<description>,...],"COL1":[v,v,...],"COL2":[...],...}
// with one 13-element description per column and one array of values per
// column (column pairs exist only when at least one row was written); each
// value takes the JSON form of its data-type code. Also the byte-array form
// of blobs, the row window and substring conversions of the result filters,
// and a writer that produces a table's bytes straight from the reader.
// Stateless; every operation may run on any thread with its own reader.

#include <cstdint>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/DBXReader.h"
#include "db/DBXTypes.h"
#include "db/DBXValue.h"
#include "json/JSONValue.h"

namespace fieldsync {

// A JSON value carried by a database value of code JsonValueType.
class TDBXJSONValueObject : public TDBXValueObject {
 public:
  explicit TDBXJSONValueObject(std::unique_ptr<TJSONValue> value) : FValue(std::move(value)) {}
  const TJSONValue* Value() const { return FValue.get(); }

 private:
  std::unique_ptr<TJSONValue> FValue;
};

class TDBXJSONTools {
 public:
  // The default row allowance and substring count: everything.
  static constexpr int32_t AllRows = 2147483647;

  // Writes at most rowCount rows of the reader as a table object, then
  // closes and frees the reader (the in-process path). The reader is advanced
  // once more than the rows written when the allowance runs out. An absent
  // reader gives an empty object. A database error while reading, or a
  // column that has no JSON form ("Cannot convert DBX type %s into a JSON
  // value"), raises TDBXError; the partial table is discarded.
  static std::unique_ptr<TJSONObject> TableToJSON(std::unique_ptr<TDBXReader> reader, int32_t rowCount = AllRows);
  // The same for a reader that the caller keeps: it is closed, not freed.
  static std::unique_ptr<TJSONObject> TableToJSON(TDBXReader& reader, int32_t rowCount);

  // The same table's byte form appended to `out`, built column by column
  // straight from the reader without the tree; the bytes are identical to
  // TableToJSON(...)->ToBytes(). Frees the reader.
  static void TableToBytes(std::unique_ptr<TDBXReader> reader, int32_t rowCount, std::string& out);
  // The same bytes as a list of buffers whose concatenation is the table,
  // for a writer that sends buffers as they are (scatter-gather): each
  // column's buffer is handed over, not copied into one body. Returns the
  // total length, known before any byte is sent. Frees the reader.
  // `hold`, when given, receives the table's share of the process's memory
  // budget for large tables: the share stays taken until the last copy of
  // `hold` is gone, so a writer keeps it with the buffers until they are sent.
  static size_t TableToBuffers(std::unique_ptr<TDBXReader> reader, int32_t rowCount,
                               std::vector<std::string>& buffers, std::shared_ptr<void>* hold = nullptr);

  // The row window: skips `offset` rows (a shorter result simply ends), then
  // writes at most `count` rows. Frees the reader.
  static std::unique_ptr<TJSONObject> TableWindowToJSON(std::unique_ptr<TDBXReader> reader, int32_t offset,
                                                        int32_t count);
  // The same window's byte form appended to `out` (TableToBytes' bytes).
  static void TableWindowToBytes(std::unique_ptr<TDBXReader> reader, int32_t offset, int32_t count,
                                 std::string& out);

  // One value by its data-type code: nullptr for an absent value, TJSONNull
  // for NULL. A nested reader (code TableType) is written whole and freed.
  static std::unique_ptr<TJSONValue> DBXToJSON(const TDBXValue* value, int32_t dataType, bool localConnection = true);

  // The substring conversion: for a text (codes 1, 26) the characters (UTF-16
  // code units) after the first `offset`, at most `count` of them; for a blob
  // (codes 3, 33) its bytes from `offset`, at most `count`. Other codes
  // convert as DBXToJSON does.
  static std::unique_ptr<TJSONValue> SubStringToJSON(const TDBXValue* value, int32_t dataType, int64_t offset,
                                                     int32_t count);

  // The 13-element description: name, data type, ordinal, sub-type, scale,
  // size, precision, child position, nullable, hidden, parameter direction,
  // value parameter, literal.
  static std::unique_ptr<TJSONArray> ValueTypeToJSON(const TDBXValueType& valueType);

  // At most `count` bytes after the first `offset`, as an array of numbers
  // 0 to 255; an absent stream gives an empty array.
  static std::unique_ptr<TJSONArray> StreamToJSON(std::istream* stream, int64_t offset, int32_t count);
  static std::unique_ptr<TJSONArray> StreamToJSON(std::span<const uint8_t> bytes, int64_t offset, int32_t count);
  // The bytes of an array of numbers; an element that is not a number from 0
  // to 255 raises fieldsync::Exception.
  static std::vector<uint8_t> JSONToStream(const TJSONArray& array);

  // Splits a range field "offset,count": false unless there is at least one
  // character before the first comma and one after it; a part that is not a
  // decimal integer raises "''%s'' is not a valid integer value".
  static bool ParseRange(std::u16string_view text, int32_t& offset, int32_t& count);
};

}  // namespace fieldsync
