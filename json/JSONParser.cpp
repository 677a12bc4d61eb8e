#include "json/internal/JSONParser.h"

#include <algorithm>
#include <iterator>
#include <vector>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
#define FIELDSYNC_JSON_SSE2 1
#endif

#include "core/Error.h"
#include "core/Text.h"
#include "json/JSONMessages.h"

namespace fieldsync {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

// The position of the first byte in data[pos, end) that ends a run of plain
// string characters: a quotation mark, a reverse solidus, or in UTF-8 mode a
// byte of 0x80 or above; end when there is none.
size_t ScanPlainRun(const unsigned char* data, size_t pos, size_t end, bool utf8) {
#ifdef FIELDSYNC_JSON_SSE2
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  while (end - pos >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)));
    if (utf8) mask |= _mm_movemask_epi8(chunk);
    if (mask != 0) return pos + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    pos += 16;
  }
#endif
  for (; pos < end; ++pos) {
    const unsigned char b = data[pos];
    if (b == '"' || b == '\\' || (b >= 0x80 && utf8)) break;
  }
  return pos;
}

bool IsWhitespace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }


void AppendHex4(std::u16string& text, char16_t unit) {
  for (int shift = 12; shift >= 0; shift -= 4) text.push_back(static_cast<char16_t>(HexDigits[(unit >> shift) & 0xF]));
}

}  // namespace

TJSONParser::TJSONParser(std::string_view bytes, size_t begin, size_t end, bool utf8)
    : FData(reinterpret_cast<const unsigned char*>(bytes.data())), FPos(begin), FEnd(end), FUtf8(utf8) {}

void TJSONParser::SkipWhitespace() {
  while (FPos < FEnd && IsWhitespace(FData[FPos])) ++FPos;
  // The parser has now looked at the next character: check it.
  if (FUtf8 && FPos < FEnd && FData[FPos] >= 0x80) Peek();
}

int TJSONParser::Peek() const {
  if (FPos >= FEnd) return -1;
  const unsigned char b = FData[FPos];
  if (b < 0x80 || !FUtf8) return b;
  char16_t units[2];
  int count = 0;
  DecodeSequence(FPos, units, count);
  return '\\';
}

size_t TJSONParser::DecodeSequence(size_t pos, char16_t units[2], int& count) const {
  const unsigned char b = FData[pos];
  size_t length;
  uint32_t value;
  if ((b & 0xE0) == 0xC0) {
    length = 2, value = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, value = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, value = b & 0x07;
  } else {
    throw TJSONException(FormatText(Utf8HeaderMessage, {std::to_string(pos)}));
  }
  if (FEnd - pos < length) throw TJSONException(FormatText(Utf8StartMessage, {std::to_string(pos)}));
  for (size_t k = 1; k < length; ++k) {
    const unsigned char c = FData[pos + k];
    if ((c & 0xC0) != 0x80)
      throw TJSONException(
          FormatText(Utf8ContinuationMessage, {std::to_string(length), std::to_string(pos + k)}));
    value = (value << 6) | (c & 0x3F);
  }
  // The bits are taken as they come: overlong forms, encoded surrogates and
  // values past U+10FFFF are not refused (a four-byte value keeps the low
  // 20 bits of value - 0x10000 in its surrogate pair).
  if (length < 4) {
    units[0] = static_cast<char16_t>(value);
    count = 1;
  } else {
    const uint32_t v = (value - 0x10000) & 0xFFFFF;
    units[0] = static_cast<char16_t>(0xD800 | (v >> 10));
    units[1] = static_cast<char16_t>(0xDC00 | (v & 0x3FF));
    count = 2;
  }
  return length;
}

std::unique_ptr<TJSONValue> TJSONParser::ParseValue(bool objectOnly) {
  // Children of the open containers wait on two stacks until their
  // container closes and takes them as one exactly sized list; a container
  // joins its parent when it closes. On a syntax error everything here is
  // freed on return.
  struct TOpen {
    std::unique_ptr<TJSONValue> Container;
    bool IsObject;
    size_t FirstChild;                // on Pairs or Values
    std::unique_ptr<TJSONString> Key;  // of the pair whose value is being parsed
  };
  std::vector<TOpen> open;
  std::vector<std::unique_ptr<TJSONPair>> pairs;
  std::vector<std::unique_ptr<TJSONValue>> values;
  std::unique_ptr<TJSONValue> root;

  const auto attach = [&](std::unique_ptr<TJSONValue> value) {
    if (open.empty())
      root = std::move(value);
    else if (open.back().IsObject)
      pairs.push_back(std::make_unique<TJSONPair>(std::move(open.back().Key), std::move(value)));
    else
      values.push_back(std::move(value));
  };
  const auto close = [&] {
    TOpen& top = open.back();
    if (top.IsObject) {
      std::vector<std::unique_ptr<TJSONPair>> members(std::make_move_iterator(pairs.begin() + top.FirstChild),
                                                      std::make_move_iterator(pairs.end()));
      pairs.resize(top.FirstChild);
      static_cast<TJSONObject&>(*top.Container).SetMemberList(std::move(members));
    } else {
      std::vector<std::unique_ptr<TJSONValue>> elements(std::make_move_iterator(values.begin() + top.FirstChild),
                                                        std::make_move_iterator(values.end()));
      values.resize(top.FirstChild);
      static_cast<TJSONArray&>(*top.Container).SetElements(std::move(elements));
    }
    std::unique_ptr<TJSONValue> container = std::move(top.Container);
    open.pop_back();
    attach(std::move(container));
  };

  for (;;) {
    // A value starts here; the whitespace before it is already skipped.
    const int c = Peek();
    if (objectOnly && open.empty() && c != '{') return nullptr;
    if (c == '{' || c == '[') {
      if (open.size() >= JSONMaxParseDepth) return nullptr;
      ++FPos;
      const bool isObject = c == '{';
      if (isObject)
        open.push_back({std::make_unique<TJSONObject>(), true, pairs.size(), nullptr});
      else
        open.push_back({std::make_unique<TJSONArray>(), false, values.size(), nullptr});
      SkipWhitespace();
      if (Peek() == (isObject ? '}' : ']')) {
        ++FPos;
        SkipWhitespace();
        close();
      } else {
        if (isObject && !(open.back().Key = ParseKey())) return nullptr;
        continue;  // its first value
      }
    } else {
      std::unique_ptr<TJSONValue> value;
      switch (c) {
        case '"':
          value = ParseString();
          break;
        case 't':
          if (ParseLiteral("true")) value = std::make_unique<TJSONTrue>();
          break;
        case 'f':
          if (ParseLiteral("false")) value = std::make_unique<TJSONFalse>();
          break;
        case 'n':
          if (ParseLiteral("null")) value = std::make_unique<TJSONNull>();
          break;
        default:
          if (c == '-' || IsDigit(c)) value = ParseNumber();
          break;
      }
      if (!value) return nullptr;
      attach(std::move(value));
    }

    // After a value: close containers until one expects another value.
    for (;;) {
      if (open.empty()) return root;
      SkipWhitespace();
      const int next = Peek();
      const bool isObject = open.back().IsObject;
      if (next == ',') {
        ++FPos;
        SkipWhitespace();
        if (isObject && !(open.back().Key = ParseKey())) return nullptr;
        break;
      }
      if (next != (isObject ? '}' : ']')) return nullptr;
      ++FPos;
      SkipWhitespace();
      close();
    }
  }
}

std::unique_ptr<TJSONString> TJSONParser::ParseKey() {
  if (Peek() != '"') return nullptr;
  std::unique_ptr<TJSONString> key = ParseString();
  if (!key) return nullptr;
  SkipWhitespace();
  if (Peek() != ':') return nullptr;
  ++FPos;
  SkipWhitespace();
  return key;
}

std::unique_ptr<TJSONString> TJSONParser::ParseString() {
  ++FPos;  // the opening quotation mark
  std::u16string text;
  for (;;) {
    // A run of characters taken unchanged.
    const size_t start = FPos;
    FPos = ScanPlainRun(FData, FPos, FEnd, FUtf8);
    if (FPos > start) {
      const size_t old = text.size();
      text.resize(old + (FPos - start));
      char16_t* out = text.data() + old;
      for (size_t i = start; i < FPos; ++i) *out++ = FData[i];
    }
    if (FPos >= FEnd) return nullptr;  // no closing quotation mark
    const unsigned char b = FData[FPos];
    if (b == '"') {
      ++FPos;
      return std::make_unique<TJSONString>(std::move(text));
    }
    if (b == '\\') {
      ++FPos;
      if (!ParseEscape(text)) return nullptr;
      continue;
    }
    // A UTF-8 sequence: delivered as the text of its \u escapes, which the
    // string takes as the code units they name.
    char16_t units[2];
    int count = 0;
    FPos += DecodeSequence(FPos, units, count);
    text.append(units, static_cast<size_t>(count));
  }
}

bool TJSONParser::ParseEscape(std::u16string& text) {
  const int c = Peek();
  if (c < 0) return false;
  const unsigned char b = FData[FPos];
  if (FUtf8 && b >= 0x80) {
    // The sequence's delivered text "\uXXXX" (or "\uHHHH\uLLLL") follows the
    // reverse solidus: its own reverse solidus completes the escape "\\",
    // "uXXXX" are plain characters, and a second escape names its unit.
    char16_t units[2];
    int count = 0;
    FPos += DecodeSequence(FPos, units, count);
    text.push_back(u'\\');
    text.push_back(u'u');
    AppendHex4(text, units[0]);
    if (count == 2) text.push_back(units[1]);
    return true;
  }
  ++FPos;
  switch (c) {
    case '"':
    case '\\':
    case '/':
      text.push_back(static_cast<char16_t>(c));
      return true;
    case 'b':
      text.push_back(u'\b');
      return true;
    case 'f':
      text.push_back(u'\f');
      return true;
    case 'n':
      text.push_back(u'\n');
      return true;
    case 'r':
      text.push_back(u'\r');
      return true;
    case 't':
      text.push_back(u'\t');
      return true;
    case 'u': {
      unsigned unit = 0;
      for (int k = 0; k < 4; ++k) {
        const int digit = HexDigitValue(Peek());
        if (digit < 0) return false;
        unit = unit << 4 | static_cast<unsigned>(digit);
        ++FPos;
      }
      text.push_back(static_cast<char16_t>(unit));
      return true;
    }
    default:
      return false;
  }
}

std::unique_ptr<TJSONValue> TJSONParser::ParseNumber() {
  const size_t start = FPos;
  if (Peek() == '-') ++FPos;
  int c = Peek();
  if (c == '0') {
    ++FPos;
    if (IsDigit(Peek())) return nullptr;  // a leading zero followed by a digit
  } else if (IsDigit(c)) {
    while (IsDigit(Peek())) ++FPos;
  } else {
    return nullptr;
  }
  if (Peek() == '.') {
    ++FPos;
    if (!IsDigit(Peek())) return nullptr;
    while (IsDigit(Peek())) ++FPos;
  }
  c = Peek();
  if (c == 'e' || c == 'E') {
    ++FPos;
    c = Peek();
    if (c == '+' || c == '-') ++FPos;
    if (!IsDigit(Peek())) return nullptr;
    while (IsDigit(Peek())) ++FPos;
  }
  std::u16string text(FPos - start, u'\0');
  for (size_t i = start; i < FPos; ++i) text[i - start] = FData[i];
  return std::make_unique<TJSONNumber>(std::move(text));
}

bool TJSONParser::ParseLiteral(std::string_view literal) {
  for (const char expected : literal) {
    if (Peek() != expected) return false;
    ++FPos;
  }
  return true;
}

// ---- the parse operations of TJSONObject -----------------------------------

namespace {

constexpr unsigned char ByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// The byte-order mark at pos, followed by at least one more byte before end.
bool ByteOrderMarkAt(std::string_view bytes, size_t pos, size_t end) {
  if (end < 4 || pos > end - 4) return false;
  for (size_t k = 0; k < 3; ++k)
    if (static_cast<unsigned char>(bytes[pos + k]) != ByteOrderMark[k]) return false;
  return true;
}

}  // namespace

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(std::string_view bytes, size_t offset, size_t length,
                                                        bool utf8) {
  const size_t end = std::min(length, bytes.size());
  if (offset > end) return nullptr;
  if (utf8 && ByteOrderMarkAt(bytes, offset, end)) offset += 3;
  TJSONParser parser(bytes, offset, end, utf8);
  parser.SkipWhitespace();
  std::unique_ptr<TJSONValue> value = parser.ParseValue();
  if (!value || parser.Position() != length) return nullptr;
  return value;
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(std::string_view bytes, size_t offset, bool utf8) {
  return ParseJSONValue(bytes, offset, bytes.size(), utf8);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValueUTF8(std::string_view bytes, size_t offset) {
  return ParseJSONValue(bytes, offset, bytes.size(), true);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValueUTF8(std::string_view bytes, size_t offset,
                                                            size_t length) {
  return ParseJSONValue(bytes, offset, length, true);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(std::u16string_view text) {
  const std::string bytes = Utf16ToUtf8(text);
  return ParseJSONValue(bytes, 0, bytes.size(), true);
}

int64_t TJSONObject::Parse(std::string_view bytes, int64_t position) {
  constexpr int64_t Failed = -1;
  if (bytes.empty() || position < 0 || static_cast<uint64_t>(position) >= bytes.size()) return Failed;
  auto pos = static_cast<size_t>(position);
  const bool utf8 = ByteOrderMarkAt(bytes, pos, bytes.size());
  if (utf8) pos += 3;
  TJSONParser parser(bytes, pos, bytes.size(), utf8);
  std::unique_ptr<TJSONValue> parsed = parser.ParseValue(/*objectOnly=*/true);
  if (!parsed) return Failed;
  auto& object = static_cast<TJSONObject&>(*parsed);
  for (auto& pair : object.FMembers) FMembers.push_back(std::move(pair));
  const auto end = static_cast<int64_t>(parser.Position());
  return parser.AtEnd() ? end : -end;
}

}  // namespace fieldsync
