#include "json/DBXJSONTools.h"

#include <algorithm>

#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXError.h"
#include "json/JSONMessages.h"
#include "json/JSONNumberText.h"
#include "json/internal/TableMemoryBudget.h"

namespace fieldsync {

namespace {

std::unique_ptr<TJSONString> Text(const std::string& ascii) {
  return std::make_unique<TJSONString>(Latin1ToUtf16(ascii));
}

std::unique_ptr<TJSONValue> Flag(bool value) {
  if (value) return std::make_unique<TJSONTrue>();
  return std::make_unique<TJSONFalse>();
}

// Writes rows of `reader` through `sink`: sink.Begin(n) before the first row,
// sink.Value(i, json) per value. Stops when the allowance is used up (the
// reader has then been advanced one row further). Closes the reader.
template <class TSink>
void WriteRows(TDBXReader& reader, int32_t rowCount, TSink& sink) {
  const int32_t n = reader.ColumnCount();
  int64_t allowed = rowCount;
  bool first = true;
  while (reader.Next()) {
    if (allowed <= 0) break;
    if (first) {
      sink.Begin(n);
      first = false;
    }
    for (int32_t i = 0; i < n; ++i)
      if (!sink.TextBytes(i))
        sink.Value(i, TDBXJSONTools::DBXToJSON(&reader.Value(i), reader.ValueType(i).DataType, true));
    sink.RowDone();
    --allowed;
  }
  reader.Close();
}

// Builds the tree.
class TTreeSink {
 public:
  TTreeSink(TDBXReader& reader, TJSONObject& object, TJSONArray& table)
      : FReader(reader), FObject(object), FTable(table) {}

  void Begin(int32_t n) {
    FColumns.reserve(n);
    FObject.Reserve(n + 1);
    for (int32_t i = 0; i < n; ++i) {
      const TDBXValueType& type = FReader.ValueType(i);
      auto column = std::make_unique<TJSONArray>();
      FColumns.push_back(column.get());
      FObject.AddPair(type.Name, std::move(column));
      FTable.AddElement(TDBXJSONTools::ValueTypeToJSON(type));
    }
  }
  void Value(int32_t i, std::unique_ptr<TJSONValue> value) { FColumns[i]->AddElement(std::move(value)); }
  bool TextBytes(int32_t) { return false; }
  void RowDone() {}

 private:
  TDBXReader& FReader;
  TJSONObject& FObject;
  TJSONArray& FTable;
  std::vector<TJSONArray*> FColumns;
};

// Appends the byte form of `node` to `out`, preceded by `separator` when set.
void AppendBytes(std::string& out, const TJSONAncestor& node, char separator = 0) {
  const size_t start = out.size();
  out.resize(start + node.EstimatedByteSize() + 1);
  char* p = out.data() + start;
  if (separator) *p++ = separator;
  out.resize(static_cast<size_t>(node.WriteBytes(p) - out.data()));
}

// Writes each value's bytes into its column's buffer at once; no tree is kept.
// A column's bytes are kept in chunks: the first grows as usual up to
// ChunkBytes, then each further chunk is reserved at that size once and never
// moved, so a large column is not copied as it grows and holds at most one
// chunk's spare room.
class TBytesSink {
 public:
  static constexpr size_t ChunkBytes = size_t{256} << 10;

  explicit TBytesSink(TDBXReader& reader) : FReader(reader) {}

  void Begin(int32_t n) {
    FColumns.resize(n);
    FText.resize(n);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t type = FReader.ValueType(i).DataType;
      FText[i] = type == TDBXDataTypes::AnsiStringType || type == TDBXDataTypes::WideStringType;
    }
  }
  // A text value goes from the reader's bytes straight into its column.
  bool TextBytes(int32_t i) {
    std::string_view bytes;
    bool utf8 = false;
    if (!FText[i] || !FReader.TextBytes(i, bytes, utf8)) return false;
    std::string& column = Room(i, JSONStringBytesBound(bytes.size()) + 1);
    if (!FColumns[i].Empty()) column.push_back(',');
    AppendJSONStringBytes(column, bytes, utf8);
    return true;
  }
  void Value(int32_t i, std::unique_ptr<TJSONValue> value) {
    const bool first = FColumns[i].Empty();
    std::string& column = Room(i, value->EstimatedByteSize() + 2);
    AppendBytes(column, *value, first ? 0 : ',');
  }

  // Every few hundred rows the bytes held are counted against the process's
  // budget for large tables (which may make this call wait its turn).
  void RowDone() {
    if (++FRows % 256 == 0) FReservation->Hold(Held());
  }

  void Finish(std::string& out) {
    size_t body = 64;
    for (size_t i = 0; i < FColumns.size(); ++i) body += FColumns[i].Size() + 400;
    FReservation->Hold(Held() + body);
    out.reserve(out.size() + body);
    out += "{\"table\":[";
    for (size_t i = 0; i < FColumns.size(); ++i)
      AppendBytes(out, *TDBXJSONTools::ValueTypeToJSON(FReader.ValueType(static_cast<int32_t>(i))), i ? ',' : 0);
    out += ']';
    for (size_t i = 0; i < FColumns.size(); ++i) {
      AppendBytes(out, TJSONString(FReader.ValueType(static_cast<int32_t>(i)).Name), ',');
      out += ":[";
      for (std::string& chunk : FColumns[i].Chunks) {
        out += chunk;
        std::string().swap(chunk);
      }
      out += ']';
    }
    out += '}';
    FReservation->Hold(out.capacity());
    FReservation->Written();
  }

  // The table as buffers: the descriptions and each column's name with its
  // brackets in small buffers, the column chunks handed over as they are.
  size_t FinishBuffers(std::vector<std::string>& buffers) {
    size_t length = 0;
    auto add = [&](std::string piece) {
      length += piece.size();
      buffers.push_back(std::move(piece));
    };
    std::string glue = "{\"table\":[";
    for (size_t i = 0; i < FColumns.size(); ++i)
      AppendBytes(glue, *TDBXJSONTools::ValueTypeToJSON(FReader.ValueType(static_cast<int32_t>(i))), i ? ',' : 0);
    glue += ']';
    for (size_t i = 0; i < FColumns.size(); ++i) {
      AppendBytes(glue, TJSONString(FReader.ValueType(static_cast<int32_t>(i)).Name), ',');
      glue += ":[";
      add(std::move(glue));
      glue.clear();
      for (std::string& chunk : FColumns[i].Chunks) add(std::move(chunk));
      glue = "]";
    }
    glue += '}';
    add(std::move(glue));
    FReservation->Hold(length);
    FReservation->Written();
    return length;
  }
  // The table's reservation, for a writer that keeps the buffers past the sink.
  std::shared_ptr<void> Reservation() const { return FReservation; }

 private:
  struct TColumn {
    std::vector<std::string> Chunks;
    bool Empty() const { return Chunks.empty() || (Chunks.size() == 1 && Chunks[0].empty()); }
    size_t Size() const {
      size_t bytes = 0;
      for (const std::string& chunk : Chunks) bytes += chunk.size();
      return bytes;
    }
  };

  // The chunk of column i to append at most `bytes` bytes to.
  std::string& Room(int32_t i, size_t bytes) {
    std::vector<std::string>& chunks = FColumns[i].Chunks;
    if (chunks.empty()) chunks.emplace_back();
    std::string& last = chunks.back();
    if (last.size() + bytes <= std::max(last.capacity(), ChunkBytes)) return last;
    chunks.emplace_back();
    chunks.back().reserve(std::max(ChunkBytes, bytes));
    return chunks.back();
  }

  size_t Held() const {
    size_t bytes = 0;
    for (const TColumn& column : FColumns)
      for (const std::string& chunk : column.Chunks) bytes += chunk.capacity();
    return bytes;
  }

  TDBXReader& FReader;
  std::vector<TColumn> FColumns;
  size_t FRows = 0;
  std::shared_ptr<TTableMemoryBudget::TReservation> FReservation =
      std::make_shared<TTableMemoryBudget::TReservation>(TTableMemoryBudget::Process());
  std::vector<bool> FText;  // text columns, written from the reader's bytes when it has them
};

}  // namespace

std::unique_ptr<TJSONObject> TDBXJSONTools::TableToJSON(TDBXReader& reader, int32_t rowCount) {
  auto object = std::make_unique<TJSONObject>();
  auto table = std::make_unique<TJSONArray>();
  TJSONArray& tableRef = *table;
  object->AddPair(u"table", std::move(table));
  TTreeSink sink(reader, *object, tableRef);
  WriteRows(reader, rowCount, sink);
  return object;
}

std::unique_ptr<TJSONObject> TDBXJSONTools::TableToJSON(std::unique_ptr<TDBXReader> reader, int32_t rowCount) {
  if (!reader) return std::make_unique<TJSONObject>();
  return TableToJSON(*reader, rowCount);  // the reader is freed on return
}

void TDBXJSONTools::TableToBytes(std::unique_ptr<TDBXReader> reader, int32_t rowCount, std::string& out) {
  if (!reader) {
    out += "{}";
    return;
  }
  TBytesSink sink(*reader);
  WriteRows(*reader, rowCount, sink);
  sink.Finish(out);
}

size_t TDBXJSONTools::TableToBuffers(std::unique_ptr<TDBXReader> reader, int32_t rowCount,
                                     std::vector<std::string>& buffers, std::shared_ptr<void>* hold) {
  if (!reader) {
    buffers.emplace_back("{}");
    return 2;
  }
  TBytesSink sink(*reader);
  WriteRows(*reader, rowCount, sink);
  const size_t length = sink.FinishBuffers(buffers);
  if (hold) *hold = sink.Reservation();
  return length;
}

std::unique_ptr<TJSONObject> TDBXJSONTools::TableWindowToJSON(std::unique_ptr<TDBXReader> reader, int32_t offset,
                                                              int32_t count) {
  if (!reader) return std::make_unique<TJSONObject>();
  for (int32_t i = 0; i < offset; ++i)
    if (!reader->Next()) break;
  return TableToJSON(std::move(reader), count);
}

void TDBXJSONTools::TableWindowToBytes(std::unique_ptr<TDBXReader> reader, int32_t offset, int32_t count,
                                       std::string& out) {
  if (reader)
    for (int32_t i = 0; i < offset; ++i)
      if (!reader->Next()) break;
  TableToBytes(std::move(reader), count, out);
}

std::unique_ptr<TJSONValue> TDBXJSONTools::DBXToJSON(const TDBXValue* value, int32_t dataType, bool localConnection) {
  if (!value) return nullptr;
  if (value->IsNull()) return std::make_unique<TJSONNull>();
  switch (dataType) {
    case TDBXDataTypes::AnsiStringType:
    case TDBXDataTypes::WideStringType:
    case TDBXDataTypes::DateTimeType:
      return std::make_unique<TJSONString>(value->GetWideString());
    case TDBXDataTypes::DateType: return Text(DateText(value->GetDate()));
    case TDBXDataTypes::TimeType: return Text(TimeText(value->GetTime()));
    case TDBXDataTypes::TimeStampType: return Text(TimeStampText(value->GetTimeStamp()));
    case TDBXDataTypes::BlobType:
    case TDBXDataTypes::BinaryBlobType:
      return StreamToJSON(std::span<const uint8_t>(value->GetBytes()), 0, AllRows);
    case TDBXDataTypes::BooleanType: return Flag(value->GetBoolean());
    case TDBXDataTypes::Int16Type:
    case TDBXDataTypes::Int32Type:
    case TDBXDataTypes::DoubleType:
    case TDBXDataTypes::BcdType:
    case TDBXDataTypes::UInt16Type:
    case TDBXDataTypes::UInt32Type:
    case TDBXDataTypes::CurrencyType:
    case TDBXDataTypes::Int8Type:
      return std::make_unique<TJSONNumber>(value->GetDouble());
    case TDBXDataTypes::Int64Type:
    case TDBXDataTypes::UInt64Type:
      return std::make_unique<TJSONNumber>(value->GetInt64());
    case TDBXDataTypes::SingleType:
      return std::make_unique<TJSONNumber>(static_cast<double>(value->GetSingle()));
    case TDBXDataTypes::UInt8Type:
      return std::make_unique<TJSONNumber>(static_cast<int32_t>(value->GetInt64() & 0xFF));
    case TDBXDataTypes::TableType: {
      std::unique_ptr<TDBXReader> nested = value->TakeReader();
      if (!localConnection && nested) return TableToJSON(*nested, AllRows);
      return TableToJSON(std::move(nested), AllRows);
    }
    case TDBXDataTypes::JsonValueType: {
      const auto* holder = dynamic_cast<const TDBXJSONValueObject*>(value->GetObject().get());
      if (holder && holder->Value()) return holder->Value()->Clone();
      return std::make_unique<TJSONNull>();
    }
    default:
      throw TDBXError(TDBXErrorCodes::InvalidType,
                      FormatText(CannotConvertDBXTypeMessage, {TDBXDataTypes::TypeName(dataType)}));
  }
}

std::unique_ptr<TJSONValue> TDBXJSONTools::SubStringToJSON(const TDBXValue* value, int32_t dataType, int64_t offset,
                                                           int32_t count) {
  if (!value) return nullptr;
  if (value->IsNull()) return std::make_unique<TJSONNull>();
  if (dataType == TDBXDataTypes::AnsiStringType || dataType == TDBXDataTypes::WideStringType) {
    const std::u16string text = value->GetWideString();
    const size_t start = static_cast<size_t>(std::clamp<int64_t>(offset, 0, static_cast<int64_t>(text.size())));
    const size_t length = count < 0 ? 0 : static_cast<size_t>(count);
    return std::make_unique<TJSONString>(text.substr(start, length));
  }
  if (dataType == TDBXDataTypes::BlobType || dataType == TDBXDataTypes::BinaryBlobType)
    return StreamToJSON(std::span<const uint8_t>(value->GetBytes()), offset, count);
  return DBXToJSON(value, dataType, true);
}

std::unique_ptr<TJSONArray> TDBXJSONTools::ValueTypeToJSON(const TDBXValueType& t) {
  auto a = std::make_unique<TJSONArray>();
  a->Reserve(13);
  a->Add(t.Name);
  a->Add(t.DataType);
  a->Add(t.Ordinal);
  a->Add(t.SubType);
  a->Add(t.Scale);
  a->Add(static_cast<double>(t.Size));
  a->Add(static_cast<double>(t.Precision));
  a->Add(t.ChildPosition);
  a->Add((t.Flags & TDBXValueTypeFlags::Nullable) != 0);
  a->Add((t.Flags & TDBXValueTypeFlags::Hidden) != 0);
  a->Add(t.ParameterDirection);
  a->Add((t.Flags & TDBXValueTypeFlags::ValueParameter) != 0);
  a->Add((t.Flags & TDBXValueTypeFlags::Literal) != 0);
  return a;
}

std::unique_ptr<TJSONArray> TDBXJSONTools::StreamToJSON(std::istream* stream, int64_t offset, int32_t count) {
  auto a = std::make_unique<TJSONArray>();
  if (!stream) return a;
  for (int64_t i = 0; i < offset; ++i)
    if (stream->get() == std::char_traits<char>::eof()) return a;
  for (int32_t i = 0; i < count; ++i) {
    const int c = stream->get();
    if (c == std::char_traits<char>::eof()) break;
    a->Add(static_cast<int32_t>(static_cast<unsigned char>(c)));
  }
  return a;
}

std::unique_ptr<TJSONArray> TDBXJSONTools::StreamToJSON(std::span<const uint8_t> bytes, int64_t offset,
                                                        int32_t count) {
  auto a = std::make_unique<TJSONArray>();
  if (offset < 0) offset = 0;
  if (count <= 0 || offset >= static_cast<int64_t>(bytes.size())) return a;
  const size_t end = static_cast<size_t>(std::min<int64_t>(bytes.size(), offset + static_cast<int64_t>(count)));
  a->Reserve(end - static_cast<size_t>(offset));
  for (size_t i = static_cast<size_t>(offset); i < end; ++i) a->Add(static_cast<int32_t>(bytes[i]));
  return a;
}

std::vector<uint8_t> TDBXJSONTools::JSONToStream(const TJSONArray& array) {
  std::vector<uint8_t> bytes;
  bytes.reserve(array.Size());
  for (const TJSONValue& element : array) {
    const auto* number = dynamic_cast<const TJSONNumber*>(&element);
    const int32_t v = number ? number->GetAsInt() : -1;
    if (v < 0 || v > 255)
      throw Exception(FormatText(InvalidByteValueMessage, {Utf16ToUtf8(element.ToString())}));
    bytes.push_back(static_cast<uint8_t>(v));
  }
  return bytes;
}

bool TDBXJSONTools::ParseRange(std::u16string_view text, int32_t& offset, int32_t& count) {
  const size_t comma = text.find(u',');
  if (comma == std::u16string_view::npos || comma == 0 || comma + 1 >= text.size()) return false;
  offset = JSONTextToInt32(text.substr(0, comma));
  count = JSONTextToInt32(text.substr(comma + 1));
  return true;
}

}  // namespace fieldsync
