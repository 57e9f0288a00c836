#include "export/user_lists.h"

#include "frame/app_globals.h"

namespace tir::exporting {

std::string EntIdsOrUsers(const std::string& aEntIds) {
  return aEntIds.empty() ? frame::AppParamText(&frame::TU6MenuParams::fUserEntId) : aEntIds;
}

std::string StoreIdsOrUsers(const std::string& aStoreIds) {
  return aStoreIds.empty() ? frame::AppParamText(&frame::TU6MenuParams::fUserStoreId) : aStoreIds;
}

}  // namespace tir::exporting
