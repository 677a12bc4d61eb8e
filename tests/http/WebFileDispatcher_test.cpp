// WebFileDispatcher1 in its web module: which requests it serves, what a file
// answer carries, paths that try to leave the program's directory, and the
// regeneration of the browser client before it is served.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"
#include "TestClient.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/WebModuleUnit1.h"
#include "rest/ServerMethodsRegistration.h"

namespace fieldsync {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string Bom = "\xEF\xBB\xBF";
const std::string CssText = "body { color: #123; }\n";
const std::string PngBytes = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

// 01/03/2026 12:00:00 UTC as a file time, and its HTTP date.
const fs::file_time_type FileMoment = std::chrono::file_clock::from_sys(
    std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year{2026} / 3 / 1}} +
    std::chrono::seconds{12h});
constexpr const char* FileMomentText = "Sun, 01 Mar 2026 12:00:00 GMT";

THostValues Host;

// A program directory laid out as the build leaves it, inside a parent that
// holds a file the program must never serve.
class WebFileDispatcherTest : public ::testing::Test {
 protected:
  WebFileDispatcherTest() : FProgram(FParent.Path() / "program") {
    FParent.Write("secret.css", "outside the program's directory");
    FParent.Write("program/fieldsync", "the executable");
    FParent.Write("program/templates/ReverseString.html", "home");
    FParent.Write("program/templates/ServerFunctionInvoker.html", "invoker");
    FParent.Write("program/css/site.css", CssText);
    FParent.Write("program/css/utf8.css", Bom + CssText);
    FParent.Write("program/image.png", PngBytes);
    FParent.Write("program/js/ServerFunctionExecutor.js", "function isArray(v) {}\n");
    fs::last_write_time(FProgram / "image.png", FileMoment);
    // The program is older than anything a test writes.
    fs::last_write_time(FProgram / "fieldsync", FileMoment - 24h);
  }

  TWebModule1Components Components() {
    TWebModule1Components components;
    components.DSHTTPWebDispatcher1 = [](TWebModule1&) -> std::unique_ptr<TWebDispatcher> {
      return std::make_unique<TDSHTTPWebDispatcher>(
          [](TDSServer& server) { RegisterServerMethods1(server, Host); });
    };
    components.WebFileDispatcher1 = MakeWebFileDispatcher1;
    return components;
  }

  std::unique_ptr<TWebModule1> Module(const fs::path& stateDir = {}) {
    return std::make_unique<TWebModule1>(Components(), FProgram, FProgram / "fieldsync", stateDir);
  }

  // Dispatches in process, as the pool would; returns the wire answer.
  static test::THttpAnswer Dispatch(TWebModule1& module, const std::string& method,
                                    const std::string& path,
                                    std::vector<std::pair<std::string, std::string>> headers = {}) {
    return test::DispatchInProcess(module, method, path, std::move(headers));
  }

  test::TTempDir FParent;
  fs::path FProgram;
};

TEST_F(WebFileDispatcherTest, ServesOnlyGetAndHeadOfKnownExtensionsInAllowedDirectories) {
  auto module = Module();
  struct TCase {
    const char* Method;
    const char* Path;
    int Status;
    const char* ContentType;  // or Location for a redirect
  };
  const TCase cases[] = {
      {"GET", "/css/site.css", 200, "text/css; charset=ISO-8859-1"},
      {"GET", "/CSS/SITE.CSS", 200, "text/css; charset=ISO-8859-1"},
      {"GET", "/image.png", 200, "image/x-png"},
      {"GET", "/js/ServerFunctionExecutor.js", 200, "text/javascript; charset=ISO-8859-1"},
      {"GET", "/css/missing.css", 404, "text/html; charset=ISO-8859-1"},
      {"GET", "/nothing.css", 404, "text/html; charset=ISO-8859-1"},
      {"GET", "/css", 302, "/"},                       // no extension
      {"GET", "/nothing/here", 302, "/"},
      {"GET", "/css/site.txt", 302, "/"},              // extension not in the table
      {"GET", "/Templates/ServerFunctionInvoker.html", 302, "/"},  // excluded directory
      {"GET", "/templates/sub/x.css", 302, "/"},
      {"POST", "/css/site.css", 302, "/"},
      {"PUT", "/css/site.css", 302, "/"},
      {"POST", "/js/serverfunctions.js", 302, "/"},
      {"DELETE", "/image.png", 302, "/"},
  };
  for (const auto& c : cases) {
    const auto answer = Dispatch(*module, c.Method, c.Path);
    EXPECT_EQ(answer.Status, c.Status) << c.Method << " " << c.Path;
    if (c.Status == 302) {
      EXPECT_EQ(answer.Header("Location"), c.ContentType) << c.Path;
    } else {
      EXPECT_EQ(answer.Header("Content-Type"), c.ContentType) << c.Path;
    }
    if (c.Status != 200) {
      EXPECT_EQ(answer.Body, "") << c.Path;
      EXPECT_EQ(answer.Header("Last-Modified"), "") << c.Path;
    }
  }
  EXPECT_FALSE(fs::exists(FProgram / "js" / "serverfunctions.js"));
}

TEST_F(WebFileDispatcherTest, AFileAnswerCarriesItsBytesLengthAndTime) {
  auto module = Module();
  const auto png = Dispatch(*module, "GET", "/image.png");
  EXPECT_EQ(png.Body, PngBytes);
  EXPECT_EQ(png.Header("Content-Length"), std::to_string(PngBytes.size()));
  EXPECT_EQ(png.Header("Last-Modified"), FileMomentText);

  const auto head = Dispatch(*module, "HEAD", "/image.png");
  EXPECT_EQ(head.Status, 200);
  EXPECT_EQ(head.Header("Content-Type"), "image/x-png");
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(PngBytes.size()));
  EXPECT_EQ(head.Header("Last-Modified"), FileMomentText);
  EXPECT_EQ(head.Body, "");
}

TEST_F(WebFileDispatcherTest, ATextFileWithAByteOrderMarkIsUtf8AndLosesTheMark) {
  auto module = Module();
  const auto get = Dispatch(*module, "GET", "/css/utf8.css");
  EXPECT_EQ(get.Status, 200);
  EXPECT_EQ(get.Header("Content-Type"), "text/css; charset=utf-8");
  EXPECT_EQ(get.Body, CssText);
  EXPECT_EQ(get.Header("Content-Length"), std::to_string(CssText.size()));
  // HEAD announces what GET sends: the length without the mark.
  const auto head = Dispatch(*module, "HEAD", "/css/utf8.css");
  EXPECT_EQ(head.Header("Content-Type"), "text/css; charset=utf-8");
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(CssText.size()));
  EXPECT_EQ(head.Body, "");
  // A mark in a file that is not text stays in its bytes.
  FParent.Write("program/bom.png", Bom + "x");
  EXPECT_EQ(Dispatch(*module, "GET", "/bom.png").Body, Bom + "x");
}

TEST_F(WebFileDispatcherTest, IfModifiedSinceWithinOneSecondAnswersNotModified) {
  auto module = Module();
  struct TCase {
    std::chrono::milliseconds FileOffset;  // the file's time after FileMoment
    const char* Since;
    int Status;
  };
  const TCase cases[] = {
      {0ms, FileMomentText, 304},
      {500ms, FileMomentText, 304},
      {999ms, FileMomentText, 304},
      {1000ms, FileMomentText, 200},
      {-500ms, FileMomentText, 304},
      {0ms, "Sun, 01 Mar 2026 11:59:00 GMT", 200},  // one minute earlier
      {0ms, "Sun, 01 Mar 2026 12:01:00 GMT", 200},
      {0ms, "Sunday, 01-Mar-26 12:00:00 GMT", 304},
      {0ms, "not a date", 200},
  };
  for (const auto& c : cases) {
    fs::last_write_time(FProgram / "image.png", FileMoment + c.FileOffset);
    // MinGW's C++ library sets file times in whole seconds only.
    if (fs::last_write_time(FProgram / "image.png") != FileMoment + c.FileOffset) {
      std::cout << "skipped: this system keeps no file time of " << c.FileOffset.count() << " ms past a second\n";
      continue;
    }
    const auto answer = Dispatch(*module, "GET", "/image.png", {{"If-Modified-Since", c.Since}});
    EXPECT_EQ(answer.Status, c.Status) << c.Since << " +" << c.FileOffset.count() << "ms";
    if (c.Status == 304) {
      EXPECT_EQ(answer.Header("Content-Type"), "image/x-png");
      EXPECT_EQ(answer.Body, "");
      EXPECT_EQ(answer.Header("Content-Length"), "0");
    } else {
      EXPECT_EQ(answer.Body, PngBytes);
    }
  }
}

TEST_F(WebFileDispatcherTest, APathThatLeavesTheProgramDirectoryIsNeverServed) {
  auto module = Module();
  struct TCase {
    const char* Path;  // PathInfo, already decoded as the listener delivers it
    int Status;
  };
  const TCase cases[] = {
      {"/../secret.css", 404},
      {"/css/../../secret.css", 404},
      {"/..\\secret.css", 404},
      {"\\..\\secret.css", 302},  // not below "/": not offered to the dispatcher
      {"/css\\..\\..\\secret.css", 404},
      {"/./../secret.css", 404},
      {"/css/../css/../../secret.css", 404},
      {"/css/site.css\n../../secret.css", 404},
      // ".." inside the directory is resolved first, so it cannot reach an
      // excluded directory either.
      {"/css/../templates/ServerFunctionInvoker.html", 302},
      {"/css/..\\Templates\\ServerFunctionInvoker.html", 302},
      // Harmless forms resolve to the file.
      {"/css/../css/site.css", 200},
      {"/./css//site.css", 200},
      {"/css\\site.css", 200},
  };
  for (const auto& c : cases) {
    const auto answer = Dispatch(*module, "GET", c.Path);
    EXPECT_EQ(answer.Status, c.Status) << c.Path;
    EXPECT_EQ(answer.Body.find("outside"), std::string::npos) << c.Path;
    if (c.Status == 200) {
      EXPECT_EQ(answer.Body, CssText) << c.Path;
    }
  }
}

TEST_F(WebFileDispatcherTest, TheBrowserClientIsWrittenWhenMissingAndServedAsScript) {
  auto module = Module();
  const auto answer = Dispatch(*module, "GET", "/js/serverfunctions.js");
  EXPECT_EQ(answer.Status, 200);
  EXPECT_EQ(answer.Header("Content-Type"), "text/javascript; charset=utf-8");
  EXPECT_EQ(answer.Body.rfind("// Generated", 0), 0u);
  EXPECT_NE(answer.Body.find("function TServerMethods1(connectionInfo)"), std::string::npos);
  EXPECT_EQ(Bom + answer.Body, FParent.Read("program/js/serverfunctions.js"));
  // Only the file itself is left in the directory: no temporary files.
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(FProgram / "js")) files += entry.is_regular_file();
  EXPECT_EQ(files, 2u);
}

TEST_F(WebFileDispatcherTest, TheBrowserClientIsWrittenAgainOnlyWhenOlderThanTheProgram) {
  auto module = Module();
  const fs::path script = FProgram / "js" / "serverfunctions.js";
  const std::string marker = "// kept as it is\n";
  struct TStep {
    const char* What;
    std::chrono::hours ScriptAge;   // before FileMoment
    std::chrono::hours ProgramAge;  // before FileMoment
    const char* Path;
    bool Regenerated;
  };
  const TStep steps[] = {
      {"newer than the program", 1h, 24h, "/js/serverfunctions.js", false},
      {"as old as the program", 24h, 24h, "/js/serverfunctions.js", false},
      {"older than the program", 25h, 24h, "/js/serverfunctions.js", true},
      {"older, name in another case", 25h, 24h, "/JS/ServerFunctions.JS", true},
      {"older, HEAD", 25h, 24h, "/js/serverfunctions.js", true},
      {"another script that is older", 25h, 24h, "/js/ServerFunctionExecutor.js", false},
  };
  for (const auto& step : steps) {
    const fs::path file = std::string(step.Path).find("Executor") != std::string::npos
                              ? FProgram / "js" / "ServerFunctionExecutor.js"
                              : script;
    FParent.Write(fs::relative(file, FParent.Path()).string(), marker);
    fs::last_write_time(file, FileMoment - step.ScriptAge);
    fs::last_write_time(FProgram / "fieldsync", FileMoment - step.ProgramAge);
    const bool head = std::string(step.What).find("HEAD") != std::string::npos;
    const auto answer = Dispatch(*module, head ? "HEAD" : "GET", step.Path);
    EXPECT_EQ(answer.Status, 200) << step.What;
    const std::string now = FParent.Read(fs::relative(file, FParent.Path()).string());
    EXPECT_EQ(now != marker, step.Regenerated) << step.What;
    if (!head) {
      EXPECT_EQ(answer.Body, step.Regenerated ? now.substr(3) : marker) << step.What;
    }
  }
  // Once written anew the script is newer than the program: not written again.
  const auto written = fs::last_write_time(script);
  Dispatch(*module, "GET", "/js/serverfunctions.js");
  EXPECT_EQ(fs::last_write_time(script), written);
}

TEST_F(WebFileDispatcherTest, AScriptThatCannotBeWrittenAnswersTheErrorPage) {
  auto module = Module();
  const auto answer = Dispatch(*module, "GET", "/scripts/serverfunctions.js");
  EXPECT_EQ(answer.Status, 500);
  EXPECT_NE(answer.Body.find("Cannot create file"), std::string::npos) << answer.Body;
  EXPECT_FALSE(fs::exists(FProgram / "scripts"));
}

TEST_F(WebFileDispatcherTest, WithAStateDirectoryTheScriptIsWrittenAndServedThereOnly) {
  const fs::path state = FParent.Path() / "state";
  fs::create_directories(state);
  // A script left in the program's directory by an older layout is not the
  // one served.
  FParent.Write("program/css/serverfunctions.js", "// shipped by mistake\n");
  const auto before = test::EntriesBelow(FProgram);
  auto module = Module(state);

  const auto script = Dispatch(*module, "GET", "/js/serverfunctions.js");
  EXPECT_EQ(script.Status, 200);
  EXPECT_NE(script.Body.find("function TServerMethods1(connectionInfo)"), std::string::npos);
  EXPECT_TRUE(Bom + script.Body == FParent.Read("state/js/serverfunctions.js"));
  // Names are spelled as in the program's directory, whatever the request's.
  const auto other = Dispatch(*module, "GET", "/CSS/ServerFunctions.js");
  EXPECT_EQ(other.Status, 200);
  EXPECT_NE(other.Body.find("function TServerMethods1(connectionInfo)"), std::string::npos);
  EXPECT_TRUE(fs::exists(state / "css" / "serverfunctions.js"));
  std::vector<std::string> names;  // as spelled on disk, on case-insensitive systems too
  for (const auto& entry : fs::directory_iterator(state)) names.push_back(entry.path().filename().string());
  EXPECT_NE(std::find(names.begin(), names.end(), "css"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "CSS"), names.end());
  // A directory the program lacks is not made: the script cannot be written.
  EXPECT_EQ(Dispatch(*module, "GET", "/scripts/serverfunctions.js").Status, 500);
  EXPECT_FALSE(fs::exists(state / "scripts"));
  // Shipped files are still served from the program's directory.
  EXPECT_EQ(Dispatch(*module, "GET", "/css/site.css").Body, CssText);
  EXPECT_EQ(Dispatch(*module, "GET", "/js/ServerFunctionExecutor.js").Body,
            "function isArray(v) {}\n");
  EXPECT_EQ(test::EntriesBelow(FProgram), before) << "nothing written beside the program";

  // Written again when older than the program, in the state directory.
  FParent.Write("state/js/serverfunctions.js", "// old\n");
  fs::last_write_time(state / "js" / "serverfunctions.js", FileMoment - 25h);
  const auto again = Dispatch(*module, "GET", "/js/serverfunctions.js");
  EXPECT_NE(again.Body.find("function TServerMethods1(connectionInfo)"), std::string::npos);
  EXPECT_TRUE(Bom + again.Body == FParent.Read("state/js/serverfunctions.js"));
}

TEST_F(WebFileDispatcherTest, ReadersNeverSeePartOfTheScriptWhileOthersRewriteIt) {
  // A program "newer" than any script makes every request write it anew.
  fs::last_write_time(FProgram / "fieldsync", fs::file_time_type::clock::now() + 24h);
  std::string whole;
  {
    auto module = Module();
    whole = Dispatch(*module, "GET", "/js/serverfunctions.js").Body;
  }
  ASSERT_GT(whole.size(), 10000u);
  constexpr int Threads = 6;
  constexpr int Requests = 15;
  std::vector<std::vector<test::THttpAnswer>> answers(Threads);
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([this, t, &answers] {
      auto module = Module();  // one module per thread, as the pool lends them
      for (int r = 0; r < Requests; ++r)
        answers[t].push_back(Dispatch(*module, "GET", "/js/serverfunctions.js"));
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& perThread : answers) {
    for (const auto& answer : perThread) {
      EXPECT_EQ(answer.Status, 200) << answer.Body.substr(0, 400);
      EXPECT_EQ(answer.Body.size(), whole.size());
      EXPECT_TRUE(answer.Body == whole);
    }
  }
}

}  // namespace
}  // namespace fieldsync
