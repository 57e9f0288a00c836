#pragma once

#include <string>
#include <vector>

#include "db/query.h"
#include "tree/tree_types.h"

// The tree operations done with portable SQL by the module itself (SQLite and any base without the
// tree procedures). No transaction is opened here: statements run in the caller's transaction when
// there is one, otherwise each commits by itself.
namespace tir::tree::portable {

int GetRootID(db::Query& aQuery, const std::string& aTable);
TFuncR AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId, const std::string& aName,
               int& aNewId);
TFuncR AddChildNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                    const std::string& aName, int& aNewId);
TFuncR DeleteNode(db::Query& aQuery, const std::string& aTable, int aId);
TFuncR DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId);
TFuncR UpdateNode(db::Query& aQuery, const std::string& aTable, int aId, const std::string& aName);
// aGuidText has 36 characters already; a text that is not a GUID ends as an error result.
TFuncR UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                      const std::string& aGuidText);
TFuncR ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                      TTreeInsertPos aPos);
TFuncR MoveSibling(db::Query& aQuery, const std::string& aTable, int aId, TTreeSiblingMoveDir aDir);
int FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                            const std::vector<std::string>& aSegments);

}  // namespace tir::tree::portable
