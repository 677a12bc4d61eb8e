#include "http/WebModuleUnit1.h"

#include <optional>
#include <system_error>

#include "core/Platform.h"
#include "core/Regional.h"
#include "core/Text.h"
#include "http/internal/CallerOrigin.h"
#include "http/DSHTTPWebDispatcher.h"
#include "clientgen/DSProxyGenerator.h"
#include "clientgen/ProxyWriters.h"
#include "http/internal/PageProducer.h"
#include "http/internal/SyncActivityPages.h"
#include "http/WebFileDispatcher.h"

namespace fieldsync {

namespace {

constexpr const char* ServerFunctionsFileName = "serverfunctions.js";

// The file's modification time; nothing when it cannot be read.
std::optional<std::filesystem::file_time_type> ModificationTime(const std::filesystem::path& path) {
  std::error_code ec;
  const auto time = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return time;
}

// Makes the directory `dir` below the state directory when it is missing
// there and the program's directory has it, so that a state directory of its
// own starts empty and a request cannot make directories the program lacks.
// Beside the program (the state directory is the program's) nothing is made.
void MakeStateDirectory(const std::filesystem::path& dir, const std::filesystem::path& stateDir,
                        const std::filesystem::path& programDir) {
  std::error_code ec;
  if (std::filesystem::equivalent(stateDir, programDir, ec) || std::filesystem::exists(dir, ec))
    return;
  const std::filesystem::path relative = dir.lexically_relative(stateDir);
  if (relative.empty() || *relative.begin() == "..") return;
  if (std::filesystem::is_directory(programDir / relative, ec))
    std::filesystem::create_directories(dir, ec);  // a failure shows when the file is written
}

}  // namespace

TWebModule1::TWebModule1(TWebModule1Components components, std::filesystem::path programDir,
                         std::filesystem::path executableFile, std::filesystem::path stateDir)
    : FProgramDir(programDir.empty() ? ExecutableDir() : std::move(programDir)),
      FExecutableFile(executableFile.empty() ? ExecutablePath() : std::move(executableFile)),
      FStateDir(stateDir.empty() ? FProgramDir : std::move(stateDir)) {
  FDSProxyGenerator1 = std::make_unique<TDSProxyGenerator>();
  FDSProxyGenerator1->Writer = BrowserClientWriterName;
  FDSProxyGenerator1->ExcludeClasses = {"DSMetadata"};
  FDSProxyGenerator1->MetaDataProvider = [this] {
    auto* rest = dynamic_cast<TDSHTTPWebDispatcher*>(FDSHTTPWebDispatcher1.get());
    return rest ? DSServerMetaData(rest->DSServer1()) : TDSProxyMetadata{};
  };

  auto tagHandler = [this](const std::string& tagString, const TFields&,
                           std::u16string& replaceText) {
    if (FRequest) replaceText = ServerFunctionInvokerHTMLTag(*FRequest, tagString);
  };
  FServerFunctionInvoker = std::make_unique<TPageProducer>(
      "Templates\\ServerFunctionInvoker.html", FProgramDir);
  FServerFunctionInvoker->SetOnHTMLTag(tagHandler);
  FReverseString = std::make_unique<TPageProducer>("templates\\ReverseString.html", FProgramDir);
  FReverseString->SetOnHTMLTag(tagHandler);

  // The dispatch list, in the order the components are created.
  if (components.DSHTTPWebDispatcher1)
    FDSHTTPWebDispatcher1 = components.DSHTTPWebDispatcher1(*this);
  if (components.WebFileDispatcher1) FWebFileDispatcher1 = components.WebFileDispatcher1(*this);
  if (components.DSProxyDispatcher1) FDSProxyDispatcher1 = components.DSProxyDispatcher1(*this);
  FDispatchList = {FDSHTTPWebDispatcher1.get(), FWebFileDispatcher1.get(),
                   FDSProxyDispatcher1.get()};

  TWebActionItem reverseString;
  reverseString.Name = "ReverseStringAction";
  reverseString.PathInfo = "/ReverseString";
  reverseString.Producer = FReverseString.get();
  TWebActionItem invoker;
  invoker.Name = "ServerFunctionInvokerAction";
  invoker.PathInfo = "/ServerFunctionInvoker";
  invoker.Producer = FServerFunctionInvoker.get();
  TWebActionItem defaultAction;
  defaultAction.Name = "DefaultAction";
  defaultAction.PathInfo = "/";
  defaultAction.Default = true;
  defaultAction.OnAction = [this](TWebRequest& request, TWebResponse& response, bool& handled) {
    WebModuleDefaultAction(request, response, handled);
  };
  FSyncActivityPages = std::make_unique<TSyncActivityPages>(FProgramDir);
  FActions = {reverseString, invoker};
  for (TWebActionItem& page : FSyncActivityPages->Actions()) FActions.push_back(std::move(page));
  FActions.push_back(defaultAction);

  WebModuleCreate();
}

TWebModule1::~TWebModule1() = default;

void TWebModule1::WebModuleCreate() {
  FServerFunctionInvokerAction = ActionByName("ServerFunctionInvokerAction");
}

void TWebModule1::BeforeDispatch(TWebRequest& request, TWebResponse& response) {
  WebModuleBeforeDispatch(request, response);
}

void TWebModule1::WebModuleBeforeDispatch(TWebRequest& request, TWebResponse&) {
  if (FServerFunctionInvokerAction)
    FServerFunctionInvokerAction->Enabled = AllowServerFunctionInvoker(request);
}

bool TWebModule1::AllowServerFunctionInvoker(const TWebRequest& request) const {
  return IsLoopbackAddress(request.RemoteAddr());
}

void TWebModule1::WebModuleDefaultAction(TWebRequest& request, TWebResponse& response,
                                         bool& handled) {
  const std::string pathInfo = request.PathInfo();
  if (pathInfo.empty() || pathInfo == "/")
    response.SetContent(Utf16ToWin1252(FReverseString->Content()));
  else
    response.SendRedirect(request.InternalScriptName() + "/");
  handled = true;
}

bool TWebModule1::LoginRequired() const {
  const auto* rest = dynamic_cast<const TDSHTTPWebDispatcher*>(FDSHTTPWebDispatcher1.get());
  return rest && rest->AuthenticationManager() != nullptr;
}

void TWebModule1::WebFileDispatcher1BeforeDispatch(const std::filesystem::path& fileName,
                                                   TWebRequest&, TWebResponse&, bool&) {
  if (!SameTextAscii(fileName.filename().string(), ServerFunctionsFileName)) return;
  std::error_code ec;
  const bool exists = std::filesystem::exists(fileName, ec);
  if (exists) {
    const auto fileTime = ModificationTime(fileName);
    const auto programTime = ModificationTime(FExecutableFile);
    if (!fileTime || !programTime || *fileTime >= *programTime) return;
  }
  MakeStateDirectory(fileName.parent_path(), FStateDir, FProgramDir);
  FDSProxyGenerator1->TargetDirectory = fileName.parent_path();
  FDSProxyGenerator1->TargetUnitName = fileName.filename().string();
  FDSProxyGenerator1->Write();
}

std::unique_ptr<TWebDispatcher> MakeWebFileDispatcher1(TWebModule1& module) {
  TWebFileDispatcher::TSettings settings;
  settings.RootDirectory = ".";
  settings.WebFileExtensions = {{"css", "text/css"},       {"js", "text/javascript"},
                                {"png", "image/x-png"},    {"htm;html", "text/html"},
                                {"jpg;jpeg;jpe", "image/jpeg"}, {"gif", "image/gif"}};
  settings.WebDirectories = {{true, "*"}, {false, "\\templates\\*"}};
  settings.BeforeDispatch = [&module](const std::filesystem::path& fileName, TWebRequest& request,
                                      TWebResponse& response, bool& handled) {
    module.WebFileDispatcher1BeforeDispatch(fileName, request, response, handled);
  };
  settings.GeneratedDirectory = module.StateDir();
  settings.IsGenerated = [](const std::string& name) {
    return SameTextAscii(name.substr(name.rfind('\\') + 1), ServerFunctionsFileName);
  };
  return std::make_unique<TWebFileDispatcher>(std::move(settings), module.ProgramDir());
}

std::u16string TWebModule1::ServerFunctionInvokerHTMLTag(const TWebRequest& request,
                                                         const std::string& tagString) {
  auto is = [&tagString](const char* name) { return SameTextAscii(tagString, name); };
  if (is("urlpath")) return Win1252ToUtf16(request.InternalScriptName());
  if (is("port")) return Latin1ToUtf16(std::to_string(request.ServerPort()));
  if (is("host")) return Win1252ToUtf16(request.Host());
  if (is("classname")) return Latin1ToUtf16(ServiceClassName);
  if (is("loginrequired")) return LoginRequired() ? u"true" : u"false";
  if (is("serverfunctionsjs"))
    return Win1252ToUtf16(request.InternalScriptName()) + u"/js/serverfunctions.js";
  if (is("servertime")) return Latin1ToUtf16(DateTimeToStr(Now()));
  if (is("serverfunctioninvoker")) {
    if (!AllowServerFunctionInvoker(request)) return {};
    return u"<div><a href=\"" + Win1252ToUtf16(request.InternalScriptName()) +
           u"/ServerFunctionInvoker\" target=\"_blank\">Server Functions</a></div>";
  }
  if (is("syncactivity")) return TSyncActivityPages::LinkFor(request);
  return {};
}

}  // namespace fieldsync
