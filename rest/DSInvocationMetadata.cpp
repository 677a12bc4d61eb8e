#include "rest/internal/DSInvocationMetadata.h"

namespace fieldsync {

namespace {
thread_local std::unique_ptr<TDSInvocationMetadata> ThreadMetadata;
}

TDSInvocationMetadata& TDSInvocationMetadata::Get() {
  if (!ThreadMetadata) ThreadMetadata = std::make_unique<TDSInvocationMetadata>();
  return *ThreadMetadata;
}

TDSInvocationMetadata* TDSInvocationMetadata::Find() { return ThreadMetadata.get(); }

void TDSInvocationMetadata::Discard() { ThreadMetadata.reset(); }

}  // namespace fieldsync
