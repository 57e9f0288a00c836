#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/sqlite_connection.h"
#include "tests/support/temp_base.h"

// Helpers of the tree tests: tables of their own, reading rows back and an in-memory check of a
// nested set that does not share code with the module.
namespace tir::tree::testing {

struct Row {
  int id = 0;
  std::optional<int> cl;
  std::optional<int> cr;
  std::optional<int> lev;
  std::string name;
  std::int64_t g1 = 0;
  std::int64_t g2 = 0;

  bool operator==(const Row&) const = default;
};

// A tree table with the module's columns; the bounds and level may be NULL.
void CreateTreeTable(db::SqliteConnection& conn, const std::string& table);

// Every row ordered by id.
std::vector<Row> ReadRows(db::Connection& conn, const std::string& table);

// Writes rows with their ids (bounds and level as given, NULL when absent).
void InsertRows(db::Connection& conn, const std::string& table, const std::vector<Row>& rows);

using tir::test::Exec;

// Empty when the rows are a sound nested set, else the first fault found.
std::string NestedSetFault(const std::vector<Row>& rows);

// Parent id of every row of a sound nested set (0 for the root), and children in bound order.
std::map<int, int> ParentsOf(const std::vector<Row>& rows);
std::map<int, std::vector<int>> ChildrenOf(const std::vector<Row>& rows);

// A random sound tree of `count` nodes with ids 1..count (1 is the root named "root"), names
// "g<id>" and random GUIDs.
std::vector<Row> RandomTree(int count, std::mt19937& rng);

// Seeds of the randomized tests: a fixed list plus TIR_TREE_SEED from the environment when set.
std::vector<std::uint32_t> TestSeeds(const std::vector<std::uint32_t>& fixed);

}  // namespace tir::tree::testing
