// The Firebird messages: describing output columns, building input
// messages from parameter values, decoding output rows.
#include <cstring>

#include "core/Text.h"
#include "db/DBXError.h"
#include "db/internal/Firebird.h"
#include "db/SQLParams.h"

namespace fieldsync {

using namespace Firebird;

namespace {

// Firebird character set ids that matter here.
constexpr unsigned CsNone = 0, CsOctets = 1, CsUnicodeFss = 3, CsUtf8 = 4, CsWin1252 = 53;
constexpr unsigned MaxVaryingBytes = 32765;

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

// ---- columns ----

TDBXValueType DescribeColumn(TFbAttachment& att, IMessageMetadata* meta, unsigned i) {
  TFbStatus st(att);
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
  TFbStatus st(att);
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
  TFbStatus st(att);
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
                      FormatText(DBXMessages::ParameterTooLong, {param->Name(), std::to_string(MaxVaryingBytes)}));
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
    throw TDBXError(TDBXErrorCodes::InvalidParameter,
                    FormatText(DBXMessages::ParameterCountMismatch, {std::to_string(n), std::to_string(values.size())}));
  std::vector<TBinding> bindings;
  bindings.reserve(n);
  for (unsigned i = 0; i < n; ++i) bindings.push_back(Bind(stmt, tra, i, values[i]));

  TFbStatus st(att);
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

TFbColumnLayout ColumnLayout(TFbAttachment& att, IMessageMetadata* meta, unsigned i) {
  TFbStatus st(att);
  TFbColumnLayout c;
  c.Type = meta->getType(&st, i) & ~1u;
  c.NullOffset = meta->getNullOffset(&st, i);
  c.Offset = meta->getOffset(&st, i);
  c.Length = meta->getLength(&st, i);
  c.CharSet = meta->getCharSet(&st, i);
  c.Scale = meta->getScale(&st, i);
  c.SubType = meta->getSubType(&st, i);
  st.Check();
  return c;
}

TFbTextBytes ColumnTextBytes(const TFbAttachment& att, const TFbColumnLayout& c, const unsigned char* buffer,
                             const char*& bytes, size_t& length) {
  if (c.Type != SQL_VARYING && c.Type != SQL_TEXT) return TFbTextBytes::Other;
  int16_t nullFlag;
  std::memcpy(&nullFlag, buffer + c.NullOffset, sizeof nullFlag);
  if (nullFlag != 0) return TFbTextBytes::Other;
  // The same choice as DecodeBytes.
  TFbTextBytes kind = TFbTextBytes::Win1252;
  if (c.CharSet == CsUtf8 || c.CharSet == CsUnicodeFss || (c.CharSet == CsNone && att.Unicode))
    kind = TFbTextBytes::Utf8;
  else if (c.CharSet == CsOctets)
    return TFbTextBytes::Other;
  const unsigned char* data = buffer + c.Offset;
  if (c.Type == SQL_VARYING) {
    uint16_t n;
    std::memcpy(&n, data, sizeof n);
    bytes = reinterpret_cast<const char*>(data + 2);
    length = n;
    return kind;
  }
  if (BytesPerChar(c.CharSet) > 1) return TFbTextBytes::Other;  // cut to its characters the long way
  bytes = reinterpret_cast<const char*>(data);
  length = c.Length;
  if (att.TrimChar)
    while (length > 0 && bytes[length - 1] == ' ') --length;
  return kind;
}

void DecodeColumn(TFbAttachment& att, const TFbColumnLayout& c, const unsigned char* buffer, ITransaction* tra,
                  TDBXValue& value) {
  const unsigned type = c.Type;
  int16_t nullFlag;
  std::memcpy(&nullFlag, buffer + c.NullOffset, sizeof nullFlag);
  if (nullFlag != 0 || type == SQL_NULL) {
    value.SetNull();
    return;
  }
  const unsigned char* data = buffer + c.Offset;
  auto read = [&](auto& v) { std::memcpy(&v, data, sizeof v); };
  switch (type) {
    case SQL_TEXT: {
      const unsigned length = c.Length;
      const unsigned charSet = c.CharSet;
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
      const unsigned charSet = c.CharSet;
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
      const int scale = c.Scale;
      const int subType = c.SubType;
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
      TFbStatus st(att);
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

}  // namespace fieldsync
