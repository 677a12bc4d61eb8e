#pragma once
// Per-thread facts about the running REST call that a server method may
// set to override the answer. Created on first demand, discarded at the end
// of every request.

#include <memory>
#include <string>

#include "rest/DSHTTPView.h"

namespace fieldsync {

struct TDSInvocationMetadata {
  int ResponseCode = 0;  // 0 = not set
  std::string ResponseMessage;
  std::string ResponseContent;
  std::string ResponseContentType;
  bool CloseSession = false;
  TDSHTTPParams QueryParams;

  // The calling thread's metadata, created when absent.
  static TDSInvocationMetadata& Get();
  // The calling thread's metadata, or nullptr when none was created.
  static TDSInvocationMetadata* Find();
  static void Discard();
};

}  // namespace fieldsync
