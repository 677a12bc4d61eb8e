#pragma once
// What a client proxy is generated from: the server classes of a method
// server with their methods, each method's parameters (name, direction,
// data-type code and the type's name on the server) and result, and the rule
// that gives the HTTP verb and request name under which a client calls it.
// Plain values, copied out of the method server; writers of every client
// language read them.

#include <optional>
#include <string>
#include <vector>

#include "rest/DSServer.h"

namespace fieldsync {

struct TDSProxyParameter {
  std::string Name;
  TDSParamDirection Direction = TDSParamDirection::In;
  int DataType = 0;          // a TDBXDataTypes code
  std::string TypeName;      // the type's name on the server ("Integer", "TDBXReader")

  bool IsInput() const;      // in or in/out
  bool IsOutput() const;     // out, in/out or the result
  // A table reader, stream, object or JSON value: the kinds a server may
  // keep in a session cache instead of sending them.
  bool IsCacheable() const;
  // A value that can be written as one segment of a REST URL.
  bool CanTravelInURL() const;
};

struct TDSProxyMethod {
  std::string Name;
  std::vector<TDSProxyParameter> Parameters;  // declared, in order; no result
  std::optional<TDSProxyParameter> Result;    // named "result"

  std::vector<const TDSProxyParameter*> Inputs() const;
  // Out and in/out parameters in order, then the result.
  std::vector<const TDSProxyParameter*> Outputs() const;
  bool HasOutputs() const { return !Outputs().empty(); }
  bool HasCacheableOutput() const;
  bool InputsTravelInURL() const;
};

struct TDSProxyClass {
  std::string Name;
  std::vector<TDSProxyMethod> Methods;  // in declaration order
};

struct TDSProxyMetadata {
  std::vector<TDSProxyClass> Classes;  // in registration order
  // Method names a writer must not produce (such as "EchoString_URL"),
  // compared without regard to ASCII case.
  std::vector<std::string> ExcludedMethods;

  bool ExcludesMethod(const std::string& name) const;
};

// How a client reaches a method over REST.
struct TDSProxyCall {
  std::string Verb;         // "GET", "PUT", "POST" or "DELETE"
  std::string RequestName;  // the method name as it goes into the path
};

// A method named "accept...", "update..." or "cancel..." (case ignored,
// longer than the prefix) goes with PUT, POST or DELETE under the name
// without its prefix, since the server puts the prefix back for that verb.
// When such a method has a cacheable input it goes with POST under its
// quoted full name (the body carries the input; quotes skip the prefix).
// Every other method, and every method of "DSAdmin", goes with GET under its
// own name.
TDSProxyCall ProxyCallOf(const std::string& className, const TDSProxyMethod& method);

// How the handheld clients hold a value of a data type: texts (dates and
// times travel as text), 32-bit and 64-bit integers, reals, booleans and
// tables; nothing for a type no handheld client supports.
enum class TProxyValueKind { Text, Integer, Whole64, Real, Boolean, Table };
std::optional<TProxyValueKind> ProxyValueKind(int dataType);

// A parameter's direction as the clients' comments write it: "[in]",
// "[out]" or "[in/out]".
const char* DirectionText(TDSParamDirection direction);

// The name of a data type as the server declares it ("string", "Integer",
// "Currency", "Boolean", "TDBXReader", ...); "UNKNOWN(<code>)" for others.
std::string ServerTypeName(int dataType);

// The classes and methods of `server`, in its order.
TDSProxyMetadata DSServerMetaData(const TDSServer& server);

}  // namespace fieldsync
