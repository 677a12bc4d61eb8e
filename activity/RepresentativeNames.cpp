#include "activity/RepresentativeNames.h"

#include <algorithm>
#include <exception>

namespace fieldsync {

namespace {

int64_t NowUnixUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

const TRepresentative* TRepresentativeList::Find(int32_t id) const {
  const auto it = std::lower_bound(Rows.begin(), Rows.end(), id,
                                   [](const TRepresentative& row, int32_t value) { return row.Id < value; });
  return it != Rows.end() && it->Id == id ? &*it : nullptr;
}

TRepresentativeNames::~TRepresentativeNames() { Stop(); }

void TRepresentativeNames::Start(TSource source, std::chrono::milliseconds interval) {
  FThread = std::thread([this, source = std::move(source), interval] { Run(source, interval); });
}

void TRepresentativeNames::Stop() {
  {
    TMutexLock lock(FLock);
    FStopping = true;
  }
  FWake.notify_all();
  if (FThread.joinable()) FThread.join();
}

void TRepresentativeNames::Run(TSource source, std::chrono::milliseconds interval) {
  TUniqueLock lock(FLock);
  while (!FStopping) {
    lock.Unlock();
    try {
      std::vector<TRepresentative> rows = source();
      Set(std::move(rows), NowUnixUs());
    } catch (const std::exception& e) {
      SetError(e.what());
    }
    lock.Lock();
    FWake.wait_for(lock.Native(), interval, [this] {
      FLock.AssertHeld();
      return FStopping;
    });
  }
}

TRepresentativeList TRepresentativeNames::Current() const {
  TMutexLock lock(FLock);
  return FList;
}

void TRepresentativeNames::Set(std::vector<TRepresentative> rows, int64_t readUnixUs) {
  std::sort(rows.begin(), rows.end(), [](const TRepresentative& a, const TRepresentative& b) { return a.Id < b.Id; });
  TMutexLock lock(FLock);
  FList.Rows = std::move(rows);
  FList.ReadUnixUs = readUnixUs;
  FList.Error.clear();
}

void TRepresentativeNames::SetError(std::string message) {
  TMutexLock lock(FLock);
  FList.Error = std::move(message);
}

TRepresentativeNames& RepresentativeNames() {
  static TRepresentativeNames names;
  return names;
}

}  // namespace fieldsync
