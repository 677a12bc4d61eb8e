#pragma once
// Loading a shared library at run time and finding a symbol in it, through
// the platform module (core/Platform.h).

#include <string>

#include "core/Platform.h"

namespace fieldsync {

struct TDynamicLibrary {
  void* Handle = nullptr;
  int ErrorCode = 0;  // why the load failed (0 when it did not)
};

// Loads `name` (UTF-8: a file name looked up on the system's library path,
// or a path). The library stays loaded for the life of the process.
TDynamicLibrary LoadDynamicLibrary(const std::string& name);
void* FindSymbol(const TDynamicLibrary& library, const char* symbol);

// The error code reported when a library cannot be found (the platform's own
// "module not found" number) and when an entry point is missing.
constexpr int LibraryNotFoundCode = SharedLibraryNotFoundCode;
constexpr int EntryPointNotFoundCode = 127;

}  // namespace fieldsync
