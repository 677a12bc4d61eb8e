#pragma once
// Registers the server class TServerMethods1 with the method server: the
// class "TServerMethods1" with life cycle "Session" and its 74 published
// methods in declaration order.

#include "rest/DSServer.h"
#include "service/HostValues.h"

namespace fieldsync {

// Every instance created for a call copies its branch and overdue threshold
// from `host`, which must outlive the server.
void RegisterServerMethods1(TDSServer& server, const THostValues& host);

}  // namespace fieldsync
