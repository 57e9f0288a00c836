#include "tree/tree_functions.h"

#include "tree/tree_form.h"
#include "tree/tree_messages.h"
#include "tree/tree_path.h"
#include "tree/tree_sql.h"

namespace tir::tree {

const TreeForm& TreeFormFor(const db::Query& aQuery) {
  return aQuery.Kind() == db::DbKind::kMSSQL ? ProcedureTreeForm() : PortableTreeForm();
}

int gTreeFunc_GetRootID(db::Query& aQuery, const std::string& aTable) {
  return TreeFormFor(aQuery).GetRootID(aQuery, aTable);
}

TFuncR gTreeFunc_AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId,
                         const std::string& aName, int& aNewId) {
  return TreeFormFor(aQuery).AddNode(aQuery, aTable, aAfterId, aName, aNewId);
}

TFuncR gTreeFunc_AddChieldNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                               const std::string& aName, int& aNewId, int /*aBaseType*/) {
  return TreeFormFor(aQuery).AddChildNode(aQuery, aTable, aParentId, aName, aNewId);
}

TFuncR gTreeFunc_DeleteNode(db::Query& aQuery, const std::string& aTable, int aId) {
  return TreeFormFor(aQuery).DeleteNode(aQuery, aTable, aId);
}

TFuncR gTreeFunc_DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId) {
  return TreeFormFor(aQuery).DeleteSubtree(aQuery, aTable, aId);
}

TFuncR gTreeFunc_UpdateNode(db::Query& aQuery, const std::string& aTable, int aId,
                            const std::string& aName) {
  return TreeFormFor(aQuery).UpdateNode(aQuery, aTable, aId, aName);
}

TFuncR gTreeFunc_UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                                const std::string& aGuidText) {
  if (detail::Utf8Length(aGuidText) != 36) {
    TFuncR r;
    detail::Fail(r, 1, msg::kBadGuidLength);
    return r;
  }
  return TreeFormFor(aQuery).UpdateNodeGUID(aQuery, aTable, aId, aGuidText);
}

TFuncR gTreeFunc_ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId,
                                int aNewParentId, TTreeInsertPos aPos) {
  return TreeFormFor(aQuery).ChangeParentEx(aQuery, aTable, aId, aNewParentId, aPos);
}

TFuncR gTreeFunc_ChangeParent(db::Query& aQuery, const std::string& aTable, int aId,
                              int aNewParentId) {
  return gTreeFunc_ChangeParentEx(aQuery, aTable, aId, aNewParentId, tipLastChild);
}

TFuncR gTreeFunc_MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                             TTreeSiblingMoveDir aDir) {
  return TreeFormFor(aQuery).MoveSibling(aQuery, aTable, aId, aDir);
}

int gTreeFunc_FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                                      const std::string& aPath) {
  return TreeFormFor(aQuery).FindOrCreateGroupByPath(aQuery, aTable, SplitGroupPath(aPath));
}

}  // namespace tir::tree
