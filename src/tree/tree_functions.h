#pragma once

#include <string>

#include "db/query.h"
#include "tree/tree_types.h"

// Operations on a catalog group tree stored as a nested set (columns fId, fcl, fcr, fclev, fName,
// fGUID1, fGUID2). On MS SQL Server each operation calls the base's stored procedure; on any other
// base it changes the table itself with portable SQL. Every operation closes aQuery, replaces its
// text and parameters and leaves it closed; results are reported in TFuncR rather than raised.
namespace tir::tree {

// Id of the tree's root, created when the table has none (0 when it cannot be had). Portable-form
// database errors propagate as tir::db::DbError; procedure-form errors give 0.
int gTreeFunc_GetRootID(db::Query& aQuery, const std::string& aTable);

// Adds a group right after aAfterId among its siblings; without a usable aAfterId the group becomes
// the root's last child.
TFuncR gTreeFunc_AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId,
                         const std::string& aName, int& aNewId);

// Adds a group as the last child of aParentId (of the root when aParentId < 1). aBaseType is the
// host's base-kind flag; the connection decides the form instead.
TFuncR gTreeFunc_AddChieldNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                               const std::string& aName, int& aNewId, int aBaseType = 0);

// Deletes one leaf group.
TFuncR gTreeFunc_DeleteNode(db::Query& aQuery, const std::string& aTable, int aId);

// Deletes a group with all its descendants.
TFuncR gTreeFunc_DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId);

// Renames a group.
TFuncR gTreeFunc_UpdateNode(db::Query& aQuery, const std::string& aTable, int aId,
                            const std::string& aName);

// Gives a group the GUID of the 36-character text aGuidText.
TFuncR gTreeFunc_UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                                const std::string& aGuidText);

// Moves a group with its subtree under aNewParentId (the root when < 1), as first or last child.
TFuncR gTreeFunc_ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId,
                                int aNewParentId, TTreeInsertPos aPos);

// gTreeFunc_ChangeParentEx with tipLastChild.
TFuncR gTreeFunc_ChangeParent(db::Query& aQuery, const std::string& aTable, int aId,
                              int aNewParentId);

// Swaps a group with its previous (smdUp) or next (smdDown) sibling.
TFuncR gTreeFunc_MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                             TTreeSiblingMoveDir aDir);

// Id of the group at a '\' or '/' separated path of names below the root, creating missing groups;
// the root for a path without names, 0 on failure.
int gTreeFunc_FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                                      const std::string& aPath);

}  // namespace tir::tree
