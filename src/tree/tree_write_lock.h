#pragma once

#include <string>

#include "db/query.h"

namespace tir::tree {

// Lock resource of a tree table on MS SQL Server: "TreeWrite:" and the table name trimmed, without
// brackets and with "dbo." in front when it names no schema.
std::string TreeLockResource(const std::string& aTable);

// Exclusive right to rewrite a tree table. Acquire() starts a transaction when the connection has
// none; on MS SQL Server it also takes the transaction-owned application lock of the table (10 s
// timeout). Commit() and Rollback() end only a transaction this lock started; the destructor rolls
// it back when neither was called. Failures raise tir::db::DbError.
class TreeWriteLock {
 public:
  TreeWriteLock(db::Query& aQuery, std::string aTable);
  ~TreeWriteLock();
  TreeWriteLock(const TreeWriteLock&) = delete;
  TreeWriteLock& operator=(const TreeWriteLock&) = delete;

  void Acquire();
  void Commit();
  void Rollback();
  bool StartedTransaction() const { return started_; }

 private:
  db::Query& query_;
  std::string table_;
  bool started_ = false;
};

}  // namespace tir::tree
