#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/exchange_records.h"

namespace tir::db {
class Query;
}

namespace tir::import {

class TCatalogWriter;

// Per-user access lists in tirSettings: stores and entities (texts "0,id,id,"), sale points.
void gSetStoreEntIds(db::Query& q, std::int64_t pUserId, const std::string& pStores,
                     const std::string& pEntities);
void gGetStoreEntIds(db::Query& q, std::int64_t pUserId, std::string& pStores,
                     std::string& pEntities);
void gSetSalesPIds(db::Query& q, std::int64_t pUserId, const std::string& pSalePoints);
std::string gGetSalesPIds(db::Query& q, std::int64_t pUserId);

// Rights (fPType -26 of a user, -42 of a rights group) and the three access texts of a user.
struct TUserLists {
  static void ReadLists(db::Query& q, std::int64_t pUserId, std::string& pStores,
                        std::string& pEntities, std::string& pSalePoints);
  static std::vector<TUsersRights> Rights(TCatalogWriter& w, int pType, std::int64_t owner);
  // Keeps equal rights, removes rights no longer sent and adds the rest.
  static void SyncRights(TCatalogWriter& w, int pType, std::int64_t owner,
                         const std::vector<TUsersRights>& incoming);
  static std::int64_t LastId(TCatalogWriter& w);
};

}  // namespace tir::import
