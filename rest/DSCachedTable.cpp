#include "rest/DSCachedTable.h"

#include <algorithm>

#include "core/Error.h"
#include "db/DBXReader.h"
#include "json/DBXJSONTools.h"

namespace fieldsync {

namespace {

// Closes the reader whatever happens while it is read.
struct TCloseReader {
  TDBXReader& Reader;
  ~TCloseReader() { Reader.Close(); }
};

}  // namespace

std::unique_ptr<TDSCachedTable> TDSCachedTable::Read(std::unique_ptr<TDBXReader> reader, int64_t maxBytes,
                                                     const std::string& tooLargeMessage) {
  std::unique_ptr<TDSCachedTable> table(new TDSCachedTable());
  if (!reader) return table;
  TCloseReader closer{*reader};
  const int32_t n = reader->ColumnCount();
  int64_t bytes = 0;
  while (reader->Next()) {
    if (table->FRowCount == 0) {
      table->FValues.resize(n);
      table->FStarts.resize(n);
      for (int32_t i = 0; i < n; ++i) {
        const TDBXValueType& type = reader->ValueType(i);
        if (i > 0) table->FDescriptions.push_back(',');
        table->FDescriptions += TDBXJSONTools::ValueTypeToJSON(type)->ToBytes();
        table->FNames.push_back(TJSONString(type.Name).ToBytes());
        bytes += static_cast<int64_t>(table->FNames.back().size());
      }
      bytes += static_cast<int64_t>(table->FDescriptions.size());
    }
    for (int32_t i = 0; i < n; ++i) {
      std::string& column = table->FValues[i];
      const size_t before = column.size();
      if (table->FRowCount > 0) column.push_back(',');
      table->FStarts[i].push_back(static_cast<uint32_t>(column.size()));
      column += TDBXJSONTools::DBXToJSON(&reader->Value(i), reader->ValueType(i).DataType, true)->ToBytes();
      bytes += static_cast<int64_t>(column.size() - before + sizeof(uint32_t));
    }
    ++table->FRowCount;
    if (bytes > maxBytes) throw Exception(tooLargeMessage);
  }
  for (int32_t i = 0; i < static_cast<int32_t>(table->FValues.size()); ++i) {
    // The closing entry points one past the end, where a next comma would be.
    table->FStarts[i].push_back(static_cast<uint32_t>(table->FValues[i].size() + 1));
    table->FValues[i].shrink_to_fit();
    table->FStarts[i].shrink_to_fit();
  }
  table->FByteSize = bytes;
  return table;
}

void TDSCachedTable::WriteBytes(int64_t offset, int64_t count, std::string& out) const {
  const int64_t first = std::clamp<int64_t>(offset, 0, FRowCount);
  const int64_t end = first + std::clamp<int64_t>(count, 0, FRowCount - first);
  out += "{\"table\":[";
  if (end == first) {
    out += "]}";
    return;
  }
  out += FDescriptions;
  out += ']';
  for (size_t i = 0; i < FValues.size(); ++i) {
    const std::vector<uint32_t>& starts = FStarts[i];
    out.push_back(',');
    out += FNames[i];
    out += ":[";
    // Values first..end-1 with the commas between them: the comma before
    // a value ends the one in front of it.
    const size_t begin = starts[first];
    out.append(FValues[i], begin, starts[end] - 1 - begin);
    out += ']';
  }
  out += '}';
}

}  // namespace fieldsync
