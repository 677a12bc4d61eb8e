#include "clientgen/DSProxyGenerator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#include "core/Error.h"
#include "core/Platform.h"
#include "core/ScopeExit.h"
#include "core/Text.h"
#include "clientgen/internal/ClientgenMessages.h"
#include "clientgen/ProxyWriters.h"
#include "core/CoreMessages.h"

namespace fieldsync {

namespace fs = std::filesystem;

namespace {

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&name](const std::string& n) { return SameTextAscii(n, name); });
}

bool Supported(const TDSProxyWriter& writer, const TDSProxyMethod& method) {
  if (method.Result && !writer.SupportsType(method.Result->DataType)) return false;
  if (writer.SendsInputsInURL() && !method.InputsTravelInURL()) return false;
  return std::all_of(method.Parameters.begin(), method.Parameters.end(),
                     [&writer](const TDSProxyParameter& p) { return writer.SupportsType(p.DataType); });
}

// A name no other writer in this or another process picks at the same time.
fs::path TemporaryName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned long long seed = std::random_device{}();
  return target.parent_path() /
         ("." + target.filename().string() + "." + std::to_string(seed) + "." +
          std::to_string(counter.fetch_add(1)) + ".tmp");
}

[[noreturn]] void CannotCreate(const fs::path& path, const std::string& reason) {
  throw Exception(FormatText(CannotCreateFileMessage, {path.string(), reason}));
}

}  // namespace

TDSProxyMetadata TDSProxyGenerator::IncludedMetaData(const TDSProxyWriter& writer) const {
  TDSProxyMetadata all = MetaDataProvider ? MetaDataProvider() : TDSProxyMetadata{};
  TDSProxyMetadata included;
  included.ExcludedMethods = ExcludeMethods;
  for (auto& proxyClass : all.Classes) {
    if (Listed(ExcludeClasses, proxyClass.Name)) continue;
    TDSProxyClass kept{proxyClass.Name, {}};
    for (auto& method : proxyClass.Methods)
      if (!Listed(ExcludeMethods, method.Name) && Supported(writer, method))
        kept.Methods.push_back(std::move(method));
    if (!kept.Methods.empty()) included.Classes.push_back(std::move(kept));
  }
  return included;
}

void TDSProxyGenerator::Write() const {
  const TDSProxyWriterInfo* info = FindProxyWriter(Writer);
  if (!info) throw Exception(FormatText(UnknownProxyWriterMessage, {Writer}));
  const auto writer = info->Create();
  const TDSProxyMetadata metadata = IncludedMetaData(*writer);

  const fs::path target = TargetDirectory / TargetUnitName;
  const fs::path temporary = TemporaryName(target);
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) CannotCreate(target, std::generic_category().message(errno));
    TScopeExit removeTemporary([&]() noexcept {
      out.close();
      std::error_code ignored;
      fs::remove(temporary, ignored);
    });
    writer->WriteProxy(metadata, out);
    out.flush();
    removeTemporary.Dismiss();
    if (!out) {
      const std::string reason = std::generic_category().message(errno ? errno : EIO);
      out.close();
      std::error_code ignored;
      fs::remove(temporary, ignored);
      CannotCreate(target, reason);
    }
  }
  std::error_code ec;
  RenameOver(temporary, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    CannotCreate(target, ec.message());
  }
}

}  // namespace fieldsync
