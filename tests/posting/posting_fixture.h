#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "posting/main_provodka.h"
#include "tests/support/temp_base.h"

namespace tir::posting::test {

// A line written to the host's database log through LogDB.
struct LogLine {
  std::int32_t userId = 0;
  std::int32_t type = 0;
  std::int32_t goodId = 0;
  std::int32_t docId = 0;
  std::string text;
};

// A document header to save; defaults give a sale in state 1 of entity 1, store 1.
struct DocFields {
  int type = 2;
  int state = 1;
  std::int64_t entity = 1;
  std::int64_t store = 1;
  std::int64_t store2 = 0;
  std::int64_t partner = 0;
  std::int64_t contract = 0;
  std::int64_t transact = 0;
  std::int64_t cashAccount = 0;
  std::int64_t itemCost = 0;
  double docSum = 0;
  double currRate = 1;
  int tagInt = 0;
  double dateTime = 45000.5;  // a day number; later documents get later dates
};

struct LineFields {
  std::int64_t good = 0;
  double qtty = 0;
  double sum = 0;
  double priceIn = 0;
  double priceOut = 0;
  double discount = 0;
  int typeInDoc = 0;
  std::int64_t posId = 0;
};

// One row of tirAStore as the tests compare it.
struct MoveRow {
  std::int64_t ent = 0, store = 0, good = 0;
  int operType = 0;
  int sign = 0;
  double qtty = 0, sum = 0;
  std::int64_t posGoodId = 0, contract = 0, transact = 0, partId = 0;
};

// A temporary base with the full schema, a posting engine bound to it and the host's database
// log captured.
class PostingTest : public ::testing::Test {
 public:
  // Lines the engine wrote to the host's database log since the test began.
  static std::vector<LogLine>& Log();

 protected:
  PostingTest();
  ~PostingTest() override;

  db::Connection& conn() { return base_.conn(); }
  tir::test::TempBase& base() { return base_; }

  std::int64_t AddDoc(const DocFields& doc, const std::vector<LineFields>& lines = {});
  std::vector<std::int64_t> LineIds(std::int64_t docId);
  void AddLines(std::int64_t docId, const std::vector<LineFields>& lines);
  void SetBalance(std::int64_t ent, std::int64_t store, std::int64_t good, double qtty, double sum);
  // (qtty, sum) of the balance row; (NaN, NaN) when there is none.
  std::pair<double, double> Balance(std::int64_t ent, std::int64_t store, std::int64_t good);
  void ExpectBalance(std::int64_t ent, std::int64_t store, std::int64_t good, double qtty,
                     double sum) {
    const auto [q, s] = Balance(ent, store, good);
    EXPECT_DOUBLE_EQ(q, qtty) << "quantity of good " << good << " in store " << store;
    EXPECT_DOUBLE_EQ(s, sum) << "sum of good " << good << " in store " << store;
  }
  std::vector<MoveRow> Moves(std::int64_t docId);
  int State(std::int64_t docId);
  std::int64_t Count(const std::string& sql);
  double Scalar(const std::string& sql);
  void Exec(const std::string& sql);

  // Catalog rows for the balance rebuild.
  std::int64_t AddGood();
  std::int64_t AddStore();
  std::int64_t AddEntity();

  void Post(std::int64_t id, int on = kPostOn) { engine_.Provodka(id, on, false, false); }

  TDMMainProvodka& engine() { return engine_; }

 private:
  tir::test::TempBase base_;
  TDMMainProvodka engine_;
};

}  // namespace tir::posting::test
