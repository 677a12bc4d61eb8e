#pragma once
// The web request as the web module and the dispatchers see it: one HTTP
// request read by the listener, with its properties by index and by name.
// Text properties are 8-bit text in the system code page (Windows-1252);
// the content is bytes. A request belongs to its connection's thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Regional.h"

namespace fieldsync {

// The kinds of request method that actions and dispatchers select on.
enum class TMethodType { mtAny, mtGet, mtPut, mtPost, mtHead };

// "GET", "PUT", "POST", "HEAD" (exact, upper case) give their kind; any other
// method word gives mtAny.
TMethodType MethodTypeOf(std::string_view method);

// An ordered list of "name=value" items (query, form and cookie fields).
class TFields {
 public:
  TFields() = default;
  explicit TFields(std::vector<std::string> items) : FItems(std::move(items)) {}

  size_t Count() const { return FItems.size(); }
  // The whole item, "name=value".
  const std::string& Strings(size_t index) const { return FItems.at(index); }
  // The part before the first "=" (the whole item when it has none).
  std::string Names(size_t index) const;
  // The part after the first "=" (empty when it has none).
  std::string ValueFromIndex(size_t index) const;
  // The value of the first item whose name equals `name` (ASCII case
  // ignored); empty when there is none.
  std::string Values(std::string_view name) const;
  // Index of the first item named `name` (ASCII case ignored), or -1.
  int IndexOfName(std::string_view name) const;
  const std::vector<std::string>& Items() const { return FItems; }

 private:
  std::vector<std::string> FItems;
};

// Everything the listener learnt about one request; filled by the listener,
// read through TWebRequest.
struct THttpRequestData {
  std::string Method;           // after the override, upper case
  std::string ProtocolVersion;  // e.g. "HTTP/1.1"
  int VersionMajor = -1;
  int VersionMinor = -1;
  std::string RawURI;       // as on the request line
  std::string RawPath;      // the URI before the first "?", not decoded
  std::string Query;        // after the first "?", not decoded
  std::string PathInfo;     // decoded document path, system code page
  std::u16string PathInfoW; // the same, as Unicode text (nothing lost)
  std::vector<std::pair<std::string, std::string>> Headers;  // in arrival order
  std::string Host;         // Host header, or the host of an absolute URI
  std::string RemoteAddr;   // peer address (see TWebRequest::RemoteAddr)
  uint16_t LocalPort = 0;   // port the connection arrived on
  bool HasBody = false;     // the request carried a body (possibly empty)
  bool FormBody = false;    // the body was form-encoded and decoded to FormText
  std::string Body;         // body bytes (released when form-encoded)
  std::u16string FormText;  // form-encoded body decoded in the request charset
  std::string AuthUserName; // Basic authorization
  std::string AuthPassword;
  std::vector<std::string> Cookies;  // "name=value", in order
};

class TWebRequest {
 public:
  explicit TWebRequest(THttpRequestData data);
  TWebRequest(const TWebRequest&) = delete;
  TWebRequest& operator=(const TWebRequest&) = delete;

  // Properties by index: 0 Method, 1 ProtocolVersion, 2 URL, 3 Query,
  // 4 PathInfo, 5 PathTranslated, 6 CacheControl, 7 Date, 8 Accept, 9 From,
  // 10 Host, 11 IfModifiedSince, 12 Referer, 13 UserAgent, 14 ContentEncoding,
  // 15 ContentType, 16 ContentLength, 17 ContentVersion, 18 DerivedFrom,
  // 19 Expires, 20 Title, 21 RemoteAddr, 22 RemoteHost, 23 ScriptName,
  // 24 ServerPort, 25 Content, 26 Connection, 27 Cookie, 28 Authorization;
  // any other index is empty.
  std::string GetStringVariable(int index) const;
  // The text of the property converted to an integer; -1 when not a number.
  int64_t GetIntegerVariable(int index) const;
  // The text of the property parsed as an HTTP date (local time); -1 when
  // empty or not a date.
  TDateTime GetDateVariable(int index) const;

  // A request header by name (ASCII case ignored); empty when absent.
  std::string GetFieldByName(std::string_view name) const;

  std::string Method() const { return FData.Method; }
  TMethodType MethodType() const { return FMethodType; }
  std::string ProtocolVersion() const { return FData.ProtocolVersion; }
  std::string URL() const { return {}; }
  std::string Query() const { return FData.Query; }
  std::string PathInfo() const { return FData.PathInfo; }
  std::string InternalPathInfo() const { return FData.PathInfo; }
  // The decoded path as Unicode text, for callers that must not lose the
  // characters the 8-bit code page cannot hold.
  const std::u16string& PathInfoW() const { return FData.PathInfoW; }
  // The path exactly as received: before the first "?", not decoded.
  const std::string& RawPath() const { return FData.RawPath; }
  std::string ScriptName() const { return {}; }
  std::string InternalScriptName() const { return {}; }
  std::string Host() const;          // Host header up to its first ":"
  int64_t ServerPort() const;        // port after ":" in Host, else local port
  std::string RemoteAddr() const { return FData.RemoteAddr; }
  std::string Accept() const { return GetFieldByName("Accept"); }
  std::string UserAgent() const { return GetFieldByName("User-Agent"); }
  std::string Authorization() const { return GetFieldByName("Authorization"); }
  // Content-Type without its charset parameter.
  std::string ContentType() const;
  // The charset parameter of Content-Type; empty when none.
  std::string ContentCharset() const;
  int64_t ContentLength() const { return static_cast<int64_t>(FContent.size()); }
  // The whole content as bytes / 8-bit text: the body unchanged; for a
  // form-encoded body its decoded text in the system code page; the query
  // text when that is empty or there is no body.
  const std::string& Content() const { return FContent; }
  // Reads up to `count` further bytes of the content (from a cursor of its
  // own, so Content() is unaffected); a negative count reads nothing.
  int ReadClient(char* buffer, int count);
  std::string ReadString(int count);

  // Query text split at "&" and decoded; raises on a malformed escape.
  const TFields& QueryFields() const;
  // Fields of a form-encoded content, decoded the same way.
  const TFields& ContentFields() const;
  // One "name=value" item per request cookie.
  const TFields& CookieFields() const { return FCookieFields; }

  // Basic authorization; empty without one.
  const std::string& AuthUserName() const { return FData.AuthUserName; }
  const std::string& AuthPassword() const { return FData.AuthPassword; }
  // The user whose credentials the REST dispatcher's authentication manager
  // accepted for this request; empty when none did (or none is attached).
  const std::string& AuthenticatedUser() const { return FAuthenticatedUser; }
  void SetAuthenticatedUser(std::string userName) { FAuthenticatedUser = std::move(userName); }

  const THttpRequestData& Data() const { return FData; }

 private:
  THttpRequestData FData;
  TMethodType FMethodType;
  std::string FContent;
  size_t FReadPosition = 0;
  mutable bool FQueryParsed = false;
  mutable TFields FQueryFields;
  mutable bool FContentParsed = false;
  mutable TFields FContentFields;
  TFields FCookieFields;
  std::string FAuthenticatedUser;
};

// Splits `text` at "&" and decodes each item: "+" is a blank, "%XX" a byte,
// "%%" a percent sign. Raises on a malformed escape.
TFields DecodeUrlFields(std::string_view text);

}  // namespace fieldsync
