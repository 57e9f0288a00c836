#include "host/exchange/exchange_serve_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tir::exchange {

TServeLock::TServeLock(const std::string& pBaseFile) {
  mFd = ::open(pBaseFile.c_str(), O_RDONLY | O_CLOEXEC);
  mHeld = mFd >= 0 && ::flock(mFd, LOCK_EX | LOCK_NB) == 0;
}

TServeLock::~TServeLock() {
  if (mFd >= 0) ::close(mFd);
}

}  // namespace tir::exchange
