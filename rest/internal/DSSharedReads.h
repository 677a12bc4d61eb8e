#pragma once
// One fetch for identical downloads. When many handhelds ask for the same
// list at the same moment (a morning at a branch), each would fetch, format
// and compress the same rows again. Instead, a read call that arrives while
// an identical one is being fetched joins it: it waits for that fetch and
// answers the same bytes (the same body buffers, held once in the answers'
// memory budget, and the same gzip bytes, compressed once).
//
// Identical: a GET of the same path after the REST context (class, method
// and arguments as sent) of a read method (IsReadMethod), without result
// filters, `json` or `Accept: application/rest`, under the same call context
// of its class (branch, overdue threshold, database settings). A call never
// joins a fetch that started before a write committed through this service:
// every call of a method that is not a read ends a generation (NoteWrite),
// and only fetches of the current generation are joined, so a handheld that
// has just uploaded sees its upload (the generation ends when the write call
// returns, before its answer is sent, so no read the writer makes afterwards
// can join a fetch older than its write).
//
// The joined calls keep everything else of their own: session, Pragma,
// activity record. FIELDSYNC_SHARE_READS=0 turns sharing off.
// Thread-safe: the registry of running fetches is guarded by its lock.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/Mutex.h"
#include "rest/DSHTTPView.h"
#include "rest/DSServer.h"

namespace fieldsync {

inline constexpr const char* ShareReadsVariable = "FIELDSYNC_SHARE_READS";

class TDSSharedReads {
 public:
  static TDSSharedReads& Process();

  // Fetches the answer of a GET call into `response` with `fetch`, or joins
  // an identical fetch running now and answers its bytes. `shareable` is
  // false for calls that can never share (filters, cached results). Calls
  // share only within one `scope`: a logged-in user whose rights limit
  // what it may call passes its name, so that it joins only fetches its own
  // rights let through; everyone else passes the empty scope.
  void Serve(const TDSServer& server, std::string_view remainder, bool shareable, TDSHTTPResponse& response,
             const std::function<void(TDSHTTPResponse&)>& fetch, std::string_view scope = {});

  // A call of a method that may write has ended (committed or not): fetches
  // running now are not joined any more.
  void NoteWrite();

  // Calls that joined another's fetch since the process started.
  uint64_t Joined();

  TDSSharedReads() = default;
  TDSSharedReads(const TDSSharedReads&) = delete;
  TDSSharedReads& operator=(const TDSSharedReads&) = delete;

 private:
  struct TFetch;
  // The key of a shareable call, or empty when the call does not share.
  std::string KeyOf(const TDSServer& server, std::string_view remainder) const;

  TMutex FLock;
  std::map<std::string, std::shared_ptr<TFetch>> FRunning GUARDED_BY(FLock);
  uint64_t FGeneration GUARDED_BY(FLock) = 0;
  uint64_t FJoined GUARDED_BY(FLock) = 0;
};

}  // namespace fieldsync
