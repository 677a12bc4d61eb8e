#include "clientgen/internal/JavaScriptRESTWriter.h"

#include <algorithm>
#include <string>

#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

using namespace TDBXDataTypes;

// Types that have a JSON form: scalars travel as text or numbers, the others
// as JSON values (tables, byte arrays, objects).
constexpr int SupportedTypes[] = {
    AnsiStringType, DateType,      BlobType,      BooleanType,   Int16Type,      Int32Type,
    DoubleType,     BcdType,       TimeType,      DateTimeType,  UInt16Type,     UInt32Type,
    Int64Type,      UInt64Type,    AdtType,       TableType,     TimeStampType,  CurrencyType,
    WideStringType, SingleType,    Int8Type,      UInt8Type,     BinaryBlobType, JsonValueType};

constexpr const char* Utf8ByteOrderMark = "\xEF\xBB\xBF";

// Writes lines indented by two blanks per level.
class TScript {
 public:
  explicit TScript(std::ostream& out) : FOut(out) {}
  void Line(int level, const std::string& text) {
    if (!text.empty()) FOut << std::string(static_cast<size_t>(level) * 2, ' ') << text;
    FOut << '\n';
  }

 private:
  std::ostream& FOut;
};

std::string InputList(const TDSProxyMethod& method) {
  std::string list;
  for (const TDSProxyParameter* p : method.Inputs()) {
    if (!list.empty()) list += ", ";
    list += p->Name;
  }
  return list;
}

void WriteComment(TScript& script, const TDSProxyMethod& method) {
  if (method.Parameters.empty() && !method.Result) return;
  script.Line(1, "/*");
  for (const auto& p : method.Parameters)
    script.Line(1, " * @param " + p.Name + " " + DirectionText(p.Direction) +
                       " - Type on server: " + p.TypeName);
  if (method.Result)
    script.Line(1, " * @return result - Type on server: " + method.Result->TypeName);
  script.Line(1, " */");
}

void WriteMethodFunction(TScript& script, const TDSProxyMethod& method, const TDSProxyCall& call) {
  const std::string inputs = InputList(method);
  const auto argument = [&method](size_t offset) {
    return "arguments[" + std::to_string(method.Inputs().size() + offset) + "]";
  };
  const bool hasOutputs = method.HasOutputs();
  script.Line(1, "this." + method.Name + " = function(" + inputs + ") {");
  script.Line(2, std::string(hasOutputs ? "var returnObject = " : "") +
                     "this.executor.executeMethod('" + call.RequestName + "', \"" + call.Verb +
                     "\", [" + inputs + "], " + argument(0) + ", " +
                     (hasOutputs ? "true" : "false") + ", " + argument(1) + ", " + argument(2) +
                     ");");
  if (hasOutputs) {
    script.Line(2, "if (" + argument(0) + " == null) {");
    script.Line(3, "if (returnObject != null && returnObject.result != null && "
                   "isArray(returnObject.result)) {");
    script.Line(4, "var resultArray = returnObject.result;");
    script.Line(4, "var resultObject = new Object();");
    int k = 0;
    for (const auto& p : method.Parameters) {
      if (p.IsOutput())
        script.Line(4, "resultObject." + p.Name + " = resultArray[" + std::to_string(k++) + "];");
      else
        script.Line(4, "resultObject." + p.Name + " = " + p.Name + ";");
    }
    if (method.Result)
      script.Line(4, "resultObject.result = resultArray[" + std::to_string(k) + "];");
    if (method.HasCacheableOutput()) {
      script.Line(4, "if (returnObject.cacheId != null && returnObject.cmdIndex != null) {");
      script.Line(5, "resultObject._cacheId = returnObject.cacheId;");
      script.Line(5, "resultObject._cmdIndex = returnObject.cmdIndex;");
      script.Line(4, "}");
    }
    script.Line(4, "return resultObject;");
    script.Line(3, "}");
    script.Line(3, "return returnObject;");
    script.Line(2, "}");
  }
  script.Line(1, "};");
}

void WriteUrlFunction(TScript& script, const TDSProxyMethod& method, const TDSProxyCall& call) {
  const std::string inputs = InputList(method);
  script.Line(1, "this." + method.Name + "_URL = function(" + inputs + ") {");
  script.Line(2, "return this.executor.getMethodURL(\"" + call.RequestName + "\", \"" + call.Verb +
                     "\", [" + inputs + "], arguments[" + std::to_string(method.Inputs().size()) +
                     "])[0];");
  script.Line(1, "};");
}

void WriteClass(TScript& script, const TDSProxyMetadata& metadata,
                const TDSProxyClass& proxyClass) {
  script.Line(0, "function " + proxyClass.Name + "(connectionInfo)");
  script.Line(0, "{");
  script.Line(1, "this.executor = new ServerFunctionExecutor(\"" + proxyClass.Name +
                     "\",connectionInfo);");
  for (const auto& method : proxyClass.Methods) {
    const TDSProxyCall call = ProxyCallOf(proxyClass.Name, method);
    script.Line(0, "");
    WriteComment(script, method);
    WriteMethodFunction(script, method, call);
    if (method.InputsTravelInURL() && !metadata.ExcludesMethod(method.Name + "_URL"))
      WriteUrlFunction(script, method, call);
  }
  script.Line(0, "}");
  script.Line(0, "");
}

void WriteClassList(TScript& script, const TDSProxyMetadata& metadata) {
  script.Line(0, "var JSProxyClassList = {");
  for (size_t i = 0; i < metadata.Classes.size(); ++i) {
    const TDSProxyClass& proxyClass = metadata.Classes[i];
    std::string line = "\"" + proxyClass.Name + "\": [";
    for (size_t m = 0; m < proxyClass.Methods.size(); ++m)
      line += (m ? ",\"" : "\"") + proxyClass.Methods[m].Name + "\"";
    line += "]";
    if (i + 1 < metadata.Classes.size()) line += ",";
    script.Line(1, line);
  }
  script.Line(0, "};");
}

}  // namespace

bool TJavaScriptRESTWriter::SupportsType(int dataType) const {
  return std::find(std::begin(SupportedTypes), std::end(SupportedTypes), dataType) !=
         std::end(SupportedTypes);
}

void TJavaScriptRESTWriter::WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const {
  // The mark tells the file server (and any editor) that the text is UTF-8.
  out << Utf8ByteOrderMark;
  TScript script(out);
  script.Line(0, "// Generated by the server from its method metadata; do not edit.");
  script.Line(0, "// Needs ServerFunctionExecutor and isArray (js/ServerFunctionExecutor.js).");
  script.Line(0, "");
  for (const auto& proxyClass : metadata.Classes) WriteClass(script, metadata, proxyClass);
  WriteClassList(script, metadata);
}

}  // namespace fieldsync
