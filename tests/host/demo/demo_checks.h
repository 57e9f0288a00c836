#pragma once

#include <string>

#include "db/connection.h"

namespace tir::test {

// Text of every row of every table of the base, in id order (values quoted as SQL literals).
std::string BaseContent(tir::db::Connection& connection);

// Problems of the nested-set tree in `table` (empty when it is sound): one root at fcl 1, the
// values 1 … 2N each once, odd widths, levels equal to the number of ancestors.
std::string TreeProblems(tir::db::Connection& connection, const std::string& table);

}  // namespace tir::test
