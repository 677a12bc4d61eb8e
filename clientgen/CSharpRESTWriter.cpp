#include "clientgen/internal/CSharpRESTWriter.h"

#include <stdexcept>

#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

// How a data type is held in C#: the type and the getter of the result array.
struct TCSharpType {
  const char* Type;
  const char* Getter;
};

const TCSharpType* CSharpTypeOf(int dataType) {
  // In the order of TProxyValueKind.
  static const TCSharpType types[] = {
      {"string", "GetString"},
      {"int", "GetInt"},
      {"long", "GetLong"},
      {"double", "GetDouble"},
      {"bool", "GetBoolean"},
      {"DSTableReader", "GetTable"},
  };
  const auto kind = ProxyValueKind(dataType);
  return kind ? &types[static_cast<size_t>(*kind)] : nullptr;
}

const TCSharpType& CSharpType(const TDSProxyParameter& p) {
  const TCSharpType* type = CSharpTypeOf(p.DataType);
  if (!type) throw std::logic_error("unsupported type " + p.TypeName);
  return *type;
}

const char* Modifier(TDSParamDirection direction) {
  switch (direction) {
    case TDSParamDirection::Out: return "out ";
    case TDSParamDirection::InOut: return "ref ";
    default: return "";
  }
}

void WriteMethod(std::ostream& out, const std::string& className, const TDSProxyMethod& method) {
  const TDSProxyCall call = ProxyCallOf(className, method);
  const std::string indent = "        ";
  out << "\n" << indent << "/// <summary>" << call.Verb << " " << className << "/" << call.RequestName
      << "</summary>\n";
  for (const auto& p : method.Parameters)
    out << indent << "/// <param name=\"" << p.Name << "\">" << DirectionText(p.Direction)
        << " type on server: " << p.TypeName << "</param>\n";
  if (method.Result)
    out << indent << "/// <returns>type on server: " << method.Result->TypeName << "</returns>\n";

  out << indent << "public " << (method.Result ? CSharpType(*method.Result).Type : "void") << " "
      << method.Name << "(";
  bool first = true;
  for (const auto& p : method.Parameters) {
    out << (first ? "" : ", ") << Modifier(p.Direction) << CSharpType(p).Type << " " << p.Name;
    first = false;
  }
  out << ")\n" << indent << "{\n";
  out << indent << "    string[] _args = new string[] {";
  first = true;
  for (const TDSProxyParameter* p : method.Inputs()) {
    out << (first ? " " : ", ") << "DSRESTConnection.Text(" << p->Name << ")";
    first = false;
  }
  out << (first ? "};\n" : " };\n");
  out << indent << "    " << (method.HasOutputs() ? "JSONArray _result = " : "")
      << "connection.Execute(\"" << call.Verb << "\", \"" << className << "\", \""
      << call.RequestName << "\", _args);\n";
  // The answer holds the out and in/out values in order, then the result.
  size_t index = 0;
  for (const auto& p : method.Parameters) {
    if (p.Direction != TDSParamDirection::Out && p.Direction != TDSParamDirection::InOut) continue;
    out << indent << "    " << p.Name << " = _result." << CSharpType(p).Getter << "(" << index++
        << ");\n";
  }
  if (method.Result)
    out << indent << "    return _result." << CSharpType(*method.Result).Getter << "(" << index
        << ");\n";
  out << indent << "}\n";
}

}  // namespace

bool TCSharpRESTWriter::SupportsType(int dataType) const { return CSharpTypeOf(dataType) != nullptr; }

void TCSharpRESTWriter::WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const {
  out << "// Written by the service's \"" << CSharpSilverlightRESTWriterName
      << "\" writer from its method metadata; written again when the service is replaced.\n"
         "using Fieldsync.Rest;\n\n"
         "namespace Fieldsync.Proxy\n{\n";
  bool firstClass = true;
  for (const auto& proxyClass : metadata.Classes) {
    if (!firstClass) out << "\n";
    firstClass = false;
    out << "    public class " << proxyClass.Name << "\n    {\n"
        << "        private readonly DSRESTConnection connection;\n\n"
        << "        public " << proxyClass.Name << "(DSRESTConnection connection)\n"
        << "        {\n            this.connection = connection;\n        }\n";
    for (const auto& method : proxyClass.Methods) WriteMethod(out, proxyClass.Name, method);
    out << "    }\n";
  }
  out << "}\n";
}

}  // namespace fieldsync
