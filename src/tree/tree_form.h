#pragma once

#include <string>
#include <vector>

#include "db/query.h"
#include "tree/tree_types.h"

namespace tir::tree {

// One way of carrying out the tree operations on a base: the operations as function pointers, so
// that the public entry points pick a form once and forward to it. Arguments are those of the
// public operations; FindOrCreateGroupByPath gets the path already split into names and
// UpdateNodeGUID a text whose length has been checked.
struct TreeForm {
  int (*GetRootID)(db::Query& aQuery, const std::string& aTable);
  TFuncR (*AddNode)(db::Query& aQuery, const std::string& aTable, int aAfterId,
                    const std::string& aName, int& aNewId);
  TFuncR (*AddChildNode)(db::Query& aQuery, const std::string& aTable, int aParentId,
                         const std::string& aName, int& aNewId);
  TFuncR (*DeleteNode)(db::Query& aQuery, const std::string& aTable, int aId);
  TFuncR (*DeleteSubtree)(db::Query& aQuery, const std::string& aTable, int aId);
  TFuncR (*UpdateNode)(db::Query& aQuery, const std::string& aTable, int aId,
                       const std::string& aName);
  TFuncR (*UpdateNodeGUID)(db::Query& aQuery, const std::string& aTable, int aId,
                           const std::string& aGuidText);
  TFuncR (*ChangeParentEx)(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                           TTreeInsertPos aPos);
  TFuncR (*MoveSibling)(db::Query& aQuery, const std::string& aTable, int aId,
                        TTreeSiblingMoveDir aDir);
  int (*FindOrCreateGroupByPath)(db::Query& aQuery, const std::string& aTable,
                                 const std::vector<std::string>& aSegments);
};

// Portable SQL run by the module itself (SQLite and any base without the tree procedures). It
// opens no transaction: statements run in the caller's transaction when there is one, otherwise
// each commits by itself.
const TreeForm& PortableTreeForm();

// The stored procedures of an MS SQL Server base, one batch per operation; the procedures lock
// and change the table themselves.
const TreeForm& ProcedureTreeForm();

// The form the query's connection calls for.
const TreeForm& TreeFormFor(const db::Query& aQuery);

}  // namespace tir::tree
