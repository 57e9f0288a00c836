#pragma once

#include <string>
#include <vector>

namespace tir::tree {

// One row of a tree table as the repair sees it.
struct TNodeInfo {
  int Id = 0;
  std::string Name;
  int OldCl = 0;
  int OldCr = 0;
  int OldLev = 0;
  bool ValidInterval = false;  // fcl >= 1, fcr >= 1 and fcl < fcr as read
  int ParentId = 0;            // chosen parent, 0 = none yet
  int NewCl = 0;
  int NewCr = 0;
  int NewLev = 0;
};

// A row as read: ValidInterval follows from the bounds.
TNodeInfo MakeNodeInfo(int aId, std::string aName, int aCl, int aCr, int aLev);

// True when the rows already form a sound nested set: bounds positive and ordered, levels not
// negative, the 2N bounds distinct and exactly 1 … 2N, one row spanning them all, and every row
// properly inside its enclosing row at the depth its level says.
bool IsSoundNestedSet(const std::vector<TNodeInfo>& aNodes);

// Counts of a computed repair.
struct TRepairCounts {
  int Kept = 0;   // rows that kept the parent their old interval nests them in
  int Moved = 0;  // rows put directly under the root
};

// Computes NewCl, NewCr, NewLev (and ParentId) of every row so that the rows form a sound tree
// under the row aRootId, which must be among them. Rows whose interval is valid and shared with no
// other valid row keep the nesting of their intervals where it is proper; all others go under the
// root. Siblings are ordered by old left bound (unplaced rows last), then by name ignoring case,
// then id.
TRepairCounts PlanTreeRepair(std::vector<TNodeInfo>& aNodes, int aRootId);

}  // namespace tir::tree
