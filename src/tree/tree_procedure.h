#pragma once

#include <string>
#include <vector>

#include "db/query.h"
#include "tree/tree_types.h"

// The tree operations done by the stored procedures of an MS SQL Server base: each operation is one
// batch that runs the procedure with named parameters and selects its outputs. The procedures lock
// and change the table themselves.
namespace tir::tree::procedure {

int GetRootID(db::Query& aQuery, const std::string& aTable);
TFuncR AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId, const std::string& aName,
               int& aNewId);
TFuncR AddChildNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                    const std::string& aName, int& aNewId);
TFuncR DeleteNode(db::Query& aQuery, const std::string& aTable, int aId);
TFuncR DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId);
TFuncR UpdateNode(db::Query& aQuery, const std::string& aTable, int aId, const std::string& aName);
TFuncR UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                      const std::string& aGuidText);
TFuncR ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                      TTreeInsertPos aPos);
TFuncR MoveSibling(db::Query& aQuery, const std::string& aTable, int aId, TTreeSiblingMoveDir aDir);
int FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                            const std::vector<std::string>& aSegments);

}  // namespace tir::tree::procedure
