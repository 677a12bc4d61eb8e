#pragma once
// Serves one accepted connection: reads one request, answers it through the
// web request handler, closes. Runs on the connection's own thread.

#include "http/HTTPWebBrokerBridge.h"
#include "http/Socket.h"

namespace fieldsync {

// Reads, handles and answers one request on `socket`; never raises. The
// caller closes the socket afterwards.
void ServeConnection(net::TSocketHandle socket, TWebRequestHandler& handler,
                     const TListenerLimits& limits);

// Answers "503 Service Unavailable" and nothing else.
void RefuseConnection(net::TSocketHandle socket);

}  // namespace fieldsync
