#pragma once
// DSHTTPWebDispatcher1: the web module's REST component. It owns the method
// server DSServer1 of its module and hands every request under "/datasnap"
// to the REST layer through views of the web request and response.

#include <functional>
#include <memory>

#include "http/WebDispatcher.h"
#include "rest/DSHTTPServer.h"
#include "rest/DSServer.h"

namespace fieldsync {

class TDSHTTPWebDispatcher : public TWebDispatcher {
 public:
  // Registers the server classes with the module's method server.
  using TRegisterClasses = std::function<void(TDSServer&)>;

  explicit TDSHTTPWebDispatcher(const TRegisterClasses& registerClasses);
  ~TDSHTTPWebDispatcher() override;

  std::string PathMask() const override { return "/datasnap*"; }
  // A failure that escapes the REST layer answers 500 and counts as handled.
  bool DispatchRequest(TWebRequest& request, TWebResponse& response) override;

  TDSServer& DSServer1() { return FServer; }
  // The authentication manager attached to the REST layer (nullptr: none);
  // `manager` must outlive this object.
  void SetAuthenticationManager(TDSAuthenticationManager* manager) { FHTTPServer.SetAuthenticationManager(manager); }
  TDSAuthenticationManager* AuthenticationManager() const { return FHTTPServer.AuthenticationManager(); }

 private:
  TDSServer FServer;
  TDSHTTPServer FHTTPServer;
};

}  // namespace fieldsync
