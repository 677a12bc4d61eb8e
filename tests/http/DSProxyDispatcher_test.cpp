// DSProxyDispatcher1 in its web module: which package requests it serves,
// the language key, when a package is written and zipped again, what the
// archive holds, and the zip writer itself.

#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "core/Platform.h"
#include "tests/support/TempDir.h"
#include "TestClient.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/DSProxyDispatcher.h"
#include "http/internal/DSProxyGenerator.h"
#include "http/WebModuleUnit1.h"
#include "http/internal/ZipDirectory.h"
#include "rest/ServerMethodsRegistration.h"

namespace fieldsync {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

THostValues Host;

const std::vector<std::string> JavaSupportFiles = {"src/fieldsync/rest/DSRESTConnection.java",
                                                   "src/fieldsync/rest/StringHolder.java"};

// A program directory with the Java packages' support files and a package
// that no writer makes.
class ProxyDispatcherTest : public ::testing::Test {
 protected:
  ProxyDispatcherTest() : FProgram(FDir.Path() / "program") {
    FDir.Write("program/fieldsync", "the executable");
    FDir.Write("program/templates/ReverseString.html", "home");
    FDir.Write("program/templates/ServerFunctionInvoker.html", "invoker");
    for (const char* key : {"java_android", "java_blackberry"})
      for (const auto& file : JavaSupportFiles)
        FDir.Write(std::string("program/proxy/") + key + "/" + file, "class X {}\n");
    FDir.Write("program/proxy/handmade.zip", "PK handmade");
    FDir.Write("program/proxy/java_android/nested.zip", "PK nested");
    SetProgramTime(fs::file_time_type::clock::now() - 1h);
  }

  void SetProgramTime(fs::file_time_type time) { fs::last_write_time(FProgram / "fieldsync", time); }

  std::unique_ptr<TWebModule1> Module(const fs::path& stateDir = {}) {
    TWebModule1Components components;
    components.DSHTTPWebDispatcher1 = [](TWebModule1&) -> std::unique_ptr<TWebDispatcher> {
      return std::make_unique<TDSHTTPWebDispatcher>(
          [](TDSServer& server) { RegisterServerMethods1(server, Host); });
    };
    components.WebFileDispatcher1 = MakeWebFileDispatcher1;
    components.DSProxyDispatcher1 = MakeDSProxyDispatcher1;
    return std::make_unique<TWebModule1>(components, FProgram, FProgram / "fieldsync", stateDir);
  }

  static test::THttpAnswer Dispatch(TWebModule1& module, const std::string& method,
                                    const std::string& path,
                                    std::vector<std::pair<std::string, std::string>> headers = {}) {
    return test::DispatchInProcess(module, method, path, std::move(headers));
  }

  fs::file_time_type ZipTime(const std::string& name) {
    return fs::last_write_time(FProgram / "proxy" / name);
  }

  test::TTempDir FDir;
  fs::path FProgram;
};

TEST(ProxyDispatcherKey, IsTheFileNameInLowerCaseUpToItsFirstDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"java_android.zip", "java_android"},
      {"Java_BlackBerry.ZIP", "java_blackberry"},
      {"csharp_silverlight.v2.zip", "csharp_silverlight"},
      {"Java Script.zip", "java script"},  // no writer has it: the script's key keeps its capitals
      {".zip", ""},
  };
  for (const auto& [file, key] : cases) EXPECT_EQ(TDSProxyDispatcher::LanguageKey(file), key) << file;
}

TEST_F(ProxyDispatcherTest, ServesPackagesDirectlyInProxyAndWritesThoseWithAWriter) {
  auto module = Module();
  struct TCase {
    const char* Method;
    const char* Path;
    int Status;
    const char* Header;  // Content-Type, or Location for a redirect
  };
  const TCase cases[] = {
      {"GET", "/proxy/java_android.zip", 200, "application/x-zip-compressed"},
      {"GET", "/proxy/Java_BlackBerry.zip", 200, "application/x-zip-compressed"},
      {"HEAD", "/proxy/java_android.zip", 200, "application/x-zip-compressed"},
      {"GET", "/proxy/handmade.zip", 200, "application/x-zip-compressed"},  // served as it is
      {"GET", "/proxy/unknown.zip", 404, "text/html; charset=ISO-8859-1"},
      {"GET", "/proxy/Java Script.zip", 404, "text/html; charset=ISO-8859-1"},
      {"GET", "/proxy/java_android/nested.zip", 302, "/"},  // below proxy: not served
      {"GET", "/java_android.zip", 302, "/"},               // not in proxy
      {"GET", "/proxy/java_android.tar", 302, "/"},
      {"POST", "/proxy/java_android.zip", 302, "/"},
      {"GET", "/proxy/../proxy/handmade.zip", 200, "application/x-zip-compressed"},
  };
  for (const auto& c : cases) {
    const auto answer = Dispatch(*module, c.Method, c.Path);
    EXPECT_EQ(answer.Status, c.Status) << c.Method << " " << c.Path;
    EXPECT_EQ(answer.Header(c.Status == 302 ? "Location" : "Content-Type"), c.Header) << c.Path;
  }
  EXPECT_EQ(FDir.Read("program/proxy/handmade.zip"), "PK handmade");
  EXPECT_FALSE(fs::exists(FProgram / "proxy" / "unknown.zip"));
  EXPECT_EQ(Dispatch(*module, "GET", "/proxy/handmade.zip").Body, "PK handmade");

  const auto get = Dispatch(*module, "GET", "/proxy/java_android.zip");
  const auto head = Dispatch(*module, "HEAD", "/proxy/java_android.zip");
  EXPECT_EQ(get.Body, FDir.Read("program/proxy/java_android.zip"));
  EXPECT_EQ(head.Body, "");
  EXPECT_EQ(head.Header("Content-Length"), std::to_string(get.Body.size()));
  EXPECT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip",
                     {{"If-Modified-Since", get.Header("Last-Modified")}})
                .Status,
            304);
}

TEST_F(ProxyDispatcherTest, TheArchiveHoldsTheSupportFilesAndTheClientInTheWritersDirectory) {
  auto module = Module();
  ASSERT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip").Status, 200);
  EXPECT_EQ(ZipEntryNames(FProgram / "proxy" / "java_android.zip"),
            (std::vector<std::string>{"nested.zip", "src/fieldsync/proxy/DSProxy.java",
                                      "src/fieldsync/rest/DSRESTConnection.java",
                                      "src/fieldsync/rest/StringHolder.java"}));
  const std::string client = FDir.Read("program/proxy/java_android/src/fieldsync/proxy/DSProxy.java");
  EXPECT_NE(client.find("public static class TServerMethods1"), std::string::npos);
  // The browser client keeps its writer.
  EXPECT_EQ(module->DSProxyGenerator1().Writer, "Java Script REST");
}

TEST_F(ProxyDispatcherTest, APackageIsWrittenAgainOnceAfterTheProgramIsReplaced) {
  auto module = Module();
  ASSERT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip").Status, 200);
  const auto first = ZipTime("java_android.zip");
  ASSERT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip").Status, 200);
  EXPECT_EQ(ZipTime("java_android.zip"), first) << "not written again while up to date";

  // An older zip than the program: as after an update of the program.
  fs::last_write_time(FProgram / "proxy" / "java_android.zip", first - 2h);
  ASSERT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip").Status, 200);
  const auto second = ZipTime("java_android.zip");
  EXPECT_GT(second, first - 2h) << "written again";
  EXPECT_GE(second, fs::last_write_time(FProgram / "fieldsync"));
  ASSERT_EQ(Dispatch(*module, "GET", "/proxy/java_android.zip").Status, 200);
  EXPECT_EQ(ZipTime("java_android.zip"), second) << "and only once";

  // A handmade zip older than the program is left alone: no writer has its key.
  fs::last_write_time(FProgram / "proxy" / "handmade.zip", first - 2h);
  Dispatch(*module, "GET", "/proxy/handmade.zip");
  EXPECT_EQ(ZipTime("handmade.zip"), first - 2h);
}

TEST_F(ProxyDispatcherTest, APackageWithoutItsSourcesIsAnErrorAndKeepsTheOldZip) {
  fs::remove_all(FProgram / "proxy" / "java_blackberry");
  FDir.Write("program/proxy/java_blackberry.zip", "PK old");
  fs::last_write_time(FProgram / "proxy" / "java_blackberry.zip",
                      fs::file_time_type::clock::now() - 2h);
  auto module = Module();
  const auto answer = Dispatch(*module, "GET", "/proxy/java_blackberry.zip");
  EXPECT_EQ(answer.Status, 500);
  EXPECT_NE(answer.Body.find("Internal Application Error"), std::string::npos);
  EXPECT_NE(answer.Body.find("java_blackberry"), std::string::npos) << answer.Body;
  EXPECT_EQ(FDir.Read("program/proxy/java_blackberry.zip"), "PK old");
  EXPECT_EQ(module->DSProxyGenerator1().Writer, "Java Script REST");
}

// The bytes of one entry of an archive; empty when it has none of that name.
std::string ZipEntryText(const fs::path& zipFile, const std::string& name) {
  int error = 0;
  zip_t* archive = zip_open(PathUtf8(zipFile).c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string text;
  zip_stat_t stat;
  zip_file_t* entry = nullptr;
  if (zip_stat(archive, name.c_str(), 0, &stat) == 0 && (entry = zip_fopen(archive, name.c_str(), 0))) {
    text.resize(stat.size);
    if (zip_fread(entry, text.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) text.clear();
    zip_fclose(entry);
  }
  zip_discard(archive);
  return text;
}

// The process's working directory for one test.
class TWorkingDirectory {
 public:
  explicit TWorkingDirectory(const fs::path& dir) : FOld(fs::current_path()) { fs::current_path(dir); }
  ~TWorkingDirectory() { fs::current_path(FOld); }
  TWorkingDirectory(const TWorkingDirectory&) = delete;
  TWorkingDirectory& operator=(const TWorkingDirectory&) = delete;

 private:
  fs::path FOld;
};

TEST_F(ProxyDispatcherTest, WithAStateDirectoryPackagesAreWrittenAndServedThereOnly) {
  const fs::path state = FDir.Path() / "state";
  fs::create_directories(state);
  // An archive the program's directory still holds from before is not served.
  FDir.Write("program/proxy/java_android.zip", "PK stale");
  const auto before = test::EntriesBelow(FProgram);
  // The service runs in its state directory: once "proxy" exists there, it
  // must not be taken for the packages' sources.
  TWorkingDirectory inState(state);
  auto module = Module(state);

  for (int round = 0; round < 2; ++round) {
    const auto answer = Dispatch(*module, "GET", "/proxy/java_android.zip");
    ASSERT_EQ(answer.Status, 200) << answer.Body;
    EXPECT_EQ(answer.Body, FDir.Read("state/proxy/java_android.zip"));
    EXPECT_EQ(ZipEntryNames(state / "proxy" / "java_android.zip"),
              (std::vector<std::string>{"nested.zip", "src/fieldsync/proxy/DSProxy.java",
                                        "src/fieldsync/rest/DSRESTConnection.java",
                                        "src/fieldsync/rest/StringHolder.java"}))
        << "round " << round;
    // As after an update of the program: the next request writes it again.
    fs::last_write_time(state / "proxy" / "java_android.zip",
                        fs::last_write_time(FProgram / "fieldsync") - 1h);
  }
  EXPECT_NE(FDir.Read("state/proxy/java_android/src/fieldsync/proxy/DSProxy.java")
                .find("public static class TServerMethods1"),
            std::string::npos);
  // A zip without a writer is the program's own, served from there.
  EXPECT_EQ(Dispatch(*module, "GET", "/proxy/handmade.zip").Body, "PK handmade");
  EXPECT_EQ(Dispatch(*module, "GET", "/proxy/unknown.zip").Status, 404);
  EXPECT_EQ(test::EntriesBelow(FProgram), before) << "nothing written beside the program";
}

TEST(ZipDirectory, StoresEveryFileByItsRelativeNameAndReplacesTheOldArchiveWhole) {
  test::TTempDir dir;
  dir.Write("src/b.txt", "bee");
  dir.Write("src/a/deep/c.txt", std::string(100000, 'c'));
  dir.Write("src/.DSProxy.java.1.2.tmp", "a writer at work");
  dir.Write("src/.hidden", "kept");
  dir.Write("out.zip", "old");
  ZipDirectory(dir.Path() / "src", dir.Path() / "out.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "out.zip"),
            (std::vector<std::string>{".hidden", "a/deep/c.txt", "b.txt"}));
  // Nothing but the archive is left beside it.
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir.Path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"out.zip", "src"}));

  fs::create_directories(dir.Path() / "empty");
  ZipDirectory(dir.Path() / "empty", dir.Path() / "empty.zip");
  EXPECT_TRUE(ZipEntryNames(dir.Path() / "empty.zip").empty());

  EXPECT_THROW(ZipDirectory(dir.Path() / "missing", dir.Path() / "out.zip"), std::exception);
  EXPECT_THROW(ZipDirectories({dir.Path() / "src", dir.Path() / "missing"}, dir.Path() / "out.zip"),
               std::exception);
  EXPECT_EQ(ZipEntryNames(dir.Path() / "out.zip").size(), 3u) << "the old archive stays";
  EXPECT_THROW(ZipEntryNames(dir.Path() / "src" / "b.txt"), std::exception);
}

TEST(ZipDirectory, LaysSeveralTreesOverEachOtherTheLastWinning) {
  test::TTempDir dir;
  dir.Write("shipped/lib/a.txt", "shipped a");
  dir.Write("shipped/lib/Client.txt", "stale client");
  dir.Write("made/lib/Client.txt", "new client");
  dir.Write("made/b.txt", "made b");
  ZipDirectories({dir.Path() / "shipped", dir.Path() / "made"}, dir.Path() / "both.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "both.zip"),
            (std::vector<std::string>{"b.txt", "lib/Client.txt", "lib/a.txt"}));
  EXPECT_EQ(ZipEntryText(dir.Path() / "both.zip", "lib/Client.txt"), "new client");
  // The same tree named twice gives its files once.
  ZipDirectories({dir.Path() / "made", dir.Path() / "made"}, dir.Path() / "once.zip");
  EXPECT_EQ(ZipEntryNames(dir.Path() / "once.zip"),
            (std::vector<std::string>{"b.txt", "lib/Client.txt"}));
}

}  // namespace
}  // namespace fieldsync
