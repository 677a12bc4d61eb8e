#pragma once
// What the fuzz targets share. A broken property traps, so that libFuzzer
// (and the seed replay under CTest) stops on the input that broke it. Only
// the program's own exception type (fieldsync::Exception and the types
// derived from it) may leave a parser: each target catches that one and
// lets anything else escape, which ends the run as a crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fieldsync::fuzz {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input as UTF-16 code units, two bytes each (an odd last byte is one
// unit on its own), so that lone surrogates and every other unit occur.
inline std::u16string Units(std::string_view bytes) {
  std::u16string text;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const auto low = static_cast<unsigned char>(bytes[i]);
    const auto high = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    text.push_back(static_cast<char16_t>(low | high << 8));
  }
  return text;
}

}  // namespace fieldsync::fuzz
