#include "tree/tree_procedure.h"

#include <exception>

#include "db/db_error.h"
#include "db/unicode_case.h"
#include "settings/guid_forms.h"
#include "tree/tree_messages.h"
#include "tree/tree_path.h"
#include "tree/tree_sql.h"

namespace tir::tree::procedure {
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

// A failed batch keeps the starting code and reports the error text after the prefix.
TFuncR ErrorResult(db::Query& q, const char* prefix, const std::exception& e) {
  q.Close();
  TFuncR r;
  r.fStr = std::string(prefix) + e.what();
  return r;
}

TFuncR RunIdOnly(db::Query& q, const char* batch, const std::string& table, int id,
                 const char* prefix) {
  try {
    LoadBatch(q, batch, table);
    q.ParamByName("id").SetInt32(id);
    return ToResult(RunBatch(q));
  } catch (const std::exception& e) {
    return ErrorResult(q, prefix, e);
  }
}

}  // namespace

int GetRootID(db::Query& aQuery, const std::string& aTable) {
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @RootId INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_GetOrCreateRoot   @TableName=:tbl, "
              "@RootName=:rn,   @RootId=@RootId OUTPUT, @ResultCode=@Code OUTPUT, "
              "@ResultMsg=@Msg OUTPUT; SELECT @RootId AS RootId, @Code AS Code, @Msg AS Msg;",
              aTable);
    BindWide(aQuery, "rn", "root");
    const Outputs out = RunBatch(aQuery, "RootId");
    return out.code == 0 ? out.id : 0;
  } catch (const std::exception&) {
    aQuery.Close();
    return 0;
  }
}

TFuncR AddNode(db::Query& aQuery, const std::string& aTable, int aAfterId, const std::string& aName,
               int& aNewId) {
  aNewId = 0;
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @NewId INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_AddSiblingAfter   @TableName=:tbl, "
              "@AfterId=:aid, @Name=:nm,   @NewId=@NewId OUTPUT, @ResultCode=@Code OUTPUT, "
              "@ResultMsg=@Msg OUTPUT,   @Guid1=:g1, @Guid2=:g2; SELECT @NewId AS NewId, @Code AS "
              "Code, @Msg AS Msg;",
              aTable);
    BindIdOrNull(aQuery, "aid", aAfterId);
    BindWide(aQuery, "nm", aName);
    BindNewGuid(aQuery);
    const Outputs out = RunBatch(aQuery, "NewId");
    aNewId = out.id;
    return ToResult(out);
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kAddNode.procedure, e);
  }
}

TFuncR AddChildNode(db::Query& aQuery, const std::string& aTable, int aParentId,
                    const std::string& aName, int& aNewId) {
  aNewId = 0;
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @NewId INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_AddChild   @TableName=:tbl, @ParentId=:pid, "
              "@Name=:nm,   @NewId=@NewId OUTPUT, @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
              "OUTPUT,   @Guid1=:g1, @Guid2=:g2; SELECT @NewId AS NewId, @Code AS Code, @Msg AS "
              "Msg;",
              aTable);
    BindIdOrNull(aQuery, "pid", aParentId);
    BindWide(aQuery, "nm", aName);
    BindNewGuid(aQuery);
    const Outputs out = RunBatch(aQuery, "NewId");
    aNewId = out.id;
    return ToResult(out);
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kAddChild.procedure, e);
  }
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
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_UpdateName   @TableName=:tbl, @Id=:id, "
              "@Name=:nm,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS "
              "Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    BindWide(aQuery, "nm", aName);
    return ToResult(RunBatch(aQuery));
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kRename.procedure, e);
  }
}

TFuncR UpdateNodeGUID(db::Query& aQuery, const std::string& aTable, int aId,
                      const std::string& aGuidText) {
  try {
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
    return ToResult(RunBatch(aQuery));
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kGuid.procedure, e);
  }
}

TFuncR ChangeParentEx(db::Query& aQuery, const std::string& aTable, int aId, int aNewParentId,
                      TTreeInsertPos aPos) {
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_ChangeParentEx   @TableName=:tbl, @Id=:id, "
              "@NewParentId=:npid, @InsertPos=:pos,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
              "OUTPUT; SELECT @Code AS Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    BindIdOrNull(aQuery, "npid", aNewParentId);
    aQuery.ParamByName("pos").SetInt32(static_cast<int>(aPos));
    return ToResult(RunBatch(aQuery));
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kChangeParent.procedure, e);
  }
}

TFuncR MoveSibling(db::Query& aQuery, const std::string& aTable, int aId,
                   TTreeSiblingMoveDir aDir) {
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_MoveSibling   @TableName=:tbl, @Id=:id, "
              "@Dir=:dir,   @ResultCode=@Code OUTPUT, @ResultMsg=@Msg OUTPUT; SELECT @Code AS "
              "Code, @Msg AS Msg;",
              aTable);
    aQuery.ParamByName("id").SetInt32(aId);
    aQuery.ParamByName("dir").SetInt32(static_cast<int>(aDir));
    return ToResult(RunBatch(aQuery));
  } catch (const std::exception& e) {
    return ErrorResult(aQuery, msg::kMoveSibling.procedure, e);
  }
}

int FindOrCreateGroupByPath(db::Query& aQuery, const std::string& aTable,
                            const std::vector<std::string>& aSegments) {
  try {
    LoadBatch(aQuery,
              "SET NOCOUNT ON; SET IMPLICIT_TRANSACTIONS OFF; DECLARE @Rid INT, @Code INT, @Msg "
              "NVARCHAR(4000); EXEC dbo.usp_Tree_FindOrCreateByPath   @TableName=:tbl, "
              "@Path=:path,   @ResultId=@Rid OUTPUT, @ResultCode=@Code OUTPUT, @ResultMsg=@Msg "
              "OUTPUT; SELECT @Rid AS ResultId, @Code AS Code, @Msg AS Msg;",
              aTable);
    BindWide(aQuery, "path", JoinGroupPath(aSegments));
    const Outputs out = RunBatch(aQuery, "ResultId");
    return out.code == 0 ? out.id : 0;
  } catch (const std::exception&) {
    aQuery.Close();
    return 0;
  }
}

}  // namespace tir::tree::procedure
