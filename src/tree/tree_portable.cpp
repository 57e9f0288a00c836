#include "tree/tree_form.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "db/unicode_case.h"
#include "settings/guid_forms.h"
#include "tree/tree_messages.h"
#include "tree/tree_sql.h"

namespace tir::tree {
namespace {

using detail::Fail;
using detail::LoadTreeSql;
using detail::Succeed;

constexpr const char* kNodeSql =
    "SELECT {IF MSSQL} TOP 1 {fi} fcl, fcr, fclev FROM &paramTblName WHERE fId=:id {IF SQLite} "
    "LIMIT 1 {fi};";
constexpr const char* kRootSql =
    "SELECT {IF MSSQL} TOP 1 {fi} fId FROM &paramTblName WHERE fclev=0 ORDER BY fcl {IF SQLite} "
    "LIMIT 1 {fi};";
constexpr const char* kLastIdSql =
    " SELECT {IF MSSQL} CAST(SCOPE_IDENTITY() AS INT) {fi} {IF SQLite} last_insert_rowid() {fi} "
    "AS LastID;";

struct Node {
  int cl = 0;
  int cr = 0;
  int lev = 0;
};

std::optional<Node> ReadNode(db::Query& q, const std::string& table, int id) {
  LoadTreeSql(q, kNodeSql, table);
  q.ParamByName("id").SetInt32(id);
  q.Open();
  std::optional<Node> node;
  if (!q.Eof()) {
    node = Node{q.FieldByName("fcl").AsInt32(), q.FieldByName("fcr").AsInt32(),
                q.FieldByName("fclev").AsInt32()};
  }
  q.Close();
  return node;
}

int FindRootId(db::Query& q, const std::string& table) {
  LoadTreeSql(q, kRootSql, table);
  q.Open();
  const int id = q.Eof() ? 0 : q.FieldByName("fId").AsInt32();
  q.Close();
  return id;
}

// Runs an insert batch that ends with the last-id select and returns that id.
int OpenForNewId(db::Query& q) {
  q.Open();
  const int id = q.Eof() ? 0 : q.FieldByName("LastID").AsInt32();
  q.Close();
  return id;
}

void BindNewGuid(db::Query& q) {
  std::int64_t g1 = 0;
  std::int64_t g2 = 0;
  gNewGUIDPair(g1, g2);
  q.ParamByName("g1").SetInt64(g1);
  q.ParamByName("g2").SetInt64(g2);
}

// Opens a gap of two at p and inserts the new node there; returns its id.
int InsertAt(db::Query& q, const std::string& table, int p, int level, const std::string& name) {
  LoadTreeSql(q,
              std::string("UPDATE &paramTblName SET fcl=fcl+2 WHERE fcl>=:p; UPDATE &paramTblName "
                          "SET fcr=fcr+2 WHERE fcr>=:p; INSERT INTO &paramTblName "
                          "(fcl,fcr,fclev,fName,fGUID1,fGUID2) VALUES "
                          "(:p,:p+1,:lev,:nm,:g1,:g2);") +
                  kLastIdSql,
              table);
  q.ParamByName("p").SetInt32(p);
  q.ParamByName("lev").SetInt32(level);
  q.ParamByName("nm").SetText(name);
  BindNewGuid(q);
  return OpenForNewId(q);
}

// Runs a portable operation's body; database errors end as code 99 after the prefix.
template <typename Body>
TFuncR Guarded(db::Query& q, const char* prefix, Body body) {
  return detail::RunGuarded(q, prefix, kTreeDbErrorCode, body);
}

int GetRootID(db::Query& aQuery, const std::string& aTable) {
  const int existing = FindRootId(aQuery, aTable);
  if (existing > 0) return existing;

  LoadTreeSql(aQuery, "SELECT COUNT(*) AS Cnt, COALESCE(MAX(fcr),0) AS MaxR FROM &paramTblName;",
              aTable);
  aQuery.Open();
  const std::int64_t count = aQuery.FieldByName("Cnt").AsInt64();
  const int maxR = aQuery.FieldByName("MaxR").AsInt32();
  aQuery.Close();

  int rootRight = 2;
  if (count > 0) {
    // A forest: every row goes one level down and the new root spans them all.
    LoadTreeSql(aQuery, "UPDATE &paramTblName SET fcl=fcl+1, fcr=fcr+1, fclev=fclev+1;", aTable);
    aQuery.ExecSql();
    rootRight = maxR + 2;
  }
  LoadTreeSql(aQuery,
              std::string("INSERT INTO &paramTblName (fcl,fcr,fclev,fName,fGUID1,fGUID2) VALUES "
                          "(1,:r,0,:nm,:g1,:g2);") +
                  kLastIdSql,
              aTable);
  aQuery.ParamByName("r").SetInt32(rootRight);
  aQuery.ParamByName("nm").SetText("root");
  BindNewGuid(aQuery);
  return OpenForNewId(aQuery);
}

// The root's id, created when missing; 0 (with the result set) when there is none to be had.
int RootOrFail(db::Query& q, const std::string& table, TFuncR& r) {
  const int rootId = GetRootID(q, table);
  if (rootId < 1) Fail(r, 1, msg::kNoRoot);
  return rootId;
}

TFuncR AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId, const std::string& aName,
               int& aNewId) {
  aNewId = 0;
  return Guarded(aQuery, msg::kAddNode.portable, [&](TFuncR& r) {
    if (aAfterId >= 1) {
      const auto sibling = ReadNode(aQuery, aTable, aAfterId);
      // The root has no siblings: a new node after it goes under it like any unplaced node.
      if (sibling && sibling->lev > 0) {
        aNewId = InsertAt(aQuery, aTable, sibling->cr + 1, sibling->lev, aName);
        return Succeed(r);
      }
    }
    const int rootId = RootOrFail(aQuery, aTable, r);
    if (rootId < 1) return;
    const auto root = ReadNode(aQuery, aTable, rootId);
    if (!root) return Fail(r, 2, "Корінь дерева не знайдено.");
    aNewId = InsertAt(aQuery, aTable, root->cr, root->lev + 1, aName);
    Succeed(r);
  });
}

TFuncR AddChildNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                    const std::string& aName, int& aNewId) {
  aNewId = 0;
  return Guarded(aQuery, msg::kAddChild.portable, [&](TFuncR& r) {
    const int parentId = aParentId >= 1 ? aParentId : RootOrFail(aQuery, aTable, r);
    if (parentId < 1) return;
    const auto parent = ReadNode(aQuery, aTable, parentId);
    if (!parent) return Fail(r, 2, "Батьківську групу не знайдено.");
    aNewId = InsertAt(aQuery, aTable, parent->cr, parent->lev + 1, aName);
    Succeed(r);
  });
}

TFuncR DeleteNode(db::Query& aQuery, const std::string& aTable, int aId) {
  return Guarded(aQuery, msg::kDeleteLeaf.portable, [&](TFuncR& r) {
    if (aId < 1) return Fail(r, 1, "Не вибрано групу для видалення.");
    const auto node = ReadNode(aQuery, aTable, aId);
    if (!node) return Fail(r, 2, "Групу вже було видалено.");
    if (node->lev == 0) return Fail(r, 4, "Не можна видалити кореневу групу.");
    if (node->cr != node->cl + 1) return Fail(r, 3, "Спочатку видаліть всі підгрупи.");
    LoadTreeSql(aQuery,
                "DELETE FROM &paramTblName WHERE fId=:id; UPDATE &paramTblName SET fcl=fcl-2 "
                "WHERE fcl>:l; UPDATE &paramTblName SET fcr=fcr-2 WHERE fcr>:l;",
                aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ParamByName("l").SetInt32(node->cl);
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

TFuncR DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId) {
  return Guarded(aQuery, msg::kDeleteSubtree.portable, [&](TFuncR& r) {
    const auto node = ReadNode(aQuery, aTable, aId);
    if (!node) return Fail(r, 1, "Гілку не знайдено.");
    if (node->lev == 0) return Fail(r, 2, "Не можна видалити кореневу групу.");
    LoadTreeSql(aQuery,
                "DELETE FROM &paramTblName WHERE fcl BETWEEN :l AND :r; UPDATE &paramTblName SET "
                "fcl=fcl-:w WHERE fcl>:r; UPDATE &paramTblName SET fcr=fcr-:w WHERE fcr>:r;",
                aTable);
    aQuery.ParamByName("l").SetInt32(node->cl);
    aQuery.ParamByName("r").SetInt32(node->cr);
    aQuery.ParamByName("w").SetInt32(node->cr - node->cl + 1);
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

TFuncR UpdateNode(db::Query& aQuery, const std::string& aTable, int aId, const std::string& aName) {
  return Guarded(aQuery, msg::kRename.portable, [&](TFuncR& r) {
    LoadTreeSql(aQuery, "UPDATE &paramTblName SET fName=:nm WHERE fId=:id;", aTable);
    aQuery.ParamByName("nm").SetText(aName);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

TFuncR UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                      const std::string& aGuidText) {
  return Guarded(aQuery, msg::kGuid.portable, [&](TFuncR& r) {
    std::int64_t g1 = 0;
    std::int64_t g2 = 0;
    detail::ParseGuidPair(aGuidText, g1, g2);
    LoadTreeSql(aQuery, "UPDATE &paramTblName SET fGUID1=:g1, fGUID2=:g2 WHERE fId=:id;", aTable);
    aQuery.ParamByName("g1").SetInt64(g1);
    aQuery.ParamByName("g2").SetInt64(g2);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

TFuncR ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                      TTreeInsertPos aPos) {
  return Guarded(aQuery, msg::kChangeParent.portable, [&](TFuncR& r) {
    const auto x = ReadNode(aQuery, aTable, aId);
    if (!x) return Fail(r, 1, "Групу не знайдено.");
    if (x->lev == 0) return Fail(r, 2, "Не можна переміщати кореневу групу.");
    const int parentId = aNewParentId >= 1 ? aNewParentId : GetRootID(aQuery, aTable);
    const auto parent = ReadNode(aQuery, aTable, parentId);
    if (!parent) return Fail(r, 3, "Нового батька не знайдено.");
    const int l = x->cl;
    const int rr = x->cr;
    if (l <= parent->cl && parent->cl <= rr) {
      return Fail(r, 4, "Помилка переміщення: не можна перемістити групу у власне піддерево.");
    }
    const int w = rr - l + 1;

    LoadTreeSql(aQuery, "SELECT COALESCE(MAX(fcr),0) AS maxR FROM &paramTblName;", aTable);
    aQuery.Open();
    const int t = aQuery.FieldByName("maxR").AsInt32() + 1;
    aQuery.Close();

    // Park the subtree above every other bound, then close the gap it leaves.
    LoadTreeSql(aQuery,
                "UPDATE &paramTblName SET fcl=fcl+:tmp, fcr=fcr+:tmp WHERE fcl BETWEEN :l AND :r;",
                aTable);
    aQuery.ParamByName("tmp").SetInt32(t);
    aQuery.ParamByName("l").SetInt32(l);
    aQuery.ParamByName("r").SetInt32(rr);
    aQuery.ExecSql();

    LoadTreeSql(aQuery,
                "UPDATE &paramTblName SET fcl=fcl-:w WHERE fcl>:r; UPDATE &paramTblName SET "
                "fcr=fcr-:w WHERE fcr>:r;",
                aTable);
    aQuery.ParamByName("w").SetInt32(w);
    aQuery.ParamByName("r").SetInt32(rr);
    aQuery.ExecSql();

    const auto moved = ReadNode(aQuery, aTable, parentId);
    if (!moved) return Fail(r, 5, "Новий батько зник під час операції.");
    const int p = aPos == tipFirstChild ? moved->cl + 1 : moved->cr;

    LoadTreeSql(aQuery,
                "UPDATE &paramTblName SET fcl=fcl+:w WHERE fcl>=:p; UPDATE &paramTblName SET "
                "fcr=fcr+:w WHERE fcr>=:p;",
                aTable);
    aQuery.ParamByName("w").SetInt32(w);
    aQuery.ParamByName("p").SetInt32(p);
    aQuery.ExecSql();

    // Drop the parked subtree into the gap.
    LoadTreeSql(aQuery,
                "UPDATE &paramTblName SET  fcl = fcl - :tmp + :delta,  fcr = fcr - :tmp + :delta,  "
                "fclev = fclev + :ld WHERE fcl BETWEEN :tl AND :tr;",
                aTable);
    aQuery.ParamByName("tmp").SetInt32(t);
    aQuery.ParamByName("delta").SetInt32(p - l);
    aQuery.ParamByName("ld").SetInt32(moved->lev + 1 - x->lev);
    aQuery.ParamByName("tl").SetInt32(l + t);
    aQuery.ParamByName("tr").SetInt32(rr + t);
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

TFuncR MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                   TTreeSiblingMoveDir aDir) {
  return Guarded(aQuery, msg::kMoveSibling.portable, [&](TFuncR& r) {
    if (aId < 1) return Fail(r, 1, "Не вибрано групу.");
    const auto x = ReadNode(aQuery, aTable, aId);
    if (!x) return Fail(r, 2, detail::FormatMessage("Групу з ID=%d не знайдено.", {aId}));
    if (x->lev == 0) return Fail(r, 3, "Корінь не можна рухати.");
    const bool up = aDir == smdUp;
    LoadTreeSql(aQuery,
                up ? "SELECT {IF MSSQL} TOP 1 {fi} fcl, fcr FROM &T WHERE fcr = :needVal {IF "
                     "SQLite} LIMIT 1 {fi};"
                   : "SELECT {IF MSSQL} TOP 1 {fi} fcl, fcr FROM &T WHERE fcl = :needVal {IF "
                     "SQLite} LIMIT 1 {fi};",
                aTable, detail::kShortTableMacro);
    aQuery.ParamByName("needVal").SetInt32(up ? x->cl - 1 : x->cr + 1);
    aQuery.Open();
    if (aQuery.Eof()) {
      aQuery.Close();
      return Fail(r, 10,
                  up ? "Ця група вже перша серед сусідів." : "Ця група вже остання серед сусідів.");
    }
    const int ncl = aQuery.FieldByName("fcl").AsInt32();
    const int ncr = aQuery.FieldByName("fcr").AsInt32();
    aQuery.Close();

    // [l1, r1] is the earlier block, [l2, r2] the later one; they trade places.
    const int l1 = up ? ncl : x->cl;
    const int r1 = up ? ncr : x->cr;
    const int l2 = up ? x->cl : ncl;
    const int r2 = up ? x->cr : ncr;
    LoadTreeSql(aQuery,
                "UPDATE &T SET   fcl = CASE     WHEN fcl BETWEEN :l1 AND :r1 THEN fcl + :d1     "
                "WHEN fcl BETWEEN :l2 AND :r2 THEN fcl + :d2     ELSE fcl END,   fcr = CASE     "
                "WHEN fcr BETWEEN :l1 AND :r1 THEN fcr + :d1     WHEN fcr BETWEEN :l2 AND :r2 THEN "
                "fcr + :d2     ELSE fcr END WHERE (fcl BETWEEN :l1 AND :r1) OR (fcl BETWEEN :l2 "
                "AND :r2);",
                aTable, detail::kShortTableMacro);
    aQuery.ParamByName("l1").SetInt32(l1);
    aQuery.ParamByName("r1").SetInt32(r1);
    aQuery.ParamByName("l2").SetInt32(l2);
    aQuery.ParamByName("r2").SetInt32(r2);
    aQuery.ParamByName("d1").SetInt32(r2 - l2 + 1);
    aQuery.ParamByName("d2").SetInt32(-(r1 - l1 + 1));
    aQuery.ExecSql();
    aQuery.Close();
    Succeed(r);
  });
}

int FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                            const std::vector<std::string>& aSegments) {
  return detail::IdOrZero(aQuery, [&] {
    int current = GetRootID(aQuery, aTable);
    const bool sqlite = aQuery.Kind() == db::DbKind::kSQLite;
    for (auto segment = aSegments.begin(); current > 0 && segment != aSegments.end(); ++segment) {
      const auto node = ReadNode(aQuery, aTable, current);
      if (!node) return 0;
      LoadTreeSql(aQuery,
                  "SELECT {IF MSSQL} TOP 1 {fi} fId FROM &paramTblName WHERE ( {IF SQLite} "
                  "TirvaloUpperCase{fi}(fName)=:nm) AND (fclev=:lev) AND (fcl>:pcl) AND "
                  "(fcr<:pcr) ORDER BY fcl {IF SQLite} LIMIT 1 {fi};",
                  aTable);
      aQuery.ParamByName("nm").SetText(sqlite ? db::UnicodeUpper(*segment) : *segment);
      aQuery.ParamByName("lev").SetInt32(node->lev + 1);
      aQuery.ParamByName("pcl").SetInt32(node->cl);
      aQuery.ParamByName("pcr").SetInt32(node->cr);
      aQuery.Open();
      int next = aQuery.Eof() ? 0 : aQuery.FieldByName("fId").AsInt32();
      aQuery.Close();
      // A missing name is created; a failed creation leaves next at 0 and ends the walk.
      if (next < 1 && AddChildNode(aQuery, aTable, current, *segment, next).fCode != 0) next = 0;
      current = next;
    }
    return std::max(current, 0);
  });
}

}  // namespace

const TreeForm& PortableTreeForm() {
  static const TreeForm form{
      &GetRootID,  &AddNode,        &AddChildNode,   &DeleteNode,  &DeleteSubtree,
      &UpdateNode, &UpdateNodeGUID, &ChangeParentEx, &MoveSibling, &FindOrCreateGroupByPath};
  return form;
}

}  // namespace tir::tree
