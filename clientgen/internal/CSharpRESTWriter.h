#pragma once
// The "C# Silverlight REST" writer: the file DSProxy.cs of namespace
// Fieldsync.Proxy, one class per server class with one method per included
// method. Inputs are typed parameters, out parameters are `out`, in/out
// parameters `ref`, the result is the return value and a table is a
// DSTableReader of the support namespace Fieldsync.Rest.

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

constexpr const char* CSharpSilverlightRESTWriterName = "C# Silverlight REST";

class TCSharpRESTWriter : public TDSProxyWriter {
 public:
  bool SupportsType(int dataType) const override;
  void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const override;
};

}  // namespace fieldsync
