// The web module: actions, masks, the local-only method-test page, the
// dispatch list seam, the default action, page templates and the error page.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <utility>

#include "TestClient.h"
#include "core/Error.h"
#include "core/Text.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/internal/PageProducer.h"
#include "http/WebModuleUnit1.h"
#include "http/WebRequestHandler.h"
#include "tests/support/TempDir.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::ExpectThrowWithText;

namespace fs = std::filesystem;

using test::RequestTo;
using test::TTempDir;

// A dispatch component that records what it was offered and handles only
// paths ending in `suffix` (any path when empty).
class TRecordingDispatcher : public TWebDispatcher {
 public:
  TRecordingDispatcher(std::string mask, std::string name, std::string suffix,
                       std::vector<std::string>& log)
      : FMask(std::move(mask)), FName(std::move(name)), FSuffix(std::move(suffix)), FLog(log) {}
  std::string PathMask() const override { return FMask; }
  bool DispatchRequest(TWebRequest& request, TWebResponse& response) override {
    FLog.push_back(FName + " " + request.PathInfo());
    const std::string path = request.PathInfo();
    if (!FSuffix.empty() &&
        (path.size() < FSuffix.size() || path.substr(path.size() - FSuffix.size()) != FSuffix))
      return false;
    response.SetContent(FName);
    return true;
  }

 private:
  std::string FMask, FName, FSuffix;
  std::vector<std::string>& FLog;
};

constexpr const char* LandingTemplate =
    "<p>host=<#host> port=<#PORT> class=<#classname> login=<#loginrequired>"
    " js=<#serverfunctionsjs> path=[<#urlpath>] gone=[<#nosuchtag>]</p><#serverfunctioninvoker>";

class WebModuleTest : public ::testing::Test {
 protected:
  WebModuleTest() {
    FDir.Write("templates/ReverseString.html", LandingTemplate);
    FDir.Write("templates/ServerFunctionInvoker.html", "\xEF\xBB\xBFinvoker <#classname>");
  }

  TWebModule1Components RecordingComponents() {
    TWebModule1Components components;
    components.DSHTTPWebDispatcher1 = [this](TWebModule1&) {
      return std::make_unique<TRecordingDispatcher>("/datasnap*", "rest", "", FLog);
    };
    components.WebFileDispatcher1 = [this](TWebModule1&) {
      return std::make_unique<TRecordingDispatcher>("/*", "files", ".css", FLog);
    };
    components.DSProxyDispatcher1 = [this](TWebModule1&) {
      return std::make_unique<TRecordingDispatcher>("/*", "proxy", ".zip", FLog);
    };
    return components;
  }

  // Dispatches in process, as the pool would; returns the wire answer.
  test::THttpAnswer Dispatch(TWebModule1& module, const std::string& method,
                             const std::string& path, const std::string& remoteAddr) {
    std::string wire;
    TWebRequest request(RequestTo(method, path, remoteAddr, "server:8081"));
    TWebResponse response("HTTP/1.1", [&wire](std::string_view b) { wire.append(b); });
    if (module.HandleRequest(request, response) && !response.Sent()) response.SendResponse();
    response.Finish();
    return test::ParseAnswer(wire);
  }

  TTempDir FDir;
  std::vector<std::string> FLog;
};

TEST_F(WebModuleTest, ServesTheLandingPageWithTagsReplaced) {
  TWebModule1 module({}, FDir.Path());
  const auto remote = Dispatch(module, "GET", "/", "192.168.0.7");
  EXPECT_EQ(remote.Status, 200);
  EXPECT_EQ(remote.Body,
            "<p>host=server port=8081 class=TServerMethods1 login=false"
            " js=/js/serverfunctions.js path=[] gone=[]</p>");
  for (const char* local : {"127.0.0.1", "0:0:0:0:0:0:0:1", "::1"}) {
    const auto answer = Dispatch(module, "POST", "", local);
    EXPECT_NE(answer.Body.find("<div><a href=\"/ServerFunctionInvoker\" target=\"_blank\">"
                               "Server Functions</a></div>"),
              std::string::npos)
        << local;
  }
  EXPECT_EQ(Dispatch(module, "GET", "/reversestring", "10.0.0.1").Body, remote.Body);
}

TEST_F(WebModuleTest, OpensTheMethodTestPageOnlyForLoopbackCallers) {
  TWebModule1 module(RecordingComponents(), FDir.Path());
  for (const char* local : {"127.0.0.1", "0:0:0:0:0:0:0:1", "::1"}) {
    const auto answer = Dispatch(module, "GET", "/ServerFunctionInvoker", local);
    EXPECT_EQ(answer.Status, 200) << local;
    EXPECT_EQ(answer.Body, "invoker TServerMethods1") << local;
  }
  for (const char* other : {"192.168.0.7", "127.0.0.2", "0:0:0:0:0:0:0:0001"}) {
    const auto answer = Dispatch(module, "GET", "/ServerFunctionInvoker", other);
    EXPECT_EQ(answer.Status, 302) << other;
    EXPECT_EQ(answer.Header("Location"), "/") << other;
  }
  // The flag is set anew for every request.
  EXPECT_EQ(Dispatch(module, "GET", "/ServerFunctionInvoker", "::1").Status, 200);
}

TEST_F(WebModuleTest, OffersTheDispatchListInOrderAfterTheActions) {
  TWebModule1 module(RecordingComponents(), FDir.Path());
  struct TCase {
    const char* Method;
    const char* Path;
    int Status;
    const char* Body;
    std::vector<std::string> Offered;
  };
  const TCase cases[] = {
      {"GET", "/DATASNAP/rest/TServerMethods1/EchoString/x", 200, "rest",
       {"rest /DATASNAP/rest/TServerMethods1/EchoString/x"}},
      {"DELETE", "/datasnapx", 200, "rest", {"rest /datasnapx"}},
      {"GET", "/css/site.css", 200, "files", {"files /css/site.css"}},
      {"GET", "/proxy/java_android.zip", 200, "proxy",
       {"files /proxy/java_android.zip", "proxy /proxy/java_android.zip"}},
      {"GET", "/nothing/here", 302, "", {"files /nothing/here", "proxy /nothing/here"}},
      {"GET", "/ReverseString", 200, nullptr, {}},
      {"GET", "/", 200, nullptr, {}},
  };
  for (const auto& c : cases) {
    FLog.clear();
    const auto answer = Dispatch(module, c.Method, c.Path, "10.1.1.1");
    EXPECT_EQ(answer.Status, c.Status) << c.Path;
    if (c.Body) {
      EXPECT_EQ(answer.Body, c.Body) << c.Path;
    }
    EXPECT_EQ(FLog, c.Offered) << c.Path;
  }
  EXPECT_EQ(Dispatch(module, "GET", "/nothing/here", "10.1.1.1").Header("Location"), "/");
}

TEST_F(WebModuleTest, AnswersAMissingTemplateWithTheErrorPage) {
  fs::remove(FDir.Path() / "templates" / "ReverseString.html");
  TWebModule1 module({}, FDir.Path());
  const auto answer = Dispatch(module, "GET", "/", "127.0.0.1");
  EXPECT_EQ(answer.Status, 500);
  const std::string path = (FDir.Path() / "templates" / "ReverseString.html").string();
  EXPECT_EQ(answer.Body, "<html><body><h1>Internal Application Error</h1>\r\n<p>Cannot open file \"" +
                             path + "\". No such file or directory\r\n<p><hr width=\"100%\">"
                             "<i>/</i></body></html>");
}

TEST_F(WebModuleTest, ServesPagesOverBothLoopbacks) {
  TWebRequestHandler handler;
  const fs::path dir = FDir.Path();
  handler.SetWebModuleClass([dir] { return std::make_unique<TWebModule1>(TWebModule1Components{}, dir); });
  TIdHTTPWebBrokerBridge listener(handler);
  listener.SetDefaultPort(0);
  listener.SetLimits(TListenerLimits{});
  listener.SetActive(true);
  const uint16_t port = listener.Bindings().at(0).Port;

  const auto v4 = test::Exchange(port, "GET /ReverseString HTTP/1.1\r\nHost: localhost:1234\r\n\r\n");
  EXPECT_EQ(v4.Raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(v4.HeaderNames(),
            (std::vector<std::string>{"Connection", "Content-Type", "Content-Length"}));
  EXPECT_EQ(v4.Header("Content-Type"), "text/html; charset=ISO-8859-1");
  EXPECT_EQ(v4.Header("Content-Length"), std::to_string(v4.Body.size()));
  EXPECT_NE(v4.Body.find("host=localhost port=1234"), std::string::npos);
  EXPECT_NE(v4.Body.find("Server Functions"), std::string::npos);

  if (listener.Bindings().size() < 2 || !test::TTestConnection(port, true).Connected())
    GTEST_SKIP() << "no IPv6 loopback on this machine";
  const auto v6 = test::Exchange(port, "GET /ServerFunctionInvoker HTTP/1.0\r\n\r\n", true);
  EXPECT_EQ(v6.Status, 200);
  EXPECT_EQ(v6.Body, "invoker TServerMethods1");
  const auto redirect = test::Exchange(port, "GET /nothing/here HTTP/1.0\r\n\r\n", true);
  EXPECT_EQ(redirect.Status, 302);
  EXPECT_EQ(redirect.Header("Location"), "/");
  EXPECT_EQ(redirect.Header("Content-Length"), "0");
}

// A module that cannot be made gives back the place it took in the pool:
// with one place, the next request is served, not refused.
TEST_F(WebModuleTest, AModuleThatCannotBeMadeGivesItsPlaceBack) {
  struct TCase {
    const char* Name;
    std::function<std::unique_ptr<TWebModule>()> FirstModule;
    const char* Message;
  };
  const TCase cases[] = {
      {"the module class fails",
       []() -> std::unique_ptr<TWebModule> { throw Exception("cannot make a module"); }, "cannot make a module"},
      {"the module class gives none", [] { return std::unique_ptr<TWebModule>(); },
       "No automatically activated data modules"},
  };
  const fs::path dir = FDir.Path();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TWebRequestHandler handler;
    handler.SetMaxConnections(1);
    bool first = true;
    handler.SetWebModuleClass([&]() -> std::unique_ptr<TWebModule> {
      if (std::exchange(first, false)) return c.FirstModule();
      return std::make_unique<TWebModule1>(TWebModule1Components{}, dir);
    });
    std::string wire;
    TWebRequest failing(RequestTo("GET", "/ReverseString", "127.0.0.1", "server:8081"));
    TWebResponse unanswered("HTTP/1.1", [&wire](std::string_view b) { wire.append(b); });
    ExpectThrowWithText([&] { handler.HandleRequest(failing, unanswered); }, c.Message);
    EXPECT_EQ(handler.ActiveCount(), 0);

    TWebRequest request(RequestTo("GET", "/ReverseString", "127.0.0.1", "server:8081"));
    TWebResponse response("HTTP/1.1", [&wire](std::string_view b) { wire.append(b); });
    EXPECT_TRUE(handler.HandleRequest(request, response));
    EXPECT_EQ(handler.ActiveCount(), 0);
    EXPECT_EQ(handler.ModuleCount(), 1u);
    EXPECT_EQ(handler.Refusals(), 0u);
  }
}

// --- templates -------------------------------------------------------------

TEST(PageProducer, ReplacesTagsAndCopiesTheRestAsTheRulesSay) {
  TPageProducer producer("unused.html", fs::path("."));
  std::vector<std::string> seen;
  producer.SetOnHTMLTag([&seen](const std::string& tag, const TFields& params,
                                std::u16string& replace) {
    std::string entry = tag;
    for (size_t i = 0; i < params.Count(); ++i) entry += "|" + params.Strings(i);
    seen.push_back(entry);
    if (SameTextAscii(tag, "known") || tag == "1") replace = u"[" + Latin1ToUtf16(tag) + u"]";
  });
  struct TCase {
    std::u16string Template;
    std::u16string Page;
    std::vector<std::string> Tags;
  };
  const TCase cases[] = {
      {u"a<#known>b", u"a[known]b", {"known"}},
      {u"<#KNOWN>", u"[KNOWN]", {"KNOWN"}},
      {u"< \t# known a=1 b=\"x y\" c='z' d>", u"[known]", {"known|a=1|b=x y|c=z|d"}},
      {u"<\r\n#known\r\nx=1\r\n>!", u"[known]!", {"known|x=1"}},
      {u"x<#unknown y>z", u"xz", {"unknown|y"}},
      {u"<#1abc>", u"[1]", {"1|abc"}},
      {u"<#known_2x>", u"", {"known_2x"}},
      {u"if (a < b && c <\td) {}", u"if (a <b && c <d) {}", {}},
      {u"<p>\u00E7\u20AC</p>", u"<p>\u00E7\u20AC</p>", {}},
      {u"end <#known", u"end [known]", {"known"}},
      {u"end <", u"end <", {}},
      {u"<#>", u"", {">"}},
      // A symbol outside the BMP is one character, not half of one.
      {u"<#\U0001F600 x>", u"", {"\xF0\x9F\x98\x80|x"}},
  };
  for (const auto& c : cases) {
    seen.clear();
    EXPECT_EQ(producer.ContentFromString(c.Template), c.Page) << Utf16ToUtf8(c.Template);
    EXPECT_EQ(seen, c.Tags) << Utf16ToUtf8(c.Template);
  }
}

TEST(PageProducer, ReadsUtf8WithMarkOrWindows1252AndResolvesCaseInsensitively) {
  TTempDir dir;
  dir.Write("templates/utf8.html", "\xEF\xBB\xBF\xC3\xA7\xE2\x82\xAC");
  dir.Write("templates/ansi.html", "\xE7\x80");
  TPageProducer utf8("Templates\\UTF8.html", dir.Path());
  TPageProducer ansi("templates\\ansi.html", dir.Path());
  EXPECT_EQ(utf8.Content(), u"\u00E7\u20AC");
  EXPECT_EQ(ansi.Content(), u"\u00E7\u20AC");
  TPageProducer absolute((dir.Path() / "templates" / "ansi.html").string(), "/elsewhere");
  EXPECT_EQ(absolute.Content(), u"\u00E7\u20AC");
}

}  // namespace
}  // namespace fieldsync
