#include "rest/internal/DSSharedReads.h"

#include <condition_variable>
#include <mutex>

#include "core/Platform.h"
#include "core/Text.h"
#include "rest/internal/DSActivity.h"
#include "rest/internal/DSRESTGrammar.h"

namespace fieldsync {

// ---- TDSSharedBody ----

TDSSharedBody::TDSSharedBody(std::vector<std::string> buffers, std::shared_ptr<void> hold) : FHold(std::move(hold)) {
  FBuffers.reserve(buffers.size());
  for (auto& buffer : buffers)
    if (!buffer.empty()) FBuffers.push_back(std::make_shared<const std::string>(std::move(buffer)));
}

const std::vector<TDSSharedBody::TBuffer>& TDSSharedBody::Encoded(const TEncoder& encode) {
  std::call_once(FEncodedOnce, [&] {
    std::vector<std::string_view> parts;
    parts.reserve(FBuffers.size());
    for (const TBuffer& buffer : FBuffers) parts.emplace_back(*buffer);
    std::vector<TBuffer> encoded;
    for (std::string& piece : encode(parts)) encoded.push_back(std::make_shared<const std::string>(std::move(piece)));
    FEncoded = std::move(encoded);
  });
  return FEncoded;
}

// ---- the answer of a fetch ----

namespace {

// Records what the response handler writes, so that the answer can be
// given to every call that shares the fetch.
class TRecordedAnswer : public TDSHTTPResponse {
 public:
  explicit TRecordedAnswer(TDSHTTPResponse& own) : FOwn(own) {}

  int ResponseNo() const override { return FStatusSet ? FStatus : FOwn.ResponseNo(); }
  void SetResponseNo(int code) override {
    FStatus = code;
    FStatusSet = true;
  }
  std::string ResponseText() const override { return FReasonSet ? FReason : FOwn.ResponseText(); }
  void SetResponseText(const std::string& text) override {
    FReason = text;
    FReasonSet = true;
  }
  std::string ContentText() const override { return FText; }
  void SetContentText(std::string text) override {
    FText = std::move(text);
    FTextSet = true;
    FBody.reset();
  }
  void SetContentBuffers(std::vector<std::string> buffers, std::shared_ptr<void> hold) override {
    FBody = std::make_shared<TDSSharedBody>(std::move(buffers), std::move(hold));
    FTextSet = false;
  }
  void SetSharedContent(std::shared_ptr<TDSSharedBody> body) override {
    FBody = std::move(body);
    FTextSet = false;
  }
  std::string Pragma() const override { return FOwn.Pragma(); }
  void SetPragma(const std::string& value) override { FOwn.SetPragma(value); }
  std::string ContentType() const override { return FTypeSet ? FType : FOwn.ContentType(); }
  void SetContentType(const std::string& value) override {
    FType = value;
    FTypeSet = true;
  }

  // Gives the recorded answer to a call's response, in the order the
  // handler wrote it; the body's buffers are shared, not copied.
  void GiveTo(TDSHTTPResponse& response) const {
    if (FStatusSet) response.SetResponseNo(FStatus);
    if (FReasonSet) response.SetResponseText(FReason);
    if (FTypeSet) response.SetContentType(FType);
    if (FBody) response.SetSharedContent(FBody);
    else if (FTextSet) response.SetContentText(FText);
    if (CloseConnection()) response.SetCloseConnection(true);
  }

 private:
  TDSHTTPResponse& FOwn;  // the fetching call's own response
  int FStatus = 200;
  bool FStatusSet = false;
  std::string FReason;
  bool FReasonSet = false;
  std::string FType;
  bool FTypeSet = false;
  std::string FText;
  bool FTextSet = false;
  std::shared_ptr<TDSSharedBody> FBody;
};

bool SharingEnabled() { return EnvironmentVariable(ShareReadsVariable) != "0"; }

}  // namespace

struct TDSSharedReads::TFetch {
  explicit TFetch(uint64_t generation) : Generation(generation) {}
  const uint64_t Generation;
  std::mutex Lock;
  std::condition_variable Finished;
  bool Done = false;    // guarded by Lock
  bool Failed = false;  // guarded by Lock: the fetch raised; its joiners fetch for themselves
  std::unique_ptr<TRecordedAnswer> Answer;  // written by the fetching call before Done
};

TDSSharedReads& TDSSharedReads::Process() {
  static TDSSharedReads reads;
  return reads;
}

std::string TDSSharedReads::KeyOf(const TDSServer& server, std::string_view remainder) const {
  try {
    const TRESTRequestParts parts = ParseRequest(remainder);
    const TDSMethodEntry& method = server.Resolve(SetMethodNameWithPrefix("GET", parts.ClassName, parts.MethodName));
    if (!IsReadMethod(method)) return {};
    std::string key(remainder);
    key += '\0';
    if (method.Class) key += method.Class->CallContext();
    return key;
  } catch (const std::exception&) {
    return {};  // no such method, a malformed path: the call answers its own error
  }
}

void TDSSharedReads::Serve(const TDSServer& server, std::string_view remainder, bool shareable,
                           TDSHTTPResponse& response, const std::function<void(TDSHTTPResponse&)>& fetch,
                           std::string_view scope) {
  std::string key = shareable && SharingEnabled() ? KeyOf(server, remainder) : std::string();
  if (!key.empty() && !scope.empty()) key.append(1, '\0').append(scope);
  if (key.empty()) {
    fetch(response);
    return;
  }
  std::shared_ptr<TFetch> own;
  std::shared_ptr<TFetch> joined;
  {
    TMutexLock guard(FLock);
    auto it = FRunning.find(key);
    if (it != FRunning.end() && it->second->Generation == FGeneration) {
      joined = it->second;
      ++FJoined;
    } else {
      own = std::make_shared<TFetch>(FGeneration);
      FRunning[key] = own;
    }
  }

  if (joined) {
    std::unique_lock<std::mutex> lock(joined->Lock);
    joined->Finished.wait(lock, [&] { return joined->Done; });
    const bool failed = joined->Failed;
    lock.unlock();
    if (failed) {
      fetch(response);
      return;
    }
    // The call's own activity record names what it asked for.
    const TRESTRequestParts parts = ParseRequest(remainder);
    NoteMethodAsked(parts.MethodName);
    size_t bytes = 0;
    for (const auto& text : parts.Arguments) bytes += Utf16ToUtf8(text).size();
    NoteArguments(parts.Arguments.size(), bytes);
    NoteMethodResolved(server.Resolve(SetMethodNameWithPrefix("GET", parts.ClassName, parts.MethodName)));
    joined->Answer->GiveTo(response);
    return;
  }

  // This call fetches, for itself and for whoever joins it meanwhile.
  auto finish = [&](bool failed) {
    {
      TMutexLock guard(FLock);
      auto it = FRunning.find(key);
      if (it != FRunning.end() && it->second == own) FRunning.erase(it);
    }
    {
      std::lock_guard<std::mutex> lock(own->Lock);
      own->Done = true;
      own->Failed = failed;
    }
    own->Finished.notify_all();
  };
  own->Answer = std::make_unique<TRecordedAnswer>(response);
  try {
    fetch(*own->Answer);
  } catch (...) {
    finish(true);
    throw;
  }
  finish(false);
  own->Answer->GiveTo(response);
}

void TDSSharedReads::NoteWrite() {
  TMutexLock guard(FLock);
  ++FGeneration;
}

uint64_t TDSSharedReads::Joined() {
  TMutexLock guard(FLock);
  return FJoined;
}

uint64_t SharedReadsJoined() { return TDSSharedReads::Process().Joined(); }

}  // namespace fieldsync
