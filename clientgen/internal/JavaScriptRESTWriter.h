#pragma once
// The browser client writer: one constructor function per server class whose
// methods call the REST interface through a ServerFunctionExecutor (from the
// script support library beside the program), plus JSProxyClassList, which
// lists the classes and their methods.

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

constexpr const char* JavaScriptRESTWriterName = "Java Script REST";

class TJavaScriptRESTWriter : public TDSProxyWriter {
 public:
  bool SupportsType(int dataType) const override;
  // Objects, arrays and tables go in the request body (the support library
  // sends them as "_parameters"), so every method is written.
  bool SendsInputsInURL() const override { return false; }
  void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const override;
};

}  // namespace fieldsync
