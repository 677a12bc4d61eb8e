#pragma once
// The FreePascal client writers ("FreePascal iOS 4.2 REST", "FreePascal iOS
// 5.0 REST"): the unit DSProxy (file DSProxy.pas), one class per server
// class with one method per included method. Inputs are `const` or value
// parameters, out parameters are `out`, in/out parameters `var`, the result
// is the function's result and a table is a TDSTableReader (unit
// DSTableReader) that the caller frees. Both writers write the same unit,
// which uses only FreePascal's own fphttpclient and fpjson units.

#include <string>

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

constexpr const char* FreePascalIOS42RESTWriterName = "FreePascal iOS 4.2 REST";
constexpr const char* FreePascalIOS50RESTWriterName = "FreePascal iOS 5.0 REST";

class TFreePascalRESTWriter : public TDSProxyWriter {
 public:
  explicit TFreePascalRESTWriter(std::string writerName) : FWriterName(std::move(writerName)) {}
  bool SupportsType(int dataType) const override;
  void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const override;

 private:
  std::string FWriterName;
};

}  // namespace fieldsync
