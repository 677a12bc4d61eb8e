#pragma once
// The seam through which components join a web module's dispatch list: the
// REST dispatcher and the two file dispatchers are such components. The
// module offers a request to a component only when it is enabled, its method
// type is mtAny or the request's, and its path mask matches the PathInfo.

#include <string>

#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync {

class TWebDispatcher {
 public:
  virtual ~TWebDispatcher() = default;

  virtual bool Enabled() const { return true; }
  virtual TMethodType MethodType() const { return TMethodType::mtAny; }
  // A mask over the whole PathInfo: "*" any run, "?" one character, "[..]"
  // one of a set; ASCII letters compare without regard to case.
  virtual std::string PathMask() const = 0;
  // Answers whether the request was handled. Runs on the request's thread;
  // exceptions end dispatch with the module's error page.
  virtual bool DispatchRequest(TWebRequest& request, TWebResponse& response) = 0;
};

}  // namespace fieldsync
