#pragma once
// The REST layer's view of one HTTP request and its response. The web
// front end adapts its own request and response objects to these, so the
// REST layer depends on no particular HTTP implementation.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fieldsync {

enum class TDSHTTPCommandType { hcUnknown, hcGET, hcPOST, hcDELETE, hcPUT, hcOther };

// name=value items in order, 8-bit text in the system code page.
using TDSHTTPParams = std::vector<std::pair<std::string, std::string>>;

// The body of an answer that identical read calls share (rest/internal/
// DSSharedReads.h): its buffers, what they count against in the answers'
// memory budget (held once, whatever the number of callers), and an encoded
// form made once for all of them. Its buffers never change once made;
// Encoded is thread-safe.
class TDSSharedBody {
 public:
  using TBuffer = std::shared_ptr<const std::string>;
  using TEncoder = std::function<std::vector<std::string>(const std::vector<std::string_view>&)>;

  TDSSharedBody(std::vector<std::string> buffers, std::shared_ptr<void> hold);
  const std::vector<TBuffer>& Buffers() const { return FBuffers; }
  // The body as `encode` turns it (gzip): made by the first caller, which
  // the others wait for, and kept with the body. A failing encoder raises
  // and leaves it to the next caller.
  const std::vector<TBuffer>& Encoded(const TEncoder& encode);

 private:
  std::vector<TBuffer> FBuffers;
  std::shared_ptr<void> FHold;
  std::once_flag FEncodedOnce;
  std::vector<TBuffer> FEncoded;
};

class TDSHTTPRequest {
 public:
  virtual ~TDSHTTPRequest() = default;
  // The path as received: not decoded, without the query string.
  virtual std::string RawPath() const = 0;
  // The HTTP method word.
  virtual std::string Command() const = 0;
  virtual TDSHTTPCommandType CommandType() const = 0;
  // The query fields, then, for a POST, the form fields of the body.
  virtual const TDSHTTPParams& Params() const = 0;
  // The request content exactly as received.
  virtual const std::string& PostStream() const = 0;
  virtual std::string Pragma() const = 0;
  virtual std::string Accept() const = 0;
  virtual std::string RemoteIP() const = 0;
  virtual std::string UserAgent() const = 0;
  virtual std::string ProtocolVersion() const = 0;
  virtual std::string AuthUserName() const = 0;
  virtual std::string AuthPassword() const = 0;
  // The caller's address: the client that a proxy on this machine passed the
  // request on for, else the peer.
  virtual std::string ClientAddress() const { return RemoteIP(); }
  // Tells the front end which user the authentication manager accepted (for
  // its log); a view whose front end keeps no log ignores it.
  virtual void SetAuthenticatedUser(const std::string& userName) { (void)userName; }
};

class TDSHTTPResponse {
 public:
  virtual ~TDSHTTPResponse() = default;
  virtual int ResponseNo() const = 0;
  // Sets the status code and the standard reason phrase that belongs to it.
  virtual void SetResponseNo(int code) = 0;
  virtual std::string ResponseText() const = 0;
  // The reason phrase of the status line.
  virtual void SetResponseText(const std::string& text) = 0;
  virtual std::string ContentText() const = 0;
  // The body bytes.
  virtual void SetContentText(std::string text) = 0;
  // The body as buffers whose concatenation is the body; a response that can
  // send them as they are (without joining them) keeps `hold` until they are
  // gone. This one joins them.
  virtual void SetContentBuffers(std::vector<std::string> buffers, std::shared_ptr<void> hold) {
    (void)hold;
    std::string body;
    size_t length = 0;
    for (const auto& buffer : buffers) length += buffer.size();
    body.reserve(length);
    for (auto& buffer : buffers) {
      body += buffer;
      std::string().swap(buffer);
    }
    SetContentText(std::move(body));
  }
  // A body shared with other calls, sent without copying where the response
  // can; this one joins a copy of it.
  virtual void SetSharedContent(std::shared_ptr<TDSSharedBody> body) {
    std::vector<std::string> copies;
    for (const auto& buffer : body->Buffers()) copies.push_back(*buffer);
    SetContentBuffers(std::move(copies), nullptr);
  }
  virtual std::string Pragma() const = 0;
  virtual void SetPragma(const std::string& value) = 0;
  virtual std::string ContentType() const = 0;
  virtual void SetContentType(const std::string& value) = 0;
  // The "WWW-Authenticate" header. The web front end's view sends it; a view
  // without headers of its own keeps it as a custom header.
  virtual void SetHeaderAuthentication(const std::string& value) { SetCustomHeader("WWW-Authenticate", value); }
  // Any other header, such as "Retry-After"; a view without headers drops it.
  virtual void SetCustomHeader(const std::string& name, const std::string& value) { (void)name, (void)value; }
  bool CloseConnection() const { return FCloseConnection; }
  void SetCloseConnection(bool value) { FCloseConnection = value; }

 private:
  bool FCloseConnection = false;
};

}  // namespace fieldsync
