#pragma once
// TWebModule1, the service's web module: the landing page ("/" and
// "/ReverseString"), the method-test page ("/ServerFunctionInvoker", only for
// callers on the local machine), the operator's sync-activity pages (the
// same callers), then the REST dispatcher and the two file dispatchers, and
// a default action that redirects everything else to "/".

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "http/WebModule.h"

namespace fieldsync {

// The operator's sync-activity page, for callers on this machine.
inline constexpr const char* SyncActivityPagePath = "/SyncActivity";

class TWebModule1;
class TDSProxyGenerator;
class TSyncActivityPages;

// Builds the components of the dispatch list for one module instance. Each
// factory may be empty (the slot stays empty); the module owns what it gets.
struct TWebModule1Components {
  using TFactory = std::function<std::unique_ptr<TWebDispatcher>(TWebModule1&)>;
  TFactory DSHTTPWebDispatcher1;  // REST: mask "/datasnap*"
  TFactory WebFileDispatcher1;    // static files: mask "/*"
  TFactory DSProxyDispatcher1;    // client packages: mask "/*"
};

class TWebModule1 : public TWebModule {
 public:
  // `programDir` is where the templates are found (the executable's
  // directory unless a test says otherwise); `executableFile` is the program
  // whose modification time decides when the browser client is regenerated
  // (the running executable unless a test says otherwise); `stateDir` is
  // where the browser client and the client packages are written and served
  // from (the program's directory when empty).
  explicit TWebModule1(TWebModule1Components components = {},
                       std::filesystem::path programDir = {},
                       std::filesystem::path executableFile = {},
                       std::filesystem::path stateDir = {});
  ~TWebModule1() override;

  // The service class whose methods the REST dispatcher exposes.
  static constexpr const char* ServiceClassName = "TServerMethods1";

  // True exactly for the loopback peers "127.0.0.1", "0:0:0:0:0:0:0:1", "::1".
  bool AllowServerFunctionInvoker(const TWebRequest& request) const;
  // Whether an authentication manager is attached to DSHTTPWebDispatcher1
  // (the pages' "loginrequired").
  bool LoginRequired() const;

  const std::filesystem::path& ProgramDir() const { return FProgramDir; }
  const std::filesystem::path& ExecutableFile() const { return FExecutableFile; }
  const std::filesystem::path& StateDir() const { return FStateDir; }
  TWebDispatcher* DSHTTPWebDispatcher1() const { return FDSHTTPWebDispatcher1.get(); }
  TWebDispatcher* WebFileDispatcher1() const { return FWebFileDispatcher1.get(); }
  TWebDispatcher* DSProxyDispatcher1() const { return FDSProxyDispatcher1.get(); }
  TPageProducer& ReverseString() { return *FReverseString; }
  TPageProducer& ServerFunctionInvoker() { return *FServerFunctionInvoker; }
  // DSProxyGenerator1: writer "Java Script REST", classes but "DSMetadata",
  // metadata from the method server of DSHTTPWebDispatcher1.
  TDSProxyGenerator& DSProxyGenerator1() { return *FDSProxyGenerator1; }

  // WebFileDispatcher1's hook: before "serverfunctions.js" (any case) is
  // served, writes it anew when it is missing or older than the executable.
  // `fileName` is below the state directory; a directory missing there is
  // made when the program's directory has it. Never marks the request
  // handled.
  void WebFileDispatcher1BeforeDispatch(const std::filesystem::path& fileName, TWebRequest& request,
                                        TWebResponse& response, bool& handled);

 protected:
  void BeforeDispatch(TWebRequest& request, TWebResponse& response) override;

 private:
  void WebModuleCreate();
  void WebModuleBeforeDispatch(TWebRequest& request, TWebResponse& response);
  void WebModuleDefaultAction(TWebRequest& request, TWebResponse& response, bool& handled);
  std::u16string ServerFunctionInvokerHTMLTag(const TWebRequest& request,
                                              const std::string& tagString);

  std::filesystem::path FProgramDir;
  std::filesystem::path FExecutableFile;
  std::filesystem::path FStateDir;
  std::unique_ptr<TDSProxyGenerator> FDSProxyGenerator1;
  std::unique_ptr<TPageProducer> FServerFunctionInvoker;
  std::unique_ptr<TPageProducer> FReverseString;
  std::unique_ptr<TWebDispatcher> FDSHTTPWebDispatcher1;
  std::unique_ptr<TWebDispatcher> FWebFileDispatcher1;
  std::unique_ptr<TWebDispatcher> FDSProxyDispatcher1;
  std::unique_ptr<TSyncActivityPages> FSyncActivityPages;
  TWebActionItem* FServerFunctionInvokerAction = nullptr;
};

// WebFileDispatcher1 for `module`: files below the executable's directory
// (css, js, png, htm/html, jpg/jpeg/jpe, gif), every directory but
// "templates", with the module's WebFileDispatcher1BeforeDispatch; the
// browser client "serverfunctions.js" below the module's state directory.
// Fits the WebFileDispatcher1 slot of TWebModule1Components.
std::unique_ptr<TWebDispatcher> MakeWebFileDispatcher1(TWebModule1& module);

}  // namespace fieldsync
