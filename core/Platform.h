#pragma once
// The small platform module: everything that differs between operating systems
// and is not covered by the standard library lives behind these functions.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace fieldsync {

// Whether this is the Windows build: for the few choices outside this
// module that differ by platform without a system call (library names,
// where a library is looked for).
#ifdef _WIN32
inline constexpr bool WindowsBuild = true;
#else
inline constexpr bool WindowsBuild = false;
#endif

// The directory that holds the running executable. Everything the program
// reads (branch file, templates, definitions files) is found relative to it.
std::filesystem::path ExecutableDir();
// The running executable's own file (its modification time tells when the
// program was replaced).
std::filesystem::path ExecutablePath();

// The directory that holds the branch file and the two definitions files:
// the one FIELDSYNC_CONFIG_DIR names (made absolute against the current
// directory) when it is set and not empty, else the executable's directory.
// An installed service keeps them under /etc; a copied build directory
// keeps them beside the executable.
std::filesystem::path ConfigurationDir();

// The directory where the program writes the files it generates (the
// browser client and the client packages) and serves them from: the one
// FIELDSYNC_STATE_DIR names (made absolute against the current directory)
// when it is set and not empty, else the executable's directory. An
// installed service keeps its program read-only and writes below /var/lib.
std::filesystem::path StateDir();

// Joins `relative` (separators "/" or "\") onto `base`. Where a component does
// not exist with the exact name, an entry of the same name in another letter
// case is taken, so that paths written for a case-insensitive file system work.
// Components that match nothing are kept as written.
std::filesystem::path ResolvePath(const std::filesystem::path& base, const std::string& relative);

// What tells one state of a file from another: which file the path names
// now (device and file number, so a file renamed over it counts as a
// change) and its size and modification time.
struct TFileStamp {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = 0;
  int64_t ModifiedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};
// The file's stamp; nothing when it cannot be read.
std::optional<TFileStamp> FileStamp(const std::filesystem::path& path);

// Writes `content` as the file `path` in one step: into a new file in the
// same directory, flushed to disk, then renamed over `path`, so that a
// reader sees the old file or the new one, never a part. The old file's
// permissions (and its owner and group, where the caller may set them) pass
// to the new one; a file that did not exist gets `newFileMode` (and its
// directory's group where the system gives new files that). Raises with the
// system's reason; `path` is then unchanged.
void ReplaceFile(const std::filesystem::path& path, std::string_view content, unsigned newFileMode);

// Renames `from` over `to` in one step, as std::filesystem::rename does;
// on Windows, where no rename replaces a file that a reader has open, it is
// tried again for up to five seconds while readers hold `to`.
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// Whether standard input is a terminal.
bool StandardInputIsTerminal();
// Writes `prompt` to standard error and reads one line from the terminal
// without showing what is typed; raises when there is no terminal.
std::string ReadLineWithoutEcho(const std::string& prompt);

// Reads an environment variable; empty when unset.
std::string EnvironmentVariable(const char* name);
// Sets an environment variable (keeping a value already set unless
// `replace`), and removes one; for the tests and start-up, before threads
// read the environment.
void SetEnvironment(const char* name, const std::string& value, bool replace = true);
void UnsetEnvironment(const char* name);

// Opens `path` with fopen's `mode`; a path with letters outside ASCII opens
// too (wide names on Windows). Null with errno set when it cannot be opened.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);
// Opens `path` for reading as a binary stream; null when it cannot be
// opened. As on POSIX systems, a file open for reading may be replaced or
// removed meanwhile (on Windows it is opened sharing its deletion); the
// reader keeps reading the file it opened.
std::unique_ptr<std::istream> OpenInputStream(const std::filesystem::path& path);
// The path as UTF-8 text, for libraries that take a UTF-8 file name.
std::string PathUtf8(const std::filesystem::path& path);

// Gives memory that the allocator keeps after large frees back to the
// system, where the allocator can (glibc); nothing elsewhere.
void ReleaseFreedMemory();

// The calendar fields of `t` in UTC (any time, before 1970 too: always
// true) and in local time (false when the system cannot convert it, such as
// before 1970 on Windows; `out` is then left as it was).
bool UtcBreakdown(std::time_t t, std::tm& out);
bool LocalBreakdown(std::time_t t, std::tm& out);

// A shared library loaded at run time: the handle, or null and the
// system's error code (Windows' own numbers, such as 126 for a library or
// one of its dependencies not found and 193 for one built for another
// processor; LibraryNotFoundCode on POSIX systems, whose loader gives no
// number). Stays loaded for the life of the process. On Windows a path with
// a folder is loaded with that folder searched for its dependencies, and a
// bare name is never looked up in the current folder.
struct TLoadedLibrary {
  void* Handle = nullptr;
  int ErrorCode = 0;
};
TLoadedLibrary LoadSharedLibrary(const std::filesystem::path& path);
void* SharedLibrarySymbol(void* handle, const char* symbol);
// The error code given for a library that cannot be found on systems whose
// loader gives no number (Windows' "module not found").
constexpr int SharedLibraryNotFoundCode = 126;

// A text value of the local machine's registry (HKEY_LOCAL_MACHINE\`key`,
// value `name`); empty when there is none, and always on systems without a
// registry.
std::string MachineRegistryText(const std::string& key, const std::string& name);

// Names the calling thread for debuggers and process listings (at most 15
// characters are kept on Linux).
void SetCurrentThreadName(const char* name);

// Termination requests (SIGTERM and SIGINT, or Ctrl+C and closing the
// console on Windows). Block them first thing in main, before any thread
// starts, so that only WaitForTerminationRequest sees them.
void BlockTerminationRequests();
// Returns once a termination request has arrived.
void WaitForTerminationRequest();

}  // namespace fieldsync
