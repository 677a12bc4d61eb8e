#include "http/WebModule.h"

#include <cstdio>

#include "core/Error.h"
#include "core/Text.h"
#include "http/internal/HttpMessages.h"
#include "http/internal/PageProducer.h"

namespace fieldsync {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Matches a "[...]" set at the start of `mask` against `c`; `length` gets the
// set's length. False with length 0 when the set is not closed.
bool MatchSet(std::string_view mask, char c, size_t& length) {
  const size_t close = mask.find(']', 2);
  if (close == std::string_view::npos) {
    length = 0;
    return false;
  }
  length = close + 1;
  std::string_view set = mask.substr(1, close - 1);
  bool negate = false;
  if (!set.empty() && set[0] == '!') negate = true, set.remove_prefix(1);
  bool found = false;
  for (size_t i = 0; i < set.size() && !found; ++i) {
    if (i + 2 < set.size() && set[i + 1] == '-') {
      found = Lower(c) >= Lower(set[i]) && Lower(c) <= Lower(set[i + 2]);
      i += 2;
    } else {
      found = Lower(c) == Lower(set[i]);
    }
  }
  return found != negate;
}

std::string_view WithoutLoneSlash(std::string_view path) { return path == "/" ? "" : path; }

bool MethodMatches(TMethodType wanted, TMethodType actual) {
  return wanted == TMethodType::mtAny || wanted == actual;
}

}  // namespace

bool MatchesMask(std::string_view text, std::string_view mask) {
  size_t t = 0, m = 0;
  size_t starMask = std::string_view::npos, starText = 0;
  while (t < text.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starText = t;
      continue;
    }
    if (m < mask.size()) {
      size_t length = 1;
      bool ok;
      if (mask[m] == '[') {
        ok = MatchSet(mask.substr(m), text[t], length);
        if (length == 0) ok = text[t] == '[', length = 1;
      } else {
        ok = mask[m] == '?' || Lower(mask[m]) == Lower(text[t]);
      }
      if (ok) {
        m += length;
        ++t;
        continue;
      }
    }
    if (starMask == std::string_view::npos) return false;
    m = starMask + 1;
    t = ++starText;
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

TWebModule::TWebModule() = default;
TWebModule::~TWebModule() = default;

TWebActionItem* TWebModule::ActionByName(const std::string& name) {
  for (auto& action : FActions)
    if (SameTextAscii(action.Name, name)) return &action;
  return nullptr;
}

bool TWebModule::HandleRequest(TWebRequest& request, TWebResponse& response) {
  FRequest = &request;
  struct TForget {
    const TWebRequest*& Request;
    ~TForget() { Request = nullptr; }
  } forget{FRequest};
  try {
    return DispatchActions(request, response);
  } catch (const TSocketError&) {
    throw;
  } catch (const std::exception& error) {
    try {
      HandleException(error, request, response);
    } catch (const TSocketError&) {
      throw;
    } catch (const std::exception& failure) {
      // The error page itself failed: the program's default error report.
      std::fprintf(stderr, "fieldsync: %s\n", failure.what());
    }
    return true;
  }
}

void TWebModule::HandleException(const std::exception& error, TWebRequest& request,
                                 TWebResponse& response) {
  response.SetContent(FormatText(
      ErrorPageMessage, {Utf16ToWin1252(Utf8ToUtf16(error.what())), request.PathInfo()}));
  if (!response.Sent()) {
    response.SetStatusCode(500);
    response.SendResponse();
  }
}

bool TWebModule::FireAction(TWebActionItem& action, TWebRequest& request,
                            TWebResponse& response) {
  bool handled = true;
  if (action.Producer) response.SetContent(Utf16ToWin1252(action.Producer->Content()));
  else if (action.OnAction) action.OnAction(request, response, handled);
  else handled = false;
  return handled;
}

bool TWebModule::DispatchActions(TWebRequest& request, TWebResponse& response) {
  if (response.Sent()) return true;
  BeforeDispatch(request, response);
  if (response.Sent()) return true;

  const std::string pathInfo = request.PathInfo();
  const std::string_view path = WithoutLoneSlash(pathInfo);
  const TMethodType method = request.MethodType();
  bool handled = false;
  for (auto& action : FActions) {
    if (!action.Enabled || !MethodMatches(action.MethodType, method) ||
        !MatchesMask(path, WithoutLoneSlash(action.PathInfo)))
      continue;
    handled = FireAction(action, request, response);
    if (handled) break;
  }
  for (size_t i = 0; !handled && i < FDispatchList.size(); ++i) {
    TWebDispatcher* dispatcher = FDispatchList[i];
    if (!dispatcher || !dispatcher->Enabled() ||
        !MethodMatches(dispatcher->MethodType(), method) ||
        !MatchesMask(path, WithoutLoneSlash(dispatcher->PathMask())))
      continue;
    handled = dispatcher->DispatchRequest(request, response);
  }
  if (!handled) {
    for (auto& action : FActions) {
      if (!action.Default) continue;
      handled = FireAction(action, request, response);
      break;
    }
  }
  // No after-dispatch step is configured: a handled request stays handled.
  return handled;
}

}  // namespace fieldsync
