#include "db/internal/DynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace fieldsync {

TDynamicLibrary LoadDynamicLibrary(const std::string& name) {
  TDynamicLibrary lib;
#ifdef _WIN32
  lib.Handle = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
  if (!lib.Handle) lib.ErrorCode = static_cast<int>(GetLastError());
#else
  lib.Handle = dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!lib.Handle) lib.ErrorCode = LibraryNotFoundCode;
#endif
  return lib;
}

void* FindSymbol(const TDynamicLibrary& library, const char* symbol) {
  if (!library.Handle) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library.Handle), symbol));
#else
  return dlsym(library.Handle, symbol);
#endif
}

}  // namespace fieldsync
