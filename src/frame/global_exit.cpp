#include "frame/global_exit.h"

namespace tir::transport {

void TMDGlobalExitNow::SetExitNOW(bool aValue) {
  std::lock_guard<std::mutex> lock(mCS);
  mExitNow = aValue;
}

bool TMDGlobalExitNow::ifExitNOW() const {
  std::lock_guard<std::mutex> lock(mCS);
  return mExitNow;
}

bool ExitRequested(const TMDGlobalExitNow* aPtr_ExitNow) {
  return aPtr_ExitNow != nullptr && aPtr_ExitNow->ifExitNOW();
}

}  // namespace tir::transport
