#pragma once
// The web response that the web module and the dispatchers fill in, and that
// writes itself to the connection. Defaults: status 200 "OK", content type
// "text/html", no content. Text content is 8-bit text in the system code page
// (Windows-1252); on the wire it is re-encoded in the response's charset.
// A response belongs to its connection's thread.

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Error.h"
#include "core/Regional.h"

namespace fieldsync {

// Raised when the peer is gone or the connection was closed under a
// request; the connection then ends without an answer.
class TSocketError : public Exception {
 public:
  using Exception::Exception;
};

// One piece of an answer on its way to the wire. Shared, not copied: the
// response keeps its content while the connection writes the same bytes.
using TWireBuffer = std::shared_ptr<const std::string>;

// Takes the pieces of an answer, in order, without copying them.
class TResponseSink {
 public:
  virtual ~TResponseSink() = default;
  virtual void Write(TWireBuffer piece) = 0;
};

// The reason text of a status code ("Unknown Response Code" for others).
std::string ReasonTextOf(int statusCode);

class TWebResponse {
 public:
  // Receives the bytes of the answer, in order; may raise on a socket error.
  using TWriteFn = std::function<void(std::string_view bytes)>;

  // `version` is the request's protocol version text; `write` receives the
  // answer when it is sent.
  TWebResponse(std::string version, TWriteFn write);
  // `sink` takes the answer as pieces (head, then the body's buffers); it
  // must outlive the response.
  TWebResponse(std::string version, TResponseSink& sink);
  ~TWebResponse();
  TWebResponse(const TWebResponse&) = delete;
  TWebResponse& operator=(const TWebResponse&) = delete;

  // Text properties by index: 0 Version (read only), 1 ReasonString,
  // 2 Server, 3 WWWAuthenticate, 4 Realm, 5 Allow, 6 Location,
  // 7 ContentEncoding, 8 ContentType, 9 ContentVersion, 10 DerivedFrom,
  // 11 Title. Integer property 0 is ContentLength; date properties 0, 1, 2
  // are Date, Expires, LastModified (local time, -1 unset). Any other index
  // raises "Invalid Index <n> in TIdHTTPAppResponse.<operation>".
  std::string GetStringVariable(int index) const;
  void SetStringVariable(int index, const std::string& value);
  int64_t GetIntegerVariable(int index) const;
  void SetIntegerVariable(int index, int64_t value);
  TDateTime GetDateVariable(int index) const;
  void SetDateVariable(int index, TDateTime value);

  int StatusCode() const { return FStatusCode; }
  // Also sets the reason text that belongs to the code.
  void SetStatusCode(int code);
  const std::string& ReasonString() const { return FReasonString; }
  void SetReasonString(std::string reason) { FReasonString = std::move(reason); }

  // The media type without its charset.
  const std::string& ContentType() const { return FContentType; }
  // Takes a content type that may carry a "charset" parameter; the charset
  // is kept apart and decides the encoding of text content on the wire.
  void SetContentType(const std::string& contentType);
  // The charset text content is written in: the one given with the content
  // type, else "ISO-8859-1" for text types ("us-ascii" for XML text types),
  // else none.
  std::string Charset() const;

  // Text content (8-bit, system code page). Setting it drops a stream and
  // buffers.
  const std::string& Content() const { return *FContent; }
  void SetContent(std::string content);
  // Byte content; the response owns and frees the stream. Setting it drops
  // the text content and buffers.
  std::istream* ContentStream() const { return FContentStream.get(); }
  void SetContentStream(std::unique_ptr<std::istream> stream);
  // Byte content as a list of buffers, sent one after the other in one
  // gathered write, none of them copied; Content-Length is their total.
  // Setting it drops text content and a stream. `hold`, when given, is kept
  // until the last of these buffers is freed (once written, or with the
  // response): what the bytes count against, such as a memory budget.
  void SetContentBuffers(std::vector<std::string> buffers, std::shared_ptr<void> hold = nullptr);
  // The same for buffers already shared (by other answers of the same bytes).
  void SetSharedContentBuffers(std::vector<TWireBuffer> buffers);
  const std::vector<TWireBuffer>& ContentBuffers() const { return FContentBuffers; }
  // The total length of the content buffers.
  int64_t BuffersSize() const;
  // An explicit length, sent as Content-Length when there is no content
  // (the answer to HEAD); -1 unset.
  int64_t ContentLength() const { return FContentLength; }
  void SetContentLength(int64_t length) { FContentLength = length; }

  std::string Location() const { return FLocation; }
  void SetLocation(std::string location) { FLocation = std::move(location); }
  TDateTime Date() const { return FDate; }
  void SetDate(TDateTime value) { FDate = value; }
  TDateTime Expires() const { return FExpires; }
  void SetExpires(TDateTime value) { FExpires = value; }
  TDateTime LastModified() const { return FLastModified; }
  void SetLastModified(TDateTime value) { FLastModified = value; }

  // Custom headers, sent after the standard ones in the order they were set.
  // Setting a name again replaces its value (ASCII case ignored).
  void SetCustomHeader(const std::string& name, const std::string& value);
  // The value of a custom header; empty when not set.
  std::string GetCustomHeader(std::string_view name) const;
  const std::vector<std::pair<std::string, std::string>>& CustomHeaders() const {
    return FCustomHeaders;
  }
  // Each entry is sent as one "Set-Cookie: " line, as given.
  std::vector<std::string>& Cookies() { return FCookies; }

  // Sends status line, headers and body now and marks the response sent.
  void SendResponse();
  // Marks the response sent as a 302 to `uri` without a body; the head is
  // written when the connection finishes the request.
  void SendRedirect(const std::string& uri);
  bool Sent() const { return FSent; }
  // Whether the status line and headers have gone to the wire.
  bool HeadWritten() const { return FHeadWritten; }
  // Body bytes that have gone to the wire so far.
  int64_t BodyBytesWritten() const { return FBodyBytesWritten; }
  // Writes the head (and body) unless written already; the listener calls
  // this once the request has been handled.
  void Finish();

  // The complete answer as it would go to the wire (head and body).
  std::string Serialize() const;
  // The text content's bytes as they go to the wire (in the charset).
  TWireBuffer WireBody() const { return BodyBytes(); }

 private:
  TWireBuffer BodyBytes() const;
  std::string HeadBytes(int64_t contentLength) const;
  void WriteAll();

  std::string FVersion;
  std::unique_ptr<TResponseSink> FOwnSink;  // adapts a TWriteFn
  TResponseSink* FSink;
  int FStatusCode = 200;
  std::string FReasonString = "OK";
  std::string FServer;
  std::string FWWWAuthenticate;
  std::string FRealm;
  std::string FLocation;
  std::string FContentEncoding;
  std::string FContentType = "text/html";
  std::string FCharset;
  std::string FContentVersion;
  TWireBuffer FContent;  // never null
  std::vector<TWireBuffer> FContentBuffers;
  std::unique_ptr<std::istream> FContentStream;
  int64_t FContentLength = -1;
  TDateTime FDate = -1;
  TDateTime FExpires = -1;
  TDateTime FLastModified = -1;
  std::vector<std::pair<std::string, std::string>> FCustomHeaders;
  std::vector<std::string> FCookies;
  bool FSent = false;
  bool FHeadWritten = false;
  int64_t FBodyBytesWritten = 0;
};

}  // namespace fieldsync
