#pragma once

#include <string>

#include "db/query.h"
#include "tree/tree_types.h"

namespace tir::tree {

// Rebuilds fcl, fcr and fclev of every row of a tree table under the write lock so that the tree is
// sound again, keeping the nesting that can be trusted and putting every doubtful row directly
// under the root row named aRootName (created when missing). Names, GUIDs and rows are never
// changed or removed. Code 0 on success or when the tree needed nothing; 2 when no root can be had;
// 99 on a database error (the repair's own transaction is rolled back).
TFuncR gTreeFunc_RepairSafeSmart(db::Query& aQuery, const std::string& aTable,
                                 const std::string& aRootName);

}  // namespace tir::tree
