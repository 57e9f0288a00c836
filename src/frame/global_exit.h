#pragma once

#include <mutex>

namespace tir::transport {

// The cancellation flag that long exports and imports consult through a pointer (mPtr_ExitNow).
// The flag is read and written under its own lock, so another thread may set it. It lives with
// the module's shared state; its namespace stays the one the exporters and loaders name it by.
class TMDGlobalExitNow {
 public:
  TMDGlobalExitNow() = default;
  TMDGlobalExitNow(const TMDGlobalExitNow&) = delete;
  TMDGlobalExitNow& operator=(const TMDGlobalExitNow&) = delete;

  void SetExitNOW(bool aValue);
  bool ifExitNOW() const;

 private:
  mutable std::mutex mCS;
  bool mExitNow = false;
};

// True when the flag exists and is set; a null pointer never stops anything.
bool ExitRequested(const TMDGlobalExitNow* aPtr_ExitNow);

}  // namespace tir::transport
