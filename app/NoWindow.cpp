// The build without the operator's window (no Qt 6; the Windows build):
// the program runs only with --headless, and main says so before it would
// ask for a display.

#include "app/qt/WindowRunner.h"

namespace fieldsync {

bool WindowBuilt() { return false; }

bool DisplayAvailable(int, char**) { return false; }

int RunWindow(int, char**, const std::string&, const std::function<TForm1&()>&, const std::function<void()>&) {
  return 2;
}

}  // namespace fieldsync
