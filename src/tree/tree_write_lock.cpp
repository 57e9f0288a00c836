#include "tree/tree_write_lock.h"

#include "db/db_error.h"
#include "db/unicode_case.h"
#include "tree/tree_sql.h"

namespace tir::tree {

std::string TreeLockResource(const std::string& aTable) {
  std::size_t begin = 0;
  std::size_t end = aTable.size();
  while (begin < end && static_cast<unsigned char>(aTable[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(aTable[end - 1]) <= ' ') --end;
  std::string name;
  for (std::size_t i = begin; i < end; ++i) {
    if (aTable[i] != '[' && aTable[i] != ']') name += aTable[i];
  }
  if (name.find('.') == std::string::npos) name = "dbo." + name;
  return "TreeWrite:" + name;
}

TreeWriteLock::TreeWriteLock(db::Query& aQuery, std::string aTable)
    : query_(aQuery), table_(std::move(aTable)) {}

TreeWriteLock::~TreeWriteLock() {
  if (!started_) return;
  try {
    Rollback();
  } catch (const std::exception&) {
    // Nothing more can be done for a transaction that will not roll back.
  }
}

void TreeWriteLock::Acquire() {
  db::Connection& connection = query_.GetConnection();
  if (!connection.InTransaction()) {
    connection.StartTransaction();
    started_ = true;
  }
  if (connection.Kind() != db::DbKind::kMSSQL) return;

  query_.Close();
  query_.SetSql("SET XACT_ABORT ON; SET IMPLICIT_TRANSACTIONS OFF;");
  query_.ExecSql();
  query_.SetSql(
      "DECLARE @res INT; EXEC @res = sp_getapplock   @Resource = :r,   @LockMode = 'Exclusive',   "
      "@LockOwner = 'Transaction',   @LockTimeout = 10000; SELECT @res AS res;");
  query_.ParamByName("r").SetWideText(db::Utf8ToUtf16(TreeLockResource(table_)));
  query_.Open();
  const int res = query_.Eof() ? -999 : query_.FieldByName("res").AsInt32();
  query_.Close();
  if (res < 0) {
    Rollback();
    throw db::DbError(
        detail::FormatMessage("Не вдалося взяти блокування дерева (applock), код=%d", {res}));
  }
}

void TreeWriteLock::Commit() {
  if (!started_) return;
  started_ = false;
  query_.GetConnection().Commit();
}

void TreeWriteLock::Rollback() {
  if (!started_) return;
  started_ = false;
  query_.GetConnection().Rollback();
}

}  // namespace tir::tree
