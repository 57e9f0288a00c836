#pragma once

namespace tir::db {
class Connection;
}

namespace tir::exchange {

// For its lifetime the base is the host's connection, as the module expects it when it posts the
// documents it imports (state changes are logged through the host's callbacks).
class THostScope {
 public:
  explicit THostScope(db::Connection& pConnection);
  ~THostScope();
  THostScope(const THostScope&) = delete;
  THostScope& operator=(const THostScope&) = delete;
};

}  // namespace tir::exchange
