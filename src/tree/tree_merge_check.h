#pragma once

#include <string>
#include <vector>

#include "db/query.h"

namespace tir::tree {

// One group of a group tree as a load merges it, in text order: an existing node (its id) renamed
// to `name` and moved to the last child of `parent`, or a new node (a negative id of the load's
// own) added as the last child of `parent`. A parent is an existing id, a new node's negative id,
// or 0 for the root.
struct TMergeStep {
  int id = 0;
  int parent = 0;
  std::string name;
};

// True when renaming and moving the existing nodes of `steps` would leave `table` exactly as
// adding the new nodes alone leaves it (names, parents, sibling order, bounds and levels), so the
// renames and moves may be left out. False whenever that is not certain: a nested set with gaps
// or faults, a node met twice, a move that would fail, a parent that is not in the tree.
bool gTreeMovesChangeNothing(db::Query& aQuery, const std::string& aTable,
                             const std::vector<TMergeStep>& aSteps);

}  // namespace tir::tree
