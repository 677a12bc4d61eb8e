#include "db/internal/DynamicLibrary.h"

#include "core/Platform.h"

namespace fieldsync {

TDynamicLibrary LoadDynamicLibrary(const std::string& name) {
  const TLoadedLibrary loaded = LoadSharedLibrary(std::filesystem::u8path(name));
  TDynamicLibrary lib;
  lib.Handle = loaded.Handle;
  lib.ErrorCode = loaded.ErrorCode;
  return lib;
}

void* FindSymbol(const TDynamicLibrary& library, const char* symbol) {
  return SharedLibrarySymbol(library.Handle, symbol);
}

}  // namespace fieldsync
