#include "tree/tree_repair_plan.h"

#include <algorithm>
#include <unordered_map>

#include "db/unicode_case.h"

namespace tir::tree {
namespace {

// Sort key of a child whose old interval is not trusted: after every trusted sibling.
constexpr int kUnplacedKey = 1073741823;

}  // namespace

TNodeInfo MakeNodeInfo(int aId, std::string aName, int aCl, int aCr, int aLev) {
  TNodeInfo node;
  node.Id = aId;
  node.Name = std::move(aName);
  node.OldCl = aCl;
  node.OldCr = aCr;
  node.OldLev = aLev;
  node.ValidInterval = aCl >= 1 && aCr >= 1 && aCl < aCr;
  return node;
}

bool IsSoundNestedSet(const std::vector<TNodeInfo>& aNodes) {
  if (aNodes.empty()) return false;
  std::vector<long long> bounds;
  bounds.reserve(aNodes.size() * 2);
  for (const TNodeInfo& n : aNodes) {
    if (n.OldCl < 1 || n.OldCr < 1 || n.OldCl >= n.OldCr || n.OldLev < 0) return false;
    bounds.push_back(n.OldCl);
    bounds.push_back(n.OldCr);
  }
  std::sort(bounds.begin(), bounds.end());
  if (std::adjacent_find(bounds.begin(), bounds.end()) != bounds.end()) return false;
  const long long lo = bounds.front();
  const long long hi = bounds.back();
  // Stricter than "span max - min + 1": a whole tree that does not start at 1 is repaired too, so
  // that the integrity check (which wants 1 … 2N) passes after every successful repair.
  if (lo != 1 || hi - lo + 1 != static_cast<long long>(bounds.size())) return false;
  const auto spanning = std::count_if(aNodes.begin(), aNodes.end(), [&](const TNodeInfo& n) {
    return n.OldCl == lo && n.OldCr == hi;
  });
  if (spanning != 1) return false;

  std::vector<const TNodeInfo*> order;
  order.reserve(aNodes.size());
  for (const TNodeInfo& n : aNodes) order.push_back(&n);
  std::sort(order.begin(), order.end(),
            [](const TNodeInfo* a, const TNodeInfo* b) { return a->OldCl < b->OldCl; });
  std::vector<const TNodeInfo*> stack;
  for (const TNodeInfo* n : order) {
    while (!stack.empty() && stack.back()->OldCr < n->OldCl) stack.pop_back();
    if (!stack.empty() && n->OldCr > stack.back()->OldCr) return false;
    if (static_cast<int>(stack.size()) != n->OldLev) return false;
    stack.push_back(n);
  }
  return true;
}

TRepairCounts PlanTreeRepair(std::vector<TNodeInfo>& aNodes, int aRootId) {
  TRepairCounts counts;
  std::unordered_map<int, std::size_t> posById;
  posById.reserve(aNodes.size() * 2);
  for (std::size_t i = 0; i < aNodes.size(); ++i) {
    aNodes[i].ParentId = 0;
    posById[aNodes[i].Id] = i;
  }

  // A bound shared by two intervals means at least one of them is wrong: trust neither. The root
  // counts too: a root just created sits at 1, 2, so an old top row starting at 1 loses its place.
  std::unordered_map<int, int> boundUse;
  boundUse.reserve(aNodes.size() * 4);
  for (const TNodeInfo& n : aNodes) {
    if (!n.ValidInterval) continue;
    ++boundUse[n.OldCl];
    ++boundUse[n.OldCr];
  }
  for (TNodeInfo& n : aNodes) {
    if (n.ValidInterval && (boundUse[n.OldCl] > 1 || boundUse[n.OldCr] > 1)) {
      n.ValidInterval = false;
    }
  }

  std::vector<std::size_t> candidates;
  candidates.reserve(aNodes.size());
  for (std::size_t i = 0; i < aNodes.size(); ++i) {
    if (aNodes[i].Id != aRootId && aNodes[i].ValidInterval) candidates.push_back(i);
  }
  std::sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) {
    if (aNodes[a].OldCl != aNodes[b].OldCl) return aNodes[a].OldCl < aNodes[b].OldCl;
    return aNodes[a].Id < aNodes[b].Id;
  });

  // Nesting pass: each candidate goes under the innermost open interval that strictly holds it.
  std::vector<std::size_t> stack;
  for (const std::size_t xi : candidates) {
    TNodeInfo& x = aNodes[xi];
    while (!stack.empty() && x.OldCl > aNodes[stack.back()].OldCr) stack.pop_back();
    while (!stack.empty() && x.OldCr > aNodes[stack.back()].OldCr) stack.pop_back();
    if (stack.empty()) {
      x.ParentId = aRootId;
      ++counts.Moved;
    } else {
      const TNodeInfo& top = aNodes[stack.back()];
      if (top.OldCl < x.OldCl && x.OldCr < top.OldCr) {
        x.ParentId = top.Id;
        ++counts.Kept;
      } else {
        x.ParentId = aRootId;
        ++counts.Moved;
      }
    }
    stack.push_back(xi);
  }
  for (TNodeInfo& n : aNodes) {
    if (n.Id != aRootId && n.ParentId == 0) {
      n.ParentId = aRootId;
      ++counts.Moved;
    }
  }

  std::unordered_map<int, std::vector<int>> children;
  children.reserve(aNodes.size());
  for (const TNodeInfo& n : aNodes) {
    if (n.Id != aRootId) children[n.ParentId].push_back(n.Id);
  }

  // Sibling order: trusted rows by old left bound, the others after them by name, then by id.
  std::unordered_map<int, std::string> upperNames;
  auto upperName = [&](int id) -> const std::string& {
    auto it = upperNames.find(id);
    if (it == upperNames.end()) {
      it = upperNames.emplace(id, db::UnicodeUpper(aNodes[posById.at(id)].Name)).first;
    }
    return it->second;
  };
  auto key = [&](int id) {
    const TNodeInfo& n = aNodes[posById.at(id)];
    return n.ValidInterval ? n.OldCl : kUnplacedKey;
  };
  for (auto& [parent, list] : children) {
    std::sort(list.begin(), list.end(), [&](int a, int b) {
      const int ka = key(a);
      const int kb = key(b);
      if (ka != kb) return ka < kb;
      if (ka == kUnplacedKey) {
        const int byName = upperName(a).compare(upperName(b));
        if (byName != 0) return byName < 0;
      }
      return a < b;
    });
  }

  // Depth-first renumbering without recursion: a frame is a node and the next child to visit.
  int counter = 1;
  struct Frame {
    std::size_t pos;
    std::size_t nextChild;
  };
  std::vector<Frame> frames;
  const std::vector<int> noChildren;
  auto childrenOf = [&](int id) -> const std::vector<int>& {
    const auto it = children.find(id);
    return it == children.end() ? noChildren : it->second;
  };
  const std::size_t rootPos = posById.at(aRootId);
  aNodes[rootPos].ParentId = 0;
  aNodes[rootPos].NewLev = 0;
  aNodes[rootPos].NewCl = counter++;
  frames.push_back({rootPos, 0});
  while (!frames.empty()) {
    Frame& frame = frames.back();
    TNodeInfo& node = aNodes[frame.pos];
    const std::vector<int>& kids = childrenOf(node.Id);
    if (frame.nextChild < kids.size()) {
      const std::size_t childPos = posById.at(kids[frame.nextChild++]);
      TNodeInfo& child = aNodes[childPos];
      child.NewLev = static_cast<int>(frames.size());
      child.NewCl = counter++;
      frames.push_back({childPos, 0});
    } else {
      node.NewCr = counter++;
      frames.pop_back();
    }
  }
  return counts;
}

}  // namespace tir::tree
