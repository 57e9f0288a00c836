#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"
#include "host/demo/demo_random.h"

namespace tir::demo {

// One group of a catalog tree; `parent` is the index of the parent node in the same list, or -1
// for a group directly under the root. Parents come before their children.
struct GroupNode {
  std::string name;
  int parent = -1;
};

// Writes `nodes` under the existing root row of the nested-set table `table` and renumbers the
// root so that the whole tree is sound (fcl/fcr 1 … 2N, levels from the root). Children keep the
// order of the list. Returns the fId of each node. Most nodes get a random GUID; a share of about
// `noGuidShare` keeps (0, 0).
std::vector<std::int64_t> WriteGroupTree(tir::db::Connection& connection, const std::string& table,
                                         const std::vector<GroupNode>& nodes, DemoRandom& random,
                                         double noGuidShare);

}  // namespace tir::demo
