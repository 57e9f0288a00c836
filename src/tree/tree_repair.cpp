#include "tree/tree_repair.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

#include "db/db_error.h"
#include "tree/tree_repair_plan.h"
#include "tree/tree_sql.h"
#include "tree/tree_write_lock.h"

namespace tir::tree {
namespace {

using detail::kShortTableMacro;
using detail::LoadTreeSql;

// A bound or level as read; empty when it is not a whole number that fits an int (damage the
// repair exists for: such a row loses its interval and goes under the root).
std::optional<int> ReadInt(const db::Field& f) {
  if (f.IsNull()) return 0;
  try {
    return f.AsInt32();
  } catch (const db::DbError&) {
    return std::nullopt;
  }
}

std::vector<TNodeInfo> LoadNodes(db::Query& q, const std::string& table) {
  LoadTreeSql(q, "SELECT fId, fcl, fcr, fclev, fName FROM &T;", table, kShortTableMacro);
  q.Open();
  std::vector<TNodeInfo> nodes;
  nodes.reserve(q.RecordCount());
  // Columns by position, in the order of the select: fId, fcl, fcr, fclev, fName.
  for (; !q.Eof(); q.Next()) {
    const std::optional<int> cl = ReadInt(q.FieldByIndex(1));
    const std::optional<int> cr = ReadInt(q.FieldByIndex(2));
    const std::optional<int> lev = ReadInt(q.FieldByIndex(3));
    TNodeInfo node = MakeNodeInfo(q.FieldByIndex(0).AsInt32(), q.FieldByIndex(4).AsText(),
                                  cl.value_or(0), cr.value_or(0), lev.value_or(-1));
    if (!cl || !cr || !lev) node.ValidInterval = false;
    nodes.push_back(std::move(node));
  }
  q.Close();
  return nodes;
}

// Id of the root row named aRootName (the smallest id when several), inserting one when none.
int FindOrCreateRoot(db::Query& q, const std::string& table, const std::string& rootName) {
  LoadTreeSql(q, "SELECT fId FROM &T WHERE fName = :nm ORDER BY fId;", table, kShortTableMacro);
  q.ParamByName("nm").SetText(rootName);
  q.Open();
  int rootId = q.Eof() ? 0 : q.FieldByName("fId").AsInt32();
  q.Close();
  if (rootId > 0) return rootId;

  LoadTreeSql(q, "INSERT INTO &T (fcl,fcr,fclev,fName,fGUID1,fGUID2) VALUES (1,2,0,:nm,0,0);",
              table, kShortTableMacro);
  q.ParamByName("nm").SetText(rootName);
  q.ExecSql();
  LoadTreeSql(q,
              "SELECT {IF MSSQL} TOP 1 {fi} fId FROM &T WHERE fName=:nm ORDER BY fId DESC {IF "
              "SQLite} LIMIT 1 {fi};",
              table, kShortTableMacro);
  q.ParamByName("nm").SetText(rootName);
  q.Open();
  rootId = q.Eof() ? 0 : q.FieldByName("fId").AsInt32();
  q.Close();
  return rootId;
}

// One UPDATE per row, prepared once and run over the array of new bounds.
void WriteNodes(db::Query& q, const std::string& table, const std::vector<TNodeInfo>& nodes) {
  if (nodes.empty()) return;
  LoadTreeSql(q, "UPDATE &T SET fcl=:cl, fcr=:cr, fclev=:lv WHERE fId=:id;", table,
              kShortTableMacro);
  q.SetArraySize(nodes.size());
  db::Param& cl = q.ParamByName("cl");
  db::Param& cr = q.ParamByName("cr");
  db::Param& lv = q.ParamByName("lv");
  db::Param& id = q.ParamByName("id");
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    cl.SetAt(i, db::Value::Int32(nodes[i].NewCl));
    cr.SetAt(i, db::Value::Int32(nodes[i].NewCr));
    lv.SetAt(i, db::Value::Int32(nodes[i].NewLev));
    id.SetAt(i, db::Value::Int32(nodes[i].Id));
  }
  q.ExecuteArray();
  q.Close();
}

}  // namespace

TFuncR gTreeFunc_RepairSafeSmart(db::Query& aQuery, const std::string& aTable,
                                 const std::string& aRootName) {
  TFuncR r;
  TreeWriteLock lock(aQuery, aTable);
  try {
    lock.Acquire();
    std::vector<TNodeInfo> nodes = LoadNodes(aQuery, aTable);
    if (IsSoundNestedSet(nodes)) {
      lock.Commit();
      r.fCode = 0;
      r.fStr = "Не потребує відновлення. З групами товарів все ОК.";
      return r;
    }

    const int rootId = FindOrCreateRoot(aQuery, aTable, aRootName);
    if (rootId < 1) {
      lock.Rollback();
      r.fCode = 2;
      r.fStr = "Не вдалося знайти або створити ROOT.";
      return r;
    }
    const auto hasRoot = [&] {
      return std::any_of(nodes.begin(), nodes.end(),
                         [&](const TNodeInfo& n) { return n.Id == rootId; });
    };
    if (!hasRoot()) nodes = LoadNodes(aQuery, aTable);
    if (!hasRoot()) {
      lock.Rollback();
      r.fCode = 2;
      r.fStr = "Не вдалося знайти або створити ROOT.";
      return r;
    }

    const TRepairCounts counts = PlanTreeRepair(nodes, rootId);
    WriteNodes(aQuery, aTable, nodes);
    lock.Commit();
    r.fCode = 0;
    r.fStr = detail::FormatMessage(
        "Дерево відновлено. Вкладеність збережено: %d. Перенесено під ROOT списком: %d.",
        {counts.Kept, counts.Moved});
  } catch (const std::exception& e) {
    aQuery.Close();
    try {
      lock.Rollback();
    } catch (const std::exception&) {
      // The error reported below is the one that matters.
    }
    r.fCode = kTreeDbErrorCode;
    r.fStr = std::string("Помилка Repair: ") + e.what();
  }
  return r;
}

}  // namespace tir::tree
