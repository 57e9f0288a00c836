#include "tree_test_support.h"

#include <algorithm>
#include <cstdlib>

#include "db/query.h"

namespace tir::tree::testing {

void CreateTreeTable(db::SqliteConnection& conn, const std::string& table) {
  conn.ExecScript("CREATE TABLE " + table +
                  " (fId INTEGER PRIMARY KEY AUTOINCREMENT, fcl INTEGER, fcr INTEGER, fclev "
                  "INTEGER, fName TEXT, fGUID1 INTEGER NOT NULL DEFAULT 0, fGUID2 INTEGER NOT NULL "
                  "DEFAULT 0);");
}

std::vector<Row> ReadRows(db::Connection& conn, const std::string& table) {
  db::Query q(conn);
  q.SetSql("SELECT fId, fcl, fcr, fclev, fName, fGUID1, fGUID2 FROM " + table + " ORDER BY fId;");
  q.Open();
  std::vector<Row> rows;
  auto opt = [&](const char* name) -> std::optional<int> {
    const db::Field f = q.FieldByName(name);
    if (f.IsNull()) return std::nullopt;
    return f.AsInt32();
  };
  for (; !q.Eof(); q.Next()) {
    Row r;
    r.id = q.FieldByName("fId").AsInt32();
    r.cl = opt("fcl");
    r.cr = opt("fcr");
    r.lev = opt("fclev");
    r.name = q.FieldByName("fName").AsText();
    r.g1 = q.FieldByName("fGUID1").AsInt64();
    r.g2 = q.FieldByName("fGUID2").AsInt64();
    rows.push_back(r);
  }
  return rows;
}

void InsertRows(db::Connection& conn, const std::string& table, const std::vector<Row>& rows) {
  if (rows.empty()) return;
  db::Query q(conn);
  q.SetSql("INSERT INTO " + table +
           " (fId,fcl,fcr,fclev,fName,fGUID1,fGUID2) VALUES (:id,:cl,:cr,:lev,:nm,:g1,:g2);");
  q.SetArraySize(rows.size());
  auto opt = [](const std::optional<int>& v) {
    return v ? db::Value::Int32(*v) : db::Value::Null(db::ValueType::kInt32);
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    q.ParamByName("id").SetAt(i, db::Value::Int32(rows[i].id));
    q.ParamByName("cl").SetAt(i, opt(rows[i].cl));
    q.ParamByName("cr").SetAt(i, opt(rows[i].cr));
    q.ParamByName("lev").SetAt(i, opt(rows[i].lev));
    q.ParamByName("nm").SetAt(i, db::Value::Text(rows[i].name));
    q.ParamByName("g1").SetAt(i, db::Value::Int64(rows[i].g1));
    q.ParamByName("g2").SetAt(i, db::Value::Int64(rows[i].g2));
  }
  const bool own = !conn.InTransaction();
  if (own) conn.StartTransaction();
  q.ExecuteArray();
  if (own) conn.Commit();
}

namespace {

// Rows of a nested set sorted by left bound (the caller has checked there are no NULLs).
std::vector<const Row*> ByLeftBound(const std::vector<Row>& rows) {
  std::vector<const Row*> order;
  order.reserve(rows.size());
  for (const Row& r : rows) order.push_back(&r);
  std::sort(order.begin(), order.end(), [](const Row* a, const Row* b) { return *a->cl < *b->cl; });
  return order;
}

}  // namespace

std::string NestedSetFault(const std::vector<Row>& rows) {
  if (rows.empty()) return "no rows";
  const int n = static_cast<int>(rows.size());
  std::vector<int> values;
  int roots = 0;
  for (const Row& r : rows) {
    const std::string who = "row " + std::to_string(r.id) + ": ";
    if (!r.cl || !r.cr || !r.lev) return who + "NULL bound or level";
    if (*r.cl >= *r.cr) return who + "fcl >= fcr";
    if ((*r.cr - *r.cl) % 2 == 0) return who + "even width";
    if (*r.lev == 0) {
      ++roots;
      if (*r.cl != 1 || *r.cr != 2 * n) return who + "root does not span 1..2N";
    }
    values.push_back(*r.cl);
    values.push_back(*r.cr);
  }
  if (roots != 1) return std::to_string(roots) + " roots";
  std::sort(values.begin(), values.end());
  for (int i = 0; i < 2 * n; ++i) {
    if (values[i] != i + 1) return "bounds are not exactly 1..2N";
  }
  std::vector<const Row*> stack;
  for (const Row* r : ByLeftBound(rows)) {
    while (!stack.empty() && *stack.back()->cr < *r->cl) stack.pop_back();
    if (!stack.empty() && *r->cr > *stack.back()->cr) {
      return "row " + std::to_string(r->id) + " overlaps row " + std::to_string(stack.back()->id);
    }
    if (*r->lev != static_cast<int>(stack.size())) {
      return "row " + std::to_string(r->id) + " has a wrong level";
    }
    stack.push_back(r);
  }
  return "";
}

std::map<int, int> ParentsOf(const std::vector<Row>& rows) {
  std::map<int, int> parents;
  std::vector<const Row*> stack;
  for (const Row* r : ByLeftBound(rows)) {
    while (!stack.empty() && *stack.back()->cr < *r->cl) stack.pop_back();
    parents[r->id] = stack.empty() ? 0 : stack.back()->id;
    stack.push_back(r);
  }
  return parents;
}

std::map<int, std::vector<int>> ChildrenOf(const std::vector<Row>& rows) {
  std::map<int, std::vector<int>> children;
  std::vector<const Row*> stack;
  for (const Row* r : ByLeftBound(rows)) {
    while (!stack.empty() && *stack.back()->cr < *r->cl) stack.pop_back();
    if (!stack.empty()) children[stack.back()->id].push_back(r->id);
    stack.push_back(r);
  }
  return children;
}

std::vector<Row> RandomTree(int count, std::mt19937& rng) {
  std::vector<std::vector<int>> kids(count + 1);
  for (int id = 2; id <= count; ++id) {
    std::uniform_int_distribution<int> pick(1, id - 1);
    kids[pick(rng)].push_back(id);
  }
  std::vector<Row> rows(count);
  std::uniform_int_distribution<std::int64_t> guid;
  for (int id = 1; id <= count; ++id) {
    Row& r = rows[id - 1];
    r.id = id;
    // Appended rather than concatenated: g++ 12 at -O3 misreads "g" + to_string as overlapping.
    r.name = id == 1 ? std::string("root") : std::string("g").append(std::to_string(id));
    r.g1 = guid(rng);
    r.g2 = guid(rng);
  }
  // Depth-first numbering with an explicit stack of (id, next child).
  int counter = 1;
  std::vector<std::pair<int, std::size_t>> stack{{1, 0}};
  rows[0].cl = counter++;
  rows[0].lev = 0;
  while (!stack.empty()) {
    auto& [id, next] = stack.back();
    if (next < kids[id].size()) {
      const int child = kids[id][next++];
      rows[child - 1].cl = counter++;
      rows[child - 1].lev = static_cast<int>(stack.size());
      stack.emplace_back(child, 0);
    } else {
      rows[id - 1].cr = counter++;
      stack.pop_back();
    }
  }
  return rows;
}

std::vector<std::uint32_t> TestSeeds(const std::vector<std::uint32_t>& fixed) {
  std::vector<std::uint32_t> seeds = fixed;
  if (const char* env = std::getenv("TIR_TREE_SEED"); env != nullptr && *env != '\0') {
    seeds.push_back(static_cast<std::uint32_t>(std::strtoul(env, nullptr, 10)));
  }
  return seeds;
}

}  // namespace tir::tree::testing
