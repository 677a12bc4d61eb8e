#pragma once
// DSProxyDispatcher1's kind: serves the zipped client packages
// "proxy/<name>.zip" below the program's directory (files directly in
// "proxy" only), and before serving one brings it up to date. The language
// key is the file name in lower case up to its first "."; when a writer has
// that key and the zip is missing or older than the executable, the client
// is written with that writer as "DSProxy" + its extension into the writer's
// subdirectory of the package's source directory "proxy/<key>", and the
// whole source directory is compressed into the zip. A zip without a writer
// is served as it is (404 when missing).

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
  // and put back afterwards.
  TDSProxyDispatcher(TDSProxyGenerator& generator, std::filesystem::path programDir,
                     std::filesystem::path executableFile);

  // Where the packages' sources are looked for, relative to the current
  // directory first and then to the program's directory.
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
  std::unique_ptr<TWebFileDispatcher> FFiles;
};

// DSProxyDispatcher1 for `module`: the module's generator, program directory
// and executable. Fits the DSProxyDispatcher1 slot of TWebModule1Components.
std::unique_ptr<TWebDispatcher> MakeDSProxyDispatcher1(TWebModule1& module);

}  // namespace fieldsync
