#pragma once
// A query result kept in a session's cache of results. The reader is read to
// its end once, when the result is cached, and released, so a cached table
// holds no database connection; what stays is the byte form of every value,
// column by column, with the start of each value, so that any row window can
// be written again as often as it is asked for, and costs about the size of
// its answer (plus 4 bytes per value).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fieldsync {

class TDBXReader;

class TDSCachedTable {
 public:
  // Reads the reader to its end, then closes and frees it. Raises
  // `tooLargeMessage` as soon as the table would hold more than `maxBytes`
  // (the reader is closed then too), and the table-writing errors of a
  // value without a JSON form or a failing database.
  static std::unique_ptr<TDSCachedTable> Read(std::unique_ptr<TDBXReader> reader, int64_t maxBytes,
                                              const std::string& tooLargeMessage);

  int64_t RowCount() const { return FRowCount; }
  // The memory the table holds, about.
  int64_t ByteSize() const { return FByteSize; }

  // Appends the table object of the rows after the first `offset`, at most
  // `count` of them: the bytes the table writer gives for that window of the
  // original reader.
  void WriteBytes(int64_t offset, int64_t count, std::string& out) const;

 private:
  TDSCachedTable() = default;

  std::string FDescriptions;         // the column descriptions, comma-separated
  std::vector<std::string> FNames;   // each column name's byte form
  std::vector<std::string> FValues;  // per column: the values' byte forms, comma-separated
  // Per column: where each value starts in FValues; one more entry, one
  // past the end, closes the last value.
  std::vector<std::vector<uint32_t>> FStarts;
  int64_t FRowCount = 0;
  int64_t FByteSize = 0;
};

}  // namespace fieldsync
