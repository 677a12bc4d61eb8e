#include "app/qt/WindowRunner.h"

#include <QApplication>
#include <QMessageBox>
#include <cstring>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/FormUnit1.h"
#include "app/qt/MainWindow.h"
#include "core/Mutex.h"
#include "core/Platform.h"

namespace fieldsync {

namespace {

// Turns SIGTERM and SIGINT into the end of the event loop. The waiting
// thread lives until the process ends; the lock keeps it from reaching an
// application that is being destroyed.
class TTerminationWatcher {
 public:
  explicit TTerminationWatcher(QCoreApplication& app) {
    TMutexLock lock(FLock);
    FApp = &app;
    static std::once_flag started;
    std::call_once(started, [] {
      std::thread([] {
        for (;;) {
          WaitForTerminationRequest();
          TMutexLock held(FLock);
          FRequested = true;
          // Ends every running event loop (an open box's too); unlike a quit
          // request, no window can refuse it.
          if (FApp) QMetaObject::invokeMethod(FApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
      }).detach();
    });
  }
  ~TTerminationWatcher() {
    TMutexLock lock(FLock);
    FApp = nullptr;
  }
  // Whether a request arrived (also one before the event loop ran).
  bool Requested() const {
    TMutexLock lock(FLock);
    return FRequested;
  }

 private:
  // Constant-initialised, so ready before any constructor runs.
  static inline TMutex FLock;
  static inline QCoreApplication* FApp GUARDED_BY(FLock) = nullptr;
  static inline bool FRequested GUARDED_BY(FLock) = false;
};

void ShowApplicationError(const std::string& message) {
  const std::string text = ErrorBoxText(message);
  std::cerr << "Application Error: " << text << std::endl;
  QMessageBox box(QMessageBox::Critical, "Application Error", QString::fromStdString(text), QMessageBox::Ok);
  box.exec();
}

}  // namespace

bool WindowBuilt() { return true; }

bool DisplayAvailable(int argc, char** argv) {
  if (!EnvironmentVariable("DISPLAY").empty() || !EnvironmentVariable("WAYLAND_DISPLAY").empty() ||
      !EnvironmentVariable("QT_QPA_PLATFORM").empty())
    return true;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0) return true;
  return false;
}

int RunWindow(int argc, char** argv, const std::string& applicationTitle, const std::function<TForm1&()>& createForm,
              const std::function<void()>& endProgram) {
  QApplication app(argc, argv);
  if (argc > 1) {
    std::cerr << "usage: fieldsync [--headless]" << std::endl;
    return 2;
  }
  // Hiding the window to the tray, or closing an error box while it is
  // hidden, must not end the program: only "Fechar" does.
  app.setQuitOnLastWindowClosed(false);
  TTerminationWatcher watcher(app);
  TForm1* form = nullptr;
  try {
    form = &createForm();
  } catch (const std::exception& e) {
    ShowApplicationError(e.what());
    return 1;
  }
  {
    TMainWindow window(*form, applicationTitle);
    window.show();
    if (!watcher.Requested()) app.exec();
  }
  endProgram();
  return 0;
}

}  // namespace fieldsync
