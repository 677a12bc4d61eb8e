#pragma once
// Registers the server class TServerMethods1 with the method server: the
// class "TServerMethods1" with life cycle "Session" and one row per
// published method, in declaration order. Everything else that lists the
// methods (the generated clients, the activity page, the tests) reads this
// table; nothing counts them by hand.

#include "rest/DSServer.h"
#include "service/HostValues.h"

namespace fieldsync {

// Every instance created for a call copies its branch and overdue threshold
// from `host`, which must outlive the server.
void RegisterServerMethods1(TDSServer& server, const THostValues& host);

}  // namespace fieldsync
