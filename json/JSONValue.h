#pragma once
// The JSON value tree: strings, numbers, objects, arrays and the three
// literals, their byte form (the 7-bit ASCII wire text), their text form
// (UTF-16, used inside the program) and the parser that turns request bytes
// back into a tree.
//
// Ownership. A container owns its children through std::unique_ptr: an
// object its pairs, a pair its key and value, an array its elements; freeing
// the root frees the tree. Operations that take a child take a unique_ptr;
// operations that detach one (RemovePair, Remove, Pop, ReleaseJsonValue)
// return a unique_ptr, and the caller then owns it. Lookups return plain
// pointers that borrow from the container (nullptr stands for "absent").
// Every node carries the Owned flag (true when created; GetOwned, SetOwned)
// so code can record intent, but freeing never consults it: ownership is
// the structure itself. To keep a child beyond its container, detach it or
// Clone it.
//
// Nesting. The parser accepts at most JSONMaxParseDepth nested objects and
// arrays; deeper input is rejected like any syntax error. The tree's own
// operations (writing, copying, freeing) recurse once per level, so trees
// built in code must stay similarly shallow.
//
// Threads: a tree is used by one thread at a time; the classes hold no
// shared state and take no locks.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"

namespace fieldsync {

// Deepest nesting of objects and arrays that the parser accepts.
inline constexpr size_t JSONMaxParseDepth = 1000;

// Raised by the parser for malformed UTF-8 in UTF-8 mode. Syntax errors are
// not exceptions: the parse operations answer "absent" or a negative value.
class TJSONException : public Exception {
 public:
  using Exception::Exception;
};

// Iterates a container's children as references (the container keeps them).
template <class TItem, class TBase>
class TJSONChildIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = TItem;
  using difference_type = std::ptrdiff_t;
  using pointer = TItem*;
  using reference = TItem&;

  TJSONChildIterator() = default;
  explicit TJSONChildIterator(TBase it) : FIt(it) {}
  TItem& operator*() const { return **FIt; }
  TItem* operator->() const { return FIt->get(); }
  TJSONChildIterator& operator++() {
    ++FIt;
    return *this;
  }
  TJSONChildIterator operator++(int) {
    auto old = *this;
    ++FIt;
    return old;
  }
  bool operator==(const TJSONChildIterator& other) const { return FIt == other.FIt; }

 private:
  TBase FIt{};
};

// The root of the class family: the operations every node has.
class TJSONAncestor {
 public:
  virtual ~TJSONAncestor() = default;
  TJSONAncestor(const TJSONAncestor&) = delete;
  TJSONAncestor& operator=(const TJSONAncestor&) = delete;

  // The value as plain text: a string's text (empty when it has none), a
  // number's value (see TJSONNumber::Value); empty for every other node.
  virtual std::u16string Value() const;

  // An upper bound of the bytes that ToBytes writes.
  virtual size_t EstimatedByteSize() const = 0;

  // Writes the byte form into data at offset and returns the offset after
  // the last byte written. data must hold at least offset +
  // EstimatedByteSize() bytes (throws std::out_of_range otherwise); the
  // caller cuts it to the returned length.
  size_t ToBytes(std::string& data, size_t offset) const;

  // The finished byte form: sized by the estimate, written, cut. What a
  // response body is made of.
  std::string ToBytes() const;

  // A deep copy; the copy is Owned.
  std::unique_ptr<TJSONAncestor> Clone() const { return CloneNode(); }

  bool GetOwned() const noexcept { return FOwned; }

  // True for TJSONNull and for a string or number without a buffer.
  virtual bool IsNull() const;

  // Attaches a parsed child: an object appends a pair, an array appends a
  // value, a pair takes a string as its key first and then any value as its
  // value. A child that does not fit (and every child given to a scalar) is
  // freed.
  virtual void AddDescendant(std::unique_ptr<TJSONAncestor> child);

  void SetOwned(bool owned) noexcept { FOwned = owned; }

  // The text form: the byte form's punctuation, strings with only '"'
  // escaped and no limit to ASCII; a string without buffer gives "".
  std::u16string ToString() const;

  // Low-level forms of ToBytes and ToString for writers that manage their
  // own buffer. WriteBytes needs room for EstimatedByteSize() bytes at out
  // and returns the end of what it wrote.
  virtual char* WriteBytes(char* out) const = 0;
  virtual void AppendText(std::u16string& out) const = 0;

 protected:
  TJSONAncestor() = default;
  virtual std::unique_ptr<TJSONAncestor> CloneNode() const = 0;

  // Clone with the static type of the caller; used by the typed Clone()s.
  template <class T>
  std::unique_ptr<T> CloneAs() const {
    return std::unique_ptr<T>(static_cast<T*>(CloneNode().release()));
  }

 private:
  bool FOwned = true;
};

// Abstract base of every value (everything but a pair).
class TJSONValue : public TJSONAncestor {
 public:
  std::unique_ptr<TJSONValue> Clone() const { return CloneAs<TJSONValue>(); }

 protected:
  TJSONValue() = default;
};

// Appends the byte form of the string that 8-bit text decodes to (UTF-8 when
// `utf8`, else Windows-1252), quotes included: the same bytes as
// TJSONString(decoded text).ToBytes(), without the UTF-16 text in between.
// Runs of plain ASCII are copied as they are. Needs at most
// JSONStringBytesBound(bytes.size()) bytes beyond the end of `out`.
void AppendJSONStringBytes(std::string& out, std::string_view bytes, bool utf8);
constexpr size_t JSONStringBytesBound(size_t bytes) { return 6 * bytes + 2; }

// A string: a buffer of UTF-16 code units, or no buffer at all (written as
// null).
class TJSONString : public TJSONValue {
 public:
  // A string without buffer: byte form null, IsNull true.
  TJSONString();
  // A string holding text; the empty text gives "".
  explicit TJSONString(std::u16string text);

  std::u16string Value() const override;
  size_t EstimatedByteSize() const override;
  bool IsNull() const override;
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;

  // Appends one UTF-16 code unit, creating the buffer when there is none.
  virtual void AddChar(char16_t unit);

  // The buffer's text without copying; empty when there is no buffer.
  const std::u16string& Text() const noexcept { return FText; }

  std::unique_ptr<TJSONString> Clone() const { return CloneAs<TJSONString>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;

  std::u16string FText;
  bool FHasBuffer;
};

// A number, held as its text: the text written is exactly the text created
// or parsed; the binary value is derived from it on demand.
class TJSONNumber : public TJSONString {
 public:
  // The floating-point rule: 15 significant digits, "." as separator, plain
  // or scientific form (JSONFloatText in JSONNumberText.h).
  explicit TJSONNumber(double value);
  explicit TJSONNumber(int32_t value);
  explicit TJSONNumber(int64_t value);
  // The given text, unchecked.
  explicit TJSONNumber(std::u16string text);

  // Texts shorter than 12 characters or holding "." are read as a double
  // and written back by the floating-point rule (with "." as separator:
  // the system's regional settings fix no other); longer texts are read as
  // a 64-bit integer. Throws the conversion errors of the Get... below.
  std::u16string Value() const override;
  size_t EstimatedByteSize() const override;
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;

  // The text as a decimal integer; throws fieldsync::Exception
  // "''<text>'' is not a valid integer value" otherwise (a fraction too).
  int32_t GetAsInt() const;
  int64_t GetAsInt64() const;
  // The text as a floating-point number with "." as separator; throws
  // "'<text>' is not a valid floating point value" otherwise.
  double GetAsDouble() const;

  std::unique_ptr<TJSONNumber> Clone() const { return CloneAs<TJSONNumber>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
};

// A key and a value. Either may be absent in a pair built piecewise; the
// byte form then writes null for the missing part and the text form of the
// pair is empty.
class TJSONPair : public TJSONAncestor {
 public:
  TJSONPair();
  TJSONPair(std::unique_ptr<TJSONString> key, std::unique_ptr<TJSONValue> value);
  TJSONPair(std::u16string key, std::unique_ptr<TJSONValue> value);
  TJSONPair(std::u16string key, std::u16string value);

  size_t EstimatedByteSize() const override;
  void AddDescendant(std::unique_ptr<TJSONAncestor> child) override;
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;

  TJSONString* GetJsonString() const noexcept { return FKey.get(); }
  TJSONValue* GetJsonValue() const noexcept { return FValue.get(); }
  void SetJsonString(std::unique_ptr<TJSONString> key) { FKey = std::move(key); }
  void SetJsonValue(std::unique_ptr<TJSONValue> value) { FValue = std::move(value); }
  // Detaches the value; the pair keeps its key and has no value afterwards.
  std::unique_ptr<TJSONValue> ReleaseJsonValue() { return std::move(FValue); }

  std::unique_ptr<TJSONPair> Clone() const { return CloneAs<TJSONPair>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;

 private:
  std::unique_ptr<TJSONString> FKey;
  std::unique_ptr<TJSONValue> FValue;
};

// An ordered list of pairs. Keys need not be unique: adding a pair with an
// existing key adds it; lookups by name find the first, comparing the key
// text exactly (case-sensitive).
class TJSONObject : public TJSONValue {
 public:
  using iterator = TJSONChildIterator<TJSONPair, std::vector<std::unique_ptr<TJSONPair>>::const_iterator>;

  TJSONObject();
  // An object holding the pair; nothing is added for an absent pair.
  explicit TJSONObject(std::unique_ptr<TJSONPair> pair);
  ~TJSONObject() override;

  // Append a pair and return the object. Nothing is appended when the
  // pair, or (in the forms that build the pair) the key or the value, is
  // absent.
  TJSONObject& AddPair(std::unique_ptr<TJSONPair> pair);
  TJSONObject& AddPair(std::unique_ptr<TJSONString> key, std::unique_ptr<TJSONValue> value);
  TJSONObject& AddPair(std::u16string key, std::unique_ptr<TJSONValue> value);
  TJSONObject& AddPair(std::u16string key, std::u16string value);

  int Size() const noexcept { return static_cast<int>(FMembers.size()); }
  // The pair at index; nullptr when index is negative or not below Size.
  TJSONPair* Get(int index) const noexcept;
  // The first pair whose key text equals name; nullptr when none.
  TJSONPair* Get(std::u16string_view name) const noexcept;
  // Detaches the first pair whose key equals name; nullptr when none.
  std::unique_ptr<TJSONPair> RemovePair(std::u16string_view name);

  // The pairs in order (GetEnumerator).
  iterator begin() const { return iterator(FMembers.begin()); }
  iterator end() const { return iterator(FMembers.end()); }
  // Replaces the member list; the old members are freed, absent entries
  // dropped.
  void SetMemberList(std::vector<std::unique_ptr<TJSONPair>> list);
  // Room for n pairs, so that building large objects does not reallocate.
  void Reserve(size_t n) { FMembers.reserve(n); }

  size_t EstimatedByteSize() const override;
  void AddDescendant(std::unique_ptr<TJSONAncestor> child) override;
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;

  std::unique_ptr<TJSONObject> Clone() const { return CloneAs<TJSONObject>(); }

  // Parses one value from bytes[offset, length), where length is the end
  // position, not a count. Returns nullptr unless the input is exactly one
  // valid value (a top-level object or array may be followed by
  // whitespace; a string, number or literal may not). utf8: the bytes are
  // UTF-8, a leading byte-order mark (followed by at least one more byte) is
  // skipped, and malformed UTF-8 raises TJSONException with the 0-based
  // position in bytes; otherwise each byte is one character, U+0000 to
  // U+00FF. The byte form of a value parses back to the same value.
  static std::unique_ptr<TJSONValue> ParseJSONValue(std::string_view bytes, size_t offset,
                                                    size_t length, bool utf8);
  // The same up to the end of bytes; UTF-8 unless told otherwise. A request
  // body is parsed with ParseJSONValue(body, 0).
  static std::unique_ptr<TJSONValue> ParseJSONValue(std::string_view bytes, size_t offset,
                                                    bool utf8 = true);
  // Guards the form above against a count passed where the flag belongs.
  template <class T>
  static std::unique_ptr<TJSONValue> ParseJSONValue(std::string_view bytes, size_t offset, T utf8) = delete;
  static std::unique_ptr<TJSONValue> ParseJSONValueUTF8(std::string_view bytes, size_t offset);
  static std::unique_ptr<TJSONValue> ParseJSONValueUTF8(std::string_view bytes, size_t offset,
                                                        size_t length);
  // Encodes text as UTF-8 and parses it in UTF-8 mode.
  static std::unique_ptr<TJSONValue> ParseJSONValue(std::u16string_view text);

  // Parses an object that starts at position (after an optional byte-order
  // mark, which switches to UTF-8; otherwise one character per byte) and
  // appends its pairs to this object. Returns the offset after the object
  // and its trailing whitespace when that is the end of bytes; minus that
  // offset when more bytes follow; -1 on a syntax error (this object is
  // then unchanged), for empty bytes or a position outside them.
  int64_t Parse(std::string_view bytes, int64_t position);

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;

 private:
  std::vector<std::unique_ptr<TJSONPair>> FMembers;
};

// An ordered list of values.
class TJSONArray : public TJSONValue {
 public:
  using iterator = TJSONChildIterator<TJSONValue, std::vector<std::unique_ptr<TJSONValue>>::const_iterator>;

  TJSONArray();
  // Arrays of one or two elements; absent elements are not added.
  explicit TJSONArray(std::unique_ptr<TJSONValue> first);
  TJSONArray(std::unique_ptr<TJSONValue> first, std::unique_ptr<TJSONValue> second);
  // Two strings.
  TJSONArray(std::u16string first, std::u16string second);
  ~TJSONArray() override;

  // Append and return the array: a string, a number, true or false, the
  // object (a new null when it is absent), the array (nothing when absent).
  TJSONArray& Add(std::u16string text);
  TJSONArray& Add(const char16_t* text) { return Add(std::u16string(text)); }
  TJSONArray& Add(int32_t value);
  TJSONArray& Add(double value);
  TJSONArray& Add(bool value);
  TJSONArray& Add(std::unique_ptr<TJSONObject> object);
  TJSONArray& Add(std::unique_ptr<TJSONArray> array);
  // Appends the value; an absent value is ignored.
  TJSONArray& AddElement(std::unique_ptr<TJSONValue> value);

  int Size() const noexcept { return static_cast<int>(FElements.size()); }
  // The element at index; nullptr outside 0 to Size - 1.
  TJSONValue* Get(int index) const noexcept;
  // Detaches and returns the element at index; nullptr and no change
  // outside the range.
  std::unique_ptr<TJSONValue> Remove(int index);
  // Detaches and returns the first element; nullptr when empty.
  std::unique_ptr<TJSONValue> Pop();

  // The elements in order (GetEnumerator).
  iterator begin() const { return iterator(FElements.begin()); }
  iterator end() const { return iterator(FElements.end()); }
  // Replaces the elements; the old ones are freed, absent entries dropped.
  void SetElements(std::vector<std::unique_ptr<TJSONValue>> list);
  // Room for n elements, so that building large arrays does not reallocate.
  void Reserve(size_t n) { FElements.reserve(n); }

  size_t EstimatedByteSize() const override;
  void AddDescendant(std::unique_ptr<TJSONAncestor> child) override;
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;

  std::unique_ptr<TJSONArray> Clone() const { return CloneAs<TJSONArray>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;

 private:
  std::vector<std::unique_ptr<TJSONValue>> FElements;
};

class TJSONTrue : public TJSONValue {
 public:
  TJSONTrue() = default;
  size_t EstimatedByteSize() const override { return 4; }
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;
  std::unique_ptr<TJSONTrue> Clone() const { return CloneAs<TJSONTrue>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
};

class TJSONFalse : public TJSONValue {
 public:
  TJSONFalse() = default;
  size_t EstimatedByteSize() const override { return 5; }
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;
  std::unique_ptr<TJSONFalse> Clone() const { return CloneAs<TJSONFalse>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
};

class TJSONNull : public TJSONValue {
 public:
  TJSONNull() = default;
  size_t EstimatedByteSize() const override { return 4; }
  bool IsNull() const override { return true; }
  char* WriteBytes(char* out) const override;
  void AppendText(std::u16string& out) const override;
  std::unique_ptr<TJSONNull> Clone() const { return CloneAs<TJSONNull>(); }

 protected:
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
};

}  // namespace fieldsync
