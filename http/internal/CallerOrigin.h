#pragma once
// Where a request comes from: the loopback peers that the operator's pages
// are served to, and requests that a proxy on this machine passed on.

#include <string>
#include <string_view>

#include "http/WebRequest.h"

namespace fieldsync {

// True exactly for the loopback peers "127.0.0.1", "0:0:0:0:0:0:0:1", "::1"
// (the forms the listener reports).
bool IsLoopbackAddress(std::string_view address);

// Whether a proxy passed the request on: it carries "X-Forwarded-For",
// "Forwarded" or "X-Real-IP".
bool IsForwarded(const TWebRequest& request);

// The caller a proxy on this machine passed the request on for: the last
// address of "X-Forwarded-For" (the one that proxy added) when the peer is a
// loopback address; empty otherwise.
std::string ForwardedFor(const TWebRequest& request);

}  // namespace fieldsync
