#pragma once
// The two values that every service instance copies from the host window when
// it is created: the branch it works for and the overdue-days threshold.

#include <atomic>
#include <cstdint>

namespace fieldsync {

// Owned by the host window, which writes the values on its own thread; request
// threads read them without a lock when they create a TServerMethods1, so each
// is a single atomic 32-bit value (a reader sees the old or the new value).
struct THostValues {
  std::atomic<int32_t> IDFilial{0};
  std::atomic<int32_t> DiasEmAtraso{0};
};

}  // namespace fieldsync
