#pragma once

#include <string>

namespace tir::exchange {

// Keeps a second service off the same base: an exclusive flock on the base file for the object's
// lifetime. flock locks do not touch the byte-range locks SQLite takes, but closing a descriptor
// of the file drops SQLite's locks of this process, so the object must outlive the connection.
class TServeLock {
 public:
  explicit TServeLock(const std::string& pBaseFile);
  ~TServeLock();
  TServeLock(const TServeLock&) = delete;
  TServeLock& operator=(const TServeLock&) = delete;

  bool Held() const { return mHeld; }

 private:
  int mFd = -1;
  bool mHeld = false;
};

}  // namespace tir::exchange
