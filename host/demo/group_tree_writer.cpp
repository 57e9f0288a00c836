#include "host/demo/group_tree_writer.h"

#include <stdexcept>
#include <tuple>

#include "db/query.h"
#include "host/demo/row_writer.h"

namespace tir::demo {

using tir::db::Value;

std::vector<std::int64_t> WriteGroupTree(tir::db::Connection& connection, const std::string& table,
                                         const std::vector<GroupNode>& nodes, DemoRandom& random,
                                         double noGuidShare) {
  tir::db::Query query(connection);
  query.SetSql(
      "SELECT fId, (SELECT MAX(fId) FROM &T) AS maxId FROM &T WHERE fclev=0 ORDER BY fcl;");
  query.SetMacro("T", table);
  query.Open();
  if (query.Eof()) throw std::runtime_error(table + " has no root row");
  const std::int64_t rootId = query.FieldByName("fId").AsInt64();
  const std::int64_t firstId = query.FieldByName("maxId").AsInt64() + 1;
  query.Close();

  // Children lists in list order; index nodes.size() stands for the root.
  const std::size_t root = nodes.size();
  std::vector<std::vector<std::size_t>> children(nodes.size() + 1);
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const int parent = nodes[i].parent;
    if (parent >= static_cast<int>(i)) throw std::logic_error("group parent listed after child");
    children[parent < 0 ? root : static_cast<std::size_t>(parent)].push_back(i);
  }

  // Depth-first numbering without recursion (trees can be deep enough to matter).
  std::vector<std::int64_t> cl(nodes.size() + 1), cr(nodes.size() + 1), lev(nodes.size() + 1);
  struct Frame {
    std::size_t node, next;
  };
  std::vector<Frame> stack{{root, 0}};
  std::int64_t counter = 1;
  cl[root] = counter++;
  lev[root] = 0;
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next < children[top.node].size()) {
      const std::size_t child = children[top.node][top.next++];
      lev[child] = lev[top.node] + 1;
      cl[child] = counter++;
      stack.push_back({child, 0});
    } else {
      cr[top.node] = counter++;
      stack.pop_back();
    }
  }

  std::vector<std::int64_t> ids(nodes.size());
  RowWriter writer(connection, table, {"fId", "fName", "fcl", "fcr", "fclev", "fGUID1", "fGUID2"});
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    ids[i] = firstId + static_cast<std::int64_t>(i);
    std::int64_t g1 = 0, g2 = 0;
    if (!random.Chance(noGuidShare)) std::tie(g1, g2) = random.Guid();
    writer.Add({Value::Int64(ids[i]), Value::Text(nodes[i].name), Value::Int64(cl[i]),
                Value::Int64(cr[i]), Value::Int64(lev[i]), Value::Int64(g1), Value::Int64(g2)});
  }
  writer.Flush();

  const auto [g1, g2] = random.Guid();
  query.SetSql("UPDATE &T SET fcl=1, fcr=:r, fGUID1=:g1, fGUID2=:g2 WHERE fId=:id;");
  query.SetMacro("T", table);
  query.ParamByName("r").SetInt64(cr[root]);
  query.ParamByName("g1").SetInt64(g1);
  query.ParamByName("g2").SetInt64(g2);
  query.ParamByName("id").SetInt64(rootId);
  query.ExecSql();
  return ids;
}

}  // namespace tir::demo
