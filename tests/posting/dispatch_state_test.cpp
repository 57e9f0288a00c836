// Dispatch by document type, the posting commands and the state changes with their log lines.
#include <cmath>

#include "db/db_error.h"
#include "db/query.h"
#include "tests/posting/posting_fixture.h"

namespace tir::posting::test {
namespace {

class DispatchStateTest : public PostingTest {
 protected:
  // A posted sale of 4 pieces of good 7 from a balance of 10/100, with a settlement.
  std::int64_t PostedSale() {
    SetBalance(1, 1, 7, 10, 100);
    DocFields d{.type = 2, .state = 3, .partner = 9, .contract = 4, .docSum = 55};
    const std::int64_t id = AddDoc(d, {{7, 4, 55}});
    Post(id, kPostOn);
    return id;
  }
};

TEST_F(DispatchStateTest, NonPositiveIdRunsNothingEvenWithoutConnection) {
  TDMMainProvodka bare;  // no connection: any statement would raise
  EXPECT_NO_THROW(bare.Provodka(0, kPostOn, false, false));
  EXPECT_NO_THROW(bare.Provodka(-5, kPostOn, false, true));
  EXPECT_THROW(bare.Provodka(1, kPostOn, false, true), db::DbError);
}

TEST_F(DispatchStateTest, MissingDocumentIsIgnored) {
  EXPECT_NO_THROW(Post(12345, kPostOn));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(DispatchStateTest, TypesWithoutRoutineAreLeftUntouched) {
  for (int type : {0, 3, 16, 40, -2}) {
    DocFields d{.type = type, .state = 1, .docSum = 10};
    const std::int64_t id = AddDoc(d, {{7, 1, 10}});
    const std::int64_t rv = Count("SELECT fRV FROM tirDocuments WHERE fId=" + std::to_string(id));
    Post(id, kPostOn);
    EXPECT_EQ(State(id), 1) << type;
    EXPECT_EQ(Count("SELECT fRV FROM tirDocuments WHERE fId=" + std::to_string(id)), rv) << type;
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(DispatchStateTest, TypeComparesByLow32Bits) {
  DocFields d{.type = 2};
  const std::int64_t id = AddDoc(d, {{7, 1, 10}});
  Exec("UPDATE tirDocuments SET fDocType = 4294967298 WHERE fId = " + std::to_string(id));
  Post(id, kPostOn);  // 2^32 + 2 is a sale
  EXPECT_EQ(Moves(id).size(), 1u);
  EXPECT_EQ(State(id), 0);
}

TEST_F(DispatchStateTest, StateOnlyTypesChangeOnlyTheirState) {
  for (int type : {6, 7, 15}) {
    DocFields d{.type = type, .state = 2, .docSum = 10};
    const std::int64_t id = AddDoc(d, {{7, 1, 10}});
    Post(id, kPostRepost);  // set to 0 whatever the state
    EXPECT_EQ(State(id), 0);
    Post(id, kPostStateOnlyOff);
    EXPECT_EQ(State(id), 1);
    Post(id, kPostStateOnlyOn);
    EXPECT_EQ(State(id), 0);
    Post(id, kPostDelete);
    EXPECT_EQ(State(id), 2);
    Post(id, kPostOff);
    EXPECT_EQ(State(id), 1);
    Post(id, 77);  // no target state: unchanged
    EXPECT_EQ(State(id), 1);
    // The sync date is kept and nothing is posted or logged.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fSyncDate IS NULL;"), 0);
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_TRUE(Log().empty());
}

TEST_F(DispatchStateTest, Commands3And21OnPostingTypesOnlyRemoveTheRows) {
  for (int command : {kPostStateOnlyOn, kPostStateOnlyOff}) {
    const std::int64_t id = PostedSale();
    Post(id, command);
    EXPECT_EQ(State(id), 0) << command;
    EXPECT_TRUE(Moves(id).empty()) << command;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0) << command;
    ExpectBalance(1, 1, 7, 10, 100);
    EXPECT_TRUE(Log().empty()) << command;
  }
}

TEST_F(DispatchStateTest, RoutinesLeaveTheRegistersTheyDoNotOwn) {
  const auto own = [&](const char* table, std::int64_t id) {
    return Count(std::string("SELECT COUNT(*) FROM ") + table +
                 " WHERE fDocId=" + std::to_string(id));
  };
  const auto stray = [&](const char* table, std::int64_t id) {
    Exec(std::string("INSERT INTO ") + table + " (fDocId, fSign, fSum) VALUES (" +
         std::to_string(id) + ", 1, 5);");
  };
  // The money routine keeps stock rows of its document.
  const std::int64_t money = AddDoc({.type = 4, .state = 3, .partner = 2, .docSum = 10});
  stray("tirAStore", money);
  Post(money, kPostOn);
  Post(money, kPostOff);
  EXPECT_EQ(own("tirAStore", money), 1);
  // Stock-only types keep settlements and payments; a sale removes them.
  SetBalance(1, 1, 7, 10, 100);
  for (int type : {8, 9, 10, 13, 14, 2}) {
    const std::int64_t id = AddDoc({.type = type, .state = 3, .store2 = 1}, {{7, 1, 10}});
    stray("tirAMSettlement", id);
    stray("tirAPayments", id);
    Post(id, kPostOn);
    Post(id, kPostOff);
    EXPECT_EQ(own("tirAMSettlement", id), type == 2 ? 0 : 1) << type;
    EXPECT_EQ(own("tirAPayments", id), type == 2 ? 0 : 1) << type;
  }
}

TEST_F(DispatchStateTest, PostingNewDocumentLogsNothingAndSetsPosted) {
  const std::int64_t id = PostedSale();
  EXPECT_EQ(State(id), 0);
  EXPECT_TRUE(Log().empty());
  ASSERT_EQ(Moves(id).size(), 1u);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement WHERE fDocId=" + std::to_string(id)), 1);
}

TEST_F(DispatchStateTest, UnpostingSaleRestoresBalanceLogsAndClearsSyncDate) {
  const std::int64_t id = PostedSale();
  ExpectBalance(1, 1, 7, 6, 60);
  Post(id, kPostOff);
  EXPECT_EQ(State(id), 1);
  EXPECT_TRUE(Moves(id).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  ExpectBalance(1, 1, 7, 10, 100);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirDocuments WHERE fSyncDate IS NULL AND fId=" +
                  std::to_string(id)),
            1);
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].userId, 5);
  EXPECT_EQ(Log()[0].type, 7);
  EXPECT_EQ(Log()[0].goodId, 0);
  EXPECT_EQ(Log()[0].docId, id);
  EXPECT_EQ(Log()[0].text, "НеПроведено");

  Post(id, kPostDelete);
  EXPECT_EQ(State(id), 2);
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[1].text, "Видалено");

  Post(id, kPostOn);  // a deleted document posted again comes back
  EXPECT_EQ(State(id), 0);
  ASSERT_EQ(Log().size(), 3u);
  EXPECT_EQ(Log()[2].text, "Проведено");
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 6);
}

TEST_F(DispatchStateTest, UnpostingTwiceLogsOnce) {
  const std::int64_t id = PostedSale();
  Post(id, kPostOff);
  Post(id, kPostOff);
  EXPECT_EQ(Log().size(), 1u);
  EXPECT_EQ(State(id), 1);
}

TEST_F(DispatchStateTest, RepostCommandRespectsState) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.type = 2, .state = 1, .partner = 3, .docSum = 20};
  const std::int64_t unposted = AddDoc(d, {{7, 2, 20}});
  // Leftover rows of an unposted document are removed, the state stays.
  Exec(
      "INSERT INTO tirAStore (fEntId, fStoreId, fGoodId, fDocId, fSign, fQtty, fSum, fOperType) "
      "VALUES (1, 1, 7, " +
      std::to_string(unposted) + ", -1, 2, 20, 2);");
  Exec("UPDATE tirAStoreNow SET fQtty = 8, fSum = 80;");
  Exec("INSERT INTO tirAMSettlement (fDocId, fSign, fSum) VALUES (" + std::to_string(unposted) +
       ", -1, 20);");
  Post(unposted, kPostRepost);
  EXPECT_EQ(State(unposted), 1);
  EXPECT_TRUE(Moves(unposted).empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  ExpectBalance(1, 1, 7, 10, 100);

  d.state = 3;
  const std::int64_t fresh = AddDoc(d, {{7, 2, 20}});
  Post(fresh, kPostRepost);
  EXPECT_EQ(State(fresh), 0);
  EXPECT_EQ(Moves(fresh).size(), 1u);
  EXPECT_TRUE(Log().empty());  // a re-post logs no line

  Post(fresh, kPostRepost);  // posted: rewritten in place
  EXPECT_EQ(Moves(fresh).size(), 1u);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 8);
}

TEST_F(DispatchStateTest, ProvodkaOpenedPostsTheCurrentRow) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.type = 2, .state = 3};
  const std::int64_t first = AddDoc(d, {{7, 1, 10}});
  const std::int64_t second = AddDoc(d, {{7, 2, 20}});
  db::Query docs(conn());
  docs.SetSql("SELECT * FROM tirDocuments ORDER BY fId;");
  docs.Open();
  docs.Next();  // stands on the second document
  engine().ProvodkaOpened(docs, kPostOn, true);
  EXPECT_EQ(State(first), 3);
  EXPECT_EQ(State(second), 0);
  docs.Next();  // at the end: nothing happens
  engine().ProvodkaOpened(docs, kPostOn, false);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 1);
}

TEST_F(DispatchStateTest, ClearAllRegistersKeepsBalances) {
  PostedSale();
  DocFields m{.type = 4, .partner = 2, .docSum = 10};
  Post(AddDoc(m), kPostOn);
  engine().ClearAllRegisters();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAPayments;"), 0);
  EXPECT_DOUBLE_EQ(Balance(1, 1, 7).first, 6);
}

TEST_F(DispatchStateTest, LiveMassRepostControlStandsPostingStill) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.state = 3};
  const std::int64_t id = AddDoc(d, {{7, 1, 10}});
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  EXPECT_FALSE(engine().MassRepostMode());
  Exec(
      "INSERT INTO tirSettings (fMId, fPType, fPI, fPDate, fUserId, fPStr50, fPStr) VALUES "
      "(170, -48, 1, CURRENT_TIMESTAMP, 3, 'owner', '');");
  EXPECT_TRUE(engine().IsMassRepostControlActive());
  Post(id, kPostOn);
  EXPECT_EQ(State(id), 3);
  EXPECT_TRUE(Moves(id).empty());

  engine().Provodka(id, kPostOn, false, true);  // told to ignore the control
  EXPECT_EQ(State(id), 0);

  // A holder silent for more than 15 minutes, or a released row, no longer counts.
  Exec("UPDATE tirSettings SET fPDate = datetime(CURRENT_TIMESTAMP, '-16 minutes');");
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  Exec("UPDATE tirSettings SET fPDate = CURRENT_TIMESTAMP, fPI = 0;");
  EXPECT_FALSE(engine().IsMassRepostControlActive());
  Post(id, kPostOff);
  EXPECT_EQ(State(id), 1);
}

TEST_F(DispatchStateTest, FailedPostingRaisesAndARerunRepairsIt) {
  SetBalance(1, 1, 7, 10, 100);
  DocFields d{.type = 2, .state = 1, .partner = 4, .docSum = 30};
  const std::int64_t id = AddDoc(d, {{7, 4, 30}});
  // The settlement insert fails after the movements were written.
  Exec(
      "CREATE TRIGGER fail_settlement BEFORE INSERT ON tirAMSettlement BEGIN "
      "SELECT RAISE(ABORT, 'settlements are locked'); END;");
  EXPECT_THROW(Post(id, kPostOn), db::DbError);
  EXPECT_EQ(Moves(id).size(), 1u);
  EXPECT_EQ(State(id), 1);  // the final state update was not reached

  Exec("DROP TRIGGER fail_settlement;");
  Post(id, kPostOn);
  EXPECT_EQ(Moves(id).size(), 1u);
  EXPECT_DOUBLE_EQ(Moves(id)[0].sum, 40);
  ExpectBalance(1, 1, 7, 6, 60);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAMSettlement;"), 1);
  EXPECT_EQ(State(id), 0);
}

// The engine keeps its statements prepared between documents: bound to another base, it must
// read and write that base only.
TEST_F(DispatchStateTest, StatementsFollowTheEngineToAnotherBase) {
  const std::int64_t first = PostedSale();
  tir::test::TempBase other;
  other.conn().ExecScript(
      "INSERT INTO tirAStoreNow (fEntId, fStoreId, fGoodId, fQtty, fSum) VALUES (1, 1, 7, 20, 300);"
      "INSERT INTO tirDocuments (fDocType, fState, fEntityId, fStoreId, fDateTime) VALUES "
      "(2, 3, 1, 1, 45000.5);"
      "INSERT INTO tirDocGoods (fDocId, fGoodId, fQtty, fSum) VALUES (1, 7, 2, 40);");
  const std::int64_t moves = Count("SELECT COUNT(*) FROM tirAStore;");
  engine().SetConnectToDB(&other.conn());
  engine().Provodka(1, kPostOn, false, false);
  engine().SetConnectToDB(&conn());
  EXPECT_EQ(tir::test::ScalarInt(other.conn(), "SELECT COUNT(*) FROM tirAStore;"), 1);
  EXPECT_EQ(tir::test::ScalarDouble(other.conn(), "SELECT fSum FROM tirAStore;"), 30);
  EXPECT_EQ(tir::test::ScalarInt(other.conn(), "SELECT fState FROM tirDocuments;"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM tirAStore;"), moves);
  ExpectBalance(1, 1, 7, 6, 60);  // the first base keeps what its own sale left
  Post(first, kPostOn);           // and its statements are prepared again there
  ExpectBalance(1, 1, 7, 6, 60);
}

}  // namespace
}  // namespace tir::posting::test
