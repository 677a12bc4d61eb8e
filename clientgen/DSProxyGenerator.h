#pragma once
// DSProxyGenerator1's kind: writes the client of one language for the
// classes of a method server into a file, with the writer chosen by name.
// The file appears whole or not at all: it is written under a temporary name
// in the target directory and then renamed into place, so a reader (or a
// second generator writing the same file at the same moment) never sees a
// part of it.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "clientgen/DSProxyMetadata.h"
#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

class TDSProxyGenerator {
 public:
  using TMetaDataProvider = std::function<TDSProxyMetadata()>;

  std::string Writer;                       // a registered writer's name
  std::vector<std::string> ExcludeClasses;  // class names, ASCII case ignored
  std::vector<std::string> ExcludeMethods;  // method names, ASCII case ignored
  std::filesystem::path TargetDirectory;    // must exist
  std::string TargetUnitName;               // the file name within it
  TMetaDataProvider MetaDataProvider;

  // The metadata the writer is given: the provider's, without the excluded
  // classes and methods, without methods that use a type the writer does
  // not support or (for a writer that sends inputs in the URL) an input
  // that cannot travel in the URL, and without classes left with no method.
  TDSProxyMetadata IncludedMetaData(const TDSProxyWriter& writer) const;

  // Writes the client to TargetDirectory / TargetUnitName. Raises when the
  // writer is unknown or the file cannot be written; the old file, if any,
  // is then left as it was.
  void Write() const;
};

}  // namespace fieldsync
