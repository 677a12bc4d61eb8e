#include "http/WebRequestHandler.h"

#include "http/internal/CallerOrigin.h"

#include "core/Error.h"
#include "core/ScopeExit.h"
#include "http/AccessLog.h"
#include "http/internal/HttpMessages.h"
#include "http/internal/RequestRecording.h"

namespace fieldsync {

TWebRequestHandler::~TWebRequestHandler() = default;

void TWebRequestHandler::SetWebModuleClass(TWebModuleClass moduleClass) {
  TMutexLock lock(FLock);
  FWebModuleClass = std::move(moduleClass);
}

size_t TWebRequestHandler::ModuleCount() const {
  TMutexLock lock(FLock);
  return FInactive.size() + static_cast<size_t>(FActiveCount);
}

int TWebRequestHandler::ActiveCount() const {
  TMutexLock lock(FLock);
  return FActiveCount;
}

uint64_t TWebRequestHandler::Refusals() const {
  TMutexLock lock(FLock);
  return FRefusals;
}

std::unique_ptr<TWebModule> TWebRequestHandler::Acquire() {
  TWebModuleClass moduleClass;
  {
    TMutexLock lock(FLock);
    if (FActiveCount >= FMaxConnections) {
      ++FRefusals;
      throw Exception(MaxConnectionsExceededMessage);
    }
    ++FActiveCount;
    if (!FInactive.empty()) {
      std::unique_ptr<TWebModule> module = std::move(FInactive.front());
      FInactive.erase(FInactive.begin());
      return module;
    }
    moduleClass = FWebModuleClass;
  }
  // A new module is built outside the lock: building it may take a while
  // and must not hold up the other connections.
  // Without a module the place taken above is given back.
  TScopeExit unreserve([this]() noexcept {
    TMutexLock lock(FLock);
    --FActiveCount;
  });
  std::unique_ptr<TWebModule> module;
  if (moduleClass) module = moduleClass();
  if (!module) throw Exception(NoDataModulesMessage);
  unreserve.Dismiss();
  return module;
}

void TWebRequestHandler::Release(std::unique_ptr<TWebModule> module) {
  TMutexLock lock(FLock);
  --FActiveCount;
  FInactive.push_back(std::move(module));
}

bool TWebRequestHandler::HandleRequest(TWebRequest& request, TWebResponse& response) {
  const TAccessLogScope logged(request, response);
  TRequestRecording recording(request);
  try {
    const bool handled = Dispatch(request, response, recording);
    recording.Answered(response);
    return handled;
  } catch (const TSocketError&) {
    recording.Lost();
    throw;
  } catch (const std::exception& e) {
    recording.Failed(e.what());
    throw;
  }
}

bool TWebRequestHandler::Dispatch(TWebRequest& request, TWebResponse& response, TRequestRecording& recording) {
  if (FBeforeModule) {
    const std::string forwardedFor = ForwardedFor(request);
    FBeforeModule(request, forwardedFor.empty() ? request.RemoteAddr() : forwardedFor);
  }
  std::unique_ptr<TWebModule> module = Acquire();
  const TScopeExit release([this, &module]() noexcept { Release(std::move(module)); });
  const bool handled = module->HandleRequest(request, response);
  recording.BodyReady(response);
  if (handled && !response.Sent()) response.SendResponse();
  return handled;
}

TWebRequestHandler& WebRequestHandler() {
  static TWebRequestHandler handler;
  return handler;
}

}  // namespace fieldsync
