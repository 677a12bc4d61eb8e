#pragma once
// The interface of a client proxy writer: one client language. A writer turns
// the metadata of a method server into the source of a client in that
// language. The writers themselves are listed in ProxyWriters.cpp.

#include <ostream>

#include "clientgen/DSProxyMetadata.h"

namespace fieldsync {

class TDSProxyWriter {
 public:
  virtual ~TDSProxyWriter() = default;
  // Whether the client can pass or receive values of this data type; a
  // method with any other parameter or result type is left out.
  virtual bool SupportsType(int dataType) const = 0;
  // Whether the client sends every input as one segment of the URL, as the
  // handheld clients do: a method with an input that cannot travel there (a
  // table) is then left out rather than generated wrong. A writer whose
  // client sends such inputs in the request body answers false.
  virtual bool SendsInputsInURL() const { return true; }
  // Writes the client for `metadata`, whose classes and methods are already
  // filtered, as bytes in the language's encoding.
  virtual void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const = 0;
};

}  // namespace fieldsync
