#pragma once
// Client proxy writers and their registry. A writer turns the metadata of a
// method server into the source of a client in one language; the registry
// knows every writer by its name ("Java Script REST") and by its language
// key ("Java Script"), with the extension of the file it writes.

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "http/internal/DSProxyMetadata.h"

namespace fieldsync {

class TDSProxyWriter {
 public:
  virtual ~TDSProxyWriter() = default;
  // Whether the client can pass or receive values of this data type; a
  // method with any other parameter or result type is left out.
  virtual bool SupportsType(int dataType) const = 0;
  // Writes the client for `metadata`, whose classes and methods are already
  // filtered, as bytes in the language's encoding.
  virtual void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const = 0;
};

struct TDSProxyWriterInfo {
  std::string Name;           // "Java Script REST"
  std::string LanguageKey;    // "Java Script"
  std::string FileExtension;  // ".js"
  // Where the client goes within its package's sources ("src/fieldsync/proxy");
  // empty for the package's top directory.
  std::string Subdirectory;
  std::function<std::unique_ptr<TDSProxyWriter>()> Create;
};

// Every registered writer, in registration order. Filled once, then only
// read, so any thread may use it.
const std::vector<TDSProxyWriterInfo>& ProxyWriters();
// The writer of that name (exact), or null.
const TDSProxyWriterInfo* FindProxyWriter(std::string_view name);
// The writer of that language key (exact), or null.
const TDSProxyWriterInfo* FindProxyWriterByKey(std::string_view languageKey);

}  // namespace fieldsync
