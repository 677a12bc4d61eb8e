#pragma once
// A session's cache of results: what calls made with "Accept:
// application/rest" left in the session instead of writing it into their
// answer, read back and deleted through /datasnap/cache/<id>/<command>/<parameter>.
// An item is one request's results: per executed command, the outputs that
// were cached, numbered 0, 1, ... in order. Item ids count up from 0 and are
// never reused within the session.
//
// Memory: a session may hold at most MaxSessionBytes of cached results and
// all sessions together at most MaxTotalBytes; a result that does not fit is
// refused with CacheFullMessage (nothing is evicted). What is cached stays
// until it is deleted or the session ends.
//
// Thread-safe: two requests of the same session may run at once; every
// member takes FLock. A cached output is handed out through a shared pointer,
// so a request reading it keeps it even if the item is deleted or the
// session ends meanwhile.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Mutex.h"
#include "json/JSONValue.h"
#include "rest/DSCachedTable.h"

namespace fieldsync {

// One cached output and where it came from.
struct TDSCachedParameter {
  std::string Name;  // the parameter's name ("ReturnParameter" for the result)
  size_t Position = 0;  // in the method's parameter list
  bool IsResult = false;
  int DataType = 0;
  std::unique_ptr<TDSCachedTable> Table;
};

class TDSSessionCache {
 public:
  static constexpr int64_t MaxSessionBytes = int64_t{128} << 20;
  static constexpr int64_t MaxTotalBytes = int64_t{1} << 30;
  static const std::string CacheFullMessage;

  explicit TDSSessionCache(int64_t maxBytes = MaxSessionBytes) : FMaxBytes(maxBytes) {}
  ~TDSSessionCache();
  TDSSessionCache(const TDSSessionCache&) = delete;
  TDSSessionCache& operator=(const TDSSessionCache&) = delete;

  // The bytes a new result may still take here: the smaller of what this
  // session and all sessions together have left.
  int64_t Room() const;
  // Bytes held by this session's cache, and by all sessions' caches.
  int64_t ByteSize() const;
  static int64_t TotalByteSize();

  // A new, empty item; returns its id.
  int AddItem();
  // Adds an output to `command` of item `id` and returns its parameter
  // index. Raises CacheFullMessage when it does not fit, and "There is no
  // cached item with ID: %d" when the item was deleted meanwhile.
  int AddParameter(int id, int command, std::shared_ptr<const TDSCachedParameter> parameter);

  // nullptr when the item, command or parameter does not exist.
  std::shared_ptr<const TDSCachedParameter> Parameter(int id, int command, int index) const;
  bool HasItem(int id) const;

  // {"<id>":<item description>,...} for every item.
  std::unique_ptr<TJSONObject> Listing() const;
  // {"commands":[{"parameters":[...]},...]}, or nullptr when there is no
  // such item.
  std::unique_ptr<TJSONObject> ItemDescription(int id) const;
  // {"parameters":[...]}, or nullptr when there is no such item or command.
  std::unique_ptr<TJSONObject> CommandDescription(int id, int command) const;

  void Remove(int id);
  void Clear();

 private:
  struct TItem {
    std::vector<std::vector<std::shared_ptr<const TDSCachedParameter>>> Commands;
    int64_t Bytes = 0;
  };
  static std::unique_ptr<TJSONObject> Describe(const std::vector<std::shared_ptr<const TDSCachedParameter>>& command);
  std::unique_ptr<TJSONObject> DescribeItem(const TItem& item) const REQUIRES(FLock);
  void Release(int64_t bytes) REQUIRES(FLock);

  const int64_t FMaxBytes;  // this session's share
  mutable TMutex FLock;
  std::map<int, TItem> FItems GUARDED_BY(FLock);
  int FNextId GUARDED_BY(FLock) = 0;
  int64_t FBytes GUARDED_BY(FLock) = 0;
};

}  // namespace fieldsync
