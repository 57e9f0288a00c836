#pragma once

#include <cstdint>
#include <string>

#include "db/query.h"

namespace tir::tree {

// Counters of the integrity check of a tree table.
struct TTreeCheckCounts {
  std::int64_t NodeCount = 0;
  std::int64_t RootCount = 0;
  std::int64_t BadBase = 0;
  std::int64_t DupCl = 0;
  std::int64_t DupCr = 0;
  std::int64_t BadParity = 0;
  std::int64_t MaxFcr = 0;
  std::int64_t ExpectedMax = 0;
  std::int64_t DistinctVals = 0;
  std::int64_t BadLevel = 0;
  std::int64_t RootNotFcl1 = 0;

  bool IsSound() const;
};

// Reads the counters: the base's procedure on MS SQL Server, the portable counting query elsewhere.
// Database errors raise tir::db::DbError.
TTreeCheckCounts ReadTreeCheckCounts(db::Query& aQuery, const std::string& aTable);

// The report text of the counters (lines joined by CR LF).
std::string TreeCheckReport(const TTreeCheckCounts& aCounts);

// True when the tree is sound; aReport receives the report. Database errors raise.
bool gTreeFunc_CheckIntegrity(db::Query& aQuery, const std::string& aTable, std::string& aReport);

}  // namespace tir::tree
