#pragma once

#include <initializer_list>

#include "db/query.h"

namespace tir::exporting {

// Gives every row of the listed tables whose GUID pair is (0, 0) a new GUID. The updates are
// collected as statement text and run in batches: a batch runs when the statement counter, tested
// after each appended statement and before it is incremented, is greater than `batchLimit` (the
// counter then restarts at 0), and once more after each table's last row. Each batch runs in a
// transaction of its own unless the caller has one open, so a rerun completes an interrupted run.
// `query` is used for reading and writing. Raises tir::db::DbError.
void CompleteGuids(db::Query& query, std::initializer_list<const char*> tables, int batchLimit);

}  // namespace tir::exporting
