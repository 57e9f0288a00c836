#pragma once

#include <string>

namespace tir::exporting {

// A profile's entity or store list, or the signed-in user's list from the host's application
// parameters (fUserEntId, fUserStoreId) when the profile's is empty.
std::string EntIdsOrUsers(const std::string& aEntIds);
std::string StoreIdsOrUsers(const std::string& aStoreIds);

}  // namespace tir::exporting
