#pragma once
// The threads of this process as the kernel shows them (/proc/self/task), so
// that a test can wait until another thread has reached a blocking wait
// before it acts, without a hook in the code under test and without a sleep
// that a busy machine outlasts.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fieldsync::test {

// The scheduling states ('R' running, 'S' asleep in a wait, ...) of this
// process's threads named `name`; the kernel keeps the first 15 characters
// of a name, and so does the comparison. Empty when none is alive.
inline std::vector<char> ThreadStates(const std::string& name) {
  const std::string kept = name.substr(0, 15);
  std::vector<char> states;
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    std::ifstream commFile(task.path() / "comm");
    std::string comm;
    if (!std::getline(commFile, comm) || comm != kept) continue;
    // stat: "tid (comm) S ...": the state follows the last ')'.
    std::ifstream statFile(task.path() / "stat");
    const std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    const auto close = stat.rfind(')');
    if (close != std::string::npos && close + 2 < stat.size()) states.push_back(stat[close + 2]);
  }
  return states;
}

// Whether a thread named `name` is alive and every such thread sleeps in a
// wait (on a condition, a lock it cannot take, or a timer): for a thread
// whose only wait is its condition, it has reached that wait.
inline bool ThreadWaits(const std::string& name) {
  const std::vector<char> states = ThreadStates(name);
  if (states.empty()) return false;
  for (char state : states)
    if (state != 'S') return false;
  return true;
}

// Whether this system shows its threads' states (Linux's /proc; not
// Windows). A test that must see a thread reach its wait skips without them:
//   FIELDSYNC_SKIP_WITHOUT_THREAD_STATES();
inline bool ThreadStatesVisible() {
#ifdef _WIN32
  return false;  // under Wine /proc is the host's, without the program's thread names
#else
  std::error_code ec;
  return std::filesystem::is_directory("/proc/self/task", ec);
#endif
}

}  // namespace fieldsync::test

#define FIELDSYNC_SKIP_WITHOUT_THREAD_STATES()        \
  if (!::fieldsync::test::ThreadStatesVisible())      \
  GTEST_SKIP() << "this system does not show its threads' states (no /proc)"
