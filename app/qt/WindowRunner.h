#pragma once
// The program run with its window: the GUI application, the window `Form1`
// and the event loop until "Fechar" (or SIGTERM/SIGINT, which end it the
// same way).

#include <functional>
#include <string>

namespace fieldsync {

class TForm1;

// Whether this build has the window; a build without it (no Qt 6, as on
// Windows) runs only headless, and the two functions below are never called.
bool WindowBuilt();

// Whether there is a display to show the window on: DISPLAY or
// WAYLAND_DISPLAY is set, or a GUI platform is named by "-platform" or
// QT_QPA_PLATFORM.
bool DisplayAvailable(int argc, char** argv);

// Initialises the GUI application (which takes its own arguments, such as
// "-platform offscreen"), creates the window's logic with `createForm` (a
// failure shows the "Application Error" box and returns 1), shows the window
// and runs the event loop. When it ends the window goes first, then
// `endProgram` ends the logic (listener, sessions, database). Returns the
// exit code; 2 for arguments the GUI application does not know.
int RunWindow(int argc, char** argv, const std::string& applicationTitle, const std::function<TForm1&()>& createForm,
              const std::function<void()>& endProgram);

}  // namespace fieldsync
