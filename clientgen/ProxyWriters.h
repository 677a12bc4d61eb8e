#pragma once
// The registry of client languages: every writer by its name ("Java Script
// REST") and by its language key ("Java Script"), with the file it writes,
// where that file goes in the package, and the folder below clients/ that
// holds the package's support files. The rows are in ProxyWriters.cpp; the
// build reads each row's key and support folder from there.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

struct TDSProxyWriterInfo {
  std::string Name;           // "Java Script REST"
  std::string LanguageKey;    // "Java Script"
  std::string FileExtension;  // ".js"
  // Where the client goes within its package's sources ("src/fieldsync/proxy");
  // empty for the package's top directory.
  std::string Subdirectory;
  // The folder below clients/ whose files the build lays out as the package's
  // sources, proxy/<LanguageKey>/ beside the program; empty when the client
  // is not served as a package (the browser client).
  std::string SupportFolder;
  std::function<std::unique_ptr<TDSProxyWriter>()> Create;
};

// Every registered writer, in registration order. Filled once, then only
// read, so any thread may use it.
const std::vector<TDSProxyWriterInfo>& ProxyWriters();
// The writer of that name (exact), or null.
const TDSProxyWriterInfo* FindProxyWriter(std::string_view name);
// The writer of that language key (exact), or null.
const TDSProxyWriterInfo* FindProxyWriterByKey(std::string_view languageKey);

// The writer of the browser client js/serverfunctions.js ("Java Script REST").
extern const char* const BrowserClientWriterName;

}  // namespace fieldsync
