#pragma once
// The parser behind TJSONObject::ParseJSONValue and TJSONObject::Parse.
// Private to json/.
//
// It walks the bytes with an explicit stack of open containers instead of
// recursion, so the input's nesting never reaches the machine stack; it
// stops at JSONMaxParseDepth open containers all the same, because the
// tree it builds is written, copied and freed recursively.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/JSONValue.h"

namespace fieldsync {

class TJSONParser {
 public:
  // Reads bytes[begin, end); end must not pass bytes.size(). utf8: bytes of
  // 0x80 and above form UTF-8 sequences (malformed ones raise
  // TJSONException with their position in bytes); otherwise each byte is
  // one character.
  TJSONParser(std::string_view bytes, size_t begin, size_t end, bool utf8);

  size_t Position() const noexcept { return FPos; }
  bool AtEnd() const noexcept { return FPos >= FEnd; }

  void SkipWhitespace();

  // Parses one value at the current position; nullptr on a syntax error.
  // A container's parse takes the whitespace after its closing bracket;
  // a scalar's stops right after its last character. objectOnly: anything
  // but an object is a syntax error.
  std::unique_ptr<TJSONValue> ParseValue(bool objectOnly = false);

 private:
  // The character at the current position as the parser sees it: -1 at the
  // end; a reverse solidus for a UTF-8 sequence (its first delivered
  // character; a sequence is delivered as the text of its \u escapes),
  // after checking that the sequence is well formed; otherwise the byte.
  int Peek() const;
  // Decodes the UTF-8 sequence at pos into one or two code units and
  // returns its length in bytes; throws TJSONException when malformed.
  size_t DecodeSequence(size_t pos, char16_t units[2], int& count) const;

  std::unique_ptr<TJSONString> ParseString();
  bool ParseEscape(std::u16string& text);
  std::unique_ptr<TJSONValue> ParseNumber();
  bool ParseLiteral(std::string_view literal);
  // A key and its colon, with the whitespace around the colon.
  std::unique_ptr<TJSONString> ParseKey();

  const unsigned char* FData;
  size_t FPos;
  size_t FEnd;
  bool FUtf8;
};

}  // namespace fieldsync
