#include "clientgen/internal/JavaRESTWriter.h"

#include <stdexcept>

#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

// How a data type is held in Java: the parameter type, the holder class of
// an out parameter and the getter of the result array.
struct TJavaType {
  const char* Type;
  const char* Holder;
  const char* Getter;
};

const TJavaType* JavaTypeOf(int dataType) {
  // In the order of TProxyValueKind.
  static const TJavaType types[] = {
      {"String", "StringHolder", "getString"},
      {"int", "IntHolder", "getInt"},
      {"long", "LongHolder", "getLong"},
      {"double", "DoubleHolder", "getDouble"},
      {"boolean", "BooleanHolder", "getBoolean"},
      {"DSTableReader", "TableHolder", "getTable"},
  };
  const auto kind = ProxyValueKind(dataType);
  return kind ? &types[static_cast<size_t>(*kind)] : nullptr;
}

const TJavaType& JavaType(const TDSProxyParameter& p) {
  const TJavaType* type = JavaTypeOf(p.DataType);
  if (!type) throw std::logic_error("unsupported type " + p.TypeName);
  return *type;
}

bool IsHeld(const TDSProxyParameter& p) {
  return p.Direction == TDSParamDirection::Out || p.Direction == TDSParamDirection::InOut;
}

void WriteMethod(std::ostream& out, const std::string& className, const TDSProxyMethod& method) {
  const TDSProxyCall call = ProxyCallOf(className, method);
  out << "\n    /**\n     * " << call.Verb << " " << className << "/" << call.RequestName << "\n";
  for (const auto& p : method.Parameters)
    out << "     * @param " << p.Name << " " << DirectionText(p.Direction)
        << " type on server: " << p.TypeName << "\n";
  if (method.Result) out << "     * @return type on server: " << method.Result->TypeName << "\n";
  out << "     */\n";

  out << "    public " << (method.Result ? JavaType(*method.Result).Type : "void") << " "
      << method.Name << "(";
  bool first = true;
  for (const auto& p : method.Parameters) {
    out << (first ? "" : ", ") << (IsHeld(p) ? JavaType(p).Holder : JavaType(p).Type) << " "
        << p.Name;
    first = false;
  }
  out << ") throws DSRESTException {\n";

  out << "      String[] _args = new String[] {";
  first = true;
  for (const TDSProxyParameter* p : method.Inputs()) {
    out << (first ? "" : ", ") << "DSRESTConnection.text(" << p->Name
        << (p->Direction == TDSParamDirection::InOut ? ".value" : "") << ")";
    first = false;
  }
  out << "};\n";
  const auto outputs = method.Outputs();
  out << "      " << (outputs.empty() ? "" : "JSONArray _result = ") << "connection.execute(\""
      << call.Verb << "\", \"" << className << "\", \"" << call.RequestName << "\", _args);\n";
  // The answer holds the out and in/out values in order, then the result.
  size_t index = 0;
  for (const auto& p : method.Parameters) {
    if (!IsHeld(p)) continue;
    out << "      " << p.Name << ".value = _result." << JavaType(p).Getter << "(" << index++
        << ");\n";
  }
  if (method.Result)
    out << "      return _result." << JavaType(*method.Result).Getter << "(" << index << ");\n";
  out << "    }\n";
}

}  // namespace

bool TJavaRESTWriter::SupportsType(int dataType) const { return JavaTypeOf(dataType) != nullptr; }

void TJavaRESTWriter::WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const {
  out << "// Written by the service's \"" << FWriterName
      << "\" writer from its method metadata; written again when the service is replaced.\n"
         "package fieldsync.proxy;\n\n"
         "import fieldsync.rest.*;\n\n"
         "public class DSProxy {\n";
  bool firstClass = true;
  for (const auto& proxyClass : metadata.Classes) {
    if (!firstClass) out << "\n";
    firstClass = false;
    out << "  public static class " << proxyClass.Name << " {\n"
        << "    private final DSRESTConnection connection;\n\n"
        << "    public " << proxyClass.Name << "(DSRESTConnection connection) {\n"
        << "      this.connection = connection;\n    }\n";
    for (const auto& method : proxyClass.Methods) WriteMethod(out, proxyClass.Name, method);
    out << "  }\n";
  }
  out << "}\n";
}

}  // namespace fieldsync
