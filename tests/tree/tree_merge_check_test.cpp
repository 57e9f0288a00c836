// Randomized: whenever the merge check says the renames and moves of a group text may be left
// out, running them changes nothing beyond what adding the new groups alone does; and a text that
// repeats a sound tree, alone or with groups appended at the end of their parents, is recognised.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_merge_check.h"
#include "tree_test_support.h"

namespace tir::tree {
namespace {

namespace tt = tir::tree::testing;

int Pick(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// The text that repeats the tree: every node but the root in depth-first order, under its parent.
std::vector<TMergeStep> RepeatText(const std::vector<tt::Row>& rows) {
  const auto kids = tt::ChildrenOf(rows);
  std::map<int, std::string> names;
  for (const tt::Row& r : rows) names[r.id] = r.name;
  std::vector<TMergeStep> steps;
  std::vector<std::pair<int, std::size_t>> stack{{1, 0}};
  while (!stack.empty()) {
    auto& [id, next] = stack.back();
    const auto it = kids.find(id);
    if (it == kids.end() || next >= it->second.size()) {
      stack.pop_back();
      continue;
    }
    const int child = it->second[next++];
    steps.push_back({child, id, names[child]});
    stack.emplace_back(child, 0);
  }
  return steps;
}

// Runs the steps as a load does: new nodes added, existing ones renamed and moved when `moves`.
void RunSteps(db::Query& q, const std::string& table, const std::vector<TMergeStep>& steps,
              bool moves) {
  std::map<int, int> added;
  const auto real = [&](int id) { return id < 0 ? added.at(id) : id; };
  for (const TMergeStep& s : steps) {
    if (s.id < 0) {
      int id = 0;
      ASSERT_EQ(gTreeFunc_AddChieldNode(q, table, real(s.parent), s.name, id).fCode, 0);
      added[s.id] = id;
    } else if (moves) {
      gTreeFunc_UpdateNode(q, table, s.id, s.name);
      gTreeFunc_ChangeParent(q, table, s.id, real(s.parent));  // may refuse; the check knows
    }
  }
}

// The rows of a table; the GUIDs of added rows, random in each table, are left out.
std::vector<tt::Row> RowsOf(db::Connection& conn, const std::string& table, std::size_t known) {
  std::vector<tt::Row> rows = tt::ReadRows(conn, table);
  for (tt::Row& r : rows) {
    if (static_cast<std::size_t>(r.id) > known) r.g1 = r.g2 = 0;
  }
  return rows;
}

enum Change {
  kNone,
  kAppendNew,
  kRename,
  kSwap,
  kReparent,
  kDrop,
  kInsertNew,
  kRepeat,
  kGap,
  kRoot
};

TEST(TreeMergeCheck, LeavingOutTheMovesIsExactWheneverTheCheckAllowsIt) {
  auto conn = db::SqliteConnection::Open(":memory:");
  db::Query q(*conn);
  int allowed = 0, cases = 0;
  for (const std::uint32_t seed : tt::TestSeeds({3, 1812, 90210})) {
    std::mt19937 rng(seed);
    for (int c = 0; c < 300 && !HasFailure(); ++c, ++cases) {
      const std::vector<tt::Row> rows = tt::RandomTree(Pick(rng, 1, 14), rng);
      for (const char* t : {"tirMergeMoved", "tirMergeAdded"}) {
        tt::Exec(*conn, std::string("DROP TABLE IF EXISTS ") + t + ";");
        tt::CreateTreeTable(*conn, t);
        tt::InsertRows(*conn, t, rows);
      }
      std::vector<TMergeStep> steps = RepeatText(rows);
      const auto anyStep = [&] {
        return static_cast<std::size_t>(Pick(rng, 0, static_cast<int>(steps.size()) - 1));
      };
      const int anyId = Pick(rng, 1, static_cast<int>(rows.size()));
      const Change change = static_cast<Change>(Pick(rng, kNone, kRoot));
      const bool mustAllow = change == kNone || change == kAppendNew;
      int newId = 0;
      if (change == kAppendNew) {
        // New nodes at the end of the text, under any node: they come last under their parents.
        for (int n = Pick(rng, 1, 3); n > 0; --n) {
          const int parent = newId < 0 && Pick(rng, 0, 1) == 0 ? newId : anyId;
          steps.push_back({--newId, parent, "new"});
        }
      } else if (change == kInsertNew) {
        const auto at = static_cast<std::ptrdiff_t>(Pick(rng, 0, static_cast<int>(steps.size())));
        steps.insert(steps.begin() + at, {--newId, anyId, "new"});
      } else if (change == kRoot) {
        steps.insert(steps.begin(), {1, 0, "root"});
      } else if (change == kGap) {
        const int from = Pick(rng, 1, static_cast<int>(2 * rows.size()));
        for (const char* t : {"tirMergeMoved", "tirMergeAdded"}) {
          tt::Exec(*conn, std::string("UPDATE ") + t +
                              " SET fcl=fcl+1 WHERE fcl>=" + std::to_string(from) + "; UPDATE " +
                              t + " SET fcr=fcr+1 WHERE fcr>=" + std::to_string(from) + ";");
        }
      } else if (!steps.empty()) {
        const std::size_t i = anyStep(), j = anyStep();
        if (change == kRename) steps[i].name += "x";
        if (change == kSwap) std::swap(steps[i], steps[j]);
        if (change == kReparent) steps[i].parent = anyId;
        if (change == kDrop) steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(i));
        if (change == kRepeat) steps.push_back(steps[i]);
      }
      const bool skip = gTreeMovesChangeNothing(q, "tirMergeAdded", steps);
      RunSteps(q, "tirMergeMoved", steps, true);
      RunSteps(q, "tirMergeAdded", steps, false);
      if (skip) {
        ++allowed;
        EXPECT_TRUE(RowsOf(*conn, "tirMergeMoved", rows.size()) ==
                    RowsOf(*conn, "tirMergeAdded", rows.size()))
            << "seed " << seed << " case " << c << " change " << change;
      }
      if (mustAllow) {
        EXPECT_TRUE(skip) << "seed " << seed << " case " << c;
      }
    }
  }
  EXPECT_GT(allowed, cases / 5);
}

}  // namespace
}  // namespace tir::tree
