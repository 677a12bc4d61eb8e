#include "clientgen/ProxyWriters.h"

#include "clientgen/internal/CSharpRESTWriter.h"
#include "clientgen/internal/FreePascalRESTWriter.h"
#include "clientgen/internal/JavaRESTWriter.h"
#include "clientgen/internal/JavaScriptRESTWriter.h"
#include "clientgen/internal/ObjectiveCRESTWriter.h"

namespace fieldsync {

const char* const BrowserClientWriterName = JavaScriptRESTWriterName;

const std::vector<TDSProxyWriterInfo>& ProxyWriters() {
  // One row per client language: its writer's name, language key, file
  // extension, subdirectory within the package and support folder below
  // clients/, then how to make the writer. The build reads the key and the
  // support folder from the row's first line (clientgen/CMakeLists.txt), so
  // keep those five fields there, in this order.
  static const std::vector<TDSProxyWriterInfo> writers = {
      {JavaScriptRESTWriterName, "Java Script", ".js", "", "",
       [] { return std::make_unique<TJavaScriptRESTWriter>(); }},
      {JavaAndroidRESTWriterName, "java_android", ".java", "src/fieldsync/proxy", "java",
       [] { return std::make_unique<TJavaRESTWriter>(JavaAndroidRESTWriterName); }},
      {JavaBlackBerryRESTWriterName, "java_blackberry", ".java", "src/fieldsync/proxy", "java",
       [] { return std::make_unique<TJavaRESTWriter>(JavaBlackBerryRESTWriterName); }},
      {ObjectiveCIOS42RESTWriterName, "objectivec_ios42", ".h", "", "objectivec",
       [] { return std::make_unique<TObjectiveCRESTWriter>(); }},
      {CSharpSilverlightRESTWriterName, "csharp_silverlight", ".cs", "Fieldsync.Proxy", "csharp",
       [] { return std::make_unique<TCSharpRESTWriter>(); }},
      {FreePascalIOS42RESTWriterName, "freepascal_ios42", ".pas", "", "freepascal",
       [] { return std::make_unique<TFreePascalRESTWriter>(FreePascalIOS42RESTWriterName); }},
      {FreePascalIOS50RESTWriterName, "freepascal_ios50", ".pas", "", "freepascal",
       [] { return std::make_unique<TFreePascalRESTWriter>(FreePascalIOS50RESTWriterName); }},
  };
  return writers;
}

const TDSProxyWriterInfo* FindProxyWriter(std::string_view name) {
  for (const auto& writer : ProxyWriters())
    if (writer.Name == name) return &writer;
  return nullptr;
}

const TDSProxyWriterInfo* FindProxyWriterByKey(std::string_view languageKey) {
  for (const auto& writer : ProxyWriters())
    if (writer.LanguageKey == languageKey) return &writer;
  return nullptr;
}

}  // namespace fieldsync
