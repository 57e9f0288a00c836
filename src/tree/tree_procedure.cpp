#include "tree/tree_form.h"

#include <exception>

#include "db/db_error.h"
#include "db/unicode_case.h"
#include "settings/guid_forms.h"
#include "tree/tree_messages.h"
#include "tree/tree_path.h"
#include "tree/tree_sql.h"

namespace tir::tree {
namespace {

// Output row of a procedure batch.
struct Outputs {
  int code = -1;
  std::string msg;
  int id = 0;
};

void LoadBatch(db::Query& q, const char* batch, const std::string& table) {
  q.Close();
  q.SetSql(batch);
  q.ParamByName("tbl").SetWideText(db::Utf8ToUtf16(table));
}

void BindWide(db::Query& q, const char* name, const std::string& text) {
  q.ParamByName(name).SetWideText(db::Utf8ToUtf16(text));
}

// Ids below 1 go as NULL: the procedure then works on the root.
void BindIdOrNull(db::Query& q, const char* name, int id) {
  if (id < 1) {
    q.ParamByName(name).SetNull(db::ValueType::kInt32);
  } else {
    q.ParamByName(name).SetInt32(id);
  }
}

void BindNewGuid(db::Query& q) {
  std::int64_t g1 = 0;
  std::int64_t g2 = 0;
  gNewGUIDPair(g1, g2);
  q.ParamByName("g1").SetInt64(g1);
  q.ParamByName("g2").SetInt64(g2);
}

// Runs the batch and reads its output row; `idColumn` names the id output when there is one.
Outputs RunBatch(db::Query& q, const char* idColumn = nullptr) {
  q.Open();
  if (q.Eof()) {
    q.Close();
    throw db::DbError("Процедура не повернула результат.");
  }
  Outputs out;
  out.code = q.FieldByName("Code").AsInt32();
  out.msg = q.FieldByName("Msg").AsText();
  if (idColumn != nullptr) out.id = q.FieldByName(idColumn).AsInt32();
  q.Close();
  if (out.code == 0) out.msg.clear();
  return out;
}

TFuncR ToResult(const Outputs& out) {
  TFuncR r;
  r.fCode = out.code;
  r.fStr = out.msg;
  return r;
}

// Runs a procedure call's body. A failed batch keeps the result's starting code and reports the
// error text after the prefix.
template <typename Body>
TFuncR Guarded(db::Query& q, const char* prefix, Body body) {
  return detail::RunGuarded(q, prefix, TFuncR{}.fCode, body);
}

// The two adding procedures: `idParam` names the id argument (NULL below 1), NewId comes back.
TFuncR AddVia(db::Query& q, const char* batch, const std::string& table, const char* idParam,
              int id, const std::string& name, int& newId, const char* prefix) {
  newId = 0;
  return Guarded(q, prefix, [&](TFuncR& r) {
    LoadBatch(q, batch, table);
    BindIdOrNull(q, idParam, id);
    BindWide(q, "nm", name);
    BindNewGuid(q);
    const Outputs out = RunBatch(q, "NewId");
    newId = out.id;
    r = ToResult(out);
  });
}

// The procedures whose only argument besides the table is the group's id.
TFuncR RunIdOnly(db::Query& q, const char* batch, const std::string& table, int id,
                 const char* prefix) {
  return Guarded(q, prefix, [&](TFuncR& r) {
    LoadBatch(q, batch, table);
    q.ParamByName("id").SetInt32(id);
    r = ToResult(RunBatch(q));
  });
}

int GetRootID(db::Query& aQuery, const std::string& aTable) {
  return detail::IdOrZero(aQuery, [&] {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @RootId INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_GetOrCreateRoot   @TableName=:tbl, "
              "@RootName=:rn,   @RootId=@RootId OUTPUT, @ResultCode=@Code OUTPUT, "
              "@ResultMsg=@Msg OUTPUT; SELECT @RootId AS RootId, @Code AS Code, @Msg AS Msg;",
              aTable);
    BindWide(aQuery, "rn", "root");
    const Outputs out = RunBatch(aQuery, "RootId");
    return out.code == 0 ? out.id : 0;
  });
}

TFuncR AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId, const std::string& aName,
               int& aNewId) {
  return AddVia(
      aQuery,
      "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @NewId INT, @Code INT, @Msg "
      "NVARCHAR(4000); EXEC dbo.usp_Tree_AddSiblingAfter   @TableName=:tbl, "
      "@AfterId=:aid, @Name=:nm,   @NewId=@NewId OUTPUT, @ResultCode=@Code OUTPUT, "
      "@ResultMsg=@Msg OUTPUT,   @Guid1=:g1, @Guid2=:g2; SELECT @NewId AS NewId, @Code "
      "AS Code, @Msg AS Msg;",
      aTable, "aid", aAfterId, aName, aNewId, msg::kAddNode.procedure);
}

TFuncR AddChildNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                    const std::string& aName, int& aNewId) {
  return AddVia(
      aQuery,
      "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @NewId INT, @Code INT, @Msg "
      "NVARCHAR(4000); EXEC dbo.usp_Tree_AddChild   @TableName=:tbl, @ParentId=:pid, "
      "@Name=:nm,   @NewId=@NewId OUTPUT, @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
      "OUTPUT,   @Guid1=:g1, @Guid2=:g2; SELECT @NewId AS NewId, @Code AS Code, @Msg AS "
      "Msg;",
      aTable, "pid", aParentId, aName, aNewId, msg::kAddChild.procedure);
}

TFuncR DeleteNode(db::Query& aQuery, const std::string& aTable, int aId) {
  return RunIdOnly(aQuery,
                   "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
                   "NVARCHAR(4000); EXEC dbo.usp_Tree_DeleteLeaf   @TableName=:tbl, @Id=:id,   "
                   "@ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS Code, @Msg "
                   "AS Msg;",
                   aTable, aId, msg::kDeleteLeaf.procedure);
}

TFuncR DeleteSubtree(db::Query& aQuery, const std::string& aTable, int aId) {
  return RunIdOnly(aQuery,
                   "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
                   "NVARCHAR(4000); EXEC dbo.usp_Tree_DeleteSubtree   @TableName=:tbl, @Id=:id,   "
                   "@ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS Code, @Msg "
                   "AS Msg;",
                   aTable, aId, msg::kDeleteSubtree.procedure);
}

TFuncR UpdateNode(db::Query& aQuery, const std::string& aTable, int aId, const std::string& aName) {
  return Guarded(aQuery, msg::kRename.procedure, [&](TFuncR& r) {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_UpdateName   @TableName=:tbl, @Id=:id, "
              "@Name=:nm,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS "
              "Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    BindWide(aQuery, "nm", aName);
    r = ToResult(RunBatch(aQuery));
  });
}

TFuncR UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                      const std::string& aGuidText) {
  return Guarded(aQuery, msg::kGuid.procedure, [&](TFuncR& r) {
    std::int64_t g1 = 0;
    std::int64_t g2 = 0;
    detail::ParseGuidPair(aGuidText, g1, g2);
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_UpdateGuid   @TableName=:tbl, @Id=:id, "
              "@Guid1=:g1, @Guid2=:g2,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; "
              "SELECT @Code AS Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ParamByName("g1").SetInt64(g1);
    aQuery.ParamByName("g2").SetInt64(g2);
    r = ToResult(RunBatch(aQuery));
  });
}

TFuncR ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                      TTreeInsertPos aPos) {
  return Guarded(aQuery, msg::kChangeParent.procedure, [&](TFuncR& r) {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_ChangeParentEx   @TableName=:tbl, @Id=:id, "
              "@NewParentId=:npid, @InsertPos=:pos,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
              "OUTPUT; SELECT @Code AS Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    BindIdOrNull(aQuery, "npid", aNewParentId);
    aQuery.ParamByName("pos").SetInt32(static_cast<int>(aPos));
    r = ToResult(RunBatch(aQuery));
  });
}

TFuncR MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                   TTreeSiblingMoveDir aDir) {
  return Guarded(aQuery, msg::kMoveSibling.procedure, [&](TFuncR& r) {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_MoveSibling   @TableName=:tbl, @Id=:id, "
              "@Dir=:dir,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS "
              "Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ParamByName("dir").SetInt32(static_cast<int>(aDir));
    r = ToResult(RunBatch(aQuery));
  });
}

int FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                            const std::vector<std::string>& aSegments) {
  return detail::IdOrZero(aQuery, [&] {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Rid INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_FindOrCreateByPath   @TableName=:tbl, "
              "@Path=:path,   @ResultId=@Rid OUTPUT, @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
              "OUTPUT; SELECT @Rid AS ResultId, @Code AS Code, @Msg AS Msg;",
              aTable);
    BindWide(aQuery, "path", JoinGroupPath(aSegments));
    const Outputs out = RunBatch(aQuery, "ResultId");
    return out.code == 0 ? out.id : 0;
  });
}

}  // namespace

const TreeForm& ProcedureTreeForm() {
  static const TreeForm form{
      &GetRootID,  &AddNode,        &AddChildNode,   &DeleteNode,  &DeleteSubtree,
      &UpdateNode, &UpdateNodeGUID, &ChangeParentEx, &MoveSibling, &FindOrCreateGroupByPath};
  return form;
}

}  // namespace tir::tree
