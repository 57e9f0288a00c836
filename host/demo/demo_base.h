#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "db/connection.h"

namespace tir::demo {

struct DemoOptions {
  std::int64_t goods = 1000;
  // Number of documents; below 0 means as many as goods. Documents average about ten lines.
  std::int64_t docs = -1;
  std::uint64_t seed = 1;
  // Called with a progress text about every 5% of the work.
  std::function<void(const std::string&)> progress;
};

// Fills an empty base (fresh schema, catalogs without rows) with a realistic sample back office:
// group trees, goods with barcodes, prices, recipes and photos, partners with contracts, legal
// entities, stores, users with rights, currencies, tax rates, cash accounts, tables, modifiers,
// sale points, discount rules and documents of every type 1–15 with their lines. Documents are
// written unposted (state 1, empty registers). The same options give the same base.
// Runs in one transaction unless the caller has one open. Raises std::invalid_argument for
// options out of range, std::runtime_error when the base already holds data, and
// tir::db::DbError for database failures (the transaction it opened is rolled back).
void GenerateDemoBase(tir::db::Connection& connection, const DemoOptions& options);

}  // namespace tir::demo
