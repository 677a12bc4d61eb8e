#pragma once
// The web module: the unit of request dispatch. It offers a request to its
// before-dispatch handler, its actions in order, the components of its
// dispatch list in order, and finally its default action; a failure becomes
// the error page with status 500. One instance serves one request at a time.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "http/WebDispatcher.h"
#include "http/WebRequest.h"
#include "http/WebResponse.h"

namespace fieldsync {

class TPageProducer;

// One action of a web module: fires when enabled, its method type matches and
// its PathInfo mask matches the request's PathInfo ("/" counts as empty).
struct TWebActionItem {
  // Runs the action; sets `handled` false to pass the request on.
  using THandler = std::function<void(TWebRequest&, TWebResponse&, bool& handled)>;

  std::string Name;
  std::string PathInfo;
  TMethodType MethodType = TMethodType::mtAny;
  bool Enabled = true;
  bool Default = false;
  TPageProducer* Producer = nullptr;  // borrowed; the module owns producers
  THandler OnAction;
};

class TWebModule {
 public:
  TWebModule();
  virtual ~TWebModule();
  TWebModule(const TWebModule&) = delete;
  TWebModule& operator=(const TWebModule&) = delete;

  // Dispatches one request; answers whether it was handled. Exceptions of
  // the handlers are turned into the error page here.
  virtual bool HandleRequest(TWebRequest& request, TWebResponse& response);

  // The module's exception handling: the error page, status 500, sent.
  virtual void HandleException(const std::exception& error, TWebRequest& request,
                               TWebResponse& response);

  // The action of that name (ASCII case ignored), or null.
  TWebActionItem* ActionByName(const std::string& name);

 protected:
  // Runs before the actions for every request; may send the response.
  virtual void BeforeDispatch(TWebRequest& request, TWebResponse& response) {}
  // Dispatch without the error page.
  bool DispatchActions(TWebRequest& request, TWebResponse& response);
  // Runs one action; answers whether it handled the request.
  bool FireAction(TWebActionItem& action, TWebRequest& request, TWebResponse& response);

  // The request being dispatched, for handlers that are called without it
  // (tag handlers); null between requests.
  const TWebRequest* FRequest = nullptr;

  std::vector<TWebActionItem> FActions;  // in dispatch order
  // The dispatch list in order; an empty slot is skipped.
  std::vector<TWebDispatcher*> FDispatchList;
};

// Whether `mask` matches all of `text` ("*", "?", "[set]"; ASCII case
// ignored).
bool MatchesMask(std::string_view text, std::string_view mask);

}  // namespace fieldsync
