#pragma once

#include <cstdint>
#include <string>

#include "db/query.h"
#include "export/json_out.h"

namespace tir::exporting {

// One group of a group tree walk.
struct TGroupRow {
  std::string name;
  std::string fullpath;  // the names of the enclosing groups and its own, each after a "\"
  std::int64_t level;
  db::Field id;
  std::string guid;
};

// What a group tree walk is written into. Groups come in the order of the tree: a group, then
// (when it has any) BeginChildren, its children and EndChildren, which completes the group too;
// EndGroup completes a group without children.
class TGroupTreeSink {
 public:
  virtual ~TGroupTreeSink() = default;
  virtual void Group(const TGroupRow& row) = 0;
  virtual void EndGroup() = 0;
  virtual void BeginChildren() = 0;
  virtual void EndChildren() = 0;
};

// Walks the group tree of a nested-set group table with one query ordered by the left bound; the
// root row is skipped. Raises std::invalid_argument for a table name that is not a plain
// identifier and tir::db::DbError for database errors.
void WalkGroupTree(db::Query& query, const std::string& table, TGroupTreeSink& sink);

// Writes the group tree of a nested-set group table as `key`: an array of group objects
// ("name", "fullpath", "level", "lid", "guid", and "children" for groups that have any). "level"
// and "lid" are 32-bit integers.
void WriteGroupTree(db::Query& query, const std::string& table, const std::string& key,
                    TJsonOut& out);

}  // namespace tir::exporting
