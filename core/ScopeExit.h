#pragma once
// Runs a clean-up when its scope ends, by return or by exception, unless
// Dismiss() was called first. Dismissed at the end of the work, it undoes
// what a failed piece of work left behind:
//
//   TScopeExit rollback([&]() noexcept { Rollback(tra); });
//   ... work that may throw ...
//   rollback.Dismiss();
//   Commit(tra);
//
// The clean-up runs while an exception may be on its way, so it must not
// throw: the compiler insists on a noexcept callable.

#include <type_traits>
#include <utility>

namespace fieldsync {

template <class TCleanUp>
class TScopeExit {
  static_assert(std::is_nothrow_invocable_v<TCleanUp&>, "a clean-up must be noexcept");

 public:
  explicit TScopeExit(TCleanUp cleanUp) : FCleanUp(std::move(cleanUp)) {}
  ~TScopeExit() {
    if (FArmed) FCleanUp();
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

  void Dismiss() noexcept { FArmed = false; }

 private:
  TCleanUp FCleanUp;
  bool FArmed = true;
};

}  // namespace fieldsync
