#include "tree/tree_merge_check.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "tree/tree_sql.h"

namespace tir::tree {
namespace {

struct Stored {
  std::string name;
  bool nameNull = false;
  int cl = 0;
  int cr = 0;
  int lev = 0;
};

// Parents and ordered children of a tree, the nodes to be added included.
struct Shape {
  std::unordered_map<int, int> parent;
  std::map<int, std::vector<int>> children;

  void Append(int id, int to) {
    parent[id] = to;
    children[to].push_back(id);
  }
  void Detach(int id) {
    auto& kids = children[parent.at(id)];
    kids.erase(std::find(kids.begin(), kids.end(), id));
  }
  // The children lists that are not empty, by parent.
  std::map<int, std::vector<int>> Order() const {
    std::map<int, std::vector<int>> order;
    for (const auto& [id, kids] : children) {
      if (!kids.empty()) order.emplace(id, kids);
    }
    return order;
  }
  bool InSubtree(int top, int node) const {
    for (auto it = parent.find(node); it != parent.end(); it = parent.find(it->second)) {
      if (it->first == top) return true;
    }
    return false;
  }
};

// Reads the tree into `shape` and `rows`; false unless it is one root whose bounds are the compact
// numbering of its nodes in bound order (the only form in which the outcome of a move is the
// order of the nodes alone).
bool ReadCompactTree(db::Query& q, const std::string& table, Shape& shape,
                     std::unordered_map<int, Stored>& rows, int& root) {
  detail::LoadTreeSql(q, "SELECT fId, fName, fcl, fcr, fclev FROM &paramTblName ORDER BY fcl, fId;",
                      table);
  q.Open();
  std::vector<int> order;
  for (; !q.Eof(); q.Next()) {
    if (q.FieldByIndex(2).IsNull() || q.FieldByIndex(3).IsNull() || q.FieldByIndex(4).IsNull()) {
      q.Close();
      return false;
    }
    const int id = q.FieldByIndex(0).AsInt32();
    Stored s{q.FieldByIndex(1).AsText(), q.FieldByIndex(1).IsNull(), q.FieldByIndex(2).AsInt32(),
             q.FieldByIndex(3).AsInt32(), q.FieldByIndex(4).AsInt32()};
    if (!rows.emplace(id, s).second) {
      q.Close();
      return false;
    }
    order.push_back(id);
  }
  q.Close();
  if (order.empty() || rows.at(order.front()).lev != 0) return false;
  root = order.front();
  // Walk the rows in bound order, giving each the bounds and level it has in a compact tree.
  int next = rows.at(root).cl;
  std::vector<int> open;
  for (const int id : order) {
    const Stored& s = rows.at(id);
    while (!open.empty() && rows.at(open.back()).cr < s.cl) {
      if (rows.at(open.back()).cr != next++) return false;
      open.pop_back();
    }
    if (open.empty() && id != root) return false;
    if (s.cl != next++ || s.lev != static_cast<int>(open.size())) return false;
    if (!open.empty()) shape.Append(id, open.back());
    open.push_back(id);
  }
  while (!open.empty()) {
    if (rows.at(open.back()).cr != next++) return false;
    open.pop_back();
  }
  return true;
}

}  // namespace

bool gTreeMovesChangeNothing(db::Query& aQuery, const std::string& aTable,
                             const std::vector<TMergeStep>& aSteps) {
  Shape moved;
  std::unordered_map<int, Stored> rows;
  int root = 0;
  if (!ReadCompactTree(aQuery, aTable, moved, rows, root)) return false;
  Shape added = moved;
  std::set<int> seen;
  for (const TMergeStep& step : aSteps) {
    const int parent = step.parent == 0 ? root : step.parent;
    if (!seen.insert(step.id).second || step.id == 0 || step.id == root) return false;
    if (parent != root && moved.parent.count(parent) == 0) return false;
    if (step.id < 0) {
      moved.Append(step.id, parent);
      added.Append(step.id, parent);
      continue;
    }
    const auto stored = rows.find(step.id);
    if (stored == rows.end() || stored->second.nameNull || stored->second.name != step.name)
      return false;
    if (moved.InSubtree(step.id, parent)) return false;
    moved.Detach(step.id);
    moved.Append(step.id, parent);
  }
  // Both ways end compact, so equal shapes give equal bounds and levels.
  return moved.Order() == added.Order();
}

}  // namespace tir::tree
