#include "core/Platform.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/Text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

namespace fieldsync {

namespace fs = std::filesystem;

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
    if (name == "." || name == ".." || fs::exists(exact, ec)) {
      current = exact;
      continue;
    }
    fs::path found = exact;
    for (const auto& entry : fs::directory_iterator(current, ec)) {
      if (SameTextAscii(entry.path().filename().string(), name)) {
        found = entry.path();
        break;
      }
    }
    current = found;
  }
  return current;
}

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

void SetCurrentThreadName(const char* name) {
#ifdef _WIN32
  (void)name;
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

}  // namespace fieldsync
