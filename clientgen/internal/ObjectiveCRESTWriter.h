#pragma once
// The "Objective-C iOS 4.2 REST" writer: DSProxy.h, one class per server
// class with one method per included method, written as a header whose
// implementation is compiled where DSPROXY_IMPLEMENTATION is defined (the
// package's DSProxy.m does so). Inputs are typed arguments, out and in/out
// parameters pointers (NSString **, int *, ...), the result is the return
// value and a table a DSTableReader; failures raise DSRESTException.

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

constexpr const char* ObjectiveCIOS42RESTWriterName = "Objective-C iOS 4.2 REST";

class TObjectiveCRESTWriter : public TDSProxyWriter {
 public:
  bool SupportsType(int dataType) const override;
  void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const override;
};

}  // namespace fieldsync
