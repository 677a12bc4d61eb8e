#include "http/internal/DSProxyWriter.h"

#include "http/internal/CSharpRESTWriter.h"
#include "http/internal/FreePascalRESTWriter.h"
#include "http/internal/JavaRESTWriter.h"
#include "http/internal/JavaScriptRESTWriter.h"
#include "http/internal/ObjectiveCRESTWriter.h"

namespace fieldsync {

const std::vector<TDSProxyWriterInfo>& ProxyWriters() {
  // The writers of further languages join this table.
  static const std::vector<TDSProxyWriterInfo> writers = {
      {JavaScriptRESTWriterName, "Java Script", ".js", "",
       [] { return std::make_unique<TJavaScriptRESTWriter>(); }},
      {JavaAndroidRESTWriterName, "java_android", ".java", "src/fieldsync/proxy",
       [] { return std::make_unique<TJavaRESTWriter>(JavaAndroidRESTWriterName); }},
      {JavaBlackBerryRESTWriterName, "java_blackberry", ".java", "src/fieldsync/proxy",
       [] { return std::make_unique<TJavaRESTWriter>(JavaBlackBerryRESTWriterName); }},
      {ObjectiveCIOS42RESTWriterName, "objectivec_ios42", ".h", "",
       [] { return std::make_unique<TObjectiveCRESTWriter>(); }},
      {CSharpSilverlightRESTWriterName, "csharp_silverlight", ".cs", "Fieldsync.Proxy",
       [] { return std::make_unique<TCSharpRESTWriter>(); }},
      {FreePascalIOS42RESTWriterName, "freepascal_ios42", ".pas", "",
       [] { return std::make_unique<TFreePascalRESTWriter>(FreePascalIOS42RESTWriterName); }},
      {FreePascalIOS50RESTWriterName, "freepascal_ios50", ".pas", "",
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
