# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# so that std::thread and std::mutex are there). Tests run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${FIELDSYNC_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)  # Debian's wine64 package
# The prefix of the libraries built for Windows here (libzip) and of the
# header-only ones that Debian ships for every platform (Asio, Firebird's
# interface headers), linked there by scripts/build-windows.sh.
if(FIELDSYNC_WINDOWS_PREFIX)
  set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${FIELDSYNC_WINDOWS_PREFIX}/include)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${FIELDSYNC_WINDOWS_PREFIX}/include)
endif()
