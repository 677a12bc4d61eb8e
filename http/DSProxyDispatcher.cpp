#include "http/DSProxyDispatcher.h"

#include <optional>
#include <system_error>

#include "clientgen/DSProxyGenerator.h"
#include "clientgen/ProxyWriters.h"
#include "clientgen/ZipDirectory.h"
#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpMessages.h"
#include "http/WebModuleUnit1.h"

namespace fieldsync {

namespace fs = std::filesystem;

namespace {

std::optional<fs::file_time_type> ModificationTime(const fs::path& path) {
  std::error_code ec;
  const auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return time;
}

// Puts the generator's writer and target back whatever happens.
class TGeneratorTarget {
 public:
  explicit TGeneratorTarget(TDSProxyGenerator& generator)
      : FGenerator(generator),
        FWriter(generator.Writer),
        FDirectory(generator.TargetDirectory),
        FUnit(generator.TargetUnitName) {}
  ~TGeneratorTarget() {
    FGenerator.Writer = FWriter;
    FGenerator.TargetDirectory = FDirectory;
    FGenerator.TargetUnitName = FUnit;
  }
  TGeneratorTarget(const TGeneratorTarget&) = delete;
  TGeneratorTarget& operator=(const TGeneratorTarget&) = delete;

 private:
  TDSProxyGenerator& FGenerator;
  std::string FWriter;
  fs::path FDirectory;
  std::string FUnit;
};

}  // namespace

TDSProxyDispatcher::TDSProxyDispatcher(TDSProxyGenerator& generator, fs::path programDir,
                                       fs::path executableFile, fs::path stateDir)
    : FGenerator(generator),
      FProgramDir(std::move(programDir)),
      FExecutableFile(std::move(executableFile)),
      FStateDir(stateDir.empty() ? FProgramDir : std::move(stateDir)) {
  TWebFileDispatcher::TSettings settings;
  settings.RootDirectory = ".";
  settings.WebFileExtensions = {{"zip", "application/x-zip-compressed"}};
  settings.WebDirectories = {{true, "\\proxy\\*"}, {false, "\\proxy\\*\\*"}};
  settings.BeforeDispatch = [this](const fs::path& fileName, TWebRequest&, TWebResponse&, bool&) {
    UpdatePackage(fileName);
  };
  settings.GeneratedDirectory = FStateDir;
  settings.IsGenerated = [](const std::string& name) {
    return FindProxyWriterByKey(LanguageKey(name.substr(name.rfind('\\') + 1))) != nullptr;
  };
  FFiles = std::make_unique<TWebFileDispatcher>(std::move(settings), FProgramDir);
}

bool TDSProxyDispatcher::DispatchRequest(TWebRequest& request, TWebResponse& response) {
  return FFiles->DispatchRequest(request, response);
}

std::string TDSProxyDispatcher::LanguageKey(const std::string& fileName) {
  return AsciiLower(fileName.substr(0, fileName.find('.')));
}

fs::path TDSProxyDispatcher::SourceDirectory(const std::string& key) const {
  std::error_code ec;
  const fs::path here = fs::current_path(ec) / RequiredProxyFilesPath;
  std::error_code ignored;
  if (fs::is_directory(here, ec) &&
      !fs::equivalent(here, FStateDir / RequiredProxyFilesPath, ignored))
    return here / key;
  return FProgramDir / RequiredProxyFilesPath / key;
}

void TDSProxyDispatcher::UpdatePackage(const fs::path& zipFile) {
  const std::string key = LanguageKey(zipFile.filename().string());
  const TDSProxyWriterInfo* writer = FindProxyWriterByKey(key);
  if (!writer) return;
  std::error_code ec;
  if (fs::exists(zipFile, ec)) {
    const auto zipTime = ModificationTime(zipFile);
    const auto programTime = ModificationTime(FExecutableFile);
    if (!zipTime || !programTime || *zipTime >= *programTime) return;
  }
  const fs::path source = SourceDirectory(key);
  if (!fs::is_directory(source, ec))
    throw Exception(FormatText(NoProxySourcesMessage, {source.string(), writer->Name}));
  // Beside the program the client goes into the sources themselves.
  const fs::path generated =
      fs::equivalent(FStateDir, FProgramDir, ec) ? source : FStateDir / RequiredProxyFilesPath / key;
  const fs::path target =
      writer->Subdirectory.empty() ? generated : generated / fs::path(writer->Subdirectory);
  fs::create_directories(target, ec);
  fs::create_directories(zipFile.parent_path(), ec);
  {
    TGeneratorTarget restore(FGenerator);
    FGenerator.Writer = writer->Name;
    FGenerator.TargetDirectory = target;
    FGenerator.TargetUnitName = "DSProxy" + writer->FileExtension;
    FGenerator.Write();
  }
  // The new archive replaces the old one in a single rename, so the old one
  // stays readable until then instead of being deleted first. The generated
  // client comes last, so it wins over a stale copy among the sources.
  ZipDirectories({source, generated}, zipFile);
}

std::unique_ptr<TWebDispatcher> MakeDSProxyDispatcher1(TWebModule1& module) {
  return std::make_unique<TDSProxyDispatcher>(module.DSProxyGenerator1(), module.ProgramDir(),
                                              module.ExecutableFile(), module.StateDir());
}

}  // namespace fieldsync
