#include "http/WebRequestHandler.h"

#include "core/Error.h"
#include "http/HttpMessages.h"
#include "http/RequestRecording.h"

namespace fieldsync {

TWebRequestHandler::~TWebRequestHandler() = default;

void TWebRequestHandler::SetWebModuleClass(TWebModuleClass moduleClass) {
  std::lock_guard lock(FLock);
  FWebModuleClass = std::move(moduleClass);
}

size_t TWebRequestHandler::ModuleCount() const {
  std::lock_guard lock(FLock);
  return FInactive.size() + static_cast<size_t>(FActiveCount);
}

int TWebRequestHandler::ActiveCount() const {
  std::lock_guard lock(FLock);
  return FActiveCount;
}

uint64_t TWebRequestHandler::Refusals() const {
  std::lock_guard lock(FLock);
  return FRefusals;
}

std::unique_ptr<TWebModule> TWebRequestHandler::Acquire() {
  TWebModuleClass moduleClass;
  {
    std::lock_guard lock(FLock);
    if (FActiveCount >= FMaxConnections) {
      ++FRefusals;
      throw Exception(MsgMaxConnectionsExceeded);
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
  std::unique_ptr<TWebModule> module;
  try {
    if (moduleClass) module = moduleClass();
  } catch (...) {
    std::lock_guard lock(FLock);
    --FActiveCount;
    throw;
  }
  if (!module) {
    std::lock_guard lock(FLock);
    --FActiveCount;
    throw Exception(MsgNoDataModules);
  }
  return module;
}

void TWebRequestHandler::Release(std::unique_ptr<TWebModule> module) {
  std::lock_guard lock(FLock);
  --FActiveCount;
  FInactive.push_back(std::move(module));
}

bool TWebRequestHandler::HandleRequest(TWebRequest& request, TWebResponse& response) {
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
  std::unique_ptr<TWebModule> module = Acquire();
  bool handled = false;
  try {
    handled = module->HandleRequest(request, response);
    recording.BodyReady(response);
    if (handled && !response.Sent()) response.SendResponse();
  } catch (...) {
    Release(std::move(module));
    throw;
  }
  Release(std::move(module));
  return handled;
}

TWebRequestHandler& WebRequestHandler() {
  static TWebRequestHandler handler;
  return handler;
}

}  // namespace fieldsync
