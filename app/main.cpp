// fieldsync: the web service through which the handhelds of the field
// representatives synchronise with the ERP database.
//
// Start order: the web request handler learns the web module class, the host
// window is created (its database connection opens now: a failure ends the
// program with exit code 1), and showing it reads the branch file, loads the
// branch's options and starts the listener. `--headless` runs the window's
// logic without a window; errors it would show go to standard error, and
// SIGTERM or SIGINT end the program as "Fechar" does.

#include <cstring>
#include <iostream>
#include <memory>

#include "app/FormUnit1.h"
#include "core/Platform.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/DSProxyDispatcher.h"
#include "http/WebModuleUnit1.h"
#include "http/WebRequestHandler.h"
#include "rest/ServerMethodsRegistration.h"

using namespace fieldsync;

namespace {

std::unique_ptr<TForm1> Form1;

// The application title: the executable's name up to its first ".", every
// letter after the first in lower case.
std::string ApplicationTitle(const char* argv0) {
  std::string name = std::filesystem::path(argv0).filename().string();
  name = name.substr(0, name.find('.'));
  for (size_t i = 1; i < name.size(); ++i)
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] + 32);
  return name;
}

// Runs a window handler as the event loop would: an error is shown (here:
// written to standard error under the title) and the program goes on.
template <class F>
void RunHandler(const std::string& title, F handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    std::cerr << title << ": " << ErrorBoxText(e.what()) << std::endl;
  }
}

void InstallWebModuleClass() {
  TWebModule1Components components;
  components.DSHTTPWebDispatcher1 = [](TWebModule1&) -> std::unique_ptr<TWebDispatcher> {
    return std::make_unique<TDSHTTPWebDispatcher>([](TDSServer& server) { RegisterServerMethods1(server, *Form1); });
  };
  components.WebFileDispatcher1 = MakeWebFileDispatcher1;
  components.DSProxyDispatcher1 = MakeDSProxyDispatcher1;
  WebRequestHandler().SetWebModuleClass(
      [components] { return std::make_unique<TWebModule1>(components, ExecutableDir()); });
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else {
      std::cerr << "usage: fieldsync --headless" << std::endl;
      return 2;
    }
  }
  if (!headless) {
    std::cerr << "fieldsync: this build has no window; run it with --headless" << std::endl;
    return 2;
  }
  BlockTerminationRequests();
  const std::string title = ApplicationTitle(argv[0]);

  InstallWebModuleClass();
  try {
    Form1 = std::make_unique<TForm1>(ExecutableDir());
  } catch (const std::exception& e) {
    std::cerr << "Application Error: " << ErrorBoxText(e.what()) << std::endl;
    return 1;
  }
  RunHandler(title, [] { Form1->FormShow(); });

  WaitForTerminationRequest();
  Form1.reset();  // "Fechar": the listener stops, its connections end, the database closes
  return 0;
}
