#include "clientgen/internal/ObjectiveCRESTWriter.h"

#include <stdexcept>

#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

// How a data type is held in Objective-C: the type, the function that makes
// an argument's text and the getter of the result array.
struct TObjCType {
  const char* Type;
  const char* TextOf;
  const char* Getter;
};

const TObjCType* ObjCTypeOf(int dataType) {
  // In the order of TProxyValueKind.
  static const TObjCType types[] = {
      {"NSString *", "DSTextOfString", "DSResultString"},
      {"int", "DSTextOfInt", "DSResultInt"},
      {"long long", "DSTextOfLong", "DSResultLong"},
      {"double", "DSTextOfDouble", "DSResultDouble"},
      {"BOOL", "DSTextOfBool", "DSResultBool"},
      {"DSTableReader *", "", "DSResultTable"},
  };
  const auto kind = ProxyValueKind(dataType);
  return kind ? &types[static_cast<size_t>(*kind)] : nullptr;
}

const TObjCType& ObjCType(const TDSProxyParameter& p) {
  const TObjCType* type = ObjCTypeOf(p.DataType);
  if (!type) throw std::logic_error("unsupported type " + p.TypeName);
  return *type;
}

bool IsHeld(const TDSProxyParameter& p) {
  return p.Direction == TDSParamDirection::Out || p.Direction == TDSParamDirection::InOut;
}

// "int *" for an out int, "NSString **" for an out text.
std::string PointerType(const TObjCType& type) {
  std::string name = type.Type;
  return name.back() == '*' ? name + "*" : name + " *";
}

// "- (BOOL)SetPedido:(int)IDRepresentante IDPedidoPalm:(int)IDPedidoPalm ..."
std::string Selector(const TDSProxyMethod& method) {
  std::string text = std::string("- (") + (method.Result ? ObjCType(*method.Result).Type : "void") +
                     ")" + method.Name;
  bool first = true;
  for (const auto& p : method.Parameters) {
    const TObjCType& type = ObjCType(p);
    text += (first ? ":(" : " " + p.Name + ":(") + (IsHeld(p) ? PointerType(type) : type.Type) +
            ")" + p.Name;
    first = false;
  }
  return text;
}

void WriteBody(std::ostream& out, const std::string& className, const TDSProxyMethod& method) {
  const TDSProxyCall call = ProxyCallOf(className, method);
  out << "\n" << Selector(method) << " {\n  NSArray *_args = [NSArray arrayWithObjects:";
  for (const TDSProxyParameter* p : method.Inputs())
    out << ObjCType(*p).TextOf << "(" << (p->Direction == TDSParamDirection::InOut ? "*" : "")
        << p->Name << "), ";
  out << "nil];\n  " << (method.HasOutputs() ? "NSArray *_result = " : "")
      << "[connection execute:@\"" << call.Verb << "\" className:@\"" << className
      << "\" request:@\"" << call.RequestName << "\" args:_args];\n";
  // The answer holds the out and in/out values in order, then the result.
  size_t index = 0;
  for (const auto& p : method.Parameters) {
    if (!IsHeld(p)) continue;
    out << "  if (" << p.Name << ") *" << p.Name << " = " << ObjCType(p).Getter << "(_result, "
        << index << ");\n";
    ++index;
  }
  if (method.Result)
    out << "  return " << ObjCType(*method.Result).Getter << "(_result, " << index << ");\n";
  out << "}\n";
}


}  // namespace

bool TObjectiveCRESTWriter::SupportsType(int dataType) const { return ObjCTypeOf(dataType) != nullptr; }

void TObjectiveCRESTWriter::WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const {
  out << "// Written by the service's \"" << ObjectiveCIOS42RESTWriterName
      << "\" writer from its method metadata; written again when the service is replaced.\n"
         "#ifndef DSPROXY_H\n#define DSPROXY_H\n\n"
         "#import <Foundation/Foundation.h>\n#import \"DSRESTConnection.h\"\n"
         "#import \"DSTableReader.h\"\n";
  for (const auto& proxyClass : metadata.Classes) {
    out << "\n@interface " << proxyClass.Name << " : NSObject {\n  DSRESTConnection *connection;\n}\n"
        << "- (id)initWithConnection:(DSRESTConnection *)aConnection;\n";
    for (const auto& method : proxyClass.Methods) {
      const TDSProxyCall call = ProxyCallOf(proxyClass.Name, method);
      out << "// " << call.Verb << " " << proxyClass.Name << "/" << call.RequestName;
      for (const auto& p : method.Parameters)
        out << "; " << p.Name << " " << DirectionText(p.Direction) << " " << p.TypeName;
      if (method.Result) out << "; result " << method.Result->TypeName;
      out << "\n" << Selector(method) << ";\n";
    }
    out << "@end\n";
  }
  out << "\n#endif\n\n#ifdef DSPROXY_IMPLEMENTATION\n";
  for (const auto& proxyClass : metadata.Classes) {
    out << "\n@implementation " << proxyClass.Name << "\n"
        << "- (id)initWithConnection:(DSRESTConnection *)aConnection {\n"
           "  if ((self = [super init])) connection = [aConnection retain];\n  return self;\n}\n"
           "- (void)dealloc {\n  [connection release];\n  [super dealloc];\n}\n";
    for (const auto& method : proxyClass.Methods) WriteBody(out, proxyClass.Name, method);
    out << "@end\n";
  }
  out << "\n#endif\n";
}

}  // namespace fieldsync
