#pragma once
// Reads one HTTP/1.x request from a connection's bytes as they arrive: the
// request line and headers, then the body by length or by chunks. Holds no
// socket and never waits: the connection appends what it received and asks
// the reader to go as far as the bytes allow. Also the steps that turn the
// read request into what the web module sees.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/internal/HttpParsing.h"
#include "http/WebRequest.h"

namespace fieldsync {

// Ends the request with a status answer (400, 408, 411, 413, 414, 417,
// 431); a limit's answer carries its message as plain text, the others
// none.
struct THttpStatusAnswer {
  int Status;
  std::string Message = {};
};

class THttpRequestReader {
 public:
  // Limits on what a client sends, fixed. A request line over the line
  // length is answered 414, a header line over it or one header line too
  // many 431. The line length is the only bound on the request target:
  // handhelds send every argument in the path, so a long order note or
  // address must get through whole, however its path and arguments divide
  // the line.
  static constexpr size_t MaxHeaderLines = 1024;
  static constexpr size_t MaxLineLength = 16384;

  enum class TStep {
    NeedMore,  // the bytes so far do not go further
    HeadDone,  // request line and headers are read: call BeginBody next
    Complete,  // the body is read too
  };

  explicit THttpRequestReader(int64_t maxBodyBytes) : FMaxBody(maxBodyBytes) {}

  void Append(const char* bytes, size_t size);

  // Reads on as far as the bytes go. Raises Exception for a request line
  // without a blank or a chunked body's line over the maximum, and
  // THttpStatusAnswer for a request line over the maximum (414), a
  // header line over the maximum or too many of them (431), a chunk size
  // that is not hexadecimal (400) or a body over the maximum (413).
  TStep Advance();

  // Chooses how the body is read, from the headers: by chunks, by
  // Content-Length, or none. Raises THttpStatusAnswer 400 for an unknown
  // transfer encoding or a length that is not a number, 413 for a length
  // over the maximum. Returns true when there is no way to delimit a body
  // and the method may carry one, so that body bytes waiting on the
  // connection earn a 411.
  bool BeginBody();

  bool InHead() const { return FPhase == TPhase::RequestLine || FPhase == TPhase::Headers; }
  // Whether bytes arrived that the request did not consume.
  bool HasUnreadBytes() const { return FUnreadLeft || FPosition < FBuffer.size(); }
  // Releases the buffer of arrived bytes, keeping only whether some were
  // left unread.
  void ReleaseBuffer();

  const TRequestLine& Line() const { return FLine; }
  THttpRequestData& Data() { return FData; }

 private:
  enum class TPhase { RequestLine, Headers, HeadRead, Length, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };

  // One line without its line end, or nothing when it has not all arrived.
  std::optional<std::string> TakeLine();
  [[noreturn]] void LineTooLong() const;
  void TakeBodyBytes();

  int64_t FMaxBody;
  std::string FBuffer;
  size_t FPosition = 0;    // first unconsumed byte
  size_t FSearchFrom = 0;  // no line end before this
  bool FUnreadLeft = false;
  TPhase FPhase = TPhase::RequestLine;
  size_t FHeaderLines = 0;
  uint64_t FRemaining = 0;  // body or chunk bytes still to come
  TRequestLine FLine;
  THttpRequestData FData;
};

// Header lookups by name, ASCII case ignored.
std::string HeaderValue(const THttpRequestData& data, std::string_view name);
bool HasHeader(const THttpRequestData& data, std::string_view name);

// Method override, request target, Host; after the head is read.
void ApplyHead(THttpRequestData& data, const TRequestLine& line);
// Decodes a form-encoded body in its charset into the form text.
void DecodeFormBody(THttpRequestData& data);
void CollectCookies(THttpRequestData& data);
// Basic credentials; raises Exception for any other scheme.
void ReadAuthorization(THttpRequestData& data);
// Whether an "Expect" other than 100-continue (417) or a 100-continue whose
// announced length is over the maximum (413) refuses the request; 0 if not.
int RefusedExpectation(const THttpRequestData& data, int64_t maxBodyBytes);

}  // namespace fieldsync
