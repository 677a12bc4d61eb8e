#include "core/Platform.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fstream>
#include <iostream>

#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/Text.h"

#ifdef _WIN32
#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>
// windows.h makes ReplaceFile a macro for its own function of that name.
#undef ReplaceFile
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace fieldsync {

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {
std::wstring Utf8ToWide(const std::string& text) {
  const std::u8string u8(text.begin(), text.end());
  return fs::path(u8).wstring();
}
}  // namespace
#endif

fs::path ExecutablePath() {
#ifdef _WIN32
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  return fs::path(std::wstring(buffer, n));
#else
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  // An executable replaced while it runs reads "<path> (deleted)"; the path
  // then names the new program, which is the one whose time matters.
  constexpr std::string_view deleted = " (deleted)";
  std::string text = exe.string();
  if (text.size() > deleted.size() && text.ends_with(deleted)) {
    text.resize(text.size() - deleted.size());
    return fs::path(text);
  }
  return exe;
#endif
}

fs::path ExecutableDir() {
  const fs::path exe = ExecutablePath();
  if (exe.empty()) return fs::current_path();
  return exe.parent_path();
}

namespace {

// The directory the variable `name` names, absolute; the executable's
// directory when it is unset or empty.
fs::path DirectoryFromEnvironment(const char* name) {
  const std::string named = EnvironmentVariable(name);
  if (named.empty()) return ExecutableDir();
  std::error_code ec;
  fs::path dir = fs::absolute(fs::path(named), ec);
  return ec ? fs::path(named) : dir;
}

}  // namespace

fs::path ConfigurationDir() { return DirectoryFromEnvironment("FIELDSYNC_CONFIG_DIR"); }

fs::path StateDir() { return DirectoryFromEnvironment("FIELDSYNC_STATE_DIR"); }

namespace {
// Whether the file system finds a name in any letter case (Windows): an
// existing path then says nothing of its spelling on disk.
#ifdef _WIN32
constexpr bool CaseInsensitiveFileNames = true;
#else
constexpr bool CaseInsensitiveFileNames = false;
#endif
}  // namespace

fs::path ResolvePath(const fs::path& base, const std::string& relative) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : relative) {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);

  fs::path current = base;
  for (const auto& name : parts) {
    fs::path exact = current / name;
    std::error_code ec;
    if (name == "." || name == ".." || (!CaseInsensitiveFileNames && fs::exists(exact, ec))) {
      current = exact;
      continue;
    }
    // The entry as spelled on disk; where names ignore letter case, an
    // exact spelling is preferred, else the first that matches.
    fs::path found = exact;
    for (const auto& entry : fs::directory_iterator(current, ec)) {
      const std::string entryName = entry.path().filename().string();
      if (entryName == name) {
        found = entry.path();
        break;
      }
      if (SameTextAscii(entryName, name) && found == exact) found = entry.path();
    }
    current = found;
  }
  return current;
}

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

void SetEnvironment(const char* name, const std::string& value, bool replace) {
  if (!replace && std::getenv(name) != nullptr) return;
#ifdef _WIN32
  ::_putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

void UnsetEnvironment(const char* name) {
#ifdef _WIN32
  ::_putenv_s(name, "");
#else
  ::unsetenv(name);
#endif
}

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  return ::_wfopen(path.c_str(), wideMode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

#ifdef _WIN32
namespace {
// A reading stream over a file descriptor of the C runtime, closed with it.
class TDescriptorInputStream : public std::istream {
 public:
  explicit TDescriptorInputStream(int descriptor)
      : std::istream(nullptr), FBuffer(descriptor, std::ios::in | std::ios::binary) {
    rdbuf(&FBuffer);
  }

 private:
  __gnu_cxx::stdio_filebuf<char> FBuffer;
};
}  // namespace
#endif

std::unique_ptr<std::istream> OpenInputStream(const fs::path& path) {
#ifdef _WIN32
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<TDescriptorInputStream>(descriptor);
#else
  auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!*in) return nullptr;
  return in;
#endif
}

std::string PathUtf8(const fs::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

void ReleaseFreedMemory() {
#ifdef _WIN32
  ::_heapmin();
#else
  ::malloc_trim(0);
#endif
}

bool UtcBreakdown(std::time_t t, std::tm& out) {
  // Computed, not asked of the system: Windows' gmtime_s refuses times
  // before 1970, and UTC needs no time zone data.
  using namespace std::chrono;
  const sys_seconds time{seconds{t}};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss clock{time - day};
  std::tm result{};
  result.tm_year = static_cast<int>(date.year()) - 1900;
  result.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  result.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  result.tm_hour = static_cast<int>(clock.hours().count());
  result.tm_min = static_cast<int>(clock.minutes().count());
  result.tm_sec = static_cast<int>(clock.seconds().count());
  result.tm_wday = static_cast<int>(weekday{day}.c_encoding());
  result.tm_yday = static_cast<int>((day - sys_days{date.year() / January / 1}).count());
  out = result;
  return true;
}

bool LocalBreakdown(std::time_t t, std::tm& out) {
  std::tm result{};
#ifdef _WIN32
  if (::localtime_s(&result, &t) != 0) return false;
#else
  if (::localtime_r(&t, &result) == nullptr) return false;
#endif
  out = result;
  return true;
}

TLoadedLibrary LoadSharedLibrary(const fs::path& path) {
  TLoadedLibrary library;
#ifdef _WIN32
  // An absolute path: its folder is searched for the library's own
  // dependencies; a bare name: the program's folder and System32, never the
  // current folder.
  const DWORD flags = path.is_absolute()
                          ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
                          : LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  library.Handle = reinterpret_cast<void*>(::LoadLibraryExW(path.c_str(), nullptr, flags));
  if (!library.Handle) library.ErrorCode = static_cast<int>(::GetLastError());
#else
  library.Handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (!library.Handle) library.ErrorCode = SharedLibraryNotFoundCode;
#endif
  return library;
}

void* SharedLibrarySymbol(void* handle, const char* symbol) {
  if (!handle) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), symbol));
#else
  return ::dlsym(handle, symbol);
#endif
}

std::string MachineRegistryText(const std::string& key, const std::string& name) {
#ifdef _WIN32
  const std::wstring wideKey = Utf8ToWide(key);
  const std::wstring wideName = Utf8ToWide(name);
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, wideKey.c_str(), wideName.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      bytes < sizeof(wchar_t))
    return {};
  std::wstring value(bytes / sizeof(wchar_t), L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, wideKey.c_str(), wideName.c_str(), RRF_RT_REG_SZ, nullptr, value.data(),
                     &bytes) != ERROR_SUCCESS)
    return {};
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return PathUtf8(fs::path(value));
#else
  (void)key;
  (void)name;
  return {};
#endif
}

void SetCurrentThreadName(const char* name) {
#ifdef _WIN32
  // SetThreadDescription exists from Windows 10 1607 on; looked up so that
  // an older system (or Wine without it) just keeps its unnamed threads.
  using TSetThreadDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto setDescription = reinterpret_cast<TSetThreadDescription>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (!setDescription) return;
  const std::wstring wide(name, name + std::strlen(name));
  setDescription(::GetCurrentThread(), wide.c_str());
#else
  char shortName[16] = {};
  std::strncpy(shortName, name, sizeof(shortName) - 1);
  pthread_setname_np(pthread_self(), shortName);
#endif
}

#ifdef _WIN32
namespace {
HANDLE TerminationEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
BOOL WINAPI OnConsoleControl(DWORD) {
  SetEvent(TerminationEvent);
  return TRUE;
}
}  // namespace

void BlockTerminationRequests() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }
void WaitForTerminationRequest() { WaitForSingleObject(TerminationEvent, INFINITE); }
#else
namespace {
sigset_t TerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}
}  // namespace

void BlockTerminationRequests() {
  sigset_t set = TerminationSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  // A peer that closes its socket early must not end the program.
  signal(SIGPIPE, SIG_IGN);
}

void WaitForTerminationRequest() {
  sigset_t set = TerminationSignals();
  int received = 0;
  while (sigwait(&set, &received) != 0) {
  }
}
#endif


namespace {

[[noreturn]] void FailReplacing(const fs::path& path, const std::string& reason) {
  throw Exception(FormatText(CannotReplaceFileMessage, {path.string(), reason}));
}

}  // namespace

#ifdef _WIN32
std::optional<TFileStamp> FileStamp(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  const auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  TFileStamp stamp;
  stamp.Size = static_cast<int64_t>(size);
  // On the system clock's epoch, as the POSIX stamp is (the file clock
  // counts from 1601 here).
  stamp.ModifiedNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::file_clock::to_sys(time).time_since_epoch())
          .count();
  return stamp;
}

void ReplaceFile(const fs::path& path, std::string_view content, unsigned) {
  // A name of its own for each writer, so that two writers never share one.
  static std::atomic<unsigned> counter{0};
  const fs::path temporary = path.wstring() + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                             std::to_wstring(counter.fetch_add(1)) + L".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      FailReplacing(path, "write failed");
    }
  }
  std::error_code ec;
  RenameOver(temporary, path, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    FailReplacing(path, ec.message());
  }
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& ec) {
  ec.clear();
  for (int attempt = 0;; ++attempt) {
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 500) {
      ec = std::error_code(static_cast<int>(error), std::system_category());
      return;
    }
    ::Sleep(10);
  }
}

bool StandardInputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

std::string ReadLineWithoutEcho(const std::string& prompt) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  GetConsoleMode(input, &mode);
  std::cerr << prompt << std::flush;
  SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string line;
  std::getline(std::cin, line);
  SetConsoleMode(input, mode);
  std::cerr << std::endl;
  return line;
}
#else
std::optional<TFileStamp> FileStamp(const fs::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  TFileStamp stamp;
  stamp.Device = static_cast<uint64_t>(status.st_dev);
  stamp.Inode = static_cast<uint64_t>(status.st_ino);
  stamp.Size = static_cast<int64_t>(status.st_size);
  stamp.ModifiedNs = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
  return stamp;
}

void ReplaceFile(const fs::path& path, std::string_view content, unsigned newFileMode) {
  struct stat old {};
  const bool existed = ::stat(path.c_str(), &old) == 0;
  std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) FailReplacing(path, std::strerror(errno));
  auto fail = [&](int error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    FailReplacing(path, std::strerror(error));
  };
  // Permissions first, so the content is never readable by more than the
  // file will be.
  if (::fchmod(fd, existed ? (old.st_mode & 07777) : static_cast<mode_t>(newFileMode)) != 0) fail(errno);
  if (existed && ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) fail(errno);
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    FailReplacing(path, std::strerror(error));
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    FailReplacing(path, std::strerror(error));
  }
  // The rename itself reaches the disk with the directory.
  const fs::path directory = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& ec) { fs::rename(from, to, ec); }

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::string ReadLineWithoutEcho(const std::string& prompt) {
  termios saved {};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) throw Exception("standard input is not a terminal");
  std::cerr << prompt << std::flush;
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  std::string line;
  std::getline(std::cin, line);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << std::endl;
  return line;
}
#endif

}  // namespace fieldsync
