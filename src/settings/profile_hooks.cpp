#include "settings/profile_hooks.h"

#include <utility>

namespace tir {

namespace {
TGUIDBaseFunc& GUIDBaseFunc() {
  static TGUIDBaseFunc func;
  return func;
}
TDataExOutSaveFileFunc& SaveFileFunc() {
  static TDataExOutSaveFileFunc func;
  return func;
}
}  // namespace

void SetGUIDBaseFunc(TGUIDBaseFunc aFunc) { GUIDBaseFunc() = std::move(aFunc); }

std::string CallGUIDBaseFunc() { return GUIDBaseFunc() ? GUIDBaseFunc()() : std::string(); }

void SetDataExOutSaveFileFunc(TDataExOutSaveFileFunc aFunc) { SaveFileFunc() = std::move(aFunc); }

bool CallDataExOutSaveFileFunc(const TDataExOut& aProfile, double aFrom, double aTo) {
  return SaveFileFunc() ? SaveFileFunc()(aProfile, aFrom, aTo) : false;
}

}  // namespace tir
