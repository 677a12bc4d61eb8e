#pragma once
// The representatives as the ERP lists them (REPRESENTANTE): id, name,
// whether the row is marked deleted and whether it belongs to the branch
// this service serves. The sync-activity page names its rows from here and
// lists who has not synced today.
//
// Read once a minute on a thread of its own, never by a request: a request
// only copies the list read last. Thread-safe: the list is guarded by FLock.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/Mutex.h"

namespace fieldsync {

struct TRepresentative {
  int32_t Id = 0;
  std::string Name;       // UTF-8
  bool Deleted = false;   // EXCLUIDO is not null
  bool OfBranch = false;  // IDFILIAL is the service's branch, or null
};

struct TRepresentativeList {
  std::vector<TRepresentative> Rows;  // by id
  int64_t ReadUnixUs = 0;             // the last successful read; 0: none yet
  std::string Error;                  // why the last read failed; empty when it succeeded

  // The row of `id`; null when the ERP has none.
  const TRepresentative* Find(int32_t id) const;
};

class TRepresentativeNames {
 public:
  // Reads the rows; raises when it cannot.
  using TSource = std::function<std::vector<TRepresentative>()>;
  static constexpr std::chrono::milliseconds ReadInterval{60000};

  TRepresentativeNames() = default;
  ~TRepresentativeNames();  // stops the reading
  TRepresentativeNames(const TRepresentativeNames&) = delete;
  TRepresentativeNames& operator=(const TRepresentativeNames&) = delete;

  // Reads with `source` at once and then every `interval`, on a thread of
  // its own, until Stop. A failed read keeps the rows read before and notes
  // its message. Call once.
  void Start(TSource source, std::chrono::milliseconds interval = ReadInterval);
  // Ends the reading; a read under way is finished first.
  void Stop();

  // The list read last.
  TRepresentativeList Current() const;
  // Takes a list as a read would (the reading thread; tests).
  void Set(std::vector<TRepresentative> rows, int64_t readUnixUs);
  void SetError(std::string message);

 private:
  void Run(TSource source, std::chrono::milliseconds interval);

  mutable TMutex FLock;
  TRepresentativeList FList GUARDED_BY(FLock);
  bool FStopping GUARDED_BY(FLock) = false;
  std::condition_variable FWake;
  std::thread FThread;
};

// The program's list of representatives (not read until started).
TRepresentativeNames& RepresentativeNames();

}  // namespace fieldsync
