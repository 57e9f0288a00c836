// Writing the goods group tree and the goods catalog of a universal file, and the host messages
// that follow an import.
#include <string>
#include <unordered_map>
#include <vector>

#include "db/db_error.h"
#include "frame/host_services.h"
#include "frame/packets_main.h"
#include "frame/ui_services.h"
#include "import/tir_json_loader.h"
#include "json/json_array.h"
#include "settings/guid_forms.h"
#include "tree/tree_functions.h"
#include "tree/tree_merge_check.h"

namespace tir::importing {

namespace {

enum class From : std::uint8_t { kText, kNumber, kInteger, kGroup };

// A goods column the loader overwrites: its parameter (":p" + the column without its "f") and the
// member of the goods element it takes.
struct GoodsColumn {
  const char* column;
  const char* param;
  const char* key;
  From from;
};

// In the order of the statements; the GUID pair follows "fDeleted" in the insert.
constexpr GoodsColumn kGoodsColumns[] = {
    {"fCode", "pCode", "code", From::kText},
    {"fName", "pName", "name", From::kText},
    {"fNameFull", "pNameFull", "namefull", From::kText},
    {"fDesc", "pDesc", "desc", From::kText},
    {"fBarCode", "pBarCode", "barcode", From::kText},
    {"fBarCodeList", "pBarCodeList", "barcodelist", From::kText},
    {"fBarCode2", "pBarCode2", "barcode2", From::kText},
    {"fBarCode3", "pBarCode3", "barcode3", From::kText},
    {"fUnitType", "pUnitType", "unit1", From::kText},
    {"fUnitType2", "pUnitType2", "unit2", From::kText},
    {"fUnitType3", "pUnitType3", "unit3", From::kText},
    {"fCoeff2", "pCoeff2", "coeff2", From::kNumber},
    {"fCoeff3", "pCoeff3", "coeff3", From::kNumber},
    {"fType", "pType", "type", From::kInteger},
    {"fVATGroup", "pVATGroup", "vat", From::kInteger},
    {"fVisible", "pVisible", "visible", From::kInteger},
    {"fGroupID", "pGroupID", "group", From::kGroup},
    {"fPriceIn", "pPriceIn", "pin", From::kNumber},
    {"fPriceOut1", "pPriceOut1", "p1", From::kNumber},
    {"fPriceOut2", "pPriceOut2", "p2", From::kNumber},
    {"fPriceOut3", "pPriceOut3", "p3", From::kNumber},
    {"fPriceOut4", "pPriceOut4", "p4", From::kNumber},
    {"fPriceOut5", "pPriceOut5", "p5", From::kNumber},
    {"fPriceOut6", "pPriceOut6", "p6", From::kNumber},
    {"fPriceOut7", "pPriceOut7", "p7", From::kNumber},
    {"fPriceOut8", "pPriceOut8", "p8", From::kNumber},
    {"fPriceOut9", "pPriceOut9", "p9", From::kNumber},
    {"fPriceOut10", "pPriceOut10", "p10", From::kNumber},
    {"fDeleted", "pDeleted", "del", From::kInteger},
    {"fpdop1", "ppdop1", "dopprop1", From::kText},
    {"fpdop2", "ppdop2", "dopprop2", From::kText},
    {"fpdop3", "ppdop3", "dopprop3", From::kText},
    {"fpdop4", "ppdop4", "dopprop4", From::kText},
    {"fpdop5", "ppdop5", "dopprop5", From::kText},
};

// "INSERT INTO tirGoods ([fCode],…,[fDeleted],[fGUID1],[fGUID2],[fpdop1],…,[fpdop5]) VALUES
// (…);" and "UPDATE [tirGoods] SET [fCode]=:pCode,…,[fpdop5]=:ppdop5 WHERE fId=:pId;".
std::string InsertSql() {
  std::string columns, values;
  for (const GoodsColumn& c : kGoodsColumns) {
    columns += std::string(columns.empty() ? "" : ",") + "[" + c.column + "]";
    values += std::string(values.empty() ? "" : ",") + ":" + c.param;
    if (std::string(c.column) == "fDeleted") {
      columns += ",[fGUID1],[fGUID2]";
      values += ",:pGUID1,:pGUID2";
    }
  }
  return "INSERT INTO tirGoods (" + columns + ") VALUES (" + values + ");";
}

std::string UpdateSql() {
  std::string sets;
  for (const GoodsColumn& c : kGoodsColumns) {
    sets += std::string(sets.empty() ? "" : ",") + "[" + c.column + "]=:" + c.param;
  }
  return "UPDATE [tirGoods] SET " + sets + " WHERE fId=:pId;";
}

// The parameters of a goods statement in the order of kGoodsColumns, found once per run.
std::vector<db::Param*> GoodsParams(db::Query& query) {
  std::vector<db::Param*> params;
  for (const GoodsColumn& c : kGoodsColumns) params.push_back(&query.ParamByName(c.param));
  return params;
}

void BindGoods(const std::vector<db::Param*>& params, const json::Object& item,
               std::int64_t groupId) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    const GoodsColumn& c = kGoodsColumns[i];
    switch (c.from) {
      case From::kText:
        params[i]->SetText(item.GetString(c.key));
        break;
      case From::kNumber:
        params[i]->SetDouble(item.GetNumber(c.key));
        break;
      case From::kInteger:
        params[i]->SetInt64(item.GetInt64(c.key));
        break;
      case From::kGroup:
        params[i]->SetInt64(groupId);
        break;
    }
  }
}

void SendGoodsChanged(std::int32_t module, std::int32_t mode) {
  frame::TModSearchIn in{};
  frame::TModSearchOut out{};
  frame::Clear_TModSearchIn(in);
  in.fModuleId = module;
  in.fSearchMode = mode;
  frame::SendToHost(in, out);  // answered or not, the import is done
  frame::Free_TModSearchIn(in);
  frame::Free_TModSearchOut(out);
}

}  // namespace

bool TTirJSonLoader::Note(const tree::TFuncR& result, const std::string& what) {
  if (result.fCode == 0) return true;
  ++mCounts.treeFailures;
  if (mCounts.treeMessages.size() < kNamedTreeFailures) {
    mCounts.treeMessages.push_back(what + ": " + result.fStr);
  }
  return false;
}

int TTirJSonLoader::AddGroupNode(const std::string& table, const json::Object& node, int parentId,
                                 bool moves) {
  const std::string guid = node.GetString("guid");
  const std::string name = node.GetString("name");
  int id = static_cast<int>(FindIdByGUID(table, guid));
  // A failed tree operation is counted and the load goes on with the next one: the operations
  // change nothing when they refuse, and a tree left unsound by a failed statement is what the
  // tree check repairs.
  if (id == 0) {
    const bool added = Note(tree::gTreeFunc_AddChieldNode(FDQuery1, table, parentId, name, id),
                            "group \"" + name + "\" not added");
    Note(tree::gTreeFunc_UpdateNodeGUID(FDQuery1, table, id, guid),
         "group \"" + name + "\" without its GUID");
    if (added) ++mCounts.groupsAdded;
  } else {
    if (moves) {
      Note(tree::gTreeFunc_UpdateNode(FDQuery1, table, id, name),
           "group \"" + name + "\" not renamed");
      Note(tree::gTreeFunc_ChangeParent(FDQuery1, table, id, parentId),
           "group \"" + name + "\" not moved");
    }
    ++mCounts.groupsUpdated;
  }
  return id;
}

void TTirJSonLoader::AddGroupsToBase(const std::string& table, const std::string& key) {
  if (!IsLoaded()) return;
  const json::Array top = mJson.GetArray(key);
  if (top.Size() == 0) return;
  const int root = tree::gTreeFunc_GetRootID(FDQuery1, table);
  if (root == 0) throw db::DbError("no root group in " + table);
  // Depth first without recursion, so that a deeply nested file cannot exhaust the stack: each
  // level is an array of nodes, the next node to take from it and the parent of its nodes.
  struct Level {
    json::Array nodes;
    std::size_t next;
    int parentId;
  };
  // A text that repeats the stored tree would rename every group to its own name and move it
  // back to its place, one rewrite of the nested set per group. When every group of the text is
  // stored and those renames and moves would change nothing, they are left out.
  std::vector<tree::TMergeStep> steps;
  bool known = true;
  std::vector<Level> levels{{top, 0, root}};
  while (known && !levels.empty()) {
    Level& level = levels.back();
    if (level.next >= level.nodes.Size()) {
      levels.pop_back();
      continue;
    }
    const json::Object node = level.nodes.GetObject(level.next++);
    const int id = static_cast<int>(FindIdByGUID(table, node.GetString("guid")));
    known = id != 0;
    steps.push_back({id, level.parentId, node.GetString("name")});
    const json::Array children = node.GetArray("children");
    if (children.Size() > 0) levels.push_back({children, 0, id});
  }
  const bool moves = !known || !tree::gTreeMovesChangeNothing(FDQuery1, table, steps);
  levels = {{top, 0, root}};
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next >= level.nodes.Size()) {
      levels.pop_back();
      continue;
    }
    const json::Object node = level.nodes.GetObject(level.next++);
    const int parentId = level.parentId;
    frame::ProcessMessages();
    const int id = AddGroupNode(table, node, parentId, moves);
    // Children of a node that could not be added go under the root (a parent id of 0).
    const json::Array children = node.GetArray("children");
    if (children.Size() > 0) levels.push_back({children, 0, id});
  }
}

std::int64_t TTirJSonLoader::GroupIdOf(const std::string& guid,
                                       std::unordered_map<std::string, std::int64_t>& known) {
  const auto found = known.find(guid);
  if (found != known.end()) return found->second;
  const std::int64_t id = FindIdByGUID("tirGoodsGroups", guid);
  known.emplace(guid, id);
  return id;
}

bool TTirJSonLoader::AddGoodsToBase() {
  mCounts = Counts{};
  AddGroupsToBase("tirGoodsGroups", "goodsgroups");
  if (!IsLoaded() || mJson.KindOf("goods") != json::Kind::kArray) return false;
  const json::Array goods = mJson.GetArray("goods");

  FDQuery1.SetSql(InsertSql());
  const std::vector<db::Param*> insertParams = GoodsParams(FDQuery1);
  db::Param& guid1 = FDQuery1.ParamByName("pGUID1");
  db::Param& guid2 = FDQuery1.ParamByName("pGUID2");
  mUpdateQuery.SetSql(UpdateSql());
  const std::vector<db::Param*> updateParams = GoodsParams(mUpdateQuery);
  db::Param& updateId = mUpdateQuery.ParamByName("pId");
  // Groups do not change while goods are written: each group GUID is looked up once.
  std::unordered_map<std::string, std::int64_t> groups;

  for (std::size_t i = 0; i < goods.Size(); ++i) {
    if (i > 0 && i % 50 == 0) frame::ProcessMessages();
    const json::Object item = goods.GetObject(i);
    const std::string guid = item.GetString("guid");
    const std::int64_t id = FindIdByGUID("tirGoods", guid);
    const std::int64_t groupId = GroupIdOf(item.GetString("group"), groups);
    if (id == 0) {
      // A text that is no GUID raises here and ends the load: the caller's transaction is undone.
      const TGUID value = StringToGUID("{" + guid + "}");
      BindGoods(insertParams, item, groupId);
      guid1.SetInt64(gGetGUID1(value));
      guid2.SetInt64(gGetGUID2(value));
      FDQuery1.ExecSql();
      ++mCounts.goodsAdded;
    } else {
      BindGoods(updateParams, item, groupId);
      updateId.SetInt64(id);
      mUpdateQuery.ExecSql();
      ++mCounts.goodsUpdated;
    }
  }
  TellHostGoodsChanged();
  return false;
}

void TTirJSonLoader::TellHostGoodsChanged() {
  SendGoodsChanged(20, 888046);
  SendGoodsChanged(170, 1024);
}

}  // namespace tir::importing
