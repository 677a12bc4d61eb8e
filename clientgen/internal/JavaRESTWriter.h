#pragma once
// The Java client writers ("Java (Android) REST", "Java (Black Berry) REST"):
// the file DSProxy.java of package fieldsync.proxy, one nested class per
// server class with one method per included method. Inputs are typed Java
// parameters; out and in/out parameters are holder objects of the support
// package fieldsync.rest (StringHolder, IntHolder, ...); the result is the
// method's return value; a table is a DSTableReader. The code keeps to the
// Java subset both platforms compile (no generics, no boxing).

#include <string>

#include "clientgen/DSProxyWriter.h"

namespace fieldsync {

constexpr const char* JavaAndroidRESTWriterName = "Java (Android) REST";
constexpr const char* JavaBlackBerryRESTWriterName = "Java (Black Berry) REST";

class TJavaRESTWriter : public TDSProxyWriter {
 public:
  explicit TJavaRESTWriter(std::string writerName) : FWriterName(std::move(writerName)) {}
  bool SupportsType(int dataType) const override;
  void WriteProxy(const TDSProxyMetadata& metadata, std::ostream& out) const override;

 private:
  std::string FWriterName;
};

}  // namespace fieldsync
