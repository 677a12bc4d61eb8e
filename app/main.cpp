// fieldsync: the web service through which the handhelds of the field
// representatives synchronise with the ERP database.
//
// Start order: the web request handler learns the web module class, the host
// window is created (its database connection opens now: a failure ends the
// program with exit code 1) and the representatives' names start being read
// for the sync-activity page (now and once a minute, on a thread of their
// own), and showing the window reads the branch file, loads the branch's
// options and starts the listener. At the end the names stop being read,
// then the listener stops and its connections end before the window goes. `--headless` runs the window's
// logic without a window; errors it would show go to standard error, and
// SIGTERM or SIGINT end the program as "Fechar" does. Without `--headless`
// the window is shown (app/qt/), which needs a display. Start, stop and,
// unless FIELDSYNC_ACCESS_LOG is 0, every request are logged on standard
// output; FIELDSYNC_CONFIG_DIR names where fil.txt and the definitions files are,
// FIELDSYNC_STATE_DIR where the generated browser client and client packages go.
//
// A users file (FIELDSYNC_USERS_FILE, else "users" in the configuration
// directory) switches logins on: every REST, json and cache request must
// then carry a user's credentials. A file named by FIELDSYNC_USERS_FILE
// that cannot be read stops the start. `fieldsync user ...` manages the
// file and ends (auth/UserCommand.h).

#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "activity/Activity.h"
#include "activity/ActivityGauges.h"
#include "activity/RepresentativeNames.h"
#include "app/FormUnit1.h"
#include "app/RepresentativeList.h"
#include "app/qt/WindowRunner.h"
#include "auth/UserCommand.h"
#include "auth/UsersAuthentication.h"
#include "core/Platform.h"
#include "core/ServiceLog.h"
#include "core/Text.h"
#include "db/SQLConnection.h"
#include "http/AccessLog.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/DSProxyDispatcher.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/WebModuleUnit1.h"
#include "http/WebRequestHandler.h"
#include "rest/ServerMethodsRegistration.h"

using namespace fieldsync;

namespace {

std::unique_ptr<TForm1> Form1;
// The authentication manager, when a users file is in force; made before
// the listener starts and kept to the end.
std::unique_ptr<TUsersAuthentication> Authentication;

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
    auto dispatcher =
        std::make_unique<TDSHTTPWebDispatcher>([](TDSServer& server) { RegisterServerMethods1(server, *Form1); });
    dispatcher->SetAuthenticationManager(Authentication.get());
    return dispatcher;
  };
  components.WebFileDispatcher1 = MakeWebFileDispatcher1;
  components.DSProxyDispatcher1 = MakeDSProxyDispatcher1;
  WebRequestHandler().SetWebModuleClass([components, stateDir = StateDir()] {
    return std::make_unique<TWebModule1>(components, ExecutableDir(), ExecutablePath(), stateDir);
  });
}

// "Fechar": the listener stops first and every connection thread ends, so
// that no request can reach Form1 while it is destroyed; then the window goes
// with its database connection. The sessions are not ended on this path.
void CloseForm1() {
  RepresentativeNames().Stop();
  if (!Form1) return;
  Form1->Server().SetActive(false);
  Form1.reset();
}

// Switches logins on when there is a users file: the REST dispatchers get
// the authentication manager, the access log the user field, the metrics
// page the refused logins. A named file that cannot be read, or a malformed
// one, raises.
void LoadUsers() {
  const std::filesystem::path usersFile = UsersFilePath();
  std::error_code ec;
  if (!UsersFileNamed() && !std::filesystem::exists(usersFile, ec)) return;
  Authentication = std::make_unique<TUsersAuthentication>(usersFile);
  // A REST request's password is checked before it takes a web module, so
  // that requests waiting for a check do not use up the pool.
  WebRequestHandler().SetBeforeModule([](const TWebRequest& request, const std::string& clientAddress) {
    if (!request.AuthUserName().empty() && SameTextAscii(request.RawPath().substr(0, 9), "/datasnap"))
      Authentication->Prepare(request.AuthUserName(), request.AuthPassword(), clientAddress);
  });
  SetAccessLogUserField(true);
  ActivityGauges().SetLoginRefusals([] {
    const auto refusals = Authentication->Refusals();
    return TLoginRefusals{{"no_credentials", refusals.NoCredentials},
                          {"wrong_credentials", refusals.WrongCredentials},
                          {"throttled", refusals.Throttled}};
  });
  LogEvent("logins required: users from " + usersFile.string());
}

// `fieldsync user ...`: the words after "user", against the users file and
// the service's method names.
int UserCommand(int argc, char** argv) {
  THostValues host;
  TDSServer server;
  RegisterServerMethods1(server, host);
  std::vector<std::string> methods;
  for (const TDSServerClass* serverClass : server.Classes())
    for (const TDSMethodEntry* method : server.MethodsOf(*serverClass)) methods.push_back(Utf16ToUtf8(method->MethodName));
  return RunUserCommand(std::vector<std::string>(argv + 2, argv + argc), UsersFilePath(), methods, std::cin,
                        std::cout, std::cerr);
}

// Creates the window's logic (its database connection opens now; a failure
// propagates) and lets the metrics page ask its listener.
TForm1& CreateForm1() {
  const std::filesystem::path configDir = ConfigurationDir();
  std::error_code ec;
  if (!std::filesystem::is_directory(configDir, ec))
    throw std::runtime_error("The configuration directory \"" + configDir.string() + "\" does not exist");
  const std::filesystem::path stateDir = StateDir();
  if (!std::filesystem::is_directory(stateDir, ec))
    throw std::runtime_error("The state directory \"" + stateDir.string() + "\" does not exist");
  SetAccessLogEnabled(AccessLogFromEnvironment());
  LoadUsers();
  Form1 = std::make_unique<TForm1>(configDir);
  Form1->SetLoginRequired(Authentication != nullptr);
  // The listener lives until Form1 goes, and its end waits for every
  // request, so the metrics page may ask it. Database attachments are
  // reported while they are reused (not with FIELDSYNC_DB_REUSE=0).
  ActivityGauges().SetConnectionsOpen(
      [server = &Form1->Server()] { return static_cast<int64_t>(server->ConnectionCount()); });
  ActivityGauges().SetDatabaseAttachments([]() -> std::optional<TAttachmentCounts> {
    const TDatabaseAttachmentCounts counts = DatabaseAttachmentCounts();
    if (!counts.Reused) return std::nullopt;
    return TAttachmentCounts{static_cast<int64_t>(counts.InUse), static_cast<int64_t>(counts.Idle)};
  });
  // The sync-activity page's names, read now and once a minute, never by a
  // request; the reading ends before Form1 goes.
  RepresentativeNames().Start([host = static_cast<const THostValues*>(Form1.get())] {
    return ReadRepresentatives(host->IDFilial.load(std::memory_order_relaxed));
  });
  return *Form1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "user") == 0) return UserCommand(argc, argv);
  // With the window when there is a display; `--headless` runs without one.
  bool headless = false;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--headless") == 0) headless = true;
  if (headless && argc != 2) {
    std::cerr << "usage: fieldsync [--headless]" << std::endl;
    return 2;
  }
  if (!headless && !WindowBuilt()) {
    std::cerr << "fieldsync: this build has no window; run it with --headless" << std::endl;
    return 2;
  }
  if (!headless && !DisplayAvailable(argc, argv)) {
    std::cerr << "fieldsync: no display to show the window on; run it with --headless" << std::endl;
    return 2;
  }
  BlockTerminationRequests();
  const std::string title = ApplicationTitle(argv[0]);

  try {
    Activity();  // the size of the request record comes from the environment
  } catch (const std::exception& e) {
    std::cerr << title << ": " << ErrorBoxText(e.what()) << std::endl;
    return 1;
  }
  InstallWebModuleClass();
  LogEvent("fieldsync starting; configuration in " + ConfigurationDir().string() +
           "; generated files in " + StateDir().string());
  if (!headless) return RunWindow(argc, argv, title, CreateForm1, [] { CloseForm1(); });
  try {
    CreateForm1();
  } catch (const std::exception& e) {
    std::cerr << "Application Error: " << ErrorBoxText(e.what()) << std::endl;
    LogEvent("fieldsync ended: it could not start");
    return 1;
  }
  RunHandler(title, [] { Form1->FormShow(); });

  WaitForTerminationRequest();
  LogEvent("fieldsync stopping");
  CloseForm1();
  LogEvent("fieldsync stopped");
  return 0;
}
