#include "clientgen/internal/FreePascalRESTWriter.h"

#include <algorithm>
#include <stdexcept>

#include "core/Text.h"
#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

// How a data type is held in Pascal: the type and the getter of the result
// array.
struct TPascalType {
  const char* Type;
  const char* Getter;
};

const TPascalType* PascalTypeOf(int dataType) {
  // In the order of TProxyValueKind.
  static const TPascalType types[] = {
      {"string", "ResultString"},
      {"Integer", "ResultInteger"},
      {"Int64", "ResultInt64"},
      {"Double", "ResultDouble"},
      {"Boolean", "ResultBoolean"},
      {"TDSTableReader", "ResultTable"},
  };
  const auto kind = ProxyValueKind(dataType);
  return kind ? &types[static_cast<size_t>(*kind)] : nullptr;
}

const TPascalType& PascalType(const TDSProxyParameter& p) {
  const TPascalType* type = PascalTypeOf(p.DataType);
  if (!type) throw std::logic_error("unsupported type " + p.TypeName);
  return *type;
}

// A name that is a reserved word gets the "&" that lets Pascal use it.
std::string Identifier(const std::string& name) {
  static const char* reserved[] = {
      "and", "array", "as", "begin", "case", "class", "const", "constructor", "destructor", "div",
      "do", "downto", "else", "end", "except", "file", "finally", "for", "function", "goto", "if",
      "implementation", "in", "inherited", "interface", "is", "label", "mod", "nil", "not",
      "object", "of", "on", "or", "out", "packed", "procedure", "program", "property", "raise",
      "record", "repeat", "set", "shl", "shr", "string", "then", "to", "try", "type", "unit",
      "until", "uses", "var", "while", "with", "xor"};
  const std::string lower = AsciiLower(name);
  for (const char* word : reserved)
    if (lower == word) return "&" + name;
  return name;
}

std::string ParameterList(const TDSProxyMethod& method) {
  std::string list;
  for (const auto& p : method.Parameters) {
    if (!list.empty()) list += "; ";
    const std::string type = PascalType(p).Type;
    switch (p.Direction) {
      case TDSParamDirection::Out: list += "out "; break;
      case TDSParamDirection::InOut: list += "var "; break;
      default: if (type == "string") list += "const "; break;
    }
    list += Identifier(p.Name) + ": " + type;
  }
  return list.empty() ? list : "(" + list + ")";
}

std::string Heading(const std::string& className, const TDSProxyMethod& method) {
  const bool function = method.Result.has_value();
  return std::string(function ? "function " : "procedure ") + className +
         (className.empty() ? "" : ".") + method.Name + ParameterList(method) +
         (function ? std::string(": ") + PascalType(*method.Result).Type : "") + ";";
}

void WriteBody(std::ostream& out, const std::string& className, const TDSProxyMethod& method) {
  const TDSProxyCall call = ProxyCallOf(className, method);
  out << "\n" << Heading(className, method) << "\n";
  if (method.HasOutputs()) out << "var\n  LResult: TJSONArray;\n";
  out << "begin\n  ";
  if (method.HasOutputs()) out << "LResult := ";
  out << "FConnection.Execute('" << call.Verb << "', '" << className << "', '" << call.RequestName
      << "', [";
  bool first = true;
  for (const TDSProxyParameter* p : method.Inputs()) {
    out << (first ? "" : ", ") << "TextOf(" << Identifier(p->Name) << ")";
    first = false;
  }
  out << "])";
  if (!method.HasOutputs()) {
    out << ".Free;\nend;\n";
    return;
  }
  out << ";\n  try\n";
  // The answer holds the out and in/out values in order, then the result.
  size_t index = 0;
  for (const auto& p : method.Parameters) {
    if (p.Direction != TDSParamDirection::Out && p.Direction != TDSParamDirection::InOut) continue;
    out << "    " << Identifier(p.Name) << " := " << PascalType(p).Getter << "(LResult, " << index++
        << ");\n";
  }
  if (method.Result)
    out << "    Result := " << PascalType(*method.Result).Getter << "(LResult, " << index << ");\n";
  out << "  finally\n    LResult.Free;\n  end;\nend;\n";
}


}  // namespace

bool TFreePascalRESTWriter::SupportsType(int dataType) const {
  return PascalTypeOf(dataType) != nullptr;
}

void TFreePascalRESTWriter::WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const {
  out << "{ Written by the service's \"" << FWriterName
      << "\" writer from its method metadata; written again when the service is replaced. }\n"
         "unit DSProxy;\n\n{$mode objfpc}{$H+}\n\ninterface\n\n"
         "uses\n  SysUtils, fpjson, DSRESTConnection, DSTableReader;\n\ntype\n";
  for (const auto& proxyClass : metadata.Classes) {
    out << "  " << proxyClass.Name << " = class\n  private\n    FConnection: TDSRESTConnection;\n"
        << "  public\n    constructor Create(AConnection: TDSRESTConnection);\n";
    for (const auto& method : proxyClass.Methods) {
      out << "    { " << ProxyCallOf(proxyClass.Name, method).Verb << " " << proxyClass.Name << "/"
          << ProxyCallOf(proxyClass.Name, method).RequestName;
      for (const auto& p : method.Parameters)
        out << "; " << p.Name << " " << DirectionText(p.Direction) << " " << p.TypeName;
      if (method.Result) out << "; result " << method.Result->TypeName;
      out << " }\n    " << Heading("", method) << "\n";
    }
    out << "  end;\n\n";
  }
  out << "implementation\n";
  for (const auto& proxyClass : metadata.Classes) {
    out << "\nconstructor " << proxyClass.Name
        << ".Create(AConnection: TDSRESTConnection);\nbegin\n  inherited Create;\n"
           "  FConnection := AConnection;\nend;\n";
    for (const auto& method : proxyClass.Methods) WriteBody(out, proxyClass.Name, method);
  }
  out << "\nend.\n";
}

}  // namespace fieldsync
