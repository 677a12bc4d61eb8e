#pragma once
// The record of one request as the service saw it: who called, what was
// called, how it ended and how long it took.
//
// The bridge between a connection and its web module opens a record when
// the request arrives, makes it the calling thread's current record, and
// hands it on when the answer has gone (Activity.h). The REST layer adds
// the session, the server method and the method's outcome through the
// current record. Every field has a fixed size (text is cut at a UTF-8
// character boundary), so filling a record allocates nothing and a list of
// records has a fixed size in memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "activity/SyncKinds.h"

namespace fieldsync {

// Text of at most N - 1 bytes, stored in place.
template <size_t N>
class TRecordText {
 public:
  // Keeps as much of `text` as fits, never half a UTF-8 character.
  void Assign(std::string_view text) {
    size_t length = text.size() < N ? text.size() : N - 1;
    if (length < text.size())
      while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text.copy(FText, length);
    FLength = static_cast<uint16_t>(length);
  }
  std::string_view View() const { return {FText, FLength}; }
  std::string Str() const { return std::string(View()); }
  bool Empty() const { return FLength == 0; }

 private:
  uint16_t FLength = 0;
  char FText[N - 1] = {};
};

// Whether a write method answered true or false; None for every other call.
enum class TWriteResult : uint8_t { None, True, False };

struct TRequestRecord {
  int64_t StartUnixUs = 0;   // arrival, microseconds since 01/01/1970 UTC
  int64_t DurationUs = 0;    // from arrival until the answer was written
  int32_t Status = 0;        // the answer's status; 0: the connection was lost
  int64_t BytesSent = 0;     // body bytes of the answer
  uint32_t ArgumentCount = 0;
  uint64_t ArgumentBytes = 0;  // path arguments and body
  TWriteResult WriteResult = TWriteResult::None;
  bool MethodResolved = false;  // MethodName names a published server method
  bool WriteMethod = false;     // the method answers true or false
  std::optional<TDownloadKind> Download;  // the kind of download the method is, from its registration row
  bool Forwarded = false;       // came through a proxy on this machine
  bool Unlisted = false;        // the operator's own pages: counted, not listed
  TRecordText<48> RemoteAddr;   // the caller (behind a local proxy: the proxy's client)
  TRecordText<8> HttpMethod;
  TRecordText<80> Path;
  TRecordText<32> SessionId;
  TRecordText<32> UserName;     // the logged-in user; empty without a login
  TRecordText<48> MethodName;   // as published, or as asked when unknown
  TRecordText<224> ErrorText;   // the `Erro` text of a write, or the error answer's message

  // Whom the call was for, from its arguments (the sync-activity page's rows).
  TRecordText<32> Representative;  // an `IDRepresentante` as digits, or the text of `Representante`
  uint64_t UploadKey = 0;          // a write's identifying arguments, hashed (SyncKinds.h); 0: none
};

// The calling thread's current record; null outside a recorded request.
TRequestRecord* CurrentRequestRecord();

// Makes `record` the thread's current record for the scope's life.
class TCurrentRequestRecord {
 public:
  explicit TCurrentRequestRecord(TRequestRecord& record);
  ~TCurrentRequestRecord();
  TCurrentRequestRecord(const TCurrentRequestRecord&) = delete;
  TCurrentRequestRecord& operator=(const TCurrentRequestRecord&) = delete;

 private:
  TRequestRecord* FPrevious;
};

}  // namespace fieldsync
