#pragma once
// The pool of web modules that the dispatch workers borrow from: at most 32 in
// use at once; a returned module is kept and lent again to a later request.
// Thread-safe: the pool's lists are changed only under FLock.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Mutex.h"
#include "http/WebModule.h"

namespace fieldsync {

class TRequestRecording;

class TWebRequestHandler {
 public:
  // Creates one web module instance; set once at program start.
  using TWebModuleClass = std::function<std::unique_ptr<TWebModule>()>;

  static constexpr int DefaultMaxConnections = 32;

  TWebRequestHandler() = default;
  ~TWebRequestHandler();
  TWebRequestHandler(const TWebRequestHandler&) = delete;
  TWebRequestHandler& operator=(const TWebRequestHandler&) = delete;

  void SetWebModuleClass(TWebModuleClass moduleClass);

  // Runs for every request before a module is lent to it, with the
  // caller's address (behind a proxy on this machine, the client it names):
  // work that may wait long, such as checking a password, done here holds no
  // module, so waiting requests do not use up the pool. Set before the
  // listener starts; read-only afterwards.
  using TBeforeModule = std::function<void(const TWebRequest& request, const std::string& clientAddress)>;
  void SetBeforeModule(TBeforeModule hook) { FBeforeModule = std::move(hook); }
  int MaxConnections() const { return FMaxConnections; }
  void SetMaxConnections(int value) { FMaxConnections = value; }

  // Lends a module to the request, lets it dispatch, sends the response if
  // the module handled it and has not sent it, and takes the module back.
  // The request is recorded for the operator's activity page and metrics.
  // Raises "Maximum number of concurrent connections exceeded.  Please try
  // again later" when all modules are in use.
  bool HandleRequest(TWebRequest& request, TWebResponse& response);

  // Modules created so far (in use or cached).
  size_t ModuleCount() const;
  // Modules lent to requests now.
  int ActiveCount() const;
  // Requests refused since start because every module was in use.
  uint64_t Refusals() const;

 private:
  bool Dispatch(TWebRequest& request, TWebResponse& response, TRequestRecording& recording);
  std::unique_ptr<TWebModule> Acquire();
  void Release(std::unique_ptr<TWebModule> module);

  mutable TMutex FLock;
  TWebModuleClass FWebModuleClass GUARDED_BY(FLock);
  int FMaxConnections = DefaultMaxConnections;
  TBeforeModule FBeforeModule;
  int FActiveCount GUARDED_BY(FLock) = 0;
  uint64_t FRefusals GUARDED_BY(FLock) = 0;
  std::vector<std::unique_ptr<TWebModule>> FInactive GUARDED_BY(FLock);
};

// The program's single handler, created on first use.
TWebRequestHandler& WebRequestHandler();

}  // namespace fieldsync
