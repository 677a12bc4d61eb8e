#include "http/DSHTTPWebDispatcher.h"

#include "core/Text.h"
#include "http/internal/CallerOrigin.h"
#include "http/internal/GzipEncoding.h"

namespace fieldsync {

namespace {

// The response's string variable that holds "WWW-Authenticate".
constexpr int WWWAuthenticateIndex = 3;

// The REST layer's view of a web request.
class TDSHTTPRequestWebBroker : public TDSHTTPRequest {
 public:
  explicit TDSHTTPRequestWebBroker(TWebRequest& request) : FRequest(request) {
    AddFields(request.QueryFields());
    if (request.MethodType() == TMethodType::mtPost) AddFields(request.ContentFields());
  }

  std::string RawPath() const override { return FRequest.RawPath(); }
  std::string Command() const override { return FRequest.Method(); }
  TDSHTTPCommandType CommandType() const override {
    if (FRequest.Method() == "DELETE") return TDSHTTPCommandType::hcDELETE;
    switch (FRequest.MethodType()) {
      case TMethodType::mtGet:
        return TDSHTTPCommandType::hcGET;
      case TMethodType::mtPost:
        return TDSHTTPCommandType::hcPOST;
      case TMethodType::mtPut:
        return TDSHTTPCommandType::hcPUT;
      case TMethodType::mtHead:
        return TDSHTTPCommandType::hcOther;
      default:
        return TDSHTTPCommandType::hcUnknown;
    }
  }
  const TDSHTTPParams& Params() const override { return FParams; }
  // The request's content: the body's bytes, or a form body's decoded text.
  // A request without a body has an empty stream (the web request would
  // offer its query text as content, which is no JSON argument).
  const std::string& PostStream() const override {
    static const std::string None;
    return FRequest.Data().HasBody ? FRequest.Content() : None;
  }
  std::string Pragma() const override { return FRequest.GetFieldByName("Pragma"); }
  std::string Accept() const override { return FRequest.Accept(); }
  std::string RemoteIP() const override { return FRequest.RemoteAddr(); }
  std::string UserAgent() const override { return FRequest.UserAgent(); }
  std::string ProtocolVersion() const override { return FRequest.ProtocolVersion(); }
  std::string AuthUserName() const override { return FRequest.AuthUserName(); }
  std::string AuthPassword() const override { return FRequest.AuthPassword(); }
  std::string ClientAddress() const override {
    const std::string forwardedFor = ForwardedFor(FRequest);
    return forwardedFor.empty() ? FRequest.RemoteAddr() : forwardedFor;
  }
  void SetAuthenticatedUser(const std::string& userName) override { FRequest.SetAuthenticatedUser(userName); }

 private:
  void AddFields(const TFields& fields) {
    for (size_t i = 0; i < fields.Count(); ++i) FParams.emplace_back(fields.Names(i), fields.ValueFromIndex(i));
  }

  TWebRequest& FRequest;
  TDSHTTPParams FParams;
};

// The REST layer's view of a web response.
class TDSHTTPResponseWebBroker : public TDSHTTPResponse {
 public:
  explicit TDSHTTPResponseWebBroker(TWebResponse& response) : FResponse(response) {}

  int ResponseNo() const override { return FResponse.StatusCode(); }
  void SetResponseNo(int code) override { FResponse.SetStatusCode(code); }
  std::string ResponseText() const override { return FResponse.ReasonString(); }
  void SetResponseText(const std::string& text) override { FResponse.SetReasonString(text); }
  std::string ContentText() const override { return FResponse.Content(); }
  void SetContentText(std::string text) override { FResponse.SetContent(std::move(text)); }
  // Sent as they are, with gathered writes.
  void SetContentBuffers(std::vector<std::string> buffers, std::shared_ptr<void> hold) override {
    FResponse.SetContentBuffers(std::move(buffers), std::move(hold));
  }
  // Another call's answer: its buffers go out as they are, and it is
  // compressed once for every call that shares it.
  void SetSharedContent(std::shared_ptr<TDSSharedBody> body) override {
    // Each buffer keeps the body, and with it the body's share of the
    // answers' memory budget, until the last of them has been sent.
    std::vector<TWireBuffer> buffers;
    for (const auto& buffer : body->Buffers()) buffers.emplace_back(body, buffer.get());
    FResponse.SetSharedContentBuffers(std::move(buffers));
    FShared = std::move(body);
  }
  const std::shared_ptr<TDSSharedBody>& Shared() const { return FShared; }
  std::string Pragma() const override { return FResponse.GetCustomHeader("Pragma"); }
  void SetPragma(const std::string& value) override { FResponse.SetCustomHeader("Pragma", value); }
  std::string ContentType() const override { return FResponse.ContentType(); }
  void SetContentType(const std::string& value) override { FResponse.SetContentType(value); }
  void SetHeaderAuthentication(const std::string& value) override {
    FResponse.SetStringVariable(WWWAuthenticateIndex, value);
  }
  void SetCustomHeader(const std::string& name, const std::string& value) override {
    FResponse.SetCustomHeader(name, value);
  }

 private:
  TWebResponse& FResponse;
  std::shared_ptr<TDSSharedBody> FShared;
};

}  // namespace

TDSHTTPWebDispatcher::TDSHTTPWebDispatcher(const TRegisterClasses& registerClasses) : FHTTPServer(FServer) {
  FHTTPServer.SetDSContext("datasnap/");
  FHTTPServer.SetRESTContext("rest/");
  FHTTPServer.SetCacheContext("cache/");
  FHTTPServer.SetSessionTimeout(TDSHTTPServer::DefaultSessionTimeoutMs);
  if (registerClasses) registerClasses(FServer);
  FServer.Start();  // AutoStart
}

TDSHTTPWebDispatcher::~TDSHTTPWebDispatcher() { FServer.Stop(); }

bool TDSHTTPWebDispatcher::DispatchRequest(TWebRequest& request, TWebResponse& response) {
  try {
    TDSHTTPRequestWebBroker requestView(request);
    TDSHTTPResponseWebBroker responseView(response);
    FHTTPServer.DoCommand(requestView, responseView);
    // The answer is complete here: compress it when the client asked.
    if (GzipEnabled()) {
      const std::string acceptEncoding = request.GetFieldByName("Accept-Encoding");
      if (const auto& shared = responseView.Shared())
        CompressResponse(acceptEncoding, response,
                         [&shared](const std::vector<std::string_view>&) { return shared->Encoded(GzipPieces); });
      else
        CompressResponse(acceptEncoding, response);
    }
    return true;
  } catch (...) {
    try {
      response.SetStatusCode(500);
      return true;
    } catch (...) {
      return false;
    }
  }
}

}  // namespace fieldsync
