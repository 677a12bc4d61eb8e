#pragma once
// The response handler of calls made with "Accept: application/rest": a
// table the call returns is kept in the caller's session instead of being
// written into the answer, and the answer carries its reference
// "<item id>/<command index>/<parameter index>" with the pairs "cacheId" and
// "cmdIndex": {"result":["0/0/0"],"cacheId":0,"cmdIndex":0}, Content-Type
// "application/rest". The session's cache keeps the rows themselves; the
// handler, the call's instance and its database connection end with the
// request as they do for any call.

#include <set>

#include "rest/DSResponseHandler.h"

namespace fieldsync {

class TDSCacheResponseHandler : public TDSServiceResponseHandler {
 public:
  using TDSServiceResponseHandler::TDSServiceResponseHandler;

  // The session cache's item that holds this request's results; -1 until
  // the first one is cached.
  int CacheId = -1;

 protected:
  bool HandleParameter(TDSExecutionResponse& entry, size_t commandIndex, size_t index,
                       std::unique_ptr<TJSONValue>& value) override;
  void AppendEntryPairs(size_t commandIndex, std::string& out) override;
  std::string ContentType() const override { return "application/rest"; }

 private:
  std::set<size_t> FCachedCommands;  // commands with at least one cached output
};

}  // namespace fieldsync
