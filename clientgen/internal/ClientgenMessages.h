#pragma once
// Every message text of client generation, in one place (the texts about
// files are core's). They are part of the service's interface: keep them
// exact.

namespace fieldsync {

inline constexpr const char* UnknownProxyWriterMessage = "No proxy writer is registered as \"%s\"";

}  // namespace fieldsync
