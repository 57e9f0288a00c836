#pragma once

// The entity and store lists of the exchange windows, without any widget: the rows offered, the
// id-list text a profile keeps, and whether a row counts as checked.

#include <cstdint>
#include <string>
#include <vector>

namespace tir::db {
class Connection;
}

namespace tir::ui {

struct TCheckRow {
  std::int64_t id = 0;
  std::string name;  // every ',' replaced by ';'
};

// "SELECT * FROM <aTable> WHERE (1=1) " + the user's id list when he has one + " ORDER BY fName;".
// aUserIds is the host's list (fUserStoreId / fUserEntId); a list that is not a plain id list
// offers nothing rather than pasting it into the text. Raises db::DbError.
std::vector<TCheckRow> LoadCheckRows(db::Connection& aConnection, const std::string& aTable,
                                     const std::string& aUserIds);

// "-1", then "," and each id, then ",-1": "-1,5,9,-1"; "-1,-1" for none.
std::string IdListText(const std::vector<std::int64_t>& aCheckedIds);

// True when aList is empty or contains "," + aId + ",".
bool IdListHas(const std::string& aList, std::int64_t aId);

}  // namespace tir::ui
