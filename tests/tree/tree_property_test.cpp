// Randomized tests: sequences of operations keep a tree sound and do what a model of the tree
// predicts; random damage is always repaired into a sound tree that keeps every row and every
// nesting that stayed trustworthy. Seeds: a fixed list plus TIR_TREE_SEED when set.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "db/query.h"
#include "db/sqlite_connection.h"
#include "tree/tree_functions.h"
#include "tree/tree_integrity.h"
#include "tree/tree_repair.h"
#include "tree_test_support.h"

namespace tir::tree {
namespace {

namespace tt = tir::tree::testing;
using tt::Row;

// Table names of several spellings the module accepts.
const std::vector<std::string> kTables = {"tirPropGroups", "[tirPropBracket]", "main.tirPropMain"};

int Pick(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// What the tree should look like: parent and ordered children of every node.
class TreeModel {
 public:
  explicit TreeModel(const std::vector<Row>& rows) {
    for (const auto& [id, parent] : tt::ParentsOf(rows)) {
      parent_[id] = parent;
      if (parent == 0) root_ = id;
    }
    children_ = tt::ChildrenOf(rows);
  }

  int Root() const { return root_; }
  bool Has(int id) const { return parent_.count(id) > 0; }
  int ParentOf(int id) const { return parent_.at(id); }
  const std::vector<int>& Kids(int id) { return children_[id]; }
  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const auto& [id, parent] : parent_) ids.push_back(id);
    return ids;
  }

  bool InSubtree(int top, int node) const {
    for (int n = node; n != 0; n = parent_.at(n)) {
      if (n == top) return true;
    }
    return false;
  }

  void Insert(int id, int parent, std::size_t at) {
    parent_[id] = parent;
    auto& kids = children_[parent];
    kids.insert(kids.begin() + static_cast<std::ptrdiff_t>(std::min(at, kids.size())), id);
  }

  std::size_t Detach(int id) {
    auto& kids = children_[parent_.at(id)];
    const auto it = std::find(kids.begin(), kids.end(), id);
    const auto pos = static_cast<std::size_t>(it - kids.begin());
    kids.erase(it);
    return pos;
  }

  void EraseSubtree(int id) {
    Detach(id);
    std::vector<int> pending{id};
    while (!pending.empty()) {
      const int n = pending.back();
      pending.pop_back();
      for (int kid : children_[n]) pending.push_back(kid);
      children_.erase(n);
      parent_.erase(n);
    }
  }

  // Children lists without empty entries, for comparing with a table.
  std::map<int, std::vector<int>> Children() const {
    std::map<int, std::vector<int>> out;
    for (const auto& [id, kids] : children_) {
      if (!kids.empty()) out[id] = kids;
    }
    return out;
  }

 private:
  std::map<int, int> parent_;
  std::map<int, std::vector<int>> children_;
  int root_ = 0;
};

class TreePropertyTest : public ::testing::Test {
 protected:
  void SetUp() override { conn_ = db::SqliteConnection::Open(":memory:"); }

  void FreshTable(const std::string& table, const std::vector<Row>& rows) {
    const std::string bare = table.substr(table.find('.') + 1);
    tt::Exec(*conn_, "DROP TABLE IF EXISTS " + bare + ";");
    tt::CreateTreeTable(*conn_, table);
    tt::InsertRows(*conn_, table, rows);
  }

  std::unique_ptr<db::SqliteConnection> conn_;
};

// One random operation on the table and the model; returns a description for failure messages.
std::string ApplyRandomOperation(db::Query& q, const std::string& table, TreeModel& model,
                                 std::mt19937& rng, int& nameCounter) {
  const std::vector<int> ids = model.Ids();
  auto anyId = [&] {
    const int roll = Pick(rng, 0, 19);
    if (roll == 0) return 0;
    if (roll == 1) return 900000 + Pick(rng, 0, 9);  // no such row
    return ids[Pick(rng, 0, static_cast<int>(ids.size()) - 1)];
  };
  const std::string name = "n" + std::to_string(++nameCounter);
  const int op = Pick(rng, 0, 7);
  TFuncR r;
  int expected = 0;
  std::string what;
  const std::vector<Row> before = tt::ReadRows(q.GetConnection(), table);

  switch (op) {
    case 0:
    case 1: {  // add child (twice as likely, so trees grow)
      const int parent = anyId();
      what = "add child under " + std::to_string(parent);
      int newId = 0;
      r = gTreeFunc_AddChieldNode(q, table, parent, name, newId);
      const int target = parent < 1 ? model.Root() : parent;
      if (!model.Has(target)) {
        expected = 2;
      } else {
        model.Insert(newId, target, model.Kids(target).size());
      }
      break;
    }
    case 2: {
      const int after = anyId();
      what = "add sibling after " + std::to_string(after);
      int newId = 0;
      r = gTreeFunc_AddNode(q, table, after, name, newId);
      if (after >= 1 && model.Has(after) && after != model.Root()) {
        const int parent = model.ParentOf(after);
        const auto& kids = model.Kids(parent);
        const auto pos = std::find(kids.begin(), kids.end(), after) - kids.begin();
        model.Insert(newId, parent, static_cast<std::size_t>(pos + 1));
      } else {
        model.Insert(newId, model.Root(), model.Kids(model.Root()).size());
      }
      break;
    }
    case 3: {
      const int id = anyId();
      what = "rename " + std::to_string(id);
      r = gTreeFunc_UpdateNode(q, table, id, name);
      break;
    }
    case 4: {
      const int id = anyId();
      const int parent = anyId();
      const bool first = Pick(rng, 0, 1) == 0;
      what = "move " + std::to_string(id) + " under " + std::to_string(parent) +
             (first ? " first" : " last");
      r = gTreeFunc_ChangeParentEx(q, table, id, parent, first ? tipFirstChild : tipLastChild);
      const int target = parent < 1 ? model.Root() : parent;
      if (!model.Has(id)) {
        expected = 1;
      } else if (id == model.Root()) {
        expected = 2;
      } else if (!model.Has(target)) {
        expected = 3;
      } else if (model.InSubtree(id, target)) {
        expected = 4;
      } else {
        model.Detach(id);
        model.Insert(id, target, first ? 0 : model.Kids(target).size());
      }
      break;
    }
    case 5: {
      const int id = anyId();
      const bool up = Pick(rng, 0, 1) == 0;
      what = std::string("move sibling ") + (up ? "up " : "down ") + std::to_string(id);
      r = gTreeFunc_MoveSibling(q, table, id, up ? smdUp : smdDown);
      if (id < 1) {
        expected = 1;
      } else if (!model.Has(id)) {
        expected = 2;
      } else if (id == model.Root()) {
        expected = 3;
      } else {
        const int parent = model.ParentOf(id);
        const std::size_t pos = model.Detach(id);
        const std::size_t count = model.Kids(parent).size() + 1;
        if ((up && pos == 0) || (!up && pos + 1 == count)) {
          expected = 10;
          model.Insert(id, parent, pos);
        } else {
          model.Insert(id, parent, up ? pos - 1 : pos + 1);
        }
      }
      break;
    }
    case 6: {
      const int id = anyId();
      what = "delete leaf " + std::to_string(id);
      r = gTreeFunc_DeleteNode(q, table, id);
      if (id < 1) {
        expected = 1;
      } else if (!model.Has(id)) {
        expected = 2;
      } else if (id == model.Root()) {
        expected = 4;
      } else if (!model.Kids(id).empty()) {
        expected = 3;
      } else {
        model.EraseSubtree(id);
      }
      break;
    }
    default: {
      const int id = anyId();
      what = "delete subtree " + std::to_string(id);
      r = gTreeFunc_DeleteSubtree(q, table, id);
      if (!model.Has(id)) {
        expected = 1;
      } else if (id == model.Root()) {
        expected = 2;
      } else {
        model.EraseSubtree(id);
      }
      break;
    }
  }
  EXPECT_EQ(r.fCode, expected) << what << ": " << r.fStr;
  if (expected != 0) {
    EXPECT_FALSE(r.fStr.empty()) << what;
    EXPECT_EQ(tt::ReadRows(q.GetConnection(), table), before) << what << " changed the table";
  } else {
    EXPECT_EQ(r.fStr, "") << what;
  }
  return what;
}

TEST_F(TreePropertyTest, RandomOperationsKeepTreeSound) {
  int sequences = 0;
  for (const std::uint32_t seed : tt::TestSeeds({11, 2024, 777, 31337})) {
    std::mt19937 rng(seed);
    for (int s = 0; s < 400 && !HasFailure(); ++s, ++sequences) {
      const std::string& table = kTables[static_cast<std::size_t>(s) % kTables.size()];
      const int roll = Pick(rng, 0, 99);
      const int size = roll < 10   ? 0
                       : roll < 75 ? Pick(rng, 1, 25)
                       : roll < 95 ? Pick(rng, 26, 90)
                                   : Pick(rng, 150, 300);
      FreshTable(table, size == 0 ? std::vector<Row>{} : tt::RandomTree(size, rng));
      db::Query q(*conn_);
      if (size == 0) {
        ASSERT_GT(gTreeFunc_GetRootID(q, table), 0);
      }
      TreeModel model(tt::ReadRows(*conn_, table));
      int names = 0;
      const int steps = size >= 150 ? Pick(rng, 3, 6) : Pick(rng, 8, 24);
      for (int step = 0; step < steps && !HasFailure(); ++step) {
        const std::string what = ApplyRandomOperation(q, table, model, rng, names);
        const std::vector<Row> rows = tt::ReadRows(*conn_, table);
        const std::string fault = tt::NestedSetFault(rows);
        std::string report;
        const bool checked = gTreeFunc_CheckIntegrity(q, table, report);
        ASSERT_EQ(fault, "") << "seed " << seed << " sequence " << s << " after " << what;
        ASSERT_TRUE(checked) << "seed " << seed << " sequence " << s << " after " << what << "\n"
                             << report;
        ASSERT_EQ(tt::ChildrenOf(rows), model.Children())
            << "seed " << seed << " sequence " << s << " after " << what;
        ASSERT_EQ(rows.size(), model.Ids().size());
      }
    }
  }
  EXPECT_GE(sequences, 1600);
}

// Damage of a sound tree, row by row. The original root is id 1, named "root".
void Damage(std::vector<Row>& rows, std::mt19937& rng, int& nextId) {
  auto anyRow = [&]() -> Row& { return rows[Pick(rng, 0, static_cast<int>(rows.size()) - 1)]; };
  auto nonRoot = [&]() -> Row* {
    for (int tries = 0; tries < 8; ++tries) {
      Row& r = anyRow();
      if (r.id != 1) return &r;
    }
    return nullptr;
  };
  int maxR = 0;
  for (const Row& r : rows) maxR = std::max(maxR, r.cr.value_or(0));
  Row* a = nonRoot();
  switch (Pick(rng, 0, 6)) {
    case 0:  // a bound of another row
      if (Row* b = nonRoot(); a != nullptr && b != nullptr && a != b) {
        const int which = Pick(rng, 0, 2);
        if (which == 0) a->cl = b->cl;
        if (which == 1) a->cr = b->cr;
        if (which == 2) a->cl = b->cr;
      }
      break;
    case 1:  // swapped bounds
      if (a != nullptr) std::swap(a->cl, a->cr);
      break;
    case 2:  // wrong level
      anyRow().lev = Pick(rng, 0, 9);
      break;
    case 3:  // orphan: an interval outside everything
      if (a != nullptr) {
        a->cl = maxR + 1 + 2 * Pick(rng, 0, 5);
        a->cr = *a->cl + 1 + 2 * Pick(rng, 0, 2);
      }
      break;
    case 4:  // the root row is lost
      rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Row& r) { return r.id == 1; }),
                 rows.end());
      break;
    case 5:  // the right bound sticks out
      if (a != nullptr && a->cr) a->cr = *a->cr + 1 + Pick(rng, 0, 6);
      break;
    default: {  // a row written by a rival without bounds (or with made-up ones)
      Row r;
      r.id = nextId++;
      r.name = "rival" + std::to_string(r.id);
      r.g1 = std::int64_t{r.id} * 1000;
      r.g2 = -r.id;
      const int kind = Pick(rng, 0, 2);
      if (kind == 1) r.cl = r.cr = r.lev = 0;
      if (kind == 2) {
        r.cl = Pick(rng, 1, maxR + 4);
        r.cr = Pick(rng, 1, maxR + 4);
        r.lev = Pick(rng, 0, 4);
      }
      rows.push_back(r);
      break;
    }
  }
}

bool Valid(const Row& r) { return r.cl && r.cr && *r.cl >= 1 && *r.cr >= 1 && *r.cl < *r.cr; }

// Pairs (row, parent) that the repair must keep: both intervals unchanged and shared with no
// other row, and no changed interval opens between the parent's start and the row's start and
// closes after the row's end (it would hold the row, or end the parent's run early).
std::map<int, int> TrustworthyNesting(const std::vector<Row>& original,
                                      const std::vector<Row>& damaged, int rootId) {
  std::map<int, const Row*> orig;
  for (const Row& r : original) orig[r.id] = &r;
  // The root's bounds count too; a root the repair creates sits at (1, 2).
  std::map<int, int> boundUse;
  bool rootFound = false;
  for (const Row& r : damaged) {
    rootFound = rootFound || r.id == rootId;
    if (Valid(r)) {
      ++boundUse[*r.cl];
      ++boundUse[*r.cr];
    }
  }
  if (!rootFound) {
    ++boundUse[1];
    ++boundUse[2];
  }
  std::map<int, const Row*> trusted;
  std::vector<const Row*> doubtful;
  for (const Row& r : damaged) {
    if (!Valid(r) || r.id == rootId || boundUse[*r.cl] > 1 || boundUse[*r.cr] > 1) continue;
    const auto it = orig.find(r.id);
    if (it != orig.end() && it->second->cl == r.cl && it->second->cr == r.cr) {
      trusted[r.id] = &r;
    } else {
      doubtful.push_back(&r);
    }
  }
  const std::map<int, int> parents = tt::ParentsOf(original);
  std::map<int, int> expected;
  for (const auto& [id, x] : trusted) {
    const int p = parents.at(id);
    const bool underRoot = p == 1;
    if (!underRoot && trusted.count(p) == 0) continue;
    const int start = underRoot ? 0 : *trusted.at(p)->cl;
    const int left = *x->cl;
    const int right = *x->cr;
    const bool disturbed = std::any_of(doubtful.begin(), doubtful.end(), [&](const Row* y) {
      return *y->cl > start && *y->cl<left&& * y->cr> right;
    });
    if (!disturbed) expected[id] = underRoot ? rootId : p;
  }
  return expected;
}

TEST_F(TreePropertyTest, RandomDamageIsRepaired) {
  int cases = 0;
  for (const std::uint32_t seed : tt::TestSeeds({5, 99, 4242, 65535})) {
    std::mt19937 rng(seed);
    for (int c = 0; c < 750 && !HasFailure(); ++c, ++cases) {
      const std::string& table = kTables[static_cast<std::size_t>(c) % kTables.size()];
      const int roll = Pick(rng, 0, 99);
      const int size = roll < 80   ? Pick(rng, 2, 40)
                       : roll < 97 ? Pick(rng, 41, 120)
                                   : Pick(rng, 121, 300);
      const std::vector<Row> original = tt::RandomTree(size, rng);
      std::vector<Row> damaged = original;
      int nextId = size + 1;
      const int damages = Pick(rng, 1, 5);
      for (int d = 0; d < damages; ++d) Damage(damaged, rng, nextId);
      FreshTable(table, damaged);

      const bool rootKept =
          std::any_of(damaged.begin(), damaged.end(), [](const Row& r) { return r.id == 1; });
      const int expectedRoot = rootKept ? 1 : -1;  // a new row otherwise
      std::map<int, int> keep;
      if (rootKept) keep = TrustworthyNesting(original, damaged, 1);

      db::Query q(*conn_);
      const TFuncR r = gTreeFunc_RepairSafeSmart(q, table, "root");
      const std::string where = "seed " + std::to_string(seed) + " case " + std::to_string(c);
      ASSERT_EQ(r.fCode, 0) << where << ": " << r.fStr;

      const std::vector<Row> rows = tt::ReadRows(*conn_, table);
      ASSERT_EQ(tt::NestedSetFault(rows), "") << where;
      std::string report;
      ASSERT_TRUE(gTreeFunc_CheckIntegrity(q, table, report)) << where << "\n" << report;

      // Every row is still there with its name and GUID; at most a new root was added.
      std::map<int, const Row*> now;
      for (const Row& row : rows) now[row.id] = &row;
      for (const Row& old : damaged) {
        ASSERT_EQ(now.count(old.id), 1u) << where << " lost row " << old.id;
        EXPECT_EQ(now[old.id]->name, old.name) << where;
        EXPECT_EQ(now[old.id]->g1, old.g1) << where;
        EXPECT_EQ(now[old.id]->g2, old.g2) << where;
      }
      ASSERT_EQ(rows.size(), damaged.size() + (rootKept ? 0 : 1)) << where;
      const std::map<int, int> parents = tt::ParentsOf(rows);
      int root = expectedRoot;
      if (!rootKept) {
        for (const Row& row : rows) {
          if (now.count(row.id) && std::none_of(damaged.begin(), damaged.end(),
                                                [&](const Row& d) { return d.id == row.id; })) {
            root = row.id;
            EXPECT_EQ(row.name, "root") << where;
          }
        }
        keep = TrustworthyNesting(original, damaged, root);
      }
      EXPECT_EQ(parents.at(root), 0) << where;
      for (const auto& [id, parent] : keep) {
        EXPECT_EQ(parents.at(id), parent) << where << " row " << id << " lost its parent";
      }
      if (r.fStr.rfind("Дерево відновлено.", 0) == 0) {
        const std::size_t keptAt = r.fStr.find(": ") + 2;
        const int kept = std::stoi(r.fStr.substr(keptAt));
        const int moved = std::stoi(r.fStr.substr(r.fStr.rfind(": ") + 2));
        EXPECT_EQ(kept + moved, static_cast<int>(rows.size()) - 1) << where;
        EXPECT_GE(kept, static_cast<int>(keep.size()) -
                            static_cast<int>(
                                std::count_if(keep.begin(), keep.end(),
                                              [&](const auto& kv) { return kv.second == root; })))
            << where;
      } else {
        EXPECT_EQ(r.fStr, "Не потребує відновлення. З групами товарів все ОК.") << where;
        EXPECT_EQ(rows, damaged) << where;
      }
    }
  }
  EXPECT_GE(cases, 3000);
}

}  // namespace
}  // namespace tir::tree
