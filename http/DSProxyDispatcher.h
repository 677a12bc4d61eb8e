#pragma once
// DSProxyDispatcher1's kind: serves the zipped client packages
// "proxy/<name>.zip" (files directly in "proxy" only), and before serving one
// brings it up to date. The language key is the file name in lower case up
// to its first "."; when a writer has that key and the zip is missing or
// older than the executable, the client is written with that writer as
// "DSProxy" + its extension into the writer's subdirectory of "proxy/<key>"
// below the state directory, and the package's source directory
// "proxy/<key>" (the support files shipped with the program) is compressed
// into the zip together with it. The zips with a writer are written to and
// served from "proxy" below the state directory; a zip without a writer is
// served as it is from the program's directory (404 when missing). With the
// state directory the program's own, as by default, the client is written
// into the source directory itself.

#include <filesystem>
#include <memory>
#include <string>

#include "http/WebFileDispatcher.h"

namespace fieldsync {

class TDSProxyGenerator;
class TWebModule1;

class TDSProxyDispatcher : public TWebDispatcher {
 public:
  // `generator` is the module's; its writer is changed for one generation
  // and put back afterwards. `stateDir` empty: the program's directory.
  TDSProxyDispatcher(TDSProxyGenerator& generator, std::filesystem::path programDir,
                     std::filesystem::path executableFile, std::filesystem::path stateDir = {});

  // Where the packages' sources are looked for, relative to the current
  // directory first and then to the program's directory. The state
  // directory's "proxy", which holds only what is generated, is never taken
  // for the sources (the service's working directory may be its state
  // directory).
  std::string RequiredProxyFilesPath = "proxy";

  std::string PathMask() const override { return "/*"; }
  bool DispatchRequest(TWebRequest& request, TWebResponse& response) override;

  // The language key of a package file name ("Java_Android.zip" ->
  // "java_android").
  static std::string LanguageKey(const std::string& fileName);
  // Brings the zip `zipFile` up to date as described above; nothing when no
  // writer has its key. Raises when the sources or the zip cannot be written.
  void UpdatePackage(const std::filesystem::path& zipFile);

 private:
  std::filesystem::path SourceDirectory(const std::string& key) const;

  TDSProxyGenerator& FGenerator;
  std::filesystem::path FProgramDir;
  std::filesystem::path FExecutableFile;
  std::filesystem::path FStateDir;
  std::unique_ptr<TWebFileDispatcher> FFiles;
};

// DSProxyDispatcher1 for `module`: the module's generator, program directory,
// executable and state directory. Fits the DSProxyDispatcher1 slot of TWebModule1Components.
std::unique_ptr<TWebDispatcher> MakeDSProxyDispatcher1(TWebModule1& module);

}  // namespace fieldsync
