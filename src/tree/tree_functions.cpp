#include "tree/tree_functions.h"

#include "tree/tree_messages.h"
#include "tree/tree_path.h"
#include "tree/tree_portable.h"
#include "tree/tree_procedure.h"
#include "tree/tree_sql.h"

namespace tir::tree {
namespace {

bool UsesProcedures(const db::Query& aQuery) { return aQuery.Kind() == db::DbKind::kMSSQL; }

}  // namespace

int gTreeFunc_GetRootID(db::Query& aQuery, const std::string& aTable) {
  return UsesProcedures(aQuery) ? procedure::GetRootID(aQuery, aTable)
                                : portable::GetRootID(aQuery, aTable);
}

TFuncR gTreeFunc_AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId,
                         const std::string& aName, int& aNewId) {
  return UsesProcedures(aQuery) ? procedure::AddNode(aQuery, aTable, aAfterId, aName, aNewId)
                                : portable::AddNode(aQuery, aTable, aAfterId, aName, aNewId);
}

TFuncR gTreeFunc_AddChieldNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                               const std::string& aName, int& aNewId, int /*aBaseType*/) {
  return UsesProcedures(aQuery) ? procedure::AddChildNode(aQuery, aTable, aParentId, aName, aNewId)
                                : portable::AddChildNode(aQuery, aTable, aParentId, aName, aNewId);
}

TFuncR gTreeFunc_DeleteNode(db::Query& aQuery, const std::string& aTable, int aId) {
  return UsesProcedures(aQuery) ? procedure::DeleteNode(aQuery, aTable, aId)
                                : portable::DeleteNode(aQuery, aTable, aId);
}

TFuncR gTreeFunc_DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId) {
  return UsesProcedures(aQuery) ? procedure::DeleteSubtree(aQuery, aTable, aId)
                                : portable::DeleteSubtree(aQuery, aTable, aId);
}

TFuncR gTreeFunc_UpdateNode(db::Query& aQuery, const std::string& aTable, int aId,
                            const std::string& aName) {
  return UsesProcedures(aQuery) ? procedure::UpdateNode(aQuery, aTable, aId, aName)
                                : portable::UpdateNode(aQuery, aTable, aId, aName);
}

TFuncR gTreeFunc_UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                                const std::string& aGuidText) {
  if (detail::Utf8Length(aGuidText) != 36) {
    TFuncR r;
    r.fCode = 1;
    r.fStr = msg::kBadGuidLength;
    return r;
  }
  return UsesProcedures(aQuery) ? procedure::UpdateNodeGUID(aQuery, aTable, aId, aGuidText)
                                : portable::UpdateNodeGUID(aQuery, aTable, aId, aGuidText);
}

TFuncR gTreeFunc_ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId,
                                int aNewParentId, TTreeInsertPos aPos) {
  return UsesProcedures(aQuery) ? procedure::ChangeParentEx(aQuery, aTable, aId, aNewParentId, aPos)
                                : portable::ChangeParentEx(aQuery, aTable, aId, aNewParentId, aPos);
}

TFuncR gTreeFunc_ChangeParent(db::Query& aQuery, const std::string& aTable, int aId,
                              int aNewParentId) {
  return gTreeFunc_ChangeParentEx(aQuery, aTable, aId, aNewParentId, tipLastChild);
}

TFuncR gTreeFunc_MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                             TTreeSiblingMoveDir aDir) {
  return UsesProcedures(aQuery) ? procedure::MoveSibling(aQuery, aTable, aId, aDir)
                                : portable::MoveSibling(aQuery, aTable, aId, aDir);
}

int gTreeFunc_FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                                      const std::string& aPath) {
  const std::vector<std::string> segments = SplitGroupPath(aPath);
  return UsesProcedures(aQuery) ? procedure::FindOrCreateGroupByPath(aQuery, aTable, segments)
                                : portable::FindOrCreateGroupByPath(aQuery, aTable, segments);
}

}  // namespace tir::tree
