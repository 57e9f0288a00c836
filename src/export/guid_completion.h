#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "db/query.h"

namespace tir::exporting {

// Gives every row of the listed tables whose GUID pair is (0, 0) a new GUID. The updates are
// collected as statement text and run in batches: a batch runs when the statement counter, tested
// after each appended statement and before it is incremented, is greater than `batchLimit` (the
// counter then restarts at 0), and once more after each table's last row. Each batch runs in a
// transaction of its own unless the caller has one open, so a rerun completes an interrupted run.
// `query` is used for reading and writing. `onBatch`, when given, is told before each batch that
// runs inside a table: the table's index, the number of tables and the rows of the table done so
// far. Raises tir::db::DbError.
void CompleteGuids(db::Query& query, std::initializer_list<const char*> tables, int batchLimit,
                   const std::function<void(std::size_t table, std::size_t tables,
                                            std::size_t done)>& onBatch = {});

// The GUID of the base as stored in tirSettings; nothing when no row holds it.
std::optional<std::string> ReadBaseGuid(db::Query& query);
// Stores `guid` as the GUID of the base, replacing a stored one.
void StoreBaseGuid(db::Query& query, const std::string& guid);

}  // namespace tir::exporting
