// TJSONString and TJSONNumber: text buffers, their escapes and byte forms.
#include <array>
#include <cstring>

#include "core/Text.h"
#include "json/JSONNumberText.h"
#include "json/JSONValue.h"

namespace fieldsync {

namespace {

// Longest byte form of one code unit: \uXXXX.
constexpr size_t MaxBytesPerUnit = 6;
// Shorter number texts, and any text holding ".", are valued as doubles.
constexpr size_t IntegerValueMinLength = 12;

// How each ASCII code unit is written: 0 = as itself; 'u' = \u00XX;
// otherwise a reverse solidus and that letter.
constexpr std::array<char, 128> AsciiEscapes = [] {
  std::array<char, 128> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = 'u';
  t['\b'] = 'b';
  t['\t'] = 't';
  t['\n'] = 'n';
  t['\f'] = 'f';
  t['\r'] = 'r';
  t['"'] = '"';
  t['/'] = '/';
  t['\\'] = '\\';
  return t;
}();

constexpr char HexDigits[] = "0123456789ABCDEF";

char* WriteEscapedUnits(char* out, const std::u16string& text) {
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      const char escape = AsciiEscapes[unit];
      if (escape == 0) {
        *out++ = static_cast<char>(unit);
        continue;
      }
      *out++ = '\\';
      if (escape != 'u') {
        *out++ = escape;
        continue;
      }
    } else {
      *out++ = '\\';
    }
    *out++ = 'u';
    *out++ = HexDigits[(unit >> 12) & 0xF];
    *out++ = HexDigits[(unit >> 8) & 0xF];
    *out++ = HexDigits[(unit >> 4) & 0xF];
    *out++ = HexDigits[unit & 0xF];
  }
  return out;
}

}  // namespace

void AppendJSONStringBytes(std::string& out, std::string_view bytes, bool utf8) {
  // Each byte gives at most one code unit, written in at most six bytes.
  const size_t start = out.size();
  out.resize(start + JSONStringBytesBound(bytes.size()));
  char* p = out.data() + start;
  *p++ = '"';
  size_t i = 0;
  const size_t n = bytes.size();
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      const char escape = AsciiEscapes[b];
      if (escape == 0) {
        *p++ = static_cast<char>(b);
      } else {
        *p++ = '\\';
        if (escape != 'u') {
          *p++ = escape;
        } else {
          *p++ = 'u';
          *p++ = '0';
          *p++ = '0';
          *p++ = HexDigits[b >> 4];
          *p++ = HexDigits[b & 0xF];
        }
      }
      ++i;
      continue;
    }
    // A run of non-ASCII bytes: no multi-byte sequence holds an ASCII byte,
    // and a broken one gives one replacement character per byte, so the run
    // decodes exactly as it does inside the whole text.
    size_t end = i + 1;
    while (end < n && static_cast<unsigned char>(bytes[end]) >= 0x80) ++end;
    const std::string_view run = bytes.substr(i, end - i);
    p = WriteEscapedUnits(p, utf8 ? Utf8ToUtf16(run) : Win1252ToUtf16(run));
    i = end;
  }
  *p++ = '"';
  out.resize(static_cast<size_t>(p - out.data()));
}

// ---- TJSONString ----------------------------------------------------------

TJSONString::TJSONString() : FHasBuffer(false) {}

TJSONString::TJSONString(std::u16string text) : FText(std::move(text)), FHasBuffer(true) {}

std::u16string TJSONString::Value() const { return FText; }

size_t TJSONString::EstimatedByteSize() const {
  return FHasBuffer ? MaxBytesPerUnit * FText.size() + 2 : 4;
}

bool TJSONString::IsNull() const { return !FHasBuffer; }

char* TJSONString::WriteBytes(char* out) const {
  if (!FHasBuffer) {
    std::memcpy(out, "null", 4);
    return out + 4;
  }
  *out++ = '"';
  out = WriteEscapedUnits(out, FText);
  *out++ = '"';
  return out;
}

void TJSONString::AppendText(std::u16string& out) const {
  if (!FHasBuffer) return;
  out.push_back(u'"');
  for (const char16_t unit : FText) {
    if (unit == u'"') out.push_back(u'\\');
    out.push_back(unit);
  }
  out.push_back(u'"');
}

void TJSONString::AddChar(char16_t unit) {
  FHasBuffer = true;
  FText.push_back(unit);
}

std::unique_ptr<TJSONAncestor> TJSONString::CloneNode() const {
  auto copy = FHasBuffer ? std::make_unique<TJSONString>(FText) : std::make_unique<TJSONString>();
  return copy;
}

// ---- TJSONNumber ----------------------------------------------------------

TJSONNumber::TJSONNumber(double value) : TJSONString(Latin1ToUtf16(JSONFloatText(value))) {}

TJSONNumber::TJSONNumber(int32_t value) : TJSONString(Latin1ToUtf16(JSONIntText(value))) {}

TJSONNumber::TJSONNumber(int64_t value) : TJSONString(Latin1ToUtf16(JSONIntText(value))) {}

TJSONNumber::TJSONNumber(std::u16string text) : TJSONString(std::move(text)) {}

std::u16string TJSONNumber::Value() const {
  if (FText.size() < IntegerValueMinLength || FText.find(u'.') != std::u16string::npos)
    return Latin1ToUtf16(JSONFloatText(JSONTextToDouble(FText)));
  return Latin1ToUtf16(JSONIntText(JSONTextToInt64(FText)));
}

size_t TJSONNumber::EstimatedByteSize() const { return FText.size(); }

char* TJSONNumber::WriteBytes(char* out) const {
  // One byte per character: the low byte of each code unit.
  for (const char16_t unit : FText) *out++ = static_cast<char>(unit);
  return out;
}

void TJSONNumber::AppendText(std::u16string& out) const { out += FText; }

int32_t TJSONNumber::GetAsInt() const { return JSONTextToInt32(FText); }

int64_t TJSONNumber::GetAsInt64() const { return JSONTextToInt64(FText); }

double TJSONNumber::GetAsDouble() const { return JSONTextToDouble(FText); }

std::unique_ptr<TJSONAncestor> TJSONNumber::CloneNode() const {
  auto copy = std::make_unique<TJSONNumber>(FText);
  copy->FHasBuffer = FHasBuffer;
  return copy;
}

}  // namespace fieldsync
