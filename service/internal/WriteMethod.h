#pragma once
// The frame every write method with an error text shares: the statements run,
// and a failure of any of them becomes the answer false with its message in
// the output parameter, never an error answer.

#include <exception>
#include <string>

#include "core/Text.h"

namespace fieldsync {

// Clears `erro`, runs `statements` (which answers the method's result) and
// answers it; a std::exception from them answers false with its text in `erro`.
template <class F>
bool RunWriteMethod(std::u16string& erro, F&& statements) {
  erro.clear();
  try {
    return statements();
  } catch (const std::exception& e) {
    erro = Utf8ToUtf16(e.what());
    return false;
  }
}

}  // namespace fieldsync
