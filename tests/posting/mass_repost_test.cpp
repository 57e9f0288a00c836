// Mass re-posting on a real base: the batch against what single postings would write, the control
// row between workstations and the mode's life cycle.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "posting/mass_repost_batch.h"
#include "posting/mass_repost_run.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

class MassRepostTest : public PostingTest {
 protected:
  // Re-posts the documents in one chunk, in date and id order, through the engine's mode.
  TMassRepostResult RepostInOneChunk() {
    TMassRepostOptions o;
    o.chunk = 1000;
    const TMassRepostResult r = RunMassRepost(engine(), conn(), o);
    EXPECT_EQ(r.outcome, TMassRepostResult::TOutcome::kDone);
    return r;
  }
  DocFields Doc(int type, int state, double date) {
    DocFields d;
    d.type = type;
    d.state = state;
    d.dateTime = date;
    return d;
  }
  // A second workstation on the same base.
  std::unique_ptr<TDMMainProvodka> OtherEngine() {
    auto other = std::make_unique<TDMMainProvodka>();
    other->SetConnectToDB(&conn());
    return other;
  }
  void AgeControl(int minutes) {
    Exec("UPDATE tirSettings SET fPDate=datetime(CURRENT_TIMESTAMP,'-" + std::to_string(minutes) +
         " minutes') WHERE fMId=170 AND fPType=-48;");
  }
};

TEST_F(MassRepostTest, SalesOfOneGoodShareTheRunningBalanceWithinAChunk) {
  SetBalance(1, 1, 7, 10, 100);
  const std::int64_t first = AddDoc(Doc(2, 0, 45000.1), {{.good = 7, .qtty = 4}});
  // Takes more than the 6 left: the whole remaining value (60), not 8 at the starting cost (80).
  const std::int64_t second = AddDoc(Doc(2, 0, 45000.2), {{.good = 7, .qtty = 8}});
  RepostInOneChunk();
  ASSERT_EQ(Moves(first).size(), 1U);
  ASSERT_EQ(Moves(second).size(), 1U);
  EXPECT_DOUBLE_EQ(Moves(first)[0].sum, 40);
  EXPECT_DOUBLE_EQ(Moves(second)[0].sum, 60);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, -2);
  EXPECT_NEAR(Balance(1, 1, 7).second, 0, 1e-9);
}

TEST_F(MassRepostTest, WithoutABalanceRowGoodsMoveAsInSinglePosting) {
  // No balance row for (1, 1, 7): a movement changes no balance, so a sale after a receipt costs 0.
  const std::int64_t receipt = AddDoc(Doc(1, 0, 45000.1), {{.good = 7, .qtty = 5, .sum = 50}});
  const std::int64_t sale = AddDoc(Doc(2, 0, 45000.2), {{.good = 7, .qtty = 2}});
  Post(receipt);
  Post(sale);
  ASSERT_EQ(Moves(sale).size(), 1U);
  const double single = Moves(sale)[0].sum;
  EXPECT_DOUBLE_EQ(single, 0);
  engine().ClearAllRegisters();
  RepostInOneChunk();
  ASSERT_EQ(Moves(sale).size(), 1U);
  EXPECT_DOUBLE_EQ(Moves(sale)[0].sum, single);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStoreNow"), 0);
}

TEST_F(MassRepostTest, CustomerReturnInAChunkIsPostedOrdinarilyAndLaterDocumentsSeeIt) {
  SetBalance(1, 1, 7, 0, 0);
  const std::int64_t receipt = AddDoc(Doc(1, 3, 45000.1), {{.good = 7, .qtty = 10, .sum = 50}});
  const std::int64_t sale = AddDoc(Doc(2, 0, 45000.2), {{.good = 7, .qtty = 10}});
  const std::int64_t back = AddDoc(Doc(11, 3, 45000.3), {{.good = 7, .qtty = 4, .sum = 40}});
  const std::int64_t resale = AddDoc(Doc(2, 0, 45000.4), {{.good = 7, .qtty = 4}});
  RepostInOneChunk();
  // The return finds the sale's movement written and takes its cost (4 of 10 for 50).
  ASSERT_EQ(Moves(back).size(), 1U);
  EXPECT_DOUBLE_EQ(Moves(back)[0].sum, 20);
  // The sale after it reads the balance the return wrote: 4 for 20.
  ASSERT_EQ(Moves(resale).size(), 1U);
  EXPECT_DOUBLE_EQ(Moves(resale)[0].sum, 20);
  EXPECT_NEAR(Balance(1, 1, 7).first, 0, 1e-9);
  EXPECT_NEAR(Balance(1, 1, 7).second, 0, 1e-9);
  EXPECT_EQ(State(receipt), 0);
  EXPECT_EQ(State(sale), 0);
  EXPECT_EQ(State(back), 0);
}

// Productions of both kinds are computed in the batch: each must write what single posting
// writes, also where a product is a good that a later group of the same document uses up (its
// cost is taken from the balance the document started from), and a production without products
// writes nothing and keeps its state.
TEST_F(MassRepostTest, ProductionsInTheBatchWriteWhatSinglePostingWrites) {
  const auto balances = [&] {
    SetBalance(1, 1, 7, 10, 100);
    SetBalance(1, 1, 8, 10, 50);
    SetBalance(1, 1, 9, 0, 0);
    SetBalance(1, 1, 10, 0, 0);
  };
  balances();
  DocFields own = Doc(13, 3, 45000.1);
  const std::int64_t byGroup = AddDoc(own, {{.good = 8, .qtty = 1, .typeInDoc = 2, .posId = 2},
                                            {.good = 7, .qtty = 2, .typeInDoc = 2, .posId = 1},
                                            {.good = 7, .qtty = 4, .typeInDoc = 2, .posId = 2},
                                            {.good = 7, .qtty = 1, .typeInDoc = 1, .posId = 1},
                                            {.good = 9, .qtty = 1, .typeInDoc = 1, .posId = 2}});
  DocFields shared = Doc(13, 3, 45000.2);
  shared.tagInt = 2;
  const std::int64_t byQtty = AddDoc(shared, {{.good = 7, .qtty = 1, .typeInDoc = 2},
                                              {.good = 8, .qtty = 2, .typeInDoc = 2},
                                              {.good = 9, .qtty = 1, .typeInDoc = 1},
                                              {.good = 10, .qtty = 3, .typeInDoc = 1}});
  const std::int64_t empty = AddDoc(Doc(13, 3, 45000.3), {{.good = 7, .qtty = 1, .typeInDoc = 2}});
  const std::int64_t sale = AddDoc(Doc(2, 3, 45000.4), {{.good = 7, .qtty = 1}});
  const std::vector<std::int64_t> docs = {byGroup, byQtty, empty, sale};
  const auto text = [&] {
    std::string all;
    for (const std::int64_t id : docs) {
      all += std::to_string(State(id)) + ":";
      for (const MoveRow& m : Moves(id)) {
        all += " " + std::to_string(m.good) + "/" + std::to_string(m.operType) + "/" +
               std::to_string(m.sign) + "/" + std::to_string(m.qtty) + "/" + std::to_string(m.sum) +
               "/" + std::to_string(m.posGoodId);
      }
      all += "\n";
    }
    for (const std::int64_t good : {7, 8, 9, 10}) {
      all += std::to_string(Balance(1, 1, good).first) + "/" +
             std::to_string(Balance(1, 1, good).second) + " ";
    }
    return all;
  };
  for (const std::int64_t id : docs) Post(id, kPostRepost);
  const std::string single = text();
  EXPECT_EQ(State(empty), 3);
  EXPECT_TRUE(Moves(empty).empty());

  engine().ClearAllRegisters();
  balances();
  Exec("UPDATE tirDocuments SET fState = 3;");
  const TMassRepostResult r = RepostInOneChunk();
  EXPECT_EQ(r.fallenBack, 0U);
  EXPECT_EQ(text(), single);
}

TEST_F(MassRepostTest, StatesFollowTheRepostRules) {
  SetBalance(1, 1, 7, 5, 50);
  const std::int64_t order = AddDoc(Doc(6, 1, 45000.1));
  const std::int64_t unposted = AddDoc(Doc(2, 1, 45000.2), {{.good = 7, .qtty = 1}});
  const std::int64_t fresh = AddDoc(Doc(9, 3, 45000.3), {{.good = 7, .qtty = 1}});
  const std::int64_t posted = AddDoc(Doc(10, 0, 45000.4), {{.good = 7, .qtty = 1, .sum = 3}});
  AddDoc(Doc(16, 0, 45000.5));  // no routine: handed to single posting, which does nothing
  Exec("CREATE TABLE tStateWrites (fId INTEGER);");
  Exec(
      "CREATE TRIGGER tStateLog AFTER UPDATE OF fState ON tirDocuments BEGIN INSERT INTO "
      "tStateWrites VALUES (NEW.fId); END;");
  const TMassRepostResult r = RepostInOneChunk();
  EXPECT_EQ(r.documents, 5U);
  EXPECT_EQ(r.posted, 3U);  // the order, the write-off and the taking on stock
  EXPECT_EQ(r.leftAlone, 1U);
  EXPECT_EQ(r.fallenBack, 1U);
  EXPECT_EQ(State(order), 0);
  EXPECT_EQ(State(unposted), 1);
  EXPECT_TRUE(Moves(unposted).empty());
  EXPECT_EQ(State(fresh), 0);
  EXPECT_EQ(Moves(fresh).size(), 1U);
  EXPECT_EQ(State(posted), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tStateWrites WHERE fId = " + std::to_string(posted)), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tStateWrites"), 2);
  EXPECT_TRUE(Log().empty());  // the batch logs no state change
}

TEST_F(MassRepostTest, ControlIsRefusedWhileAnotherHolderIsLiveAndTakenWhenStale) {
  auto other = OtherEngine();
  ASSERT_TRUE(other->TryBeginMassRepostControl(45000));
  EXPECT_EQ(other->MassRepostOwner().size(), 38U);
  AgeControl(5);
  EXPECT_FALSE(engine().TryBeginMassRepostControl(45000));
  EXPECT_TRUE(engine().MassRepostOwner().empty());
  try {
    engine().SetMassRepostControl(true, 45000);
    ADD_FAILURE() << "a live holder must refuse the control";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "Перепроведення вже виконується іншим користувачем.");
  }
  // While held, ordinary posting stands still unless told to ignore the control.
  const std::int64_t order = AddDoc(Doc(6, 1, 45000.1));
  Post(order);
  EXPECT_EQ(State(order), 1);
  engine().Provodka(order, kPostOn, false, true);
  EXPECT_EQ(State(order), 0);

  AgeControl(16);
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  ASSERT_TRUE(engine().TryBeginMassRepostControl(45000));
  // The displaced holder's touch fails, and its release leaves the new holder's row alone.
  try {
    other->TouchMassRepostControl();
    ADD_FAILURE() << "a displaced holder must lose its touch";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(), "Втрачено право на виконання масового перепроведення.");
  }
  other->SetMassRepostControl(false, 0);
  EXPECT_TRUE(engine().IsMassRepostControlActive());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirSettings WHERE fMId=170 AND fPType=-48 AND fPStr50='" +
                  engine().MassRepostOwner() + "'"),
            1);
  engine().TouchMassRepostControl();
  engine().SetMassRepostControl(false, 0);
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  EXPECT_THROW(engine().TouchMassRepostControl(), db::DbError);
}

TEST_F(MassRepostTest, ControlRowDateFromAndDuplicates) {
  EXPECT_EQ(engine().MassRepostControlDateFrom(), 0);
  const double from = 45123.25;  // 2023-07-17 06:00 local
  ASSERT_TRUE(engine().TryBeginMassRepostControl(from));
  EXPECT_NEAR(engine().MassRepostControlDateFrom(), from, 1e-8);
  Exec("UPDATE tirSettings SET fPStr='not a date' WHERE fMId=170 AND fPType=-48;");
  EXPECT_EQ(engine().MassRepostControlDateFrom(), 0);
  Exec("UPDATE tirSettings SET fPStr='2023-07-17T06:00:00.000Z' WHERE fMId=170 AND fPType=-48;");
  EXPECT_NE(engine().MassRepostControlDateFrom(), 0);
  engine().SetMassRepostControl(false, 0);

  Exec("INSERT INTO tirSettings (fMId,fPType,fPI) VALUES (170,-48,0);");
  try {
    engine().TryBeginMassRepostControl(0);
    ADD_FAILURE() << "two control rows must be reported";
  } catch (const db::DbError& e) {
    EXPECT_STREQ(e.what(),
                 "У tirSettings знайдено декілька службових записів для перепроведення "
                 "(fMId=170, fPType=-48).");
  }
}

TEST_F(MassRepostTest, ModeRemovesNothingAndIsDroppedUnwrittenWithTheEngine) {
  SetBalance(1, 1, 7, 10, 100);
  const std::int64_t sale = AddDoc(Doc(2, 0, 45000.1), {{.good = 7, .qtty = 2}});
  Post(sale);
  ASSERT_EQ(Moves(sale).size(), 1U);
  engine().BeginMassRepostMode();
  Post(sale, kPostOff);  // the removal steps do nothing while the mode is on
  EXPECT_EQ(Moves(sale).size(), 1U);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 8);
  engine().EndMassRepostMode(false);

  const std::int64_t more = AddDoc(Doc(2, 3, 45000.2), {{.good = 7, .qtty = 1}});
  {
    auto other = OtherEngine();
    EXPECT_THROW(
        {
          db::Query none(conn());
          other->PrepareMassRepostBatch(none);
        },
        db::DbError);
    other->BeginMassRepostMode();
    db::Query docs(conn());
    docs.SetSql("SELECT * FROM tirDocuments WHERE fId = " + std::to_string(more) + ";");
    docs.Open();
    other->PrepareMassRepostBatch(docs);
    other->ProvodkaMassBatchOpened(docs);
    EXPECT_EQ(other->MassRepostBatch()->PendingMovements(), 1U);
  }
  EXPECT_TRUE(Moves(more).empty());
  EXPECT_EQ(State(more), 3);
}

TEST_F(MassRepostTest, FailedFinalWriteKeepsTheUnwrittenRowsInTheBatch) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields fields = Doc(2, 3, 45000.1);
  fields.docSum = 30;
  const std::int64_t sale = AddDoc(fields, {{.good = 7, .qtty = 2}});
  engine().BeginMassRepostMode();
  {
    db::Query docs(conn());
    docs.SetSql("SELECT * FROM tirDocuments;");
    docs.Open();
    engine().PrepareMassRepostBatch(docs);
    engine().ProvodkaMassBatchOpened(docs);
  }
  Exec(
      "CREATE TRIGGER tNoSettlement BEFORE INSERT ON tirAMSettlement BEGIN SELECT "
      "RAISE(ABORT, 'settlements refused'); END;");
  EXPECT_THROW(engine().EndMassRepostMode(true), db::DbError);
  // The movement went in before the failure; the settlement and the state wait in the batch.
  EXPECT_EQ(Moves(sale).size(), 1U);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 8);
  ASSERT_NE(engine().MassRepostBatch(), nullptr);
  EXPECT_TRUE(engine().MassRepostMode());
  EXPECT_EQ(engine().MassRepostBatch()->PendingMovements(), 0U);
  EXPECT_EQ(engine().MassRepostBatch()->PendingSettlements(), 1U);
  EXPECT_EQ(engine().MassRepostBatch()->PendingStates(), 1U);
  Exec("DROP TRIGGER tNoSettlement;");
  engine().EndMassRepostMode(true);
  EXPECT_EQ(engine().MassRepostBatch(), nullptr);
  EXPECT_FALSE(engine().MassRepostMode());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement WHERE fDocId = " + std::to_string(sale)),
            1);
  EXPECT_EQ(Moves(sale).size(), 1U);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 8);
  EXPECT_EQ(State(sale), 0);
}

TEST_F(MassRepostTest, RunRefusesDocumentsThatStillHaveRows) {
  SetBalance(1, 1, 7, 10, 100);
  const std::int64_t sale = AddDoc(Doc(2, 0, 45000.1), {{.good = 7, .qtty = 2}});
  Post(sale);
  TMassRepostOptions o;
  const TMassRepostResult r = RunMassRepost(engine(), conn(), o);
  EXPECT_EQ(r.outcome, TMassRepostResult::TOutcome::kDocumentsHaveRows);
  EXPECT_EQ(r.withRows, 1U);
  EXPECT_EQ(Moves(sale).size(), 1U);
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  o.full = true;
  EXPECT_EQ(RunMassRepost(engine(), conn(), o).outcome, TMassRepostResult::TOutcome::kDone);
  EXPECT_EQ(Moves(sale).size(), 1U);
  EXPECT_FALSE(engine().IsMassRepostControlActive());
}

TEST_F(MassRepostTest, StateChangesAreWrittenAtTheLimit) {
  conn().StartTransaction();
  for (std::size_t i = 0; i < TTirMassRepostBatch::kStateFlushLimit; ++i) {
    AddDoc(Doc(7, 1, 45000 + static_cast<double>(i) * 1e-4));
  }
  conn().Commit();
  engine().BeginMassRepostMode();
  db::Query docs(conn());
  docs.SetSql("SELECT * FROM tirDocuments ORDER BY fId;");
  docs.Open();
  engine().PrepareMassRepostBatch(docs);
  for (docs.First(); !docs.Eof(); docs.Next()) engine().ProvodkaMassBatchOpened(docs);
  EXPECT_EQ(engine().MassRepostBatch()->PendingStates(), 0U);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fState <> 0"), 0);
}

TEST(MassRepostKeyTest, HashFoldsTheHighAndLowHalves) {
  // h = 1 xor (2 shl 17) xor (3 shl 33) = 0x6'0004'0001: high 6, low 0x40001.
  EXPECT_EQ(TTirBatchStoreKeyComparer::GetHashCode({1, 2, 3}), 0x40001 ^ 6);
  EXPECT_TRUE(TTirBatchStoreKeyComparer::Equals({1, 2, 3}, {1, 2, 3}));
  EXPECT_FALSE(TTirBatchStoreKeyComparer::Equals({1, 2, 3}, {1, 3, 2}));
}

}  // namespace
}  // namespace tir::posting::test
