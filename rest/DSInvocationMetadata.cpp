#include "rest/internal/DSInvocationMetadata.h"

#include "core/ThreadValue.h"

namespace fieldsync {

namespace {
struct TMetadataTag;
using TThreadMetadata = TThreadValue<TDSInvocationMetadata, TMetadataTag>;
}  // namespace

TDSInvocationMetadata& TDSInvocationMetadata::Get() { return TThreadMetadata::Get(); }

TDSInvocationMetadata* TDSInvocationMetadata::Find() { return TThreadMetadata::Find(); }

void TDSInvocationMetadata::Discard() { TThreadMetadata::Reset(); }

}  // namespace fieldsync
