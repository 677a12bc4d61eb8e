// libFuzzer target for the JSON parser: any bytes, in both modes, through
// ParseJSONValue (whole input and a sub-range) and TJSONObject::Parse.
// Besides crashes and sanitizer reports it traps when a property breaks:
// - the byte form fits in the size estimate;
// - the byte form is 7-bit ASCII and parses back to the same byte form;
// - a clone writes the same bytes;
// - parsing a sub-range equals parsing a copy of just those bytes;
// - one-byte-per-character mode never raises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/JSONValue.h"

using namespace fieldsync;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckTree(const TJSONAncestor& value) {
  const size_t estimate = value.EstimatedByteSize();
  const std::string bytes = value.ToBytes();
  Check(bytes.size() <= estimate);
  for (const char c : bytes) Check(static_cast<unsigned char>(c) < 0x80);
  std::unique_ptr<TJSONValue> back = TJSONObject::ParseJSONValue(bytes, 0);
  Check(back != nullptr);
  Check(back->ToBytes() == bytes);
  Check(value.Clone()->ToBytes() == bytes);
  (void)value.ToString();
  try {
    (void)value.Value();  // a number's Value may not convert
  } catch (const Exception&) {
  }
}

// "absent", "exception" or the byte form.
std::string Outcome(std::string_view bytes, size_t offset, size_t length, bool utf8) {
  try {
    std::unique_ptr<TJSONValue> value = TJSONObject::ParseJSONValue(bytes, offset, length, utf8);
    if (!value) return "absent";
    CheckTree(*value);
    return value->ToBytes();
  } catch (const TJSONException&) {
    Check(utf8);
    return "exception";
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const bool utf8 : {true, false}) Outcome(bytes, 0, size, utf8);

  if (size > 0) {
    // The first byte picks a range inside the rest; a copy of the range must
    // parse the same.
    const size_t offset = 1 + (data[0] & 0x7) % size;
    const size_t cut = (data[0] >> 3) & 0x7;
    const size_t length = size > cut ? size - cut : size;
    if (offset <= length) {
      const std::string copy(bytes.substr(offset, length - offset));
      const bool utf8 = (data[0] & 0x80) != 0;
      Check(Outcome(bytes, offset, length, utf8) == Outcome(copy, 0, copy.size(), utf8));
    }
  }

  TJSONObject object;
  try {
    const int64_t end = object.Parse(bytes, 0);
    Check(end == -1 || (end < 0 ? -end : end) <= static_cast<int64_t>(size));
    CheckTree(object);
  } catch (const TJSONException&) {
  }
  return 0;
}
